// The block structure that the text and binary variants share: the MESH, GaussPoints and
// Result header lines, their order, and the counts of the summary. A subclass reads the lines
// or string records and the data blocks of its variant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "byte_stream.h"
#include "kelpost_reader.h"
#include "line_parsing.h"
#include "text_emitter.h"

namespace kelpost {

// What a values block holds.
struct ResultInfo {
  std::string name;
  int binaryValues = 0;  // float32 values per record in the binary variant
  int textValues = 0;    // values per line in the text variants
  bool onNodes = true;
  std::int64_t records = 1;  // records (lines) per entity
};

class Decoder {
 public:
  Decoder(Stream& in, Error::Where where, TextSink* out) : in_(in), where_(where), out_(out) {}
  virtual ~Decoder() = default;

  // Reads the whole stream; throws Error at the first fault.
  Summary run();

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

  void mesh(const std::string& line, std::uint64_t at);

  void gaussPoints(const std::string& line, std::uint64_t at);

  void result(const std::string& line, std::uint64_t at);

  std::unordered_map<std::string, std::int32_t> gaussSets_;  // lower-case name -> points
  std::unordered_map<std::string, std::size_t> analysisIndex_;
};

}  // namespace kelpost
