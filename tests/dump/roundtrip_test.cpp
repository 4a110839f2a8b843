// Round trips through the writer: the same calls written as plain text, compressed text and
// binary read back to the same text, both through the reader library and the built tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "kelpost_reader.h"
#include "post_interface.h"
#include "test_platform.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every value below is exact in single precision, so the binary file carries it unchanged.
void WriteMesh(const char* name, int dimension, int geometry, int nnode, int firstNode,
               int firstElement, int elements) {
  ASSERT_EQ(0, PostBeginMesh(name, dimension, geometry, nnode));
  ASSERT_EQ(0, PostBeginCoordinates());
  for (int n = 0; n < nnode + 1; ++n) {
    ASSERT_EQ(0, PostWriteCoordinates(firstNode + n, 0.25 * n, -1.5 * n + 100000, n * 0.0009765625));
  }
  ASSERT_EQ(0, PostEndCoordinates());
  ASSERT_EQ(0, PostBeginElements());
  int nodes[8];
  for (int e = 0; e < elements; ++e) {
    for (int k = 0; k < nnode; ++k) nodes[k] = firstNode + (k + e) % (nnode + 1);
    ASSERT_EQ(0, PostWriteElement(firstElement + e, nodes));
  }
  ASSERT_EQ(0, PostEndElements());
}

void WriteModel() {
  // Node 16 and element 13 have the ids that equal the lengths of the block closer records.
  WriteMesh("points", 3, GEOMETRY_POINT, 1, 1, 1, 2);
  WriteMesh("bars", 2, GEOMETRY_LINEAR, 2, 3, 3, 3);
  WriteMesh("tris", 2, GEOMETRY_TRIANGLE, 3, 6, 6, 2);
  WriteMesh("quads \"q\"", 2, GEOMETRY_QUADRILATERAL, 4, 10, 8, 1);
  WriteMesh("tets", 3, GEOMETRY_TETRAHEDRA, 4, 15, 9, 2);
  WriteMesh("bricks", 3, GEOMETRY_HEXAHEDRA, 8, 20, 13, 2);
  ASSERT_EQ(0, PostEndMesh());

  ASSERT_EQ(0, PostBeginGaussPoint("bar2", GEOMETRY_LINEAR, "bars", 2, 1, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginGaussPoint("bar3", GEOMETRY_LINEAR, nullptr, 3, 0, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginGaussPoint("Tri3", GEOMETRY_TRIANGLE, "tris", 3, 1, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginGaussPoint("hex8", GEOMETRY_HEXAHEDRA, "", 8, 0, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginGaussPoint("quad4", GEOMETRY_QUADRILATERAL, "quads", 4, 0, 0));
  ASSERT_EQ(0, PostEndGaussPoint());

  const char* xyz[] = {"X", "Y", "Z"};
  const char* six[] = {"Sxx", "Syy", "Szz", "Sxy", "Syz", "S\"xz"};
  const char* four[] = {"Sxx", "Syy", "Sxy", "Szz"};

  // On nodes: every type, with and without range table and component names.
  ASSERT_EQ(0, PostBeginResult("T", "Step-1", 1, RESULT_SCALAR, ON_NODES, nullptr, nullptr, 0,
                               nullptr));
  for (int n = 1; n <= 27; ++n) ASSERT_EQ(0, PostWriteScalar(n, n * 0.125 - 2));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("U ( displacement)", "Step-1", 1, RESULT_VECTOR, ON_NODES, nullptr,
                               "", 3, xyz));
  ASSERT_EQ(0, PostWriteVector(16, 3, 4, 0));
  ASSERT_EQ(0, PostWriteVector(2, 1, 1, 1));  // modulus not exact in single precision
  ASSERT_EQ(0, PostWriteVector(-7, 1e6, -100000, 0.5));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("M", "Step-1", 0.5, RESULT_MATRIX, ON_NODES, nullptr, "ranges", 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteMatrix(1, 1, 2, 3, 4, 5, 6));
  ASSERT_EQ(0, PostWriteMatrix(3, -0.5, 0, 0, 0, 0, 1024));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("P", "Step-2", 2.5, RESULT_PLAIN_DEFORMATION_MATRIX, ON_NODES,
                               nullptr, nullptr, 4, four));
  ASSERT_EQ(0, PostWritePlainDefMatrix(4, 1, 2, 3, 4));
  ASSERT_EQ(0, PostEndResult());

  // On Gauss points: one record per point, the id written once per element.
  ASSERT_EQ(0, PostBeginResult("E", "Step-2", 2.5, RESULT_SCALAR, ON_GAUSS_POINTS, "BAR2",
                               nullptr, 0, nullptr));
  for (int e = 3; e <= 5; ++e) {
    for (int p = 0; p < 2; ++p) ASSERT_EQ(0, PostWriteScalar(e, e + p * 0.5));
  }
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("V", "Step-2", 2.5, RESULT_VECTOR, ON_GAUSS_POINTS, "bar3", "t",
                               3, xyz));
  for (int p = 0; p < 3; ++p) ASSERT_EQ(0, PostWriteVector(3, p, 2 * p, -p));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("S", "Step-3", 0.25, RESULT_MATRIX, ON_GAUSS_POINTS, "hex8", "",
                               6, six));
  for (int e = 13; e <= 14; ++e) {
    for (int p = 0; p < 8; ++p) {
      ASSERT_EQ(0, PostWriteMatrix(e, p, -p, 0.25 * p, e, -0.0009765625, 100000));
    }
  }
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("PD", "Step-3", 0.25, RESULT_PLAIN_DEFORMATION_MATRIX,
                               ON_GAUSS_POINTS, "tri3", nullptr, 0, nullptr));
  for (int p = 0; p < 3; ++p) ASSERT_EQ(0, PostWritePlainDefMatrix(6, p, 1, 2, 3.75));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostBeginResult("Q", "Step-3", 0.25, RESULT_SCALAR, ON_GAUSS_POINTS, "quad4",
                               "qt", 1, xyz));
  for (int p = 0; p < 4; ++p) ASSERT_EQ(0, PostWriteScalar(8, -p));
  ASSERT_EQ(0, PostEndResult());
}

void WriteFile(const fs::path& path, int mode) {
  ASSERT_EQ(0, PostOpenResultFile(path.u8string().c_str(), mode));
  WriteModel();
  ASSERT_EQ(0, PostCloseResultFile());
}

kelpost::Summary DecodeFile(const fs::path& path, std::string& text) {
  kelpost::FileSource source(path.string());
  kelpost::StringSink sink;
  kelpost::Summary summary = kelpost::Decode(source, &sink);
  text = sink.text;
  return summary;
}

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(WriteFile(text_, MODE_TEXT));
    ASSERT_NO_FATAL_FAILURE(WriteFile(compressed_, MODE_COMPRESSED_TEXT));
    ASSERT_NO_FATAL_FAILURE(WriteFile(binary_, MODE_BINARY));
    plain_ = ReadFile(text_);
  }
  testplatform::ScratchDir dir_{"kelpost-dump-"};
  fs::path text_ = dir_.file("model.txt");
  fs::path compressed_ = dir_.file("model.txt.gz");
  fs::path binary_ = dir_.file("model.bin");
  std::string plain_;
};

TEST_F(RoundTrip, EveryVariantReadsBackAsThePlainTextFile) {
  std::string text;
  kelpost::Summary fromText = DecodeFile(text_, text);
  EXPECT_EQ(text, plain_);
  kelpost::Summary fromCompressed = DecodeFile(compressed_, text);
  EXPECT_EQ(text, plain_);
  kelpost::Summary fromBinary = DecodeFile(binary_, text);
  EXPECT_EQ(text, plain_);

  EXPECT_EQ(fromText.variant, kelpost::Variant::kText);
  EXPECT_EQ(fromCompressed.variant, kelpost::Variant::kCompressedText);
  EXPECT_EQ(fromBinary.variant, kelpost::Variant::kBinary);
  fromText.variant = fromCompressed.variant = fromBinary.variant = kelpost::Variant::kBinary;
  EXPECT_EQ(kelpost::FormatSummary(fromText), kelpost::FormatSummary(fromBinary));
  EXPECT_EQ(kelpost::FormatSummary(fromCompressed), kelpost::FormatSummary(fromBinary));
  EXPECT_EQ(kelpost::FormatSummary(fromBinary),
            "variant: binary\n"
            "meshes: 6\n"
            "nodes: 28\n"  // 2 + 3 + 4 + 5 + 5 + 9
            "elements: 12\n"
            "gauss point sets: 5\n"
            "results: 9\n"
            "results of analysis \"Step-1\": 3\n"
            "results of analysis \"Step-2\": 3\n"
            "results of analysis \"Step-3\": 3\n");
}

// The standard output of a shell command and its exit status.
std::string RunShell(const std::string& command, int& status) {
  return testplatform::RunCapturingOutput(command, status);
}

std::string RunTool(const std::string& args, int& status) {
  return RunShell(testplatform::ShellPath(KELPOST_DUMP) + " " + args, status);
}

TEST_F(RoundTrip, ToolPrintsTheBinaryAndCompressedFilesAsThePlainText) {
  int status = -1;
  EXPECT_EQ(RunTool(binary_.string(), status), plain_);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(RunTool(compressed_.string(), status), plain_);
  EXPECT_EQ(status, 0);
  std::string summary = RunTool("--summary " + binary_.string(), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(summary.substr(0, summary.find('\n')), "variant: binary");
}

// "-" reads standard input; after "--" a name that begins with "-" is a file.
TEST_F(RoundTrip, StandardInputAndTheEndOfOptions) {
  int status = -1;
  EXPECT_EQ(RunTool("- < " + binary_.string(), status), plain_);
  EXPECT_EQ(status, 0);
  std::string summary = RunTool("--summary - < " + compressed_.string(), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(summary.substr(0, summary.find('\n')), "variant: compressed text");
  EXPECT_EQ(RunShell("echo junk | " + testplatform::ShellPath(KELPOST_DUMP) + " - 2>&1", status),
            "kelpost-dump: standard input: file offset 0: line 1: not a Kel post results file: "
            "it starts neither with a gzip header, nor with the binary marker 2333, nor with "
            "the line \"Kel Post Results File 1.0\"\n");
  EXPECT_EQ(status, 1);

  fs::copy_file(binary_, dir_.file("-model.bin"));
  fs::copy_file(text_, dir_.file("--summary"));
  const std::string inDir =
      testplatform::InFolder(dir_.path()) + testplatform::ShellPath(KELPOST_DUMP) + " ";
  EXPECT_EQ(RunShell(inDir + "-- -model.bin", status), plain_);
  EXPECT_EQ(status, 0);
  summary = RunShell(inDir + "--summary -- --summary", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(summary.substr(0, summary.find('\n')), "variant: text");
  RunShell(inDir + "-model.bin 2>" + testplatform::kNullDevice, status);
  EXPECT_EQ(status, 2);  // an unknown option without "--"
  RunShell(inDir + "-- -model.bin -- 2>" + testplatform::kNullDevice, status);
  EXPECT_EQ(status, 2);  // a second file
}

// Line breaks in names are written as blanks by the text variants, which then read back.
TEST(LineBreaks, TextVariantsReadBackWithBlanksForThem) {
  testplatform::ScratchDir dir("kelpost-dump-");
  for (int mode : {MODE_TEXT, MODE_COMPRESSED_TEXT}) {
    const fs::path path = dir.file("breaks" + std::to_string(mode));
    ASSERT_EQ(0, PostOpenResultFile(path.u8string().c_str(), mode));
    ASSERT_NO_FATAL_FAILURE(WriteMesh("two\nlines", 3, GEOMETRY_POINT, 1, 1, 1, 1));
    const char* components[] = {"x\r"};
    ASSERT_EQ(0, PostBeginResult("r\r\n", "Step\n1", 1, RESULT_SCALAR, ON_NODES, nullptr, "t\n",
                                 1, components));
    ASSERT_EQ(0, PostWriteScalar(1, 0.5));
    ASSERT_EQ(0, PostEndResult());
    ASSERT_EQ(0, PostCloseResultFile());
    std::string text;
    EXPECT_EQ(DecodeFile(path, text).results, 1u) << "mode " << mode;
    EXPECT_NE(text.find("MESH \"two lines\" dimension 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Result \"r  \" \"Step 1\" 1 Scalar OnNodes\n"
                        "ResultRangesTable \"t \"\nComponentNames \"x \"\n"),
              std::string::npos) << text;
  }
}

// Names too long for a header line: the result still names a Gauss point set that the file
// defines, so the tool reads the whole file.
TEST(LongNames, TheResultNamesADefinedGaussPointSet) {
  testplatform::ScratchDir dir("kelpost-dump-");
  const fs::path path = dir.file("long.bin");
  const std::string set = "set-" + std::string(3000, 'g');
  const std::string mesh(2900, 'm');
  const std::string other(3000, 'x');
  ASSERT_EQ(0, PostOpenResultFile(path.u8string().c_str(), MODE_BINARY));
  ASSERT_NO_FATAL_FAILURE(WriteMesh(mesh.c_str(), 3, GEOMETRY_HEXAHEDRA, 8, 1, 1, 1));
  ASSERT_EQ(0, PostEndMesh());
  ASSERT_EQ(0, PostBeginGaussPoint(set.c_str(), GEOMETRY_HEXAHEDRA, mesh.c_str(), 2, 0, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginResult(other.c_str(), other.c_str(), 1, RESULT_SCALAR, ON_GAUSS_POINTS,
                               set.c_str(), nullptr, 0, nullptr));
  ASSERT_EQ(0, PostWriteScalar(1, 0.5));
  ASSERT_EQ(0, PostWriteScalar(1, 0.25));
  ASSERT_EQ(0, PostEndResult());
  ASSERT_EQ(0, PostCloseResultFile());

  int status = -1;
  EXPECT_EQ(RunTool("--summary " + path.string(), status),
            "variant: binary\n"
            "meshes: 1\n"
            "nodes: 9\n"
            "elements: 1\n"
            "gauss point sets: 1\n"
            "results: 1\n"
            "results of analysis \"" + std::string(2850, 'x') + "\": 1\n");
  EXPECT_EQ(status, 0);
  const std::string text = RunTool(path.string(), status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(text.find("OnGaussPoints \"set-" + std::string(2396, 'g') + "\"\nValues\n1 0.5\n 0.25\n"),
            std::string::npos);
}

}  // namespace
