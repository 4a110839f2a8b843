// The binary variant, compared with the whole decompressed record stream written out by hand.
#include "post_file.h"
#include "post_interface.h"
#include "post_test_support.h"
#include "sample_calls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace posttest {
namespace {

Records FileStart() {
  Records records;
  records.Raw(std::string("\x1D\x09\x00\x00", 4)).Str("KelPostEx1.1");
  return records;
}

Records& AppendSampleMesh(Records& r) {
  r.Str("MESH \"m1\" dimension 3 ElemType Hexahedra Nnode 8").Str("Coordinates -1 Indexed");
  r.Int(1).Floats(0, 0, 0).Int(2).Floats(1, 0, 0).Int(3).Floats(1, 1, 0);
  r.Int(4).Floats(0, 1, 0).Int(5).Floats(0, 0, 1.5).Int(6).Floats(1, 0, 1.5);
  r.Int(7).Floats(1, 1, 1.5).Int(8).Floats(-0.25, 1, 1.5);
  r.Str("End Coordinates").Str("Elements -1 Indexed");
  for (int value : {1, 1, 2, 3, 4, 5, 6, 7, 8, 1}) r.Int(value);  // id, 8 nodes, material
  return r.Str("End Elements");
}

Records& AppendSampleGaussPoints(Records& r) {
  r.Str("GaussPoints \"gp1\" ElemType Linear \"m1\"").Str("Number Of Gauss Points: 2");
  r.Str("  Nodes included").Str("Natural Coordinates: Internal").Str("End GaussPoints");
  r.Str("GaussPoints \"gp2\" ElemType Quadrilateral").Str("Number Of Gauss Points: 4");
  r.Str("Natural Coordinates: Internal").Str("End GaussPoints");
  r.Str("GaussPoints \"gp3\" ElemType Linear").Str("Number Of Gauss Points: 3");
  r.Str("  Nodes not included").Str("Natural Coordinates: Given");
  return r.Str("End GaussPoints");
}

Records& AppendSampleResults(Records& r) {
  r.Str("Result \"U ( Displacement)\" \"Step-1\" 1 Vector OnNodes").Str("Values -1 Indexed");
  r.Int(1).Floats(3, 4, 0, 5);
  r.Int(2).Floats(1e-5, 100000, 1000000, std::sqrt(1e-10 + 1e10 + 1e12));
  r.Int(-1).Str("End Values");

  r.Str("Result \"S\" \"Step-1\" 0.5 Matrix OnGaussPoints \"gp2\"");
  r.Str("ResultRangesTable \"\"").Str("ComponentNames \"S11\" \"S22\" \"S'33\"");
  r.Str("Values -1 Indexed");
  r.Int(1).Floats(1, 2, 3, 4, 5, 6).Floats(-1, -2, -3, -4, -5, -6);
  r.Int(2).Floats(0.25, 0, 0, 0, 0, 0);
  r.Int(-1).Str("End Values");

  r.Str("Result \"p\" \"Step-2\" 2.5 Scalar OnNodes").Str("ResultRangesTable \"table\"");
  r.Str("Values -1 Indexed").Int(2).Floats(0.5).Int(-1).Str("End Values");

  r.Str("Result \"e\" \"Step-2\" 2.5 PlainDeformationMatrix OnGaussPoints");
  r.Str("Values -1 Indexed").Int(3).Floats(1, 2, 3, 4).Int(-1).Str("End Values");
  return r;
}

class BinaryFormatTest : public WriterTest {
 protected:
  void Open() { ASSERT_EQ(0, PostOpenResultFile(Path().c_str(), MODE_BINARY)); }
  std::string CloseAndRead() {
    EXPECT_EQ(0, PostCloseResultFile());
    return GunzipFile(Path());
  }
  std::string Path() const { return m_dir.file("out.post"); }
};

TEST_F(BinaryFormatTest, OpenAndCloseGivesMarkerAndHeaderRecord) {
  Open();
  const std::string stream = CloseAndRead();
  EXPECT_EQ(21u, stream.size());
  EXPECT_EQ(std::string("\x1D\x09\x00\x00\x0D\x00\x00\x00KelPostEx1.1\x00", 21), stream);
}

TEST_F(BinaryFormatTest, MeshBlock) {
  Open();
  WriteSampleMesh();
  Records expected = FileStart();
  EXPECT_EQ(AppendSampleMesh(expected).bytes(), CloseAndRead());
}

TEST_F(BinaryFormatTest, GaussPointDefinitions) {
  Open();
  WriteSampleGaussPoints();
  Records expected = FileStart();
  EXPECT_EQ(AppendSampleGaussPoints(expected).bytes(), CloseAndRead());
}

TEST_F(BinaryFormatTest, ResultsWithSharedIdsAndVectorModulus) {
  Open();
  WriteSampleResults();
  Records expected = FileStart();
  EXPECT_EQ(AppendSampleResults(expected).bytes(), CloseAndRead());
}

TEST_F(BinaryFormatTest, FirstValueAfterCoordinatesCarriesItsId) {
  Open();
  ASSERT_EQ(0, PostBeginMesh("m", 2, GEOMETRY_POINT, 1));
  ASSERT_EQ(0, PostBeginCoordinates());
  ASSERT_EQ(0, PostWriteCoordinates(4, 1, 2, 0));
  ASSERT_EQ(0, PostEndCoordinates());
  ASSERT_EQ(0, PostBeginResult("r", "a", 0, RESULT_SCALAR, ON_NODES, nullptr, nullptr, 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteScalar(4, 0.5));
  ASSERT_EQ(0, PostEndResult());
  Records expected = FileStart();
  expected.Str("MESH \"m\" dimension 2 ElemType Point Nnode 1").Str("Coordinates -1 Indexed");
  expected.Int(4).Floats(1, 2, 0).Str("End Coordinates");
  expected.Str("Result \"r\" \"a\" 0 Scalar OnNodes").Str("Values -1 Indexed");
  expected.Raw(std::string("\x04\x00\x00\x00\x00\x00\x00\x3F", 8));
  expected.Int(-1).Str("End Values");
  EXPECT_EQ(expected.bytes(), CloseAndRead());
}

// Enough records to fill the writer's buffer several times, with string records and value
// records straddling its boundaries; the stream must stay exactly the records in order.
TEST_F(BinaryFormatTest, LargeStreamCrossesBufferBoundaries) {
  Open();
  Records expected = FileStart();
  for (int block = 0; block < 3; ++block) {
    ASSERT_EQ(0, PostBeginResult("v", "s", block, RESULT_VECTOR, ON_NODES, nullptr, nullptr, 0,
                                 nullptr));
    expected.Str("Result \"v\" \"s\" " + std::to_string(block) + " Vector OnNodes");
    expected.Str("Values -1 Indexed");
    for (int id = 1; id <= 30001; ++id) {
      PostWriteVector(id, 0, id, 0);
      expected.Int(id).Floats(0, id, 0, id);
    }
    ASSERT_EQ(0, PostEndResult());
    expected.Int(-1).Str("End Values");
  }
  const std::string stream = CloseAndRead();
  EXPECT_GT(stream.size(), 4u * 256 * 1024);
  EXPECT_TRUE(expected.bytes() == stream) << "the streams differ; sizes " << expected.bytes().size()
                                          << " and " << stream.size();
}

// Rows handed over in bulk: each width's record layout, the id once per entity (also across
// calls), vectors padded and given their modulus, NaN bits kept, and one bulk larger than
// the writer's buffer.
TEST_F(BinaryFormatTest, RowsInBulkGiveTheRecordsOfOneCallPerRow) {
  Open();
  const float scalars[3] = {0.5f, -1.0f, 2.0f};
  const float pairs[4] = {3, 4, 6, 8};
  const float triples[3] = {1, 2, 2};
  const float plain[4] = {1, 2, 3, 4};
  float nan;
  const std::uint32_t nanBits = 0x7fa00001u;  // a signalling NaN with a payload
  std::memcpy(&nan, &nanBits, sizeof nan);
  const float matrix[12] = {1, 2, 3, 4, 5, 6, -1, -2, -3, -4, -5, nan};
  std::vector<float> many(6 * 20000);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<float>(i) * 0.5f;

  ASSERT_EQ(0, PostBeginResult("r", "a", 0, RESULT_SCALAR, ON_GAUSS_POINTS, nullptr, nullptr, 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteRows(7, scalars, 2, 1));
  ASSERT_EQ(0, PostWriteRows(7, scalars + 2, 1, 1));  // the same element goes on
  ASSERT_EQ(0, PostWriteRows(8, scalars, 0, 1));      // no rows: nothing, not even the id
  ASSERT_EQ(0, PostWriteRows(9, pairs, 2, 2));
  ASSERT_EQ(0, PostWriteRows(10, triples, 1, 3));
  ASSERT_EQ(0, PostWriteRows(11, plain, 1, 4));
  ASSERT_EQ(0, PostWriteRows(12, matrix, 2, 6));
  ASSERT_EQ(0, PostWriteRows(13, many.data(), 20000, 6));
  EXPECT_EQ(1, PostWriteRows(14, matrix, 1, 5));
  ASSERT_EQ(0, PostEndResult());

  Records expected = FileStart();
  expected.Str("Result \"r\" \"a\" 0 Scalar OnGaussPoints \"\"").Str("Values -1 Indexed");
  expected.Int(7).Floats(0.5, -1, 2);
  expected.Int(9).Floats(3, 4, 0, 5).Floats(6, 8, 0, 10);
  expected.Int(10).Floats(1, 2, 2, 3);
  expected.Int(11).Floats(1, 2, 3, 4);
  expected.Int(12).Floats(1, 2, 3, 4, 5, 6, -1, -2, -3, -4, -5).Int(0x7fa00001);
  expected.Int(13);
  for (float value : many) expected.Float(value);
  expected.Int(-1).Str("End Values");
  const std::string stream = CloseAndRead();
  EXPECT_TRUE(expected.bytes() == stream) << "the streams differ; sizes " << expected.bytes().size()
                                          << " and " << stream.size();
}

// The writer's own operations that the interface does not reach.
class BinaryWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    m_writer.reset(CreatePostFile(MODE_BINARY));
    ASSERT_NE(nullptr, m_writer);
    ASSERT_EQ(0, m_writer->Open(Path().c_str()));
  }
  std::string CloseAndRead() {
    EXPECT_EQ(0, m_writer->Close());
    g_closeStatus = 0;
    return GunzipFile(Path());
  }
  std::string Path() const { return m_dir.file("w.post"); }
  ScratchDir m_dir;
  std::unique_ptr<CPostFile> m_writer;
};

TEST_F(BinaryWriterTest, StringsPointsAndRawValues) {
  EXPECT_EQ(1, m_writer->IsBinary());
  EXPECT_EQ(0, m_writer->WriteString(nullptr));
  EXPECT_EQ(0, m_writer->WriteString("a\nb\r"));  // kept as given: a record is not a line
  EXPECT_EQ(0, m_writer->Write2D(1, 2));
  EXPECT_EQ(0, m_writer->Write3D(3, 4, 5));
  const double values[] = {0.1, -2};
  EXPECT_EQ(0, m_writer->WriteValues(6, 2, values));
  EXPECT_EQ(0, m_writer->WriteValues(6, 1, values));
  EXPECT_EQ(0, m_writer->WriteValuesVA(7, 2, 8.0, 9.0));
  EXPECT_EQ(0, m_writer->Flush());
  EXPECT_EQ(0, m_writer->EndValues());
  Records expected;
  expected.Int(2333).Raw(std::string("\x01\x00\x00\x00\x00", 5)).Str("a\nb\r");
  expected.Floats(1, 2, 3, 4, 5);
  expected.Int(6).Floats(0.1, -2, 0.1).Int(7).Floats(8, 9);
  expected.Int(-1).Str("End Values");
  EXPECT_EQ(expected.bytes(), CloseAndRead());
  // A flush keeps the stream going: the file stays one gzip member.
  EXPECT_EQ(1, GzipMemberCount(ReadFileBytes(Path())));
}

TEST_F(BinaryWriterTest, ElementRecordsFollowTheNodeCount) {
  ASSERT_EQ(0, m_writer->BeginMesh("m", 3));
  const int nodes[] = {10, 11, 12, 7};
  EXPECT_EQ(0, m_writer->WriteElem(1, 3, nodes));  // material number 1 appended
  EXPECT_EQ(0, m_writer->WriteElem(2, 4, nodes));  // the caller's last number is the material
  EXPECT_EQ(1, m_writer->WriteElem(3, 2, nodes));  // written, but refused
  EXPECT_EQ(-1, m_writer->LastId());
  Records expected;
  expected.Int(2333).Str("m");
  for (int value : {1, 10, 11, 12, 1, 2, 10, 11, 12, 7, 3, 10, 11}) expected.Int(value);
  EXPECT_EQ(expected.bytes(), CloseAndRead());
}

// Value records of any length, from none to hundreds of values, keep their id rule and
// their order, also where they straddle the writer's buffer.
TEST_F(BinaryWriterTest, ValueRecordsOfEveryLength) {
  std::vector<double> values(300);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = 0.5 * static_cast<double>(i) - 7;
  Records expected;
  expected.Int(2333);
  for (int round = 0; round < 150; ++round) {
    for (int count : {0, 1, 6, 63, 64, 65, 300}) {
      const int id = round * 10 + count % 7;
      EXPECT_EQ(0, m_writer->WriteValues(id, count, values.data()));
      EXPECT_EQ(0, m_writer->WriteValues(id, 2, values.data() + 5));  // same id: no id again
      expected.Int(id);
      for (int i = 0; i < count; ++i) expected.Float(static_cast<float>(values[i]));
      expected.Floats(values[5], values[6]);
    }
  }
  const std::string stream = CloseAndRead();
  EXPECT_GT(stream.size(), 256u * 1024);
  EXPECT_TRUE(expected.bytes() == stream) << "the streams differ";
}

// A string larger than the writer's buffer goes to the stream in one piece.
TEST_F(BinaryWriterTest, StringLargerThanTheBuffer) {
  const std::string text(300 * 1024, 'x');
  EXPECT_EQ(0, m_writer->WriteString("a"));
  EXPECT_EQ(0, m_writer->WriteString(text.c_str()));
  EXPECT_EQ(0, m_writer->WriteString("b"));
  Records expected;
  expected.Int(2333).Str("a").Str(text).Str("b");
  EXPECT_TRUE(expected.bytes() == CloseAndRead());
}

}  // namespace
}  // namespace posttest
