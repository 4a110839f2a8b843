// Helpers for tests that check Kel post results files byte for byte: reading a file,
// decompressing a gzip file, and building the expected record stream by hand.
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

// The decompressed record stream of a binary results file, written out record by record.
class Records {
 public:
  Records& Int32(std::int32_t value) {
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) m_bytes.push_back(static_cast<char>(bits >> shift));
    return *this;
  }
  Records& Float32(float value) {
    std::int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Int32(bits);
  }
  template <class... Values>
  Records& Floats(Values... values) {
    (Float32(static_cast<float>(values)), ...);
    return *this;
  }
  // Length with the NUL, the characters, the NUL.
  Records& String(const std::string& text) {
    Int32(static_cast<std::int32_t>(text.size() + 1));
    m_bytes += text;
    m_bytes.push_back('\0');
    return *this;
  }
  Records& Raw(const std::string& bytes) {
    m_bytes += bytes;
    return *this;
  }
  const std::string& Bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};

// A fresh directory for one test's files, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() : m_path(testplatform::MakeScratchDir("postwriter-")) {}
  ~TempDir() { testplatform::RemoveTree(m_path); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

}  // namespace posttest
