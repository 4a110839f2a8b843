// The binary variant of the results writer: length-prefixed string records and raw
// little-endian 32-bit numbers, compressed as one gzip stream.
#pragma once

#include "gzip_stream.h"
#include "post_file.h"

#include <cstdint>
#include <cstring>

class CPostBinary final : public CPostFile {
 public:
  CPostBinary() = default;
  ~CPostBinary() override;

  int Open(const char* path) override;
  int Close() override;
  int Flush() override;
  int IsBinary() override { return 1; }
  int WriteString(const char* s) override;
  int BeginCoordinates() override;
  int BeginElements() override;
  int BeginValues() override;
  int EndValues() override;
  int WriteValues(int id, int count, const double* values) override;
  int WriteValuesVA(int id, int count, ...) override;
  int Write2D(double x, double y) override;
  int Write3D(double x, double y, double z) override;
  int WriteElem(int id, int count, const int* nodes) override;
  int WritePostHeader() override;

  // x, y, z and their modulus.
  int WriteVector(int id, double x, double y, double z) override;
  // Widths 1, 4 and 6 are copied as they are (every float's bits, NaN payloads included);
  // widths 2 and 3 are vectors through WriteVector.
  int WriteResultRows(int id, const float* rows, int rowCount, int width) override;

 private:
  void PutInt(std::int32_t value) { m_gzFile.AppendLE32(static_cast<std::uint32_t>(value)); }
  // Inline like PutInt: one call per number written is the hot path of a conversion.
  void PutFloat(double value) {
    const float single = static_cast<float>(value);
    std::uint32_t bits;
    std::memcpy(&bits, &single, sizeof bits);
    m_gzFile.AppendLE32(bits);
  }
  // id and then count numbers, formatted into the buffer in one piece where they fit.
  void PutIdAndInts(int id, const int* values, int count);
  // The id, unless it continues the entity of the previous value record.
  void PutEntityId(int id);
  template <class NextValue>
  void PutValueRecord(int id, int count, NextValue next);

  // Records are collected in the stream's own buffer and reach the compressor in whole
  // buffers; the decompressed bytes are exactly the records in order.
  BufferedGzipStream m_gzFile;
};
