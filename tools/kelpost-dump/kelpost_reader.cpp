#include "kelpost_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace kelpost {

namespace {

// Header lines are built in 8192-byte buffers, so no line is longer than this.
constexpr std::size_t kMaxLineLength = 8191;
constexpr std::int32_t kValuesMarker = 2333;
constexpr std::size_t kBufferSize = 64 * 1024;

std::string WhereText(Error::Where where) {
  return where == Error::Where::kFile ? "file offset " : "decompressed offset ";
}

// Quotes text for a message: non-printable bytes become \xHH and long texts are cut.
std::string Quote(std::string_view text, std::size_t limit = 60) {
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

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// Whole-token integer: optional minus and decimal digits, within 32 bits.
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

// Whole-token real number as the standard library reads it; values too large for a double
// are refused, values too small to be normal are kept.
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

// Buffered reading over a source, with the offset of every byte and a look-ahead of up to
// kBufferSize bytes.
class Stream {
 public:
  explicit Stream(ByteSource& source) : source_(source), buf_(kBufferSize) {}

  // Tries to make n bytes available; returns how many are (fewer only at the end of data).
  std::size_t fill(std::size_t n) {
    if (end_ - pos_ >= n) return end_ - pos_;
    if (pos_ > 0) {
      std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
      base_ += pos_;
      end_ -= pos_;
      pos_ = 0;
    }
    while (end_ < n && !eof_) {
      std::size_t got = source_.read(buf_.data() + end_, buf_.size() - end_);
      if (got == 0) eof_ = true;
      end_ += got;
    }
    return end_;
  }

  const unsigned char* data() const { return buf_.data() + pos_; }
  std::size_t available() const { return end_ - pos_; }
  void skip(std::size_t n) { pos_ += n; }
  std::uint64_t offset() const { return base_ + pos_; }
  // The offset just past the last byte that could be read.
  std::uint64_t endOffset() {
    fill(1);
    return offset() + available();
  }
  bool atEnd() { return fill(1) == 0; }
  int peek() {
    if (pos_ == end_ && fill(1) == 0) return -1;
    return buf_[pos_];
  }
  int get() {
    int c = peek();
    if (c >= 0) ++pos_;
    return c;
  }

 private:
  ByteSource& source_;
  std::vector<unsigned char> buf_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t base_ = 0;
  bool eof_ = false;
};

// Decompresses one gzip member read from raw.  Faults of the compressed data, a truncated
// member, and anything after the member (a second member included) are errors; the last two
// are reported when the reader reaches the end of the decompressed data.
class GzipSource : public ByteSource {
 public:
  explicit GzipSource(Stream& raw) : raw_(raw) {
    std::memset(&z_, 0, sizeof z_);
    // 16 + MAX_WBITS: a gzip wrapper only, with its CRC-32 and length checked at the end.
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
      throw Error(Error::Where::kFile, 0, "cannot start decompression (out of memory)");
    }
  }
  ~GzipSource() override { inflateEnd(&z_); }
  GzipSource(const GzipSource&) = delete;
  GzipSource& operator=(const GzipSource&) = delete;

  std::size_t read(unsigned char* buf, std::size_t n) override {
    if (ended_) {
      if (!trailing_.empty()) throw Error(Error::Where::kFile, trailingOffset_, trailing_);
      return 0;
    }
    if (n > (1u << 30)) n = 1u << 30;
    z_.next_out = buf;
    z_.avail_out = static_cast<uInt>(n);
    for (;;) {
      raw_.fill(1);
      std::size_t in = raw_.available();
      if (in > (1u << 30)) in = 1u << 30;
      z_.next_in = const_cast<unsigned char*>(raw_.data());
      z_.avail_in = static_cast<uInt>(in);
      int ret = inflate(&z_, Z_NO_FLUSH);
      raw_.skip(in - z_.avail_in);
      std::size_t produced = n - z_.avail_out;
      if (ret == Z_STREAM_END) {
        ended_ = true;
        checkTrailing();
        if (produced == 0) return read(buf, n);
        return produced;
      }
      if (ret == Z_DATA_ERROR || ret == Z_NEED_DICT || ret == Z_STREAM_ERROR) {
        std::string reason = z_.msg ? z_.msg : "invalid data";
        throw Error(Error::Where::kDecompressed, z_.total_out,
                    "corrupt gzip data (" + reason + ") near file offset " +
                        std::to_string(raw_.offset()));
      }
      if (ret == Z_MEM_ERROR) {
        throw Error(Error::Where::kDecompressed, z_.total_out, "out of memory while decompressing");
      }
      if (produced > 0) return produced;
      if (in == 0) {
        throw Error(Error::Where::kDecompressed, z_.total_out,
                    "truncated gzip stream: the compressed data ends at file offset " +
                        std::to_string(raw_.offset()) + " before the end of the gzip member");
      }
    }
  }

 private:
  void checkTrailing() {
    std::size_t left = raw_.fill(2);
    if (left == 0) return;
    trailingOffset_ = raw_.offset();
    if (left >= 2 && raw_.data()[0] == 0x1f && raw_.data()[1] == 0x8b) {
      trailing_ = "a second gzip member starts after the end of the first; a results file "
                  "holds exactly one";
    } else {
      trailing_ = "unexpected bytes after the end of the gzip stream";
    }
  }

  Stream& raw_;
  z_stream z_;
  bool ended_ = false;
  std::string trailing_;
  std::uint64_t trailingOffset_ = 0;
};

// Collects the plain text output and hands it to the sink in large pieces.
class Emitter {
 public:
  explicit Emitter(TextSink* sink) : sink_(sink) {
    if (sink_) buf_.reserve(kBufferSize + kMaxLineLength + 64);
  }
  void line(std::string_view s) {
    if (!sink_) return;
    buf_.append(s.data(), s.size());
    newline();
  }
  void id(std::int32_t v) { print("%d", v); }
  void node(std::int32_t v) { print(" %d", v); }
  void value(double v) { print(" %g", v); }
  void newline() {
    if (!sink_) return;
    buf_ += '\n';
    if (buf_.size() >= kBufferSize) flush();
  }
  void flush() {
    if (sink_ && !buf_.empty()) sink_->write(buf_.data(), buf_.size());
    buf_.clear();
  }

 private:
  template <typename T>
  void print(const char* format, T v) {
    if (!sink_) return;
    char tmp[64];
    int len = std::snprintf(tmp, sizeof tmp, format, v);
    buf_.append(tmp, static_cast<std::size_t>(len));
  }

  TextSink* sink_;
  std::string buf_;
};

// A fault in a header line, found at a column; the decoder adds where the line starts.
struct LineFault {
  std::string detail;
};

// Reads one header line from left to right.
class LineCursor {
 public:
  LineCursor(std::string_view line, const char* kind) : s_(line), kind_(kind) {}

  [[noreturn]] void fault(const std::string& what) const {
    throw LineFault{std::string("malformed ") + kind_ + " line: " + what + " at column " +
                    std::to_string(i_ + 1)};
  }
  void literal(std::string_view text) {
    if (s_.substr(i_, text.size()) != text) fault("expected " + Quote(text));
    i_ += text.size();
  }
  bool tryLiteral(std::string_view text) {
    if (s_.substr(i_, text.size()) != text) return false;
    i_ += text.size();
    return true;
  }
  std::string quoted() {
    if (i_ >= s_.size() || s_[i_] != '"') fault("expected a double-quoted name");
    std::size_t close = s_.find('"', i_ + 1);
    if (close == std::string_view::npos) fault("the double-quoted name has no closing quote");
    std::string name(s_.substr(i_ + 1, close - i_ - 1));
    i_ = close + 1;
    return name;
  }
  // The characters up to the next blank or the end of the line; may be empty.
  std::string_view word() {
    std::size_t end = s_.find(' ', i_);
    if (end == std::string_view::npos) end = s_.size();
    std::string_view w = s_.substr(i_, end - i_);
    i_ = end;
    return w;
  }
  std::int32_t integer(const char* what) {
    std::size_t at = i_;
    std::string_view w = word();
    std::int32_t v = 0;
    if (!ParseInt(w, v)) {
      i_ = at;
      fault("expected " + std::string(what) + " (an integer), found " + Quote(w));
    }
    return v;
  }
  double number(const char* what) {
    std::size_t at = i_;
    std::string_view w = word();
    double v = 0;
    if (!ParseDouble(w, v)) {
      i_ = at;
      fault("expected " + std::string(what) + " (a number), found " + Quote(w));
    }
    return v;
  }
  bool atEnd() const { return i_ == s_.size(); }
  void end() {
    if (!atEnd()) fault("expected the end of the line");
  }
  std::size_t column() const { return i_; }
  void back(std::size_t column) { i_ = column; }

 private:
  std::string_view s_;
  const char* kind_;
  std::size_t i_ = 0;
};

const char* const kGeometryNames[] = {"",           "Point",     "Linear",   "Triangle",
                                      "Quadrilateral", "Tetrahedra", "Hexahedra"};

int GeometryCode(std::string_view name) {
  for (int i = 0; i < 7; ++i) {
    if (name == kGeometryNames[i]) return i;
  }
  return -1;
}

// What a values block holds.
struct ResultInfo {
  std::string name;
  int binaryValues = 0;  // float32 values per record in the binary variant
  int textValues = 0;    // values per line in the text variants
  bool onNodes = true;
  std::int64_t records = 1;  // records (lines) per entity
};

// The block structure shared by the text and binary variants; the subclasses read lines or
// string records and the data blocks of their variant.
class Decoder {
 public:
  Decoder(Stream& in, Error::Where where, TextSink* out) : in_(in), where_(where), out_(out) {}
  virtual ~Decoder() = default;

  Summary run() {
    try {
      readFileHeader();
      std::string line;
      std::uint64_t at = 0;
      while (nextLine(line, at)) {
        std::string_view word = std::string_view(line).substr(0, line.find(' '));
        if (word == "MESH") {
          mesh(line, at);
        } else if (word == "GaussPoints") {
          gaussPoints(line, at);
        } else if (word == "Result") {
          result(line, at);
        } else {
          fail(at, "unknown header word " + Quote(word) + " (expected MESH, GaussPoints or Result)");
        }
      }
    } catch (...) {
      out_.flush();
      throw;
    }
    out_.flush();
    return summary_;
  }

 protected:
  [[noreturn]] void fail(std::uint64_t at, const std::string& detail) {
    throw Error(where_, at, prefix() + detail);
  }
  virtual std::string prefix() const { return ""; }
  [[noreturn]] void truncated(const std::string& context) {
    fail(in_.endOffset(), "unexpected end of data " + context);
  }

  virtual void readFileHeader() = 0;
  // The next header line, or false at a clean end of the data.
  virtual bool nextLine(std::string& line, std::uint64_t& at) = 0;
  virtual const char* coordinatesOpener() const = 0;
  virtual const char* elementsOpener() const = 0;
  virtual const char* valuesOpener() const = 0;
  // Each reads its block's records up to and including the block's closing line.
  virtual void readCoordinates() = 0;
  virtual void readElements(std::int32_t nnode) = 0;
  virtual void readValues(const ResultInfo& info) = 0;

  void requireLine(std::string& line, std::uint64_t& at, const char* expected) {
    if (!nextLine(line, at)) truncated(std::string("where ") + expected + " should follow");
  }
  void expectLine(const char* expected) {
    std::string line;
    std::uint64_t at = 0;
    requireLine(line, at, Quote(expected).c_str());
    if (line != expected) fail(at, "expected " + Quote(expected) + ", found " + Quote(line));
  }

  Stream& in_;
  Error::Where where_;
  Emitter out_;
  Summary summary_;

 private:
  template <typename F>
  void parseLine(std::uint64_t at, F&& parse) {
    try {
      parse();
    } catch (const LineFault& f) {
      fail(at, f.detail);
    }
  }

  void mesh(const std::string& line, std::uint64_t at) {
    std::int32_t nnode = 0;
    parseLine(at, [&] {
      LineCursor c(line, "MESH");
      c.literal("MESH ");
      c.quoted();
      c.literal(" dimension ");
      c.integer("the dimension");
      c.literal(" ElemType ");
      std::size_t col = c.column();
      std::string_view type = c.word();
      if (GeometryCode(type) < 0) {
        c.back(col);
        c.fault("unknown element type " + Quote(type));
      }
      c.literal(" Nnode ");
      col = c.column();
      nnode = c.integer("the node count");
      if (nnode < 0) {
        c.back(col);
        c.fault("negative node count " + std::to_string(nnode));
      }
      c.end();
    });
    ++summary_.meshes;
    out_.line(line);
    expectLine(coordinatesOpener());
    out_.line("Coordinates");
    readCoordinates();
    expectLine(elementsOpener());
    out_.line("Elements");
    readElements(nnode);
  }

  void gaussPoints(const std::string& line, std::uint64_t at) {
    std::string name;
    int geometry = 0;
    parseLine(at, [&] {
      LineCursor c(line, "GaussPoints");
      c.literal("GaussPoints ");
      name = c.quoted();
      c.literal(" ElemType ");
      std::size_t col = c.column();
      std::string_view type = c.word();
      geometry = GeometryCode(type);
      if (geometry < 0) {
        c.back(col);
        c.fault("unknown element type " + Quote(type));
      }
      if (!c.atEnd()) {
        c.literal(" ");
        c.quoted();
        c.end();
      }
    });
    out_.line(line);

    std::string next;
    std::uint64_t nextAt = 0;
    std::int32_t count = 0;
    requireLine(next, nextAt, "\"Number Of Gauss Points: N\"");
    parseLine(nextAt, [&] {
      LineCursor c(next, "Number Of Gauss Points");
      c.literal("Number Of Gauss Points: ");
      std::size_t col = c.column();
      count = c.integer("the number of Gauss points");
      if (count < 0) {
        c.back(col);
        c.fault("negative number of Gauss points " + std::to_string(count));
      }
      c.end();
    });
    out_.line(next);

    requireLine(next, nextAt, "\"Natural Coordinates: ...\"");
    if (StartsWith(next, "  Nodes")) {
      if (next != "  Nodes included" && next != "  Nodes not included") {
        fail(nextAt, "expected \"  Nodes included\" or \"  Nodes not included\", found " +
                         Quote(next));
      }
      if (geometry != 2) {
        fail(nextAt, "a Nodes line belongs only to Gauss points of Linear elements");
      }
      out_.line(next);
      requireLine(next, nextAt, "\"Natural Coordinates: ...\"");
    }
    if (next != "Natural Coordinates: Internal" && next != "Natural Coordinates: Given") {
      fail(nextAt, "expected \"Natural Coordinates: Internal\" or \"Natural Coordinates: Given\", "
                   "found " + Quote(next));
    }
    out_.line(next);
    expectLine("End GaussPoints");
    out_.line("End GaussPoints");

    auto [it, added] = gaussSets_.emplace(Lower(name), count);
    if (!added && it->second != count) {
      fail(at, "Gauss point set " + Quote(name) + " is defined again with " +
                   std::to_string(count) + " points instead of " + std::to_string(it->second));
    }
    ++summary_.gaussPointSets;
  }

  void result(const std::string& line, std::uint64_t at) {
    ResultInfo info;
    std::string analysis;
    parseLine(at, [&] {
      LineCursor c(line, "Result");
      c.literal("Result ");
      info.name = c.quoted();
      c.literal(" ");
      analysis = c.quoted();
      c.literal(" ");
      c.number("the step value");
      c.literal(" ");
      std::size_t col = c.column();
      std::string_view type = c.word();
      if (type == "Scalar") {
        info.binaryValues = info.textValues = 1;
      } else if (type == "Vector") {
        info.binaryValues = 4;  // x, y, z and the modulus
        info.textValues = 3;
      } else if (type == "Matrix") {
        info.binaryValues = info.textValues = 6;
      } else if (type == "PlainDeformationMatrix") {
        info.binaryValues = info.textValues = 4;
      } else {
        c.back(col);
        if (type == "MainMatrix" || type == "LocalAxes") {
          c.fault("result type " + std::string(type) +
                  " has no write operation, so its values cannot be read");
        }
        c.fault("unknown result type " + Quote(type));
      }
      c.literal(" ");
      col = c.column();
      std::string_view location = c.word();
      if (location == "OnNodes") {
        info.onNodes = true;
        c.end();
      } else if (location == "OnGaussPoints") {
        info.onNodes = false;
        if (c.atEnd()) c.fault("the result on Gauss points names no Gauss point set");
        c.literal(" ");
        col = c.column();
        std::string set = c.quoted();
        c.end();
        auto it = gaussSets_.find(Lower(set));
        if (it == gaussSets_.end()) {
          c.back(col);
          c.fault("unknown Gauss point set " + Quote(set));
        }
        info.records = it->second;
      } else {
        c.back(col);
        c.fault("expected OnNodes or OnGaussPoints, found " + Quote(location));
      }
    });
    out_.line(line);

    std::string next;
    std::uint64_t nextAt = 0;
    requireLine(next, nextAt, Quote(valuesOpener()).c_str());
    if (StartsWith(next, "ResultRangesTable ") || next == "ResultRangesTable") {
      parseLine(nextAt, [&] {
        LineCursor c(next, "ResultRangesTable");
        c.literal("ResultRangesTable ");
        c.quoted();
        c.end();
      });
      out_.line(next);
      requireLine(next, nextAt, Quote(valuesOpener()).c_str());
    }
    if (StartsWith(next, "ComponentNames ") || next == "ComponentNames") {
      parseLine(nextAt, [&] {
        LineCursor c(next, "ComponentNames");
        c.literal("ComponentNames");
        do {
          c.literal(" ");
          c.quoted();
        } while (!c.atEnd());
      });
      out_.line(next);
      requireLine(next, nextAt, Quote(valuesOpener()).c_str());
    }
    if (next != valuesOpener()) {
      fail(nextAt, "expected " + Quote(valuesOpener()) + ", found " + Quote(next));
    }
    out_.line("Values");
    readValues(info);

    ++summary_.results;
    auto [it, added] = analysisIndex_.emplace(analysis, summary_.resultsPerAnalysis.size());
    if (added) summary_.resultsPerAnalysis.emplace_back(analysis, 0);
    ++summary_.resultsPerAnalysis[it->second].second;
  }

  std::unordered_map<std::string, std::int32_t> gaussSets_;  // lower-case name -> points
  std::unordered_map<std::string, std::size_t> analysisIndex_;
};

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
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
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

FileSource::FileSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
  if (!file_) throw std::runtime_error(std::string("cannot open: ") + std::strerror(errno));
}

FileSource::~FileSource() { std::fclose(file_); }

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
    summary = BinaryDecoder(in, where, out, big).run();
    summary.variant = compressed ? Variant::kBinary : Variant::kUncompressedBinary;
  } else {
    summary = TextDecoder(in, where, out).run();
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
