#include "post_binary.h"

#include "little_endian.h"
#include "post_interface.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::int32_t kFileMarker = 2333;
constexpr std::int32_t kEndOfValues = -1;
constexpr std::int32_t kMaterialNumber = 1;

// The modulus appended to every vector value.
inline double VectorModulus(double x, double y, double z) {
  return std::sqrt((x * x + y * y) + z * z);
}

}  // namespace

CPostBinary::~CPostBinary() { Close(); }

int CPostBinary::Open(const char* path) {
  if (m_gzFile.IsOpen()) Close();
  if (!m_gzFile.Open(path)) return 1;
  PutInt(kFileMarker);  // a failure here shows in later results and the close status
  return 0;
}

int CPostBinary::Close() {
  g_closeStatus = m_gzFile.IsOpen() ? m_gzFile.Close() : 1;
  return g_closeStatus;
}

int CPostBinary::Flush() {
  if (!m_gzFile.IsOpen()) return 1;
  return m_gzFile.Flush(GzipFile::FlushMode::kFull);
}

int CPostBinary::WriteString(const char* s) {
  if (!m_gzFile.IsOpen()) return 1;
  if (s == nullptr) s = "";
  std::size_t length = std::strlen(s) + 1;  // the terminating NUL is part of the record
  if (length > static_cast<std::size_t>(INT32_MAX)) return 1;
  PutInt(static_cast<std::int32_t>(length));
  m_gzFile.Append(s, length);
  return m_gzFile.Failed() ? 1 : 0;
}

int CPostBinary::BeginCoordinates() { return WriteString("Coordinates -1 Indexed"); }

int CPostBinary::BeginElements() { return WriteString("Elements -1 Indexed"); }

int CPostBinary::BeginValues() { return WriteString("Values -1 Indexed"); }

int CPostBinary::EndValues() {
  if (!m_gzFile.IsOpen()) return 1;
  PutInt(kEndOfValues);
  if (m_gzFile.Failed()) return 1;
  return WriteString("End Values");
}

void CPostBinary::PutEntityId(int id) {
  if (id != m_lastId) {
    PutInt(id);
    m_lastId = id;
  }
}

namespace {

// Records of at most this many values are formatted straight into the stream's buffer.
constexpr int kDirectValues = 64;

inline std::uint32_t SingleBits(double value) {
  const float single = static_cast<float>(value);
  std::uint32_t bits;
  std::memcpy(&bits, &single, sizeof bits);
  return bits;
}

}  // namespace

// One value record, the values coming from next(). A short record takes its room in the
// buffer once, so the per-number bookkeeping stays in registers.
template <class NextValue>
void CPostBinary::PutValueRecord(int id, int count, NextValue next) {
  if (count > kDirectValues) {
    PutEntityId(id);
    for (int i = 0; i < count; ++i) PutFloat(next());
    return;
  }
  unsigned char* out = reinterpret_cast<unsigned char*>(m_gzFile.Reserve(4 + 4 * kDirectValues));
  std::size_t used = 0;
  if (id != m_lastId) {
    StoreLittleEndian32(out, static_cast<std::uint32_t>(id));
    used = 4;
    m_lastId = id;
  }
  for (int i = 0; i < count; ++i, used += 4) StoreLittleEndian32(out + used, SingleBits(next()));
  m_gzFile.Commit(used);
}

int CPostBinary::WriteValues(int id, int count, const double* values) {
  if (!m_gzFile.IsOpen()) return 1;
  if (values == nullptr) count = 0;
  const double* next = values;
  PutValueRecord(id, count, [&next] { return *next++; });
  return 0;
}

int CPostBinary::WriteValuesVA(int id, int count, ...) {
  if (!m_gzFile.IsOpen()) return 1;
  va_list args;
  va_start(args, count);
  PutValueRecord(id, count, [&args] { return va_arg(args, double); });
  va_end(args);
  return 0;
}

int CPostBinary::WriteVector(int id, double x, double y, double z) {
  if (!m_gzFile.IsOpen()) return 1;
  const double vector[4] = {x, y, z, VectorModulus(x, y, z)};
  const double* next = vector;
  PutValueRecord(id, 4, [&next] { return *next++; });
  return 0;
}

int CPostBinary::WriteResultRows(int id, const float* rows, int rowCount, int width) {
  if (!IsRowWidth(width)) return 1;
  if (!m_gzFile.IsOpen()) return 1;
  if (rows == nullptr || rowCount <= 0) return 0;
  const std::size_t rowWidth = static_cast<std::size_t>(width);
  if (width == 2 || width == 3) {
    for (int r = 0; r < rowCount; ++r) {
      const float* c = rows + static_cast<std::size_t>(r) * rowWidth;
      WriteVector(id, c[0], c[1], width == 3 ? c[2] : 0.0);
    }
    return 0;
  }
  // A float's bits are its record bytes on a little-endian machine: one copy for all rows.
  PutEntityId(id);
  const std::size_t count = static_cast<std::size_t>(rowCount) * rowWidth;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  m_gzFile.Append(rows, count * sizeof(float));
#else
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t bits;
    std::memcpy(&bits, &rows[i], sizeof bits);
    m_gzFile.AppendLE32(bits);
  }
#endif
  return 0;
}

int CPostBinary::Write2D(double x, double y) {
  if (!m_gzFile.IsOpen()) return 1;
  PutFloat(x);
  PutFloat(y);
  return 0;
}

int CPostBinary::Write3D(double x, double y, double z) {
  if (!m_gzFile.IsOpen()) return 1;
  PutFloat(x);
  PutFloat(y);
  PutFloat(z);
  return 0;
}

void CPostBinary::PutIdAndInts(int id, const int* values, int count) {
  if (count < 0) count = 0;
  // A record that does not fit the buffer's room goes number by number: the buffer then
  // reaches the compressor at the same places, and the file gets the same bytes, as when
  // every number is appended alone.
  if (static_cast<std::size_t>(count) >= m_gzFile.Room() / 4) {
    PutInt(id);
    for (int i = 0; i < count; ++i) PutInt(values[i]);
    return;
  }
  const std::size_t bytes = 4 * (static_cast<std::size_t>(count) + 1);
  unsigned char* out = reinterpret_cast<unsigned char*>(m_gzFile.Reserve(bytes));
  StoreLittleEndian32(out, static_cast<std::uint32_t>(id));
  for (int i = 0; i < count; ++i) {
    StoreLittleEndian32(out + 4 * (static_cast<std::size_t>(i) + 1),
                        static_cast<std::uint32_t>(values[i]));
  }
  m_gzFile.Commit(bytes);
}

int CPostBinary::WriteElem(int id, int count, const int* nodes) {
  if (!m_gzFile.IsOpen()) return 1;
  if (nodes == nullptr) count = 0;
  PutIdAndInts(id, nodes, count);
  switch (CheckConnectivity(count)) {
    case 0:
      PutInt(kMaterialNumber);
      return 0;
    case 1:
      return 0;  // the caller's last number is the material number
    default:
      return 1;
  }
}

int CPostBinary::WritePostHeader() { return WriteString("KelPostEx1.1"); }
