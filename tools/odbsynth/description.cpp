#include "description.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

namespace odbsynth {
namespace {

struct Line {
  int number;
  std::string text;

  [[noreturn]] void fail(const std::string& message) const {
    throw DescriptionError("line " + std::to_string(number) + ": " + message);
  }
};

// Splits on blanks; "double quoted" tokens take \" and \\ escapes.
std::vector<std::string> Tokens(const Line& line) {
  std::vector<std::string> tokens;
  const std::string& s = line.text;
  std::size_t i = 0;
  while (true) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
    if (i == s.size()) break;
    std::string token;
    if (s[i] == '"') {
      ++i;
      bool closed = false;
      while (i < s.size()) {
        char c = s[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\') {
          if (i == s.size() || (s[i] != '"' && s[i] != '\\')) line.fail("bad escape in a quoted text");
          c = s[i++];
        }
        token.push_back(c);
      }
      if (!closed) line.fail("unterminated quoted text");
      if (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r') {
        line.fail("a quoted text must be followed by a blank");
      }
    } else {
      while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r') token.push_back(s[i++]);
    }
    tokens.push_back(token);
  }
  return tokens;
}

int Integer(const Line& line, const std::string& token, const char* what) {
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(token.c_str(), &end, 10);
  if (token.empty() || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) {
    line.fail(std::string("bad ") + what + " '" + token + "'");
  }
  return static_cast<int>(value);
}

double Real(const Line& line, const std::string& token, const char* what) {
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(token.c_str(), &end);
  if (token.empty() || *end != '\0' || errno == ERANGE) {
    line.fail(std::string("bad ") + what + " '" + token + "'");
  }
  return value;
}

void Count(const Line& line, const std::vector<std::string>& tokens, std::size_t least,
           std::size_t most, const char* usage) {
  if (tokens.size() < least || tokens.size() > most) line.fail(std::string("usage: ") + usage);
}

// The SQL of an sql line: the rest of the line, or the one quoted token that forms it.
std::string SqlText(const Line& line) {
  std::size_t start = line.text.find("sql") + 3;
  std::string rest = line.text.substr(start);
  std::size_t first = rest.find_first_not_of(" \t");
  if (first == std::string::npos) line.fail("usage: sql STATEMENT");
  rest = rest.substr(first);
  if (rest[0] == '"') {
    std::vector<std::string> tokens = Tokens(Line{line.number, rest});
    if (tokens.size() == 1) return tokens[0];
  }
  return rest;
}

// The optional precision word of a block statement at position: "single" writes precision 0,
// "double" precision 1 (rows are then stored as 8-byte values); none leaves the column out.
// True for a double-precision block.
bool BlockPrecision(const Line& line, const std::vector<std::string>& t, std::size_t position,
                    odbapi::OdbBuilder& builder) {
  if (t.size() <= position) return false;
  if (t[position] == "single") {
    builder.precision(0);
    return false;
  }
  if (t[position] == "double") {
    builder.precision(1);
    return true;
  }
  line.fail("the precision must be single or double, not '" + t[position] + "'");
}

}  // namespace

odbapi::OdbBuilder ReadDescription(std::istream& in) {
  odbapi::OdbBuilder builder;
  std::string text;
  int number = 0;
  bool sawContent = false;
  int blockWidth = -1;  // width of the current block; -1: none
  bool blockDouble = false;  // the current block stores double-precision values
  while (std::getline(in, text)) {
    const Line line{++number, text};
    std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos || text[first] == '#') continue;
    std::vector<std::string> t = Tokens(line);
    const std::string& word = t[0];
    try {
      if (word == "format") {
        Count(line, t, 2, 2, "format 1|2");
        int format = Integer(line, t[1], "format");
        if (format != 1 && format != 2) line.fail("format must be 1 or 2");
        if (sawContent) line.fail("format must come before everything else");
        builder.format(format);
      } else if (word == "instance") {
        Count(line, t, 3, 3, "instance NAME SPACE");
        builder.instance(t[1], Integer(line, t[2], "embedded space"));
      } else if (word == "node") {
        Count(line, t, 5, 5, "node LABEL X Y Z");
        builder.node(Integer(line, t[1], "label"), Real(line, t[2], "coordinate"),
                     Real(line, t[3], "coordinate"), Real(line, t[4], "coordinate"));
      } else if (word == "element") {
        Count(line, t, 5, t.size() < 5 ? 5 : t.size(), "element LABEL TYPE SHAPE SECTION N1 N2 ...");
        int shape = t[3] == "-" ? odbapi::OdbBuilder::kComputedShape : Integer(line, t[3], "shape");
        std::vector<int> nodes;
        for (std::size_t i = 5; i < t.size(); ++i) nodes.push_back(Integer(line, t[i], "node label"));
        builder.element(Integer(line, t[1], "label"), t[2], nodes, t[4], shape);
      } else if (word == "step") {
        Count(line, t, 2, 2, "step NAME");
        builder.step(t[1]);
      } else if (word == "frame") {
        Count(line, t, 1, 3, "frame [VALUE [DESCRIPTION]]");
        builder.frame(t.size() > 1 ? Real(line, t[1], "frame value") : 0.0, t.size() > 2 ? t[2] : "");
      } else if (word == "field") {
        Count(line, t, 4, 5, "field NAME TYPE POSITION [DESCRIPTION]");
        std::optional<int> position;
        if (t[3] != "none") position = Integer(line, t[3], "position");
        builder.field(t[1], Integer(line, t[2], "type"), position, t.size() > 4 ? t[4] : "");
        blockWidth = -1;
      } else if (word == "nodal") {
        Count(line, t, 3, 4, "nodal INSTANCE WIDTH [single|double]");
        blockWidth = Integer(line, t[2], "width");
        builder.nodal(t[1], blockWidth);
        blockDouble = BlockPrecision(line, t, 3, builder);
      } else if (word == "elemental") {
        Count(line, t, 6, 7,
              "elemental INSTANCE ELEMTYPE SECTIONPOINT WIDTH ELEMENTCOUNT [single|double]");
        blockWidth = Integer(line, t[4], "width");
        builder.elemental(t[1], t[2], t[3], blockWidth, Integer(line, t[5], "element count"));
        blockDouble = BlockPrecision(line, t, 6, builder);
      } else if (word == "row") {
        if (blockWidth < 0) line.fail("a row needs a nodal or elemental block before it");
        if (t.size() < 2) line.fail("usage: row LABEL V1 ... Vwidth");
        if (t.size() - 2 != static_cast<std::size_t>(blockWidth)) {
          line.fail("the row has " + std::to_string(t.size() - 2) + " values, the block's width is " +
                    std::to_string(blockWidth));
        }
        std::vector<double> values;
        for (std::size_t i = 2; i < t.size(); ++i) values.push_back(Real(line, t[i], "value"));
        if (blockDouble) {
          builder.rowDouble(Integer(line, t[1], "label"), values);
        } else {
          builder.row(Integer(line, t[1], "label"),
                      std::vector<float>(values.begin(), values.end()));
        }
      } else if (word == "labels") {
        Count(line, t, 2, 2, "labels \"L1 L2 ...\"");
        if (blockWidth < 0) line.fail("labels need a nodal or elemental block before them");
        builder.labels(t[1]);
      } else if (word == "sql") {
        builder.sql(SqlText(line));
      } else {
        line.fail("unknown statement '" + word + "'");
      }
    } catch (const std::invalid_argument& error) {
      line.fail(error.what());
    }
    sawContent = true;
  }
  return builder;
}

}  // namespace odbsynth
