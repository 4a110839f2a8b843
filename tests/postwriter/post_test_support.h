// Helpers for tests that check Kel post results files byte for byte: reading a file,
// decompressing a gzip file; the expected record streams are written with Records.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "records.h"
#include "test_platform.h"

namespace posttest {

// The whole content of a file, as bytes.
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The decompressed content of gzip data, all members concatenated; throws on corrupt input.
inline std::string Gunzip(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) throw std::runtime_error("inflateInit2 failed");
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  char chunk[64 * 1024];
  int status = Z_OK;
  while (true) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
    if (status == Z_STREAM_END) {
      if (stream.avail_in == 0) break;
      inflateReset(&stream);  // another gzip member follows
      continue;
    }
    if (status != Z_OK) break;
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("gzip data is truncated or corrupt");
  return out;
}

inline std::string GunzipFile(const std::string& path) { return Gunzip(ReadFileBytes(path)); }

// How many gzip members the compressed data holds; throws on anything but whole members.
inline int GzipMemberCount(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) throw std::runtime_error("inflateInit2 failed");
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  char sink[64 * 1024];
  int members = 0;
  while (stream.avail_in > 0) {
    stream.next_out = reinterpret_cast<Bytef*>(sink);
    stream.avail_out = sizeof sink;
    int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      ++members;
      inflateReset(&stream);
    } else if (status != Z_OK) {
      inflateEnd(&stream);
      throw std::runtime_error("corrupt gzip member");
    }
  }
  inflateEnd(&stream);
  return members;
}

using testplatform::ScratchDir;
using testsupport::Records;

}  // namespace posttest
