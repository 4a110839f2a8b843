// Buffered reading over a byte source, with the offset of every byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kelpost_reader.h"

namespace kelpost {

constexpr std::size_t kBufferSize = 64 * 1024;

// Buffered reading over a source, with the offset of every byte and a look-ahead of up to
// kBufferSize bytes.
class Stream {
 public:
  explicit Stream(ByteSource& source) : source_(source), buf_(kBufferSize) {}

  // Tries to make n bytes available; returns how many are (fewer only at the end of data).
  std::size_t fill(std::size_t n) {
    if (end_ - pos_ >= n) return end_ - pos_;
    if (pos_ > 0) {
      std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
      base_ += pos_;
      end_ -= pos_;
      pos_ = 0;
    }
    while (end_ < n && !eof_) {
      std::size_t got = source_.read(buf_.data() + end_, buf_.size() - end_);
      if (got == 0) eof_ = true;
      end_ += got;
    }
    return end_;
  }

  const unsigned char* data() const { return buf_.data() + pos_; }
  std::size_t available() const { return end_ - pos_; }
  void skip(std::size_t n) { pos_ += n; }
  std::uint64_t offset() const { return base_ + pos_; }
  // The offset just past the last byte that could be read.
  std::uint64_t endOffset() {
    fill(1);
    return offset() + available();
  }
  bool atEnd() { return fill(1) == 0; }
  int peek() {
    if (pos_ == end_ && fill(1) == 0) return -1;
    return buf_[pos_];
  }
  int get() {
    int c = peek();
    if (c >= 0) ++pos_;
    return c;
  }

 private:
  ByteSource& source_;
  std::vector<unsigned char> buf_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t base_ = 0;
  bool eof_ = false;
};

}  // namespace kelpost
