// The plain text form of a results file, collected and handed to a sink in large pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "byte_stream.h"
#include "kelpost_reader.h"
#include "line_parsing.h"

namespace kelpost {

// Collects the plain text output and hands it to the sink in large pieces.
class Emitter {
 public:
  explicit Emitter(TextSink* sink) : sink_(sink) {
    if (sink_) buf_.reserve(kBufferSize + kMaxLineLength + 64);
  }
  void line(std::string_view s) {
    if (!sink_) return;
    buf_.append(s.data(), s.size());
    newline();
  }
  void id(std::int32_t v) { print("%d", v); }
  void node(std::int32_t v) { print(" %d", v); }
  void value(double v) { print(" %g", v); }
  void newline() {
    if (!sink_) return;
    buf_ += '\n';
    if (buf_.size() >= kBufferSize) flush();
  }
  void flush() {
    if (sink_ && !buf_.empty()) sink_->write(buf_.data(), buf_.size());
    buf_.clear();
  }

 private:
  template <typename T>
  void print(const char* format, T v) {
    if (!sink_) return;
    char tmp[64];
    int len = std::snprintf(tmp, sizeof tmp, format, v);
    buf_.append(tmp, static_cast<std::size_t>(len));
  }

  TextSink* sink_;
  std::string buf_;
};

}  // namespace kelpost
