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
  EXPECT_STREQ("Result \"r\" \"a\" 2 Scalar OnGaussPoints",
               ResultHeaderLine("r", "a", 2, "Scalar", -1, "g").Text());
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
  // Only double quotes change: backslashes and other punctuation stay.
  char path[] = "C:\\run\\\"a\"`'\\";
  EXPECT_STREQ("C:\\run\\'a'`'\\", SanitizeQuotes(path));
  EXPECT_STREQ("MESH \"C:\\m\\'1'\" dimension 3 ElemType Linear Nnode 2",
               MeshHeaderLine("C:\\m\\\"1\"", 3, "Linear", 2).Text());
  char empty[] = "";
  EXPECT_EQ(empty, SanitizeQuotes(empty));
  EXPECT_EQ(nullptr, SanitizeQuotes(nullptr));
}

// Each long name is cut inside its quotes to the same length in every line; the words around
// it stay whole.
TEST(HeaderLines, LongNamesAreCutNotTheLine) {
  HeaderLine mesh = MeshHeaderLine(kLong.c_str(), 3, "Hexahedra", 8);
  ExpectFitted(mesh, "MESH <> dimension 3 ElemType Hexahedra Nnode 8", {kLong});
  EXPECT_EQ(4000u, Split(mesh.Text()).names[0].size());

  ExpectFitted(GaussPointHeaderLine(kLong.c_str(), "Linear", "m1"),
               "GaussPoints <> ElemType Linear <>", {kLong, "m1"});
  ExpectFitted(GaussPointHeaderLine("g", "Linear", kLong.c_str()),
               "GaussPoints <> ElemType Linear <>", {"g", kLong});
  HeaderLine result =
      ResultHeaderLine(kLong.c_str(), kLong.c_str(), -1.5e-300, "PlainDeformationMatrix", 1,
                       kLong.c_str());
  ExpectFitted(result, "Result <> <> -1.5e-300 PlainDeformationMatrix OnGaussPoints <>",
               {kLong, kLong, kLong});
  SplitLine names = Split(result.Text());
  ASSERT_EQ(3u, names.names.size());
  EXPECT_EQ(2850u, names.names[0].size());
  EXPECT_EQ(2850u, names.names[1].size());
  EXPECT_EQ(2400u, names.names[2].size());
  ExpectFitted(RangeTableLine(kLong.c_str()), "ResultRangesTable <>", {kLong});
  std::vector<const char*> components(6, kLong.c_str());
  ExpectFitted(ComponentNamesLine(6, components.data()), "ComponentNames <> <> <> <> <> <>",
               std::vector<std::string>(6, kLong));
}

// A name is cut alike whatever stands beside it, so a result still names the Gauss point set
// and the Gauss point set its mesh. Lines written through the interface, byte for byte.
class CutNamesInFileTest : public WriterTest {};

TEST_F(CutNamesInFileTest, ANameIsCutTheSameWayInEveryLine) {
  const std::string path = m_dir.file("names.post");
  const std::string set = "set-" + std::string(3000, 'g');
  const std::string mesh(5000, 'm');
  const std::string other(3000, 'x');
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), MODE_TEXT));
  ASSERT_EQ(0, PostBeginMesh(mesh.c_str(), 3, GEOMETRY_HEXAHEDRA, 8));
  ASSERT_EQ(0, PostBeginGaussPoint(set.c_str(), GEOMETRY_HEXAHEDRA, mesh.c_str(), 8, 0, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginResult(other.c_str(), other.c_str(), 1, RESULT_SCALAR, ON_GAUSS_POINTS,
                               set.c_str(), nullptr, 0, nullptr));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostCloseResultFile());

  const std::string setCut = "set-" + std::string(2396, 'g');
  const std::string meshCut(4000, 'm');
  const std::string otherCut(2850, 'x');
  EXPECT_EQ("Kel Post Results File 1.0\n"
            "MESH \"" + meshCut + "\" dimension 3 ElemType Hexahedra Nnode 8\n"
            "GaussPoints \"" + setCut + "\" ElemType Hexahedra \"" + meshCut + "\"\n"
            "Number Of Gauss Points: 8\n"
            "Natural Coordinates: Internal\n"
            "End GaussPoints\n"
            "Result \"" + otherCut + "\" \"" + otherCut + "\" 1 Scalar OnGaussPoints \"" +
                setCut + "\"\n"
            "Values\n"
            "End Values\n",
            ReadFileBytes(path));
}

// Component names share the room of their line: short names stay whole and the long ones get
// equal parts of the rest.
TEST(HeaderLines, ShortComponentNamesSurviveBesideLongOnes) {
  const char* components[] = {"a", kLong.c_str(), "b", kLong.c_str(), kLong.c_str(),
                              kLong.c_str()};
  HeaderLine names = ComponentNamesLine(6, components);
  EXPECT_GE(names.Length(), 8191u - 3);  // the room left is shared in whole characters
  SplitLine split = Split(names.Text());
  ASSERT_EQ(6u, split.names.size());
  EXPECT_EQ("a", split.names[0]);
  EXPECT_EQ("b", split.names[2]);
  for (std::size_t i : {3u, 4u, 5u}) {
    EXPECT_LE(split.names[1].size() > split.names[i].size()
                  ? split.names[1].size() - split.names[i].size()
                  : split.names[i].size() - split.names[1].size(),
              1u);
  }
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
  std::string accented = "a";
  for (int i = 0; i < 10000; ++i) accented += "\xC3\xA9";
  HeaderLine line = MeshHeaderLine(accented.c_str(), 3, "Hexahedra", 8);
  ExpectFitted(line, "MESH <> dimension 3 ElemType Hexahedra Nnode 8", {accented});
  EXPECT_EQ(3999u, Split(line.Text()).names[0].size());  // not 4000, inside the last character
  EXPECT_EQ(accented.substr(0, 2399), QuotedName(accented.c_str(), NameKind::kGaussPointSet));
}

// Through the interface: every header line in the file keeps within bounds and its quotes.
class LongNamesInFileTest : public WriterTest {};

TEST_F(LongNamesInFileTest, EveryHeaderLineIsWellFormed) {
  const std::string path = m_dir.file("long.post");
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
