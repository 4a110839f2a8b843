// The common parsing of header lines: quoting texts for messages, whole-token numbers, a
// cursor that reads a line from left to right, and the names of the element geometries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelpost {

// Header lines are built in 8192-byte buffers, so no line is longer than this.
constexpr std::size_t kMaxLineLength = 8191;

// Quotes text for a message: non-printable bytes become \xHH and long texts are cut.
std::string Quote(std::string_view text, std::size_t limit = 60);
bool StartsWith(std::string_view s, std::string_view prefix);
// Whole-token integer: optional minus and decimal digits, within 32 bits.
bool ParseInt(std::string_view tok, std::int32_t& value);
// Whole-token real number as the standard library reads it; values too large for a double
// are refused, values too small to be normal are kept.
bool ParseDouble(std::string_view tok, double& value);

// The code of an element geometry name ("" is 0, "Hexahedra" 6), or -1 for an unknown name.
int GeometryCode(std::string_view name);

// A fault in a header line, found at a column; the decoder adds where the line starts.
struct LineFault {
  std::string detail;
};

// Reads one header line from left to right.
class LineCursor {
 public:
  LineCursor(std::string_view line, const char* kind) : s_(line), kind_(kind) {}

  [[noreturn]] void fault(const std::string& what) const {
    throw LineFault{std::string("malformed ") + kind_ + " line: " + what + " at column " +
                    std::to_string(i_ + 1)};
  }
  void literal(std::string_view text) {
    if (s_.substr(i_, text.size()) != text) fault("expected " + Quote(text));
    i_ += text.size();
  }
  bool tryLiteral(std::string_view text) {
    if (s_.substr(i_, text.size()) != text) return false;
    i_ += text.size();
    return true;
  }
  std::string quoted() {
    if (i_ >= s_.size() || s_[i_] != '"') fault("expected a double-quoted name");
    std::size_t close = s_.find('"', i_ + 1);
    if (close == std::string_view::npos) fault("the double-quoted name has no closing quote");
    std::string name(s_.substr(i_ + 1, close - i_ - 1));
    i_ = close + 1;
    return name;
  }
  // The characters up to the next blank or the end of the line; may be empty.
  std::string_view word() {
    std::size_t end = s_.find(' ', i_);
    if (end == std::string_view::npos) end = s_.size();
    std::string_view w = s_.substr(i_, end - i_);
    i_ = end;
    return w;
  }
  std::int32_t integer(const char* what) {
    std::size_t at = i_;
    std::string_view w = word();
    std::int32_t v = 0;
    if (!ParseInt(w, v)) {
      i_ = at;
      fault("expected " + std::string(what) + " (an integer), found " + Quote(w));
    }
    return v;
  }
  double number(const char* what) {
    std::size_t at = i_;
    std::string_view w = word();
    double v = 0;
    if (!ParseDouble(w, v)) {
      i_ = at;
      fault("expected " + std::string(what) + " (a number), found " + Quote(w));
    }
    return v;
  }
  bool atEnd() const { return i_ == s_.size(); }
  void end() {
    if (!atEnd()) fault("expected the end of the line");
  }
  std::size_t column() const { return i_; }
  void back(std::size_t column) { i_ = column; }

 private:
  std::string_view s_;
  const char* kind_;
  std::size_t i_ = 0;
};

}  // namespace kelpost
