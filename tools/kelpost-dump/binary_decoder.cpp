#include "binary_decoder.h"

#include <cstring>
#include <string>
#include <string_view>

#include "block_decoder.h"
#include "little_endian.h"

namespace kelpost {

namespace {

class BinaryDecoder : public Decoder {
 public:
  BinaryDecoder(Stream& in, Error::Where where, TextSink* out, bool bigEndian)
      : Decoder(in, where, out), bigEndian_(bigEndian) {}

 private:
  void readFileHeader() override {
    in_.skip(4);  // the marker, already recognised
    std::string line;
    std::uint64_t at = 0;
    if (!nextLine(line, at)) truncated("where the file header record \"KelPostEx1.1\" should follow");
    if (line != "KelPostEx1.1") {
      fail(at, "expected the file header record \"KelPostEx1.1\", found " + Quote(line));
    }
    out_.line("Kel Post Results File 1.0");
  }

  std::uint32_t word(const unsigned char* p) const {
    if (bigEndian_) {
      return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
             p[3];
    }
    return LoadLittleEndian32(p);
  }
  std::uint32_t readWord(const char* context) {
    if (in_.fill(4) < 4) truncated(context);
    std::uint32_t w = word(in_.data());
    in_.skip(4);
    return w;
  }
  std::int32_t readInt(const char* context) {
    std::uint32_t w = readWord(context);
    std::int32_t v;
    std::memcpy(&v, &w, 4);
    return v;
  }
  float readFloat(const char* context) {
    std::uint32_t w = readWord(context);
    float v;
    std::memcpy(&v, &w, 4);
    return v;
  }

  // String record: int32 L (characters plus one), the characters, a NUL.
  bool nextLine(std::string& line, std::uint64_t& at) override {
    at = in_.offset();
    std::size_t have = in_.fill(4);
    if (have == 0) return false;
    if (have < 4) truncated("in the length of a string record");
    std::int32_t len;
    std::uint32_t w = word(in_.data());
    std::memcpy(&len, &w, 4);
    if (len <= 0) {
      fail(at, "invalid string record length " + std::to_string(len) + " (it must be at least 1)");
    }
    if (static_cast<std::size_t>(len) > kMaxLineLength + 1) {
      fail(at, "string record length " + std::to_string(len) +
                   " is longer than any header line (at most 8191 characters and a NUL)");
    }
    std::size_t size = static_cast<std::size_t>(len);
    if (in_.fill(4 + size) < 4 + size) {
      truncated("in a string record of length " + std::to_string(len) + " starting at offset " +
                std::to_string(at));
    }
    const char* text = reinterpret_cast<const char*>(in_.data()) + 4;
    if (text[size - 1] != '\0') fail(at, "string record does not end with a NUL byte");
    if (const void* nul = std::memchr(text, 0, size - 1)) {
      fail(at + 4 + static_cast<std::size_t>(static_cast<const char*>(nul) - text),
           "string record contains a NUL byte before its end");
    }
    line.assign(text, size - 1);
    in_.skip(4 + size);
    return true;
  }

  const char* coordinatesOpener() const override { return "Coordinates -1 Indexed"; }
  const char* elementsOpener() const override { return "Elements -1 Indexed"; }
  const char* valuesOpener() const override { return "Values -1 Indexed"; }

  // True when the next bytes are exactly the string record of text.
  bool closerAhead(std::string_view text) {
    std::size_t size = 4 + text.size() + 1;
    if (in_.fill(size) < size) return false;
    const unsigned char* p = in_.data();
    return word(p) == text.size() + 1 && std::memcmp(p + 4, text.data(), text.size()) == 0 &&
           p[4 + text.size()] == '\0';
  }

  void readCoordinates() override {
    while (!closerAhead("End Coordinates")) {
      out_.id(readInt("in a coordinates record"));
      for (int k = 0; k < 3; ++k) out_.value(readFloat("in a coordinates record"));
      out_.newline();
      ++summary_.nodes;
    }
    in_.skip(4 + sizeof "End Coordinates");
    out_.line("End Coordinates");
  }

  void readElements(std::int32_t nnode) override {
    while (!closerAhead("End Elements")) {
      out_.id(readInt("in an element record"));
      for (std::int32_t k = 0; k < nnode; ++k) out_.node(readInt("in an element record"));
      readInt("in an element record");  // the material number, which the text form lacks
      out_.newline();
      ++summary_.elements;
    }
    in_.skip(4 + sizeof "End Elements");
    out_.line("End Elements");
  }

  void readValues(const ResultInfo& info) override {
    const std::string context = "in the values of result " + Quote(info.name);
    for (;;) {
      std::uint64_t at = in_.offset();
      std::int32_t id = readInt(context.c_str());
      if (id == -1) break;  // the end marker
      if (info.records == 0) {
        fail(at, "value record of result " + Quote(info.name) +
                     " on a Gauss point set with no points");
      }
      for (std::int64_t r = 0; r < info.records; ++r) {
        if (r == 0) out_.id(id);
        for (int k = 0; k < info.binaryValues; ++k) {
          float v = readFloat(context.c_str());
          if (k < info.textValues) out_.value(v);
        }
        out_.newline();
      }
    }
    expectLine("End Values");
    out_.line("End Values");
  }

  bool bigEndian_;
};

}  // namespace

Summary DecodeBinary(Stream& in, Error::Where where, TextSink* out, bool bigEndian) {
  return BinaryDecoder(in, where, out, bigEndian).run();
}

}  // namespace kelpost
