// Where a tensor block's components go in the host's rows, from its component labels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "post_types.h"
#include "tensor_components.h"

namespace {

constexpr int kByWidth = -1;
constexpr int kMatrix = RESULT_MATRIX;
constexpr int kPlain = RESULT_PLAIN_DEFORMATION_MATRIX;

TEST(TensorComponents, LabelsToSlotsAndType) {
  const struct {
    int dataType;
    std::vector<std::string> labels;
    int type;
    std::vector<int> source;  // per written slot; empty for the width rule
  } cases[] = {
      // Matrix slots xx yy zz xy yz xz; PlainDeformationMatrix slots xx yy xy zz.
      {5, {"S11", "S22", "S33", "S12", "S13", "S23"}, kMatrix, {0, 1, 2, 3, 5, 4}},
      {5, {"S11", "S22", "S12"}, kPlain, {0, 1, 2, -1}},
      {6, {"S11", "S22", "S33", "S12"}, kPlain, {0, 1, 3, 2}},
      {8, {"E11", "E22", "E12"}, kPlain, {0, 1, 2, -1}},
      {9, {"SF11", "SF22", "SF12"}, kPlain, {0, 1, 2, -1}},
      // Any order; a lacking component is 0; 13 or 23 alone makes a Matrix.
      {5, {"S23", "S11"}, kMatrix, {1, -1, -1, -1, 0, -1}},
      {5, {"A12", "B13", "C33"}, kMatrix, {-1, -1, 2, 0, -1, 1}},
      // The width rule: one label, a label naming no component or one twice, not a tensor.
      {5, {"S11"}, kByWidth, {}},
      {5, {"S11", "S21"}, kByWidth, {}},
      {5, {"S11", "S14"}, kByWidth, {}},
      {5, {"S11", "SP1"}, kByWidth, {}},
      {5, {"S11", "S22", "T11"}, kByWidth, {}},
      {4, {"S11", "S22", "S33", "S12", "S13", "S23"}, kByWidth, {}},
      {2, {"S11", "S22"}, kByWidth, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    const TensorLayout layout = TensorLayoutOf(c.dataType, c.labels);
    EXPECT_EQ(layout.type, c.type);
    EXPECT_EQ(layout.ByWidth(), c.type == kByWidth);
    if (c.type == kByWidth) continue;
    EXPECT_EQ(layout.width, static_cast<int>(c.source.size()));
    EXPECT_EQ(std::vector<int>(layout.source.begin(), layout.source.begin() + layout.width), c.source);
  }
}

}  // namespace
