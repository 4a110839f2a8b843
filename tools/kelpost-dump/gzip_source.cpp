#include "gzip_source.h"

namespace kelpost {

std::size_t GzipSource::read(unsigned char* buf, std::size_t n) {
  if (ended_) {
    if (!trailing_.empty()) throw Error(Error::Where::kFile, trailingOffset_, trailing_);
    return 0;
  }
  if (n > (1u << 30)) n = 1u << 30;
  z_.next_out = buf;
  z_.avail_out = static_cast<uInt>(n);
  for (;;) {
    raw_.fill(1);
    std::size_t in = raw_.available();
    if (in > (1u << 30)) in = 1u << 30;
    z_.next_in = const_cast<unsigned char*>(raw_.data());
    z_.avail_in = static_cast<uInt>(in);
    int ret = inflate(&z_, Z_NO_FLUSH);
    raw_.skip(in - z_.avail_in);
    std::size_t produced = n - z_.avail_out;
    if (ret == Z_STREAM_END) {
      ended_ = true;
      checkTrailing();
      if (produced == 0) return read(buf, n);
      return produced;
    }
    if (ret == Z_DATA_ERROR || ret == Z_NEED_DICT || ret == Z_STREAM_ERROR) {
      std::string reason = z_.msg ? z_.msg : "invalid data";
      throw Error(Error::Where::kDecompressed, z_.total_out,
                  "corrupt gzip data (" + reason + ") near file offset " +
                      std::to_string(raw_.offset()));
    }
    if (ret == Z_MEM_ERROR) {
      throw Error(Error::Where::kDecompressed, z_.total_out, "out of memory while decompressing");
    }
    if (produced > 0) return produced;
    if (in == 0) {
      throw Error(Error::Where::kDecompressed, z_.total_out,
                  "truncated gzip stream: the compressed data ends at file offset " +
                      std::to_string(raw_.offset()) + " before the end of the gzip member");
    }
  }
}

void GzipSource::checkTrailing() {
  std::size_t left = raw_.fill(2);
  if (left == 0) return;
  trailingOffset_ = raw_.offset();
  if (left >= 2 && raw_.data()[0] == 0x1f && raw_.data()[1] == 0x8b) {
    trailing_ = "a second gzip member starts after the end of the first; a results file "
                "holds exactly one";
  } else {
    trailing_ = "unexpected bytes after the end of the gzip stream";
  }
}

}  // namespace kelpost
