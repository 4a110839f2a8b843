// Helpers for the reader tests: gzip members built by hand from stored (uncompressed) deflate
// blocks so that every offset is known, and decoding.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "kelpost_reader.h"
#include "little_endian.h"
#include "records.h"

namespace dumptest {

using testsupport::Records;

inline void PutLE32(std::string& out, std::uint32_t v) {
  unsigned char bytes[4];
  StoreLittleEndian32(bytes, v);
  out.append(reinterpret_cast<const char*>(bytes), 4);
}

// One gzip member holding data in a single stored deflate block (data shorter than 64 KiB):
// a 10-byte header, the block header (1 byte, LEN, NLEN), the data, CRC-32 and length.
inline std::string StoredGzip(const std::string& data) {
  std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
  out.push_back('\x01');  // final block, stored
  std::uint16_t len = static_cast<std::uint16_t>(data.size());
  out.push_back(static_cast<char>(len & 0xff));
  out.push_back(static_cast<char>(len >> 8));
  out.push_back(static_cast<char>(~len & 0xff));
  out.push_back(static_cast<char>((~len >> 8) & 0xff));
  out += data;
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()),
                    static_cast<uInt>(data.size()));
  PutLE32(out, static_cast<std::uint32_t>(crc));
  PutLE32(out, static_cast<std::uint32_t>(data.size()));
  return out;
}
// Bytes before the data in StoredGzip's output.
constexpr std::size_t kStoredGzipHead = 15;

struct Decoded {
  std::string text;
  kelpost::Summary summary;
};

inline Decoded DecodeBytes(const std::string& bytes) {
  kelpost::MemorySource source(bytes);
  kelpost::StringSink sink;
  Decoded d;
  d.summary = kelpost::Decode(source, &sink);
  d.text = sink.text;
  return d;
}

}  // namespace dumptest
