// Reader of Kel post results files in all three variants: plain text, gzip-compressed text and
// binary (gzip-compressed records).  The reader streams: it never holds more than one header
// line (at most 8191 characters) plus fixed-size buffers, whatever the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kelpost {

// A malformed or unreadable input.  The offset says where the fault was found and in which
// byte stream: the file itself, or the stream that decompressing the file gives.
class Error : public std::runtime_error {
 public:
  enum class Where { kFile, kDecompressed };

  Error(Where where, std::uint64_t offset, const std::string& detail);

  Where where() const { return where_; }
  std::uint64_t offset() const { return offset_; }
  const std::string& detail() const { return detail_; }

 private:
  Where where_;
  std::uint64_t offset_;
  std::string detail_;
};

// A sequential source of bytes.  read() returns the number of bytes stored in buf, 0 only at
// the end of the data, and throws Error when the data cannot be read.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::size_t read(unsigned char* buf, std::size_t n) = 0;
};

// Bytes held by the caller; they must outlive the source.
class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  explicit MemorySource(const std::string& bytes) : MemorySource(bytes.data(), bytes.size()) {}
  std::size_t read(unsigned char* buf, std::size_t n) override;

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A file opened for reading, closed when the source is destroyed; or a stream that the
// caller has open (standard input), left open.
class FileSource : public ByteSource {
 public:
  // Throws std::runtime_error with the system's reason when the file cannot be opened.
  explicit FileSource(const std::string& path);
  explicit FileSource(std::FILE* borrowed);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::size_t read(unsigned char* buf, std::size_t n) override;

 private:
  std::FILE* file_;
  bool owned_;
  std::uint64_t offset_ = 0;
};

// Receives the plain text form in pieces.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void write(const char* data, std::size_t size) = 0;
};

class StringSink : public TextSink {
 public:
  void write(const char* data, std::size_t size) override { text.append(data, size); }
  std::string text;
};

// Writes to a stdio stream; write errors are left for the caller to find with ferror.
class StdioSink : public TextSink {
 public:
  explicit StdioSink(std::FILE* file) : file_(file) {}
  void write(const char* data, std::size_t size) override { std::fwrite(data, 1, size, file_); }

 private:
  std::FILE* file_;
};

// kBinary is the gzip-compressed record stream that the writer produces; the reader also
// accepts the record stream without compression.
enum class Variant { kText, kCompressedText, kBinary, kUncompressedBinary };

struct Summary {
  Variant variant = Variant::kText;
  std::uint64_t meshes = 0;
  std::uint64_t nodes = 0;
  std::uint64_t elements = 0;
  std::uint64_t gaussPointSets = 0;
  std::uint64_t results = 0;
  // Analysis name and its number of results, in the order of first appearance.
  std::vector<std::pair<std::string, std::uint64_t>> resultsPerAnalysis;
};

// Reads the whole file from source, checking it as it goes.  Writes the plain text form to out
// when out is not null (everything decoded before a fault has been written when Error is
// thrown) and returns the counts.
Summary Decode(ByteSource& source, TextSink* out);

// The counts as printed by `kelpost-dump --summary`, one "name: value" line each:
//   variant: text | compressed text | binary | binary (not compressed)
//   meshes: N / nodes: N / elements: N / gauss point sets: N / results: N
//   results of analysis "NAME": N     (one line per analysis, in order of first appearance)
std::string FormatSummary(const Summary& summary);

}  // namespace kelpost
