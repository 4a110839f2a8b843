#include "text_decoder.h"

#include <cstring>
#include <string>
#include <string_view>

#include "block_decoder.h"

namespace kelpost {

namespace {

class TextDecoder : public Decoder {
 public:
  using Decoder::Decoder;

 private:
  std::string prefix() const override { return "line " + std::to_string(currentLine_) + ": "; }
  void beginLine() { currentLine_ = linesDone_ + 1; }

  void readFileHeader() override {
    static const char kHeader[] = "Kel Post Results File 1.0";
    std::size_t have = in_.fill(sizeof kHeader + 1);
    beginLine();
    if (have == 0) fail(0, "empty file (expected the line \"Kel Post Results File 1.0\")");
    const char* p = reinterpret_cast<const char*>(in_.data());
    if (have < sizeof kHeader || std::memcmp(p, kHeader, sizeof kHeader - 1) != 0 ||
        (p[sizeof kHeader - 1] != '\n' && p[sizeof kHeader - 1] != '\r')) {
      fail(0, "not a Kel post results file: it starts neither with a gzip header, nor with the "
              "binary marker 2333, nor with the line \"Kel Post Results File 1.0\"");
    }
    std::string line;
    std::uint64_t at = 0;
    nextLine(line, at);
    if (line != kHeader) {
      fail(at, "expected the line \"Kel Post Results File 1.0\", found " + Quote(line));
    }
    out_.line(line);
  }

  // One line without its line end ("\n" or "\r\n").
  bool nextLine(std::string& line, std::uint64_t& at) override {
    at = in_.offset();
    beginLine();
    line.clear();
    if (in_.atEnd()) return false;
    for (;;) {
      std::size_t have = in_.fill(1);
      if (have == 0) truncated("in a line without a line end");
      const unsigned char* p = in_.data();
      const void* nl = std::memchr(p, '\n', have);
      std::size_t take = nl ? static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - p)
                            : have;
      if (line.size() + take > kMaxLineLength + 1) {
        fail(at, "line longer than 8191 characters");
      }
      line.append(reinterpret_cast<const char*>(p), take);
      in_.skip(take);
      if (nl) {
        in_.skip(1);
        break;
      }
    }
    ++linesDone_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxLineLength) fail(at, "line longer than 8191 characters");
    if (const void* nul = std::memchr(line.data(), 0, line.size())) {
      fail(at + static_cast<std::size_t>(static_cast<const char*>(nul) - line.data()),
           "NUL byte in a text line");
    }
    return true;
  }

  const char* coordinatesOpener() const override { return "Coordinates"; }
  const char* elementsOpener() const override { return "Elements"; }
  const char* valuesOpener() const override { return "Values"; }

  // The characters up to a blank, a line end or the end of the data (at most 64).
  std::string_view token(std::uint64_t& at) {
    at = in_.offset();
    std::size_t n = 0;
    for (int c = in_.peek(); c >= 0 && c != ' ' && c != '\n' && c != '\r'; c = in_.peek()) {
      if (n == sizeof token_) fail(at, "number longer than 64 characters");
      token_[n++] = static_cast<char>(in_.get());
    }
    return std::string_view(token_, n);
  }
  std::int32_t intToken(const char* what) {
    std::uint64_t at = 0;
    std::string_view tok = token(at);
    std::int32_t v = 0;
    if (!ParseInt(tok, v)) fail(at, "bad " + std::string(what) + " " + Quote(tok));
    return v;
  }
  double numberToken(const char* what) {
    std::uint64_t at = 0;
    std::string_view tok = token(at);
    double v = 0;
    if (!ParseDouble(tok, v)) fail(at, "bad " + std::string(what) + " " + Quote(tok));
    return v;
  }
  // The blank before item k of a data line that must hold count items.
  void separator(std::int64_t k, std::int64_t count, const char* kind, const char* items) {
    if (in_.peek() != ' ') {
      fail(in_.offset(), std::string(kind) + " line has " + std::to_string(k) + " " + items +
                             ", expected " + std::to_string(count));
    }
    in_.get();
  }
  // The end of a data line after its count items.
  void lineEnd(std::int64_t count, const char* kind, const char* items) {
    std::uint64_t at = in_.offset();
    int c = in_.get();
    if (c == '\r') c = in_.get();
    if (c == '\n') {
      ++linesDone_;
      return;
    }
    if (c < 0) truncated("in a line without a line end");
    if (c == ' ') {
      fail(at, std::string(kind) + " line has more than " + std::to_string(count) + " " + items);
    }
    fail(at, "carriage return without a line feed");
  }
  static bool startsNumber(int c) { return c == '-' || (c >= '0' && c <= '9'); }

  // A line that is not a data line must be the block's closer.
  void closer(const char* expected, const char* kind) {
    std::string line;
    std::uint64_t at = 0;
    if (!nextLine(line, at)) truncated(std::string("where ") + Quote(expected) + " should follow");
    if (line != expected) {
      fail(at, std::string("expected ") + kind + " line or " + Quote(expected) + ", found " +
                   Quote(line));
    }
    out_.line(line);
  }

  void readCoordinates() override {
    while (startsNumber(in_.peek())) {
      beginLine();
      out_.id(intToken("node id"));
      for (int k = 0; k < 3; ++k) {
        separator(k, 3, "coordinates", "values");
        out_.value(numberToken("coordinate"));
      }
      lineEnd(3, "coordinates", "values");
      out_.newline();
      ++summary_.nodes;
    }
    closer("End Coordinates", "a coordinates");
  }

  void readElements(std::int32_t nnode) override {
    while (startsNumber(in_.peek())) {
      beginLine();
      out_.id(intToken("element id"));
      for (std::int32_t k = 0; k < nnode; ++k) {
        separator(k, nnode, "element", "node ids");
        out_.node(intToken("node id"));
      }
      lineEnd(nnode, "element", "node ids");
      out_.newline();
      ++summary_.elements;
    }
    closer("End Elements", "an element");
  }

  void readValues(const ResultInfo& info) override {
    std::int64_t lines = 0;  // lines of the current entity; 0 before the first
    std::int32_t id = 0;
    auto checkComplete = [&](std::uint64_t at) {
      if (lines != 0 && lines != info.records) {
        fail(at, "entity " + std::to_string(id) + " has " + std::to_string(lines) +
                     " value lines, expected " + std::to_string(info.records));
      }
    };
    for (;;) {
      int c = in_.peek();
      std::uint64_t at = in_.offset();
      beginLine();
      if (c == ' ') {
        if (lines == 0) fail(at, "value line without an id at the start of a values block");
        if (lines == info.records) {
          fail(at, "entity " + std::to_string(id) + " has more than " +
                       std::to_string(info.records) + " value lines");
        }
        ++lines;
      } else if (startsNumber(c)) {
        checkComplete(at);
        id = intToken("id");
        if (info.records == 0) {
          fail(at, "value line of result " + Quote(info.name) +
                       " on a Gauss point set with no points");
        }
        out_.id(id);
        lines = 1;
      } else {
        checkComplete(at);
        closer("End Values", "a value");
        return;
      }
      for (int k = 0; k < info.textValues; ++k) {
        separator(k, info.textValues, "value", "values");
        out_.value(numberToken("value"));
      }
      lineEnd(info.textValues, "value", "values");
      out_.newline();
    }
  }

  std::uint64_t linesDone_ = 0;    // lines read completely
  std::uint64_t currentLine_ = 1;  // number of the line being read or just read
  char token_[64];
};

}  // namespace

Summary DecodeText(Stream& in, Error::Where where, TextSink* out) {
  return TextDecoder(in, where, out).run();
}

}  // namespace kelpost
