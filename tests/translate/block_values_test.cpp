// The values of a block on their way to the writer: a single-precision block's own storage,
// a double-precision block's rows converted a few at a time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "block_values.h"
#include "odb_API.h"
#include "odb_builder.h"
#include "test_platform.h"

namespace {

class BlockValuesTest : public ::testing::Test {
 protected:
  void SetUp() override { odb_initializeAPI(); }
  void TearDown() override { odb_finalizeAPI(); }
  const testplatform::ScratchDir m_scratch{"block-values-"};
  const std::string m_dir = m_scratch.path();
};

TEST_F(BlockValuesTest, SingleIsTheBlocksOwnStorageAndDoubleRoundsRowByRow) {
  const std::string path = m_dir + "/twin.odb";
  const std::vector<double> values = {0.1, 1e-40, 3.4e38, -1.0 / 3.0, 16777217.0, 2.5};
  odbapi::OdbBuilder()
      .step("S").frame()
      .field("F", 3, 1).nodal("P", 2, {1, 2, 3},
                              std::vector<float>(values.begin(), values.end()))
      .field("D", 3, 1).nodal("P", 2).rowDouble(1, {values[0], values[1]})
      .rowDouble(2, {values[2], values[3]}).rowDouble(3, {values[4], values[5]})
      .write(path);
  odb_Odb& odb = openOdb(path.c_str());
  odb_FieldOutputRepository& fields = odb.steps()["S"].frames()[0].fieldOutputs();
  const odb_SequenceFieldBulkData& single = fields["F"].bulkDataBlocks();
  const odb_SequenceFieldBulkData& twin = fields["D"].bulkDataBlocks();

  BlockValues singleValues(single[0]);
  // No copy: the rows asked for are where the block holds them.
  EXPECT_EQ(singleValues.Rows(0, 3), single[0].data());
  EXPECT_EQ(singleValues.Rows(2, 1), single[0].data() + 4);

  BlockValues doubleValues(twin[0]);
  for (std::size_t row = 0; row < 3; ++row) {
    const float* converted = doubleValues.Rows(row, 1);
    for (std::size_t c = 0; c < 2; ++c) {
      // The value the single-precision twin stores, bit for bit.
      EXPECT_EQ(converted[c], single[0].data()[2 * row + c]) << "row " << row << " component " << c;
    }
  }
  const float* lastTwo = doubleValues.Rows(1, 2);
  EXPECT_EQ(std::vector<float>(lastTwo, lastTwo + 4),
            std::vector<float>(single[0].data() + 2, single[0].data() + 6));

  // With a tensor layout both precisions hand out the same rows in the layout's slots, 0 where
  // a slot has no component.
  const TensorLayout swapped = TensorLayoutOf(5, {"F12", "F11"});  // slots 11 22 12 33
  const float* s = single[0].data();
  const std::vector<float> expected = {s[3], 0, s[2], 0, s[5], 0, s[4], 0};
  for (const auto* block : {&single[0], &twin[0]}) {
    BlockValues mapped(*block, swapped);
    EXPECT_EQ(mapped.RowWidth(), 4);
    const float* rows = mapped.Rows(1, 2);
    EXPECT_EQ(std::vector<float>(rows, rows + 8), expected);
  }
}

}  // namespace
