#include "element_shape.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "post_types.h"

namespace {

TEST(ClassifyElementShape, EveryCodeOfTheTable) {
  const int expected[20] = {0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 3, 4, 3, 4, 5, 0, 6, 5, 0, 6};
  for (int code = 0; code < 20; ++code) {
    EXPECT_EQ(expected[code], ClassifyElementShape(code, nullptr)) << "code " << code;
  }
  EXPECT_EQ(0, ClassifyElementShape(-3, nullptr));
  EXPECT_EQ(0, ClassifyElementShape(20, nullptr));
}

TEST(ClassifyElementShape, MessagesEndInNewline) {
  char message[kShapeMessageSize] = "";
  ClassifyElementShape(15, message);
  EXPECT_STREQ("element PENTA not implemented\n", message);
  ClassifyElementShape(2, message);
  EXPECT_STREQ("element MASS/PLOT not implemented\n", message);
  ClassifyElementShape(-7, message);
  EXPECT_STREQ("unknown element geometry: -7\n", message);
  std::strcpy(message, "untouched");
  EXPECT_EQ(GEOMETRY_HEXAHEDRA, ClassifyElementShape(16, message));
  EXPECT_STREQ("untouched", message);
}

std::vector<int> Ids(int meshShape, int nnode, int elementShape, std::vector<int> own) {
  std::vector<int> out(nnode);
  ElementNodeIds(meshShape, nnode, elementShape,
                 own.data(), static_cast<int>(own.size()), out.data());
  return out;
}

TEST(ElementNodeIds, DegenerateFills) {
  EXPECT_EQ((std::vector<int>{1, 2, 3, 3, 4, 5, 6, 6}), Ids(16, 8, 15, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 3, 4, 4, 4, 4}), Ids(16, 8, 14, {1, 2, 3, 4}));
  EXPECT_EQ((std::vector<int>{7, 8, 9, 9}), Ids(11, 4, 10, {7, 8, 9}));
}

TEST(ElementNodeIds, CodesAreComparedExactly) {
  // A wedge in a 20-node hexahedron mesh, a 10-node tetrahedron in an 8-node one, and a
  // line in a quadrilateral mesh keep their own first ids; short lists repeat their last.
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 6, 6}), Ids(19, 8, 15, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}),
            Ids(16, 8, 17, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ((std::vector<int>{4, 5, 5, 5}), Ids(11, 4, 3, {4, 5}));
  // Same geometry, fewer nodes: no fill, the last id repeats.
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 7}), Ids(16, 8, 16, {1, 2, 3, 4, 5, 6, 7}));
  // A mass element inside a hexahedron mesh is written without stopping anything.
  EXPECT_EQ((std::vector<int>{9, 9, 9, 9, 9, 9, 9, 9}), Ids(16, 8, 1, {9}));
  EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), Ids(11, 4, 11, {}));
}

TEST(ElementNodeIds, ShortWedgeNeverReadsPastItsList) {
  // A wedge with only four labels is filled from its padded list.
  EXPECT_EQ((std::vector<int>{1, 2, 3, 3, 4, 4, 4, 4}), Ids(16, 8, 15, {1, 2, 3, 4}));
}

}  // namespace
