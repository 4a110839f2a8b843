// Opening and closing through the writer interface, failures, and operations called in a
// state that cannot write them.
#include "post_file.h"
#include "post_interface.h"
#include "post_test_support.h"
#include "sample_calls.h"

#include <gtest/gtest.h>

#include <string>

namespace posttest {
namespace {

const char kTextHeader[] = "Kel Post Results File 1.0\n";

class LifecycleTest : public WriterTest, public testing::WithParamInterface<int> {
 protected:
  // The file's stream: the text as written, or the gzip content decompressed.
  std::string Content(const std::string& path) const {
    return GetParam() == MODE_TEXT ? ReadFileBytes(path) : GunzipFile(path);
  }
  std::string HeaderOnly() const {
    return GetParam() == MODE_BINARY ? FileHeaderRecords() : std::string(kTextHeader);
  }
  static std::string FileHeaderRecords() {
    return Records().Header().bytes();
  }
};

TEST_P(LifecycleTest, SecondOpenIsRefusedAndTheFirstFileCompletes) {
  const std::string first = m_dir.file("first.post");
  const std::string second = m_dir.file("second.post");
  ASSERT_EQ(0, PostOpenResultFile(first.c_str(), GetParam()));
  EXPECT_EQ(1, PostOpenResultFile(second.c_str(), GetParam()));
  EXPECT_EQ(1, PostOpenResultFile(second.c_str(), (GetParam() + 1) % 3));
  EXPECT_FALSE(std::filesystem::exists(second));
  WriteSampleMesh();
  EXPECT_EQ(0, PostCloseResultFile());
  EXPECT_GT(Content(first).size(), HeaderOnly().size() + 100);
}

TEST_P(LifecycleTest, UnwritablePathReturns4AndALaterOpenSucceeds) {
  EXPECT_EQ(4, PostOpenResultFile(m_dir.file("missing/out.post").c_str(), GetParam()));
  EXPECT_EQ(nullptr, g_resultWriter);
  EXPECT_EQ(0, g_closeStatus);
  EXPECT_EQ(4, PostOpenResultFile(nullptr, GetParam()));
  EXPECT_EQ(1, PostCloseResultFile());

  const std::string path = m_dir.file("out.post");
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), GetParam()));
  EXPECT_EQ(0, PostCloseResultFile());
  EXPECT_EQ(HeaderOnly(), Content(path));
}

// Codes without a name, and mesh blocks before any mesh, are refused and write nothing.
TEST_P(LifecycleTest, RefusedOperationsWriteNothing) {
  const std::string path = m_dir.file("out.post");
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), GetParam()));
  const int nodes[] = {1, 2};
  EXPECT_EQ(1, PostBeginCoordinates());
  EXPECT_EQ(1, PostWriteCoordinates(1, 0, 0, 0));
  EXPECT_EQ(1, PostEndCoordinates());
  EXPECT_EQ(1, PostBeginElements());
  EXPECT_EQ(1, PostWriteElement(1, nodes));
  EXPECT_EQ(1, PostEndElements());
  EXPECT_EQ(0, PostEndMesh());
  EXPECT_EQ(1, PostBeginMesh("m", 3, 7, 8));
  EXPECT_EQ(1, PostBeginMesh("m", 3, -1, 8));
  // The refused mesh left the writer's node count at 0: rows 2 wide would be misread.
  const int ids[] = {1};
  EXPECT_EQ(1, PostWriteElementRows(ids, nodes, 1, 2));
  EXPECT_EQ(1, PostBeginGaussPoint("g", 7, "m", 2, 1, 1));
  EXPECT_EQ(1, PostBeginGaussPoint("g", -1, "m", 2, 1, 1));
  EXPECT_EQ(1, PostBeginResult("r", "a", 0, 6, ON_NODES, nullptr, "t", 0, nullptr));
  EXPECT_EQ(1, PostBeginResult("r", "a", 0, -1, ON_NODES, nullptr, "t", 0, nullptr));
  EXPECT_EQ(0, PostCloseResultFile());
  EXPECT_EQ(HeaderOnly(), Content(path));
}

std::string VariantName(const testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"Plain", "Compressed", "Binary"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Variants, LifecycleTest,
                         testing::Values(MODE_TEXT, MODE_COMPRESSED_TEXT, MODE_BINARY),
                         VariantName);

TEST(Lifecycle, UnknownModeReturns2AndALaterOpenSucceeds) {
  ScratchDir dir;
  const std::string path = dir.file("out.post");
  EXPECT_EQ(nullptr, CreatePostFile(3));
  EXPECT_EQ(2, PostOpenResultFile(path.c_str(), 3));
  EXPECT_EQ(2, PostOpenResultFile(path.c_str(), -1));
  EXPECT_EQ(nullptr, g_resultWriter);
  EXPECT_FALSE(std::filesystem::exists(path));
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), MODE_TEXT));
  EXPECT_EQ(0, PostCloseResultFile());
  EXPECT_EQ(kTextHeader, ReadFileBytes(path));
}

TEST(Lifecycle, OperationsWithNoFileOpenReturn1) {
  ASSERT_EQ(nullptr, g_resultWriter);
  const int nodes[] = {1};
  const char* components[] = {"x"};
  EXPECT_EQ(1, PostCloseResultFile());
  EXPECT_EQ(1, PostBeginMesh("m", 3, GEOMETRY_POINT, 1));
  EXPECT_EQ(1, PostBeginCoordinates());
  EXPECT_EQ(1, PostWriteCoordinates(1, 0, 0, 0));
  EXPECT_EQ(1, PostEndCoordinates());
  EXPECT_EQ(1, PostBeginElements());
  EXPECT_EQ(1, PostWriteElement(1, nodes));
  EXPECT_EQ(1, PostEndElements());
  EXPECT_EQ(0, PostEndMesh());
  EXPECT_EQ(1, PostBeginGaussPoint("g", GEOMETRY_LINEAR, "m", 2, 1, 1));
  EXPECT_EQ(1, PostEndGaussPoint());
  EXPECT_EQ(1, PostBeginResult("r", "a", 0, RESULT_VECTOR, ON_GAUSS_POINTS, "g", "t", 1,
                               components));
  EXPECT_EQ(1, PostWriteScalar(1, 0));
  EXPECT_EQ(1, PostWriteVector(1, 0, 0, 0));
  EXPECT_EQ(1, PostWriteMatrix(1, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(1, PostWritePlainDefMatrix(1, 0, 0, 0, 0));
  EXPECT_EQ(1, PostEndResult());
  EXPECT_EQ(nullptr, g_meshWriter);
}

TEST(Lifecycle, NameTablesKnowOnlyTheirCodes) {
  EXPECT_STREQ("", ElementGeometryName(GEOMETRY_NONE));
  EXPECT_STREQ("Hexahedra", ElementGeometryName(GEOMETRY_HEXAHEDRA));
  EXPECT_EQ(nullptr, ElementGeometryName(7));
  EXPECT_EQ(nullptr, ElementGeometryName(-1));
  EXPECT_STREQ("Scalar", ResultTypeName(RESULT_SCALAR));
  EXPECT_STREQ("LocalAxes", ResultTypeName(RESULT_LOCAL_AXES));
  EXPECT_EQ(nullptr, ResultTypeName(6));
  EXPECT_EQ(nullptr, ResultTypeName(-1));
}

// A missing set name or missing component names are written as empty names; missing
// element nodes are refused.
TEST(Lifecycle, NullArgumentsDoNotCrash) {
  ScratchDir dir;
  const std::string path = dir.file("out.post");
  ASSERT_EQ(0, PostOpenResultFile(path.c_str(), MODE_TEXT));
  ASSERT_EQ(0, PostBeginMesh("m", 1, GEOMETRY_LINEAR, 2));
  EXPECT_EQ(1, PostWriteElement(1, nullptr));
  EXPECT_EQ(0, PostBeginResult(nullptr, nullptr, 0, RESULT_SCALAR, ON_GAUSS_POINTS, nullptr,
                               nullptr, 2, nullptr));
  EXPECT_EQ(0, PostEndResult());
  EXPECT_EQ(0, PostCloseResultFile());
  EXPECT_EQ(std::string(kTextHeader) + "MESH \"m\" dimension 1 ElemType Linear Nnode 2\n" +
                "Result \"\" \"\" 0 Scalar OnGaussPoints \"\"\n"
                "ComponentNames \"\" \"\"\nValues\nEnd Values\n",
            ReadFileBytes(path));
}

// A device that takes no bytes: the failure surfaces in the close status of every variant.
TEST(WriteFailure, ShowsInTheCloseStatus) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (int mode : {MODE_TEXT, MODE_COMPRESSED_TEXT, MODE_BINARY}) {
    ASSERT_EQ(0, PostOpenResultFile("/dev/full", mode)) << "mode " << mode;
    ASSERT_EQ(0, PostBeginMesh("m", 3, GEOMETRY_POINT, 1));
    int status = PostCloseResultFile();
    EXPECT_NE(0, status) << "mode " << mode;
    EXPECT_NE(1, status) << "mode " << mode;  // 1 would mean "nothing was open"
  }
}

// Once a writer's buffers overflow into the full device, lines, string records and the end of
// a values block report the failure at once, in every variant.
TEST(WriteFailure, LinesAndRecordsReportAFailedStream) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (int mode : {MODE_TEXT, MODE_COMPRESSED_TEXT, MODE_BINARY}) {
    ASSERT_EQ(0, PostOpenResultFile("/dev/full", mode));
    ASSERT_EQ(0, PostBeginResult("r", "a", 0, RESULT_VECTOR, ON_NODES, nullptr, nullptr, 0,
                                 nullptr));
    // About 5 MiB of records whose values vary, so that compression cannot absorb them.
    unsigned seed = 12345;
    for (int id = 0; id < 250000; ++id) {
      seed = seed * 1103515245u + 12345u;
      PostWriteVector(id, seed * 1e-3, (seed >> 7) * 1e-5, (seed >> 3) * 7e-4);
    }
    // The text writer checks every value line; the binary one leaves it to the block's end.
    EXPECT_EQ(mode == MODE_BINARY ? 0 : 1, PostWriteScalar(1, 0.5)) << "mode " << mode;
    EXPECT_EQ(1, PostEndResult()) << "mode " << mode;
    EXPECT_EQ(1, PostBeginGaussPoint("g", GEOMETRY_POINT, nullptr, 1, 0, 1)) << "mode " << mode;
    EXPECT_LT(PostCloseResultFile(), 0) << "mode " << mode;
  }
}

// A writer whose n-th string (line or record) is refused; everything else succeeds.
class RefusingWriter final : public CPostFile {
 public:
  explicit RefusingWriter(int refused) : m_refused(refused) {}
  int Open(const char*) override { return 0; }
  int Close() override { return g_closeStatus = 0; }
  int Flush() override { return 0; }
  int IsBinary() override { return 0; }
  int WriteString(const char*) override { return ++m_strings == m_refused ? 1 : 0; }
  int WriteValues(int, int, const double*) override { return 0; }
  int WriteValuesVA(int, int, ...) override { return 0; }
  int WriteElem(int, int, const int*) override { return 0; }
  int Strings() const { return m_strings; }

 private:
  int m_refused;
  int m_strings = 0;
};

// Every line of a header, the opening "Values" included, passes its failure on, and nothing
// is written after it.
TEST(WriteFailure, HeaderOperationsStopAtTheRefusedLine) {
  ASSERT_EQ(nullptr, g_resultWriter);
  const char* components[] = {"x", "y"};
  // Result, ResultRangesTable, ComponentNames and Values.
  for (int refused = 1; refused <= 5; ++refused) {
    auto* writer = new RefusingWriter(refused);
    g_resultWriter = writer;
    EXPECT_EQ(refused <= 4 ? 1 : 0, PostBeginResult("r", "a", 0, RESULT_VECTOR, ON_GAUSS_POINTS,
                                                    "g", "t", 2, components))
        << "refused string " << refused;
    EXPECT_EQ(refused <= 4 ? refused : 4, writer->Strings());
    EXPECT_EQ(0, PostCloseResultFile());
  }
  // GaussPoints, Number Of Gauss Points, Nodes included and Natural Coordinates.
  for (int refused = 1; refused <= 5; ++refused) {
    auto* writer = new RefusingWriter(refused);
    g_resultWriter = writer;
    EXPECT_EQ(refused <= 4 ? 1 : 0, PostBeginGaussPoint("g", GEOMETRY_LINEAR, "m", 2, 1, 1))
        << "refused string " << refused;
    EXPECT_EQ(refused <= 4 ? refused : 4, writer->Strings());
    EXPECT_EQ(0, PostCloseResultFile());
  }
}

}  // namespace
}  // namespace posttest
