#include <gtest/gtest.h>

#include <string>

#include "component_rows.h"
#include "gauss_point_results.h"
#include "post_types.h"
#include "field_types.h"

namespace {

TEST(ResultTypes, DataTypeTable) {
  const int expected[13] = {0, 0, 0, 1, 2, 2, 2, 2, 3, 2, -1, -1, -1};
  for (int code = 0; code < 13; ++code) EXPECT_EQ(expected[code], ResultTypeOfDataType(code));
  EXPECT_EQ(-1, ResultTypeOfDataType(13));
  EXPECT_EQ(-1, ResultTypeOfDataType(-1));
}

TEST(ResultTypes, RowWidthDecidesTheWrittenType) {
  EXPECT_EQ(RESULT_SCALAR, ResultTypeOfWidth(1));
  EXPECT_EQ(RESULT_VECTOR, ResultTypeOfWidth(2));
  EXPECT_EQ(RESULT_VECTOR, ResultTypeOfWidth(3));
  EXPECT_EQ(RESULT_PLAIN_DEFORMATION_MATRIX, ResultTypeOfWidth(4));
  EXPECT_EQ(RESULT_MATRIX, ResultTypeOfWidth(6));
  for (int width : {0, 5, 7, 9, -1}) EXPECT_EQ(-1, ResultTypeOfWidth(width)) << width;
}

TEST(GaussPoints, SetNamesMatchIgnoringCaseAndGrowByDoubling) {
  GaussPointSetNames names;
  EXPECT_EQ(10000, names.capacity());
  const char* stored = names.Append("Part-1 C3D8 GP=8");
  EXPECT_EQ(stored, names.Find("PART-1 c3d8 gp=8"));
  EXPECT_EQ(nullptr, names.Find("Part-1 C3D8 GP=1"));
  for (int i = 1; i <= 10000; ++i) names.Append(("set " + std::to_string(i)).c_str());
  EXPECT_EQ(10001, names.count());
  EXPECT_EQ(20000, names.capacity());
  // Texts handed out before the growth stay valid.
  EXPECT_STREQ("Part-1 C3D8 GP=8", stored);
  EXPECT_NE(nullptr, names.Find("SET 10000"));
}

}  // namespace
