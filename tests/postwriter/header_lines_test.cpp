// Header lines: names between sanitised double quotes, and lines that stay within 8191
// characters and well-formed however long the names are.
#include "header_lines.h"
#include "post_interface.h"
#include "post_test_support.h"
#include "sample_calls.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace posttest {
namespace {

const std::string kLong(20000, 'n');

// A line split into the text outside double quotes (each quoted name replaced by "<>") and
// the names inside them; a quote left open makes the test fail.
struct SplitLine {
  std::string words;
  std::vector<std::string> names;
};

SplitLine Split(const std::string& line) {
  SplitLine split;
  std::size_t at = 0;
  while (true) {
    std::size_t open = line.find('"', at);
    split.words += line.substr(at, open - at);
    if (open == std::string::npos) break;
    std::size_t close = line.find('"', open + 1);
    if (close == std::string::npos) {
      ADD_FAILURE() << "unclosed quote in: " << line.substr(0, 200);
      break;
    }
    split.words += "<>";
    split.names.push_back(line.substr(open + 1, close - open - 1));
    at = close + 1;
  }
  return split;
}

// The line is within bounds, its words are exactly `words`, and every name is the start of
// the corresponding original.
void ExpectFitted(const HeaderLine& line, const std::string& words,
                  const std::vector<std::string>& originals) {
  const std::string text = line.Text();
  EXPECT_EQ(text.size(), line.Length());
  EXPECT_LE(text.size(), 8191u);
  SplitLine split = Split(text);
  EXPECT_EQ(words, split.words);
  ASSERT_EQ(originals.size(), split.names.size());
  for (std::size_t i = 0; i < originals.size(); ++i) {
    EXPECT_EQ(0u, originals[i].compare(0, split.names[i].size(), split.names[i])) << "name " << i;
  }
}

TEST(HeaderLines, ShortNamesAreWrittenAsGiven) {
  EXPECT_STREQ("MESH \"m1\" dimension 3 ElemType Hexahedra Nnode 8",
               MeshHeaderLine("m1", 3, "Hexahedra", 8).Text());
  EXPECT_STREQ("GaussPoints \"g\" ElemType Linear \"m\"",
               GaussPointHeaderLine("g", "Linear", "m").Text());
  EXPECT_STREQ("GaussPoints \"\" ElemType ", GaussPointHeaderLine(nullptr, "", nullptr).Text());
  EXPECT_STREQ("Result \"r\" \"a\" 0.5 Matrix OnGaussPoints \"g\"",
               ResultHeaderLine("r", "a", 0.5, "Matrix", 1, "g").Text());
  EXPECT_STREQ("Result \"r\" \"a\" 1e+06 Scalar OnNodes",
               ResultHeaderLine("r", "a", 1e6, "Scalar", 0, "g").Text());
  EXPECT_STREQ("Result \"r\" \"a\" 2 Scalar OnGaussPoints",
               ResultHeaderLine("r", "a", 2, "Scalar", 2, "g").Text());
  EXPECT_STREQ("Result \"\" \"\" 0 Scalar OnGaussPoints \"\"",
               ResultHeaderLine(nullptr, nullptr, 0, "Scalar", 1, nullptr).Text());
  EXPECT_STREQ("ResultRangesTable \"\"", RangeTableLine("").Text());
  const char* components[] = {"x", nullptr, "z"};
  EXPECT_STREQ("ComponentNames \"x\" \"\" \"z\"", ComponentNamesLine(3, components).Text());
  EXPECT_STREQ("ComponentNames \"\" \"\"", ComponentNamesLine(2, nullptr).Text());
}

TEST(HeaderLines, QuotesInNamesBecomeApostrophesInACopy) {
  const char name[] = "a\"b";
  char own[] = "\"x\"";
  HeaderLine line = MeshHeaderLine(name, 2, "Triangle", 3);
  EXPECT_STREQ("MESH \"a'b\" dimension 2 ElemType Triangle Nnode 3", line.Text());
  EXPECT_STREQ("a\"b", name);
  HeaderLine result = ResultHeaderLine(own, own, 0, "Scalar", 1, own);
  EXPECT_STREQ("Result \"'x'\" \"'x'\" 0 Scalar OnGaussPoints \"'x'\"", result.Text());
  EXPECT_STREQ("\"x\"", own);

  EXPECT_EQ(own, SanitizeQuotes(own));  // in place, same length
  EXPECT_STREQ("'x'", own);
  char empty[] = "";
  EXPECT_EQ(empty, SanitizeQuotes(empty));
  EXPECT_EQ(nullptr, SanitizeQuotes(nullptr));
}

// Each long name is cut inside its quotes; the words around it stay whole.
TEST(HeaderLines, LongNamesAreCutNotTheLine) {
  HeaderLine mesh = MeshHeaderLine(kLong.c_str(), 3, "Hexahedra", 8);
  ExpectFitted(mesh, "MESH <> dimension 3 ElemType Hexahedra Nnode 8", {kLong});
  EXPECT_EQ(8191u, mesh.Length());

  ExpectFitted(GaussPointHeaderLine(kLong.c_str(), "Linear", "m1"),
               "GaussPoints <> ElemType Linear <>", {kLong, "m1"});
  ExpectFitted(GaussPointHeaderLine("g", "Linear", kLong.c_str()),
               "GaussPoints <> ElemType Linear <>", {"g", kLong});
  ExpectFitted(ResultHeaderLine(kLong.c_str(), kLong.c_str(), 0.5, "Matrix", 1, kLong.c_str()),
               "Result <> <> 0.5 Matrix OnGaussPoints <>", {kLong, kLong, kLong});
  ExpectFitted(RangeTableLine(kLong.c_str()), "ResultRangesTable <>", {kLong});
  std::vector<const char*> components(6, kLong.c_str());
  ExpectFitted(ComponentNamesLine(6, components.data()), "ComponentNames <> <> <> <> <> <>",
               std::vector<std::string>(6, kLong));
}

// The room is shared: short names stay whole and the long ones get equal parts of the rest.
TEST(HeaderLines, ShortNamesSurviveBesideLongOnes) {
  const std::string shorter(3000, 's');
  HeaderLine line = ResultHeaderLine("r", kLong.c_str(), 1, "Scalar", 1, shorter.c_str());
  ExpectFitted(line, "Result <> <> 1 Scalar OnGaussPoints <>", {"r", kLong, shorter});
  SplitLine split = Split(line.Text());
  EXPECT_EQ("r", split.names[0]);
  EXPECT_EQ(shorter, split.names[2]);
  EXPECT_EQ(8191u, line.Length());

  const char* components[] = {"a", kLong.c_str(), "b", kLong.c_str()};
  HeaderLine names = ComponentNamesLine(4, components);
  split = Split(names.Text());
  ASSERT_EQ(4u, split.names.size());
  EXPECT_EQ("a", split.names[0]);
  EXPECT_EQ("b", split.names[2]);
  EXPECT_LE(split.names[1].size() > split.names[3].size()
                ? split.names[1].size() - split.names[3].size()
                : split.names[3].size() - split.names[1].size(),
            1u);
}

// More components than even their quotes leave room for: the leading names stay whole, the
// last one kept may be cut, the rest are left out, and every quote opened is closed.
TEST(HeaderLines, TooManyComponentsDropTrailingOnes) {
  std::vector<std::string> names;
  std::vector<const char*> pointers;
  for (int i = 0; i < 3000; ++i) names.push_back(std::to_string(i));
  for (const std::string& name : names) pointers.push_back(name.c_str());
  HeaderLine line = ComponentNamesLine(3000, pointers.data());
  EXPECT_LE(line.Length(), 8191u);
  SplitLine split = Split(line.Text());
  ASSERT_GT(split.names.size(), 0u);
  ASSERT_LT(split.names.size(), 3000u);
  const std::size_t last = split.names.size() - 1;
  for (std::size_t i = 0; i < last; ++i) EXPECT_EQ(names[i], split.names[i]);
  EXPECT_EQ(names[last].substr(0, split.names[last].size()), split.names[last]);
  EXPECT_GE(line.Length(), 8191u - 5);  // nothing left out that would still have fitted
}

// Names are cut between characters of a UTF-8 text, not inside one.
TEST(HeaderLines, CutKeepsMultibyteCharactersWhole) {
  std::string accented;
  for (int i = 0; i < 10000; ++i) accented += "\xC3\xA9";
  HeaderLine line = MeshHeaderLine(accented.c_str(), 3, "Hexahedra", 8);
  ExpectFitted(line, "MESH <> dimension 3 ElemType Hexahedra Nnode 8", {accented});
  EXPECT_EQ(0u, Split(line.Text()).names[0].size() % 2);
  EXPECT_GE(line.Length(), 8190u);
}

// Through the interface: every header line in the file keeps within bounds and its quotes.
class LongNamesInFileTest : public WriterTest {};

TEST_F(LongNamesInFileTest, EveryHeaderLineIsWellFormed) {
  const std::string path = m_dir.File("long.post");
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), MODE_TEXT));
  const char* n = kLong.c_str();
  const char* components[] = {n, n, n};
  ASSERT_EQ(0, PostBeginMesh(n, 3, GEOMETRY_TETRAHEDRA, 4));
  ASSERT_EQ(0, PostBeginGaussPoint(n, GEOMETRY_LINEAR, n, 2, 1, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginResult(n, n, 1, RESULT_MATRIX, ON_GAUSS_POINTS, n, n, 3, components));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostCloseResultFile());

  std::istringstream text(ReadFileBytes(path));
  std::vector<std::string> words;
  std::string line;
  while (std::getline(text, line)) {
    EXPECT_LE(line.size(), 8191u);
    words.push_back(Split(line).words);
  }
  EXPECT_EQ((std::vector<std::string>{
                "Kel Post Results File 1.0",
                "MESH <> dimension 3 ElemType Tetrahedra Nnode 4",
                "GaussPoints <> ElemType Linear <>",
                "Number Of Gauss Points: 2",
                "  Nodes included",
                "Natural Coordinates: Internal",
                "End GaussPoints",
                "Result <> <> 1 Matrix OnGaussPoints <>",
                "ResultRangesTable <>",
                "ComponentNames <> <> <>",
                "Values",
                "End Values",
            }),
            words);
}

}  // namespace
}  // namespace posttest
