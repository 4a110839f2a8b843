#include "post_ascii.h"

#include "file_system.h"
#include "post_interface.h"

#include <cstdarg>
#include <cstring>

namespace {

// Longest piece a value or element line formats: a blank and "%g" of any double
// ("-1.79769e+308") or "%d" of any int, with room to spare.
constexpr std::size_t kPieceRoom = 32;

int RecordClose(int status) {
  g_closeStatus = status;
  return status;
}

}  // namespace

// ---- CPostAscii ----

CPostAscii::~CPostAscii() { Close(); }

int CPostAscii::Open(const char* path) {
  if (m_file) Close();
  if (path == nullptr) return 1;
  m_file.reset(platform::OpenFile(path, "wb"));
  return m_file ? 0 : 1;
}

int CPostAscii::Close() {
  if (!m_file) return RecordClose(1);
  return RecordClose(std::fclose(m_file.release()));
}

int CPostAscii::Flush() { return m_file ? std::fflush(m_file.get()) : 1; }

int CPostAscii::WriteString(const char* s) {
  if (!m_file) return 1;
  std::fprintf(m_file.get(), "%s\n", s != nullptr ? s : "");
  return 0;  // stream errors show in the close status
}

template <class NextValue>
void CPostAscii::PutValueLine(int id, int count, NextValue next) {
  std::FILE* file = m_file.get();
  if (id != m_lastId) std::fprintf(file, "%d", id);
  for (int i = 0; i < count; ++i) std::fprintf(file, " %g", next());
  std::fputc('\n', file);
  m_lastId = id;
}

int CPostAscii::WriteValues(int id, int count, const double* values) {
  if (!m_file) return 1;
  if (values == nullptr) count = 0;
  PutValueLine(id, count, [&values] { return *values++; });
  return 0;
}

int CPostAscii::WriteValuesVA(int id, int count, ...) {
  if (!m_file) return 1;
  va_list args;
  va_start(args, count);
  PutValueLine(id, count, [&args] { return va_arg(args, double); });
  va_end(args);
  return 0;
}

int CPostAscii::WriteElem(int id, int count, const int* nodes) {
  if (!m_file) return 1;
  if (nodes == nullptr) count = 0;
  std::FILE* file = m_file.get();
  std::fprintf(file, "%d", id);
  for (int i = 0; i < count; ++i) std::fprintf(file, " %d", nodes[i]);
  std::fputc('\n', file);
  return 0;
}

// ---- CPostAsciiZ ----

CPostAsciiZ::~CPostAsciiZ() { Close(); }

int CPostAsciiZ::Open(const char* path) {
  if (m_gzFile.IsOpen()) Close();
  return m_gzFile.Open(path) ? 0 : 1;
}

int CPostAsciiZ::Close() {
  if (!m_gzFile.IsOpen()) return RecordClose(1);
  return RecordClose(m_gzFile.Close());
}

int CPostAsciiZ::Flush() {
  if (!m_gzFile.IsOpen()) return 1;
  return m_gzFile.Flush(GzipFile::FlushMode::kFinish);
}

int CPostAsciiZ::WriteString(const char* s) {
  if (!m_gzFile.IsOpen()) return 1;
  if (s != nullptr) m_gzFile.Append(s, std::strlen(s));
  m_gzFile.Append("\n", 1);
  return 0;  // stream errors show in the close status
}

template <class Number>
void CPostAsciiZ::PutFormatted(const char* format, Number number) {
  char* out = m_gzFile.Reserve(kPieceRoom);
  int length = std::snprintf(out, kPieceRoom, format, number);
  if (length > 0) m_gzFile.Commit(static_cast<std::size_t>(length));
}

template <class NextValue>
void CPostAsciiZ::PutValueLine(int id, int count, NextValue next) {
  if (id != m_lastId) PutFormatted("%d", id);
  for (int i = 0; i < count; ++i) PutFormatted(" %g", next());
  m_gzFile.Append("\n", 1);
  m_lastId = id;
}

int CPostAsciiZ::WriteValues(int id, int count, const double* values) {
  if (!m_gzFile.IsOpen()) return 1;
  if (values == nullptr) count = 0;
  PutValueLine(id, count, [&values] { return *values++; });
  return 0;
}

int CPostAsciiZ::WriteValuesVA(int id, int count, ...) {
  if (!m_gzFile.IsOpen()) return 1;
  va_list args;
  va_start(args, count);
  PutValueLine(id, count, [&args] { return va_arg(args, double); });
  va_end(args);
  return 0;
}

int CPostAsciiZ::WriteElem(int id, int count, const int* nodes) {
  if (!m_gzFile.IsOpen()) return 1;
  if (nodes == nullptr) count = 0;
  PutFormatted("%d", id);
  for (int i = 0; i < count; ++i) PutFormatted(" %d", nodes[i]);
  m_gzFile.Append("\n", 1);
  return 0;
}
