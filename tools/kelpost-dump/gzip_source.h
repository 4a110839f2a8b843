// Decompression of the one gzip member that a compressed results file holds.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "byte_stream.h"
#include "kelpost_reader.h"

namespace kelpost {

// Decompresses one gzip member read from raw.  Faults of the compressed data, a truncated
// member, and anything after the member (a second member included) are errors; the last two
// are reported when the reader reaches the end of the decompressed data.
class GzipSource : public ByteSource {
 public:
  explicit GzipSource(Stream& raw) : raw_(raw) {
    std::memset(&z_, 0, sizeof z_);
    // 16 + MAX_WBITS: a gzip wrapper only, with its CRC-32 and length checked at the end.
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
      throw Error(Error::Where::kFile, 0, "cannot start decompression (out of memory)");
    }
  }
  ~GzipSource() override { inflateEnd(&z_); }
  GzipSource(const GzipSource&) = delete;
  GzipSource& operator=(const GzipSource&) = delete;

  std::size_t read(unsigned char* buf, std::size_t n) override;

 private:
  void checkTrailing();

  Stream& raw_;
  z_stream z_;
  bool ended_ = false;
  std::string trailing_;
  std::uint64_t trailingOffset_ = 0;
};

}  // namespace kelpost
