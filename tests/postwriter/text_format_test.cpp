// The plain text and compressed text variants, compared line for line with text written out
// by hand from the format. Both variants run every test; the compressed one is decompressed.
#include "post_file.h"
#include "post_interface.h"
#include "post_test_support.h"
#include "sample_calls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace posttest {
namespace {

const char kHeader[] = "Kel Post Results File 1.0\n";

const char kMeshText[] =
    "MESH \"m1\" dimension 3 ElemType Hexahedra Nnode 8\n"
    "Coordinates\n"
    "1 0 0 0\n"
    "2 1 0 0\n"
    "3 1 1 0\n"
    "4 0 1 0\n"
    "5 0 0 1.5\n"
    "6 1 0 1.5\n"
    "7 1 1 1.5\n"
    "8 -0.25 1 1.5\n"
    "End Coordinates\n"
    "Elements\n"
    "1 1 2 3 4 5 6 7 8\n"
    "End Elements\n";

const char kGaussPointText[] =
    "GaussPoints \"gp1\" ElemType Linear \"m1\"\n"
    "Number Of Gauss Points: 2\n"
    "  Nodes included\n"
    "Natural Coordinates: Internal\n"
    "End GaussPoints\n"
    "GaussPoints \"gp2\" ElemType Quadrilateral\n"
    "Number Of Gauss Points: 4\n"
    "Natural Coordinates: Internal\n"
    "End GaussPoints\n"
    "GaussPoints \"gp3\" ElemType Linear\n"
    "Number Of Gauss Points: 3\n"
    "  Nodes not included\n"
    "Natural Coordinates: Given\n"
    "End GaussPoints\n";

const char kResultText[] =
    "Result \"U ( Displacement)\" \"Step-1\" 1 Vector OnNodes\n"
    "Values\n"
    "1 3 4 0\n"
    "2 1e-05 100000 1e+06\n"
    "End Values\n"
    "Result \"S\" \"Step-1\" 0.5 Matrix OnGaussPoints \"gp2\"\n"
    "ResultRangesTable \"\"\n"
    "ComponentNames \"S11\" \"S22\" \"S'33\"\n"
    "Values\n"
    "1 1 2 3 4 5 6\n"
    " -1 -2 -3 -4 -5 -6\n"
    "2 0.25 0 0 0 0 0\n"
    "End Values\n"
    "Result \"p\" \"Step-2\" 2.5 Scalar OnNodes\n"
    "ResultRangesTable \"table\"\n"
    "Values\n"
    "2 0.5\n"
    "End Values\n"
    "Result \"e\" \"Step-2\" 2.5 PlainDeformationMatrix OnGaussPoints\n"
    "Values\n"
    "3 1 2 3 4\n"
    "End Values\n";

class TextFormatTest : public WriterTest, public testing::WithParamInterface<int> {
 protected:
  void Open() { ASSERT_EQ(0, PostOpenResultFile(Path().c_str(), GetParam())); }
  // Closes the file and returns its text, decompressed for the compressed variant.
  std::string CloseAndRead() {
    EXPECT_EQ(0, PostCloseResultFile());
    return GetParam() == MODE_TEXT ? ReadFileBytes(Path()) : GunzipFile(Path());
  }
  std::string Path() const { return m_dir.file("out.post"); }
};

TEST_P(TextFormatTest, OpenAndCloseWritesOnlyTheHeaderLine) {
  Open();
  EXPECT_EQ(kHeader, CloseAndRead());
}

TEST_P(TextFormatTest, MeshGaussPointsAndResults) {
  Open();
  WriteSampleMesh();
  WriteSampleGaussPoints();
  WriteSampleResults();
  EXPECT_EQ(std::string(kHeader) + kMeshText + kGaussPointText + kResultText, CloseAndRead());
}

TEST_P(TextFormatTest, FirstValueAfterCoordinatesCarriesItsId) {
  Open();
  ASSERT_EQ(0, PostBeginMesh("m", 2, GEOMETRY_POINT, 1));
  ASSERT_EQ(0, PostBeginCoordinates());
  ASSERT_EQ(0, PostWriteCoordinates(5, 1, 2, 0));
  ASSERT_EQ(0, PostEndCoordinates());
  // No elements block: the values block follows the coordinates block directly.
  ASSERT_EQ(0, PostBeginResult("r", "a", 0, RESULT_SCALAR, ON_NODES, nullptr, nullptr, 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteScalar(5, 7));
  ASSERT_EQ(0, PostWriteScalar(5, 8));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("r", "a", 1, RESULT_SCALAR, ON_NODES, nullptr, nullptr, 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteScalar(5, 9));
  ASSERT_EQ(0, PostEndResult());
  EXPECT_EQ(std::string(kHeader) +
                "MESH \"m\" dimension 2 ElemType Point Nnode 1\n"
                "Coordinates\n5 1 2 0\nEnd Coordinates\n"
                "Result \"r\" \"a\" 0 Scalar OnNodes\nValues\n5 7\n 8\nEnd Values\n"
                "Result \"r\" \"a\" 1 Scalar OnNodes\nValues\n5 9\nEnd Values\n",
            CloseAndRead());
}

// Rows handed over in bulk are written as one value line per row, a vector without its
// modulus and a pair with 0 as its third component.
TEST_P(TextFormatTest, RowsInBulkGiveOneLinePerRow) {
  Open();
  const float scalars[2] = {0.5f, -1.0f};
  const float pairs[2] = {3, 4};
  const float triples[3] = {1, 2, 2};
  const float plain[4] = {1, 2, 3, 4};
  const float matrix[12] = {1, 2, 3, 4, 5, 6, -1, -2, -3, -4, -5, -6};
  ASSERT_EQ(0, PostBeginResult("r", "a", 0, RESULT_SCALAR, ON_GAUSS_POINTS, nullptr, nullptr, 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteRows(7, scalars, 2, 1));
  ASSERT_EQ(0, PostWriteRows(9, pairs, 1, 2));
  ASSERT_EQ(0, PostWriteRows(10, triples, 1, 3));
  ASSERT_EQ(0, PostWriteRows(11, plain, 1, 4));
  ASSERT_EQ(0, PostWriteRows(12, matrix, 2, 6));
  EXPECT_EQ(1, PostWriteRows(14, matrix, 1, 5));
  ASSERT_EQ(0, PostEndResult());
  EXPECT_EQ(std::string(kHeader) +
                "Result \"r\" \"a\" 0 Scalar OnGaussPoints \"\"\nValues\n"
                "7 0.5\n -1\n9 3 4 0\n10 1 2 2\n11 1 2 3 4\n12 1 2 3 4 5 6\n -1 -2 -3 -4 -5 -6\n"
                "End Values\n",
            CloseAndRead());
}

// A header line longer than any formatting buffer of the gzip library reaches the file whole.
TEST_P(TextFormatTest, LongestHeaderLineIsWrittenWhole) {
  Open();
  // Three long names, which share the room left by a short one, fill the line to 8191
  // characters.
  const std::string name(20000, 'n');
  const std::string last(65, 'c');
  const char* components[] = {name.c_str(), name.c_str(), name.c_str(), last.c_str()};
  ASSERT_EQ(0, PostBeginResult("r", "a", 1, RESULT_SCALAR, ON_NODES, nullptr, nullptr, 4,
                               components));
  ASSERT_EQ(0, PostEndResult());
  const std::string cut = " \"" + std::string(2700, 'n') + "\"";
  const std::string line = "ComponentNames" + cut + cut + cut + " \"" + last + "\"";
  ASSERT_EQ(8191u, line.size());
  EXPECT_EQ(std::string(kHeader) + "Result \"r\" \"a\" 1 Scalar OnNodes\n" + line + "\nValues\nEnd Values\n",
            CloseAndRead());
}

INSTANTIATE_TEST_SUITE_P(Variants, TextFormatTest, testing::Values(MODE_TEXT, MODE_COMPRESSED_TEXT),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == MODE_TEXT ? std::string("Plain")
                                                          : std::string("Compressed");
                         });

// Writes the sample calls and enough values to cross many buffer boundaries.
void WriteLargeFile(const std::string& path, int mode) {
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), mode));
  WriteSampleMesh();
  WriteSampleGaussPoints();
  WriteSampleResults();
  ASSERT_EQ(0, PostBeginResult("big", "Step-3", 3, RESULT_VECTOR, ON_NODES, nullptr, nullptr, 0,
                               nullptr));
  for (int id = 1; id <= 60000; ++id) {
    PostWriteVector(id, id * 0.001, -id / 7.0, 1e10 / id);
  }
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostCloseResultFile());
}

TEST(CompressedText, DecompressesToThePlainText) {
  ScratchDir dir;
  WriteLargeFile(dir.file("plain.post"), MODE_TEXT);
  WriteLargeFile(dir.file("packed.post"), MODE_COMPRESSED_TEXT);
  std::string plain = ReadFileBytes(dir.file("plain.post"));
  EXPECT_GT(plain.size(), 1024u * 1024);
  EXPECT_TRUE(plain == GunzipFile(dir.file("packed.post")));
}

// The operations the interface does not use, on the writer objects themselves.
class TextWriterTest : public testing::TestWithParam<int> {
 protected:
  std::string Read(const std::string& path) {
    return GetParam() == MODE_TEXT ? ReadFileBytes(path) : GunzipFile(path);
  }
  ScratchDir m_dir;
};

TEST_P(TextWriterTest, ValueElementAndPointLines) {
  std::unique_ptr<CPostFile> writer(CreatePostFile(GetParam()));
  ASSERT_NE(nullptr, writer);
  EXPECT_EQ(-1, writer->LastId());
  EXPECT_EQ(0, writer->IsBinary());
  const std::string path = m_dir.file("w.post");
  ASSERT_EQ(0, writer->Open(path.c_str()));
  const double values[] = {1, 2};
  EXPECT_EQ(0, writer->WriteValues(7, 1, values));
  EXPECT_EQ(0, writer->WriteValues(7, 1, values + 1));
  EXPECT_EQ(0, writer->WriteValues(7, 0, values));  // a repeated id with no values: empty line
  EXPECT_EQ(0, writer->WriteValues(9, 0, values));
  const int nodes[] = {10, 11, 12, 13};
  EXPECT_EQ(0, writer->WriteElem(9, 4, nodes));  // the id is written although it repeats
  EXPECT_EQ(9, writer->LastId());
  EXPECT_EQ(0, writer->Write2D(1.5, -2));
  EXPECT_EQ(0, writer->Write3D(0.1, 1e-7, 123456789));
  EXPECT_EQ(0, writer->WriteString(nullptr));
  EXPECT_EQ(0, writer->WriteString("a\nb\r\nc\r"));  // line breaks in a name become blanks
  EXPECT_EQ(0, writer->Close());
  EXPECT_EQ(0, g_closeStatus);
  EXPECT_EQ(1, writer->Close());
  EXPECT_EQ(1, g_closeStatus);
  g_closeStatus = 0;
  EXPECT_EQ("7 1\n 2\n\n9\n9 10 11 12 13\n1.5 -2\n0.1 1e-07 1.23457e+08\n\na b  c \n", Read(path));
}

TEST_P(TextWriterTest, ClosedWriterWritesNothing) {
  std::unique_ptr<CPostFile> writer(CreatePostFile(GetParam()));
  ASSERT_NE(nullptr, writer);
  const double value = 1;
  const int node = 1;
  EXPECT_EQ(1, writer->WriteString("x"));
  EXPECT_EQ(1, writer->WriteValues(1, 1, &value));
  EXPECT_EQ(1, writer->WriteValuesVA(1, 1, 1.0));
  EXPECT_EQ(1, writer->WriteElem(1, 1, &node));
  EXPECT_EQ(1, writer->Flush());
  EXPECT_EQ(1, writer->Open(m_dir.file("missing/w.post").c_str()));
  EXPECT_EQ(1, writer->Close());
  g_closeStatus = 0;
}

// Reopening a writer closes its first file completely before the second is started.
TEST_P(TextWriterTest, OpenClosesTheStreamItHolds) {
  std::unique_ptr<CPostFile> writer(CreatePostFile(GetParam()));
  const std::string first = m_dir.file("first.post");
  const std::string second = m_dir.file("second.post");
  ASSERT_EQ(0, writer->Open(first.c_str()));
  writer->WriteString("one");
  ASSERT_EQ(0, writer->Open(second.c_str()));
  writer->WriteString("two");
  EXPECT_EQ("one\n", Read(first));
  writer.reset();
  EXPECT_EQ("two\n", Read(second));
  g_closeStatus = 0;
}

INSTANTIATE_TEST_SUITE_P(Variants, TextWriterTest, testing::Values(MODE_TEXT, MODE_COMPRESSED_TEXT),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == MODE_TEXT ? std::string("Plain")
                                                          : std::string("Compressed");
                         });

}  // namespace
}  // namespace posttest
