#include "kelpost_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "binary_decoder.h"
#include "byte_stream.h"
#include "gzip_source.h"
#include "text_decoder.h"

namespace kelpost {

namespace {

constexpr std::int32_t kValuesMarker = 2333;

std::string WhereText(Error::Where where) {
  return where == Error::Where::kFile ? "file offset " : "decompressed offset ";
}

}  // namespace

Error::Error(Where where, std::uint64_t offset, const std::string& detail)
    : std::runtime_error(WhereText(where) + std::to_string(offset) + ": " + detail),
      where_(where),
      offset_(offset),
      detail_(detail) {}

std::size_t MemorySource::read(unsigned char* buf, std::size_t n) {
  std::size_t take = std::min(n, size_ - pos_);
  std::memcpy(buf, data_ + pos_, take);
  pos_ += take;
  return take;
}

FileSource::FileSource(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb")), owned_(true) {
  if (!file_) throw std::runtime_error(std::string("cannot open: ") + std::strerror(errno));
}

FileSource::FileSource(std::FILE* borrowed) : file_(borrowed), owned_(false) {}

FileSource::~FileSource() {
  if (owned_) std::fclose(file_);
}

std::size_t FileSource::read(unsigned char* buf, std::size_t n) {
  std::size_t got = std::fread(buf, 1, n, file_);
  if (got == 0 && std::ferror(file_)) {
    throw Error(Error::Where::kFile, offset_, std::string("read error: ") + std::strerror(errno));
  }
  offset_ += got;
  return got;
}

namespace {

Summary DecodeStream(Stream& in, Error::Where where, TextSink* out, bool compressed) {
  static const unsigned char kLittle[4] = {0x1d, 0x09, 0x00, 0x00};
  static const unsigned char kBig[4] = {0x00, 0x00, 0x09, 0x1d};
  static_assert(kValuesMarker == 0x091d, "marker bytes");
  bool little = in.fill(4) >= 4 && std::memcmp(in.data(), kLittle, 4) == 0;
  bool big = in.available() >= 4 && std::memcmp(in.data(), kBig, 4) == 0;
  Summary summary;
  if (little || big) {
    summary = DecodeBinary(in, where, out, big);
    summary.variant = compressed ? Variant::kBinary : Variant::kUncompressedBinary;
  } else {
    summary = DecodeText(in, where, out);
    summary.variant = compressed ? Variant::kCompressedText : Variant::kText;
  }
  return summary;
}

}  // namespace

Summary Decode(ByteSource& source, TextSink* out) {
  Stream raw(source);
  if (raw.fill(2) >= 2 && raw.data()[0] == 0x1f && raw.data()[1] == 0x8b) {
    GzipSource gzip(raw);
    Stream inflated(gzip);
    return DecodeStream(inflated, Error::Where::kDecompressed, out, true);
  }
  return DecodeStream(raw, Error::Where::kFile, out, false);
}

std::string FormatSummary(const Summary& s) {
  static const char* const kVariants[] = {"text", "compressed text", "binary",
                                          "binary (not compressed)"};
  std::string text = "variant: " + std::string(kVariants[static_cast<int>(s.variant)]) + "\n";
  text += "meshes: " + std::to_string(s.meshes) + "\n";
  text += "nodes: " + std::to_string(s.nodes) + "\n";
  text += "elements: " + std::to_string(s.elements) + "\n";
  text += "gauss point sets: " + std::to_string(s.gaussPointSets) + "\n";
  text += "results: " + std::to_string(s.results) + "\n";
  for (const auto& [analysis, count] : s.resultsPerAnalysis) {
    text += "results of analysis \"" + analysis + "\": " + std::to_string(count) + "\n";
  }
  return text;
}

}  // namespace kelpost
