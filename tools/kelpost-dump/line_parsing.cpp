#include "line_parsing.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelpost {

std::string Quote(std::string_view text, std::size_t limit) {
  std::string q = "\"";
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7f || c == '\\') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      q += hex;
    } else {
      q += static_cast<char>(c);
    }
  }
  if (text.size() > limit) q += "...";
  return q + "\"";
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool ParseInt(std::string_view tok, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < tok.size() && tok[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == tok.size()) return false;
  std::int64_t v = 0;
  for (; i < tok.size(); ++i) {
    if (tok[i] < '0' || tok[i] > '9') return false;
    v = v * 10 + (tok[i] - '0');
    if (v > std::int64_t{INT32_MAX} + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

bool ParseDouble(std::string_view tok, double& value) {
  if (tok.empty() || tok.size() > 63) return false;
  char buf[64];
  std::memcpy(buf, tok.data(), tok.size());
  buf[tok.size()] = '\0';
  if (buf[0] == ' ' || buf[0] == '\t' || buf[0] == '\n' || buf[0] == '\v' || buf[0] == '\f' ||
      buf[0] == '\r') {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(buf, &end);
  if (end != buf + tok.size()) return false;
  if (errno == ERANGE && std::isinf(v)) return false;
  value = v;
  return true;
}

namespace {

const char* const kGeometryNames[] = {"",           "Point",     "Linear",   "Triangle",
                                      "Quadrilateral", "Tetrahedra", "Hexahedra"};

}  // namespace

int GeometryCode(std::string_view name) {
  for (int i = 0; i < 7; ++i) {
    if (name == kGeometryNames[i]) return i;
  }
  return -1;
}

}  // namespace kelpost
