// 32-bit words as the results file and gzip store them: least significant byte first,
// whatever the host's byte order.
#pragma once

#include <cstdint>

inline void StoreLittleEndian32(unsigned char* out, std::uint32_t word) {
  out[0] = static_cast<unsigned char>(word);
  out[1] = static_cast<unsigned char>(word >> 8);
  out[2] = static_cast<unsigned char>(word >> 16);
  out[3] = static_cast<unsigned char>(word >> 24);
}

inline std::uint32_t LoadLittleEndian32(const unsigned char* in) {
  return std::uint32_t{in[3]} << 24 | std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 |
         in[0];
}
