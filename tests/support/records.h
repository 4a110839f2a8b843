// A binary record stream written out by hand, for comparing with what the writer wrote and
// for feeding the reader: 4-byte integers and floats, little-endian unless told otherwise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace testsupport {

class Records {
 public:
  explicit Records(bool bigEndian = false) : m_big(bigEndian) {}
  Records& Int(std::int32_t value) {
    const std::uint32_t bits = static_cast<std::uint32_t>(value);
    char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(bits >> (8 * i));
    if (m_big) std::reverse(bytes, bytes + 4);
    m_bytes.append(bytes, 4);
    return *this;
  }
  template <class... Values>
  Records& Ints(Values... values) {
    (Int(static_cast<std::int32_t>(values)), ...);
    return *this;
  }
  Records& Float(float value) {
    std::int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Int(bits);
  }
  template <class... Values>
  Records& Floats(Values... values) {
    (Float(static_cast<float>(values)), ...);
    return *this;
  }
  // Length with the NUL, the characters, the NUL.
  Records& Str(const std::string& text) {
    Int(static_cast<std::int32_t>(text.size() + 1));
    m_bytes += text;
    m_bytes.push_back('\0');
    return *this;
  }
  Records& Raw(const std::string& bytes) {
    m_bytes += bytes;
    return *this;
  }
  // The marker 2333 and the file header record.
  Records& Header() { return Int(2333).Str("KelPostEx1.1"); }
  const std::string& bytes() const { return m_bytes; }
  std::size_t size() const { return m_bytes.size(); }

 private:
  bool m_big;
  std::string m_bytes;
};

}  // namespace testsupport
