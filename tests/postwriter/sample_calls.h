// Call sequences of the writer interface shared by the text and binary format tests, so that
// both variants are checked against the same calls.
#pragma once

#include "post_interface.h"
#include "post_test_support.h"

#include <gtest/gtest.h>

namespace posttest {

// One mesh "m1" of one 8-node hexahedron: nodes 1..8 with coordinates, element 1.
inline void WriteSampleMesh() {
  static const double kCorners[8][3] = {
      {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
      {0, 0, 1.5}, {1, 0, 1.5}, {1, 1, 1.5}, {-0.25, 1, 1.5},
  };
  static const int kNodes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(0, PostBeginMesh("m1", 3, GEOMETRY_HEXAHEDRA, 8));
  ASSERT_EQ(0, PostBeginCoordinates());
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(0, PostWriteCoordinates(i + 1, kCorners[i][0], kCorners[i][1], kCorners[i][2]));
  }
  ASSERT_EQ(0, PostEndCoordinates());
  ASSERT_EQ(0, PostBeginElements());
  ASSERT_EQ(0, PostWriteElement(1, kNodes));
  ASSERT_EQ(0, PostEndElements());
  ASSERT_EQ(0, PostEndMesh());
}

// Three Gauss point sets: Linear with mesh name and nodes included, Quadrilateral without a
// mesh name, Linear with an empty mesh name, nodes not included and given coordinates.
inline void WriteSampleGaussPoints() {
  ASSERT_EQ(0, PostBeginGaussPoint("gp1", GEOMETRY_LINEAR, "m1", 2, 1, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginGaussPoint("gp2", GEOMETRY_QUADRILATERAL, nullptr, 4, 1, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
  ASSERT_EQ(0, PostBeginGaussPoint("gp3", GEOMETRY_LINEAR, "", 3, 0, 0));
  ASSERT_EQ(0, PostEndGaussPoint());
}

// Four results: a nodal vector, a matrix on Gauss points whose element 1 has two points,
// a scalar with a range table, and a plane-deformation matrix with location 2.
inline void WriteSampleResults() {
  ASSERT_EQ(0, PostBeginResult("U ( Displacement)", "Step-1", 1, RESULT_VECTOR, ON_NODES,
                               nullptr, nullptr, 0, nullptr));
  ASSERT_EQ(0, PostWriteVector(1, 3, 4, 0));
  ASSERT_EQ(0, PostWriteVector(2, 1e-5, 100000, 1000000));
  ASSERT_EQ(0, PostEndResult());

  const char* components[] = {"S11", "S22", "S\"33"};
  ASSERT_EQ(0, PostBeginResult("S", "Step-1", 0.5, RESULT_MATRIX, ON_GAUSS_POINTS, "gp2", "",
                               3, components));
  ASSERT_EQ(0, PostWriteMatrix(1, 1, 2, 3, 4, 5, 6));
  ASSERT_EQ(0, PostWriteMatrix(1, -1, -2, -3, -4, -5, -6));
  ASSERT_EQ(0, PostWriteMatrix(2, 0.25, 0, 0, 0, 0, 0));
  ASSERT_EQ(0, PostEndResult());

  ASSERT_EQ(0, PostBeginResult("p", "Step-2", 2.5, RESULT_SCALAR, ON_NODES, nullptr, "table", 0,
                               nullptr));
  ASSERT_EQ(0, PostWriteScalar(2, 0.5));
  ASSERT_EQ(0, PostEndResult());

  ASSERT_EQ(0, PostBeginResult("e", "Step-2", 2.5, RESULT_PLAIN_DEFORMATION_MATRIX, 2, "unused",
                               nullptr, 0, nullptr));
  ASSERT_EQ(0, PostWritePlainDefMatrix(3, 1, 2, 3, 4));
  ASSERT_EQ(0, PostEndResult());
}

// Leaves the process-wide writer closed after every test, also after a failed assertion,
// and gives each test a directory of its own.
class WriterTest : public testing::Test {
 protected:
  void TearDown() override {
    if (g_resultWriter != nullptr) PostCloseResultFile();
  }
  ScratchDir m_dir;
};

}  // namespace posttest
