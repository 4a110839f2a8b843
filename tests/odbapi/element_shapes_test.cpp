// Shape codes from element type names: families, variant suffixes, letter case, unknowns.
#include <gtest/gtest.h>

#include "element_shapes.h"

TEST(ElementShapes, FamiliesAndTheirVariants) {
  const struct {
    int code;
    std::vector<const char*> names;
  } table[] = {
      {1, {"MASS", "ROTARYI"}},
      {3, {"T2D2", "T3D2", "T3D2H", "B21", "B31", "B31H", "B33", "PIPE21", "PIPE31H", "SPRINGA",
           "CONN3D2"}},
      {4, {"T3D3", "B22", "B32", "B32H", "PIPE32"}},
      {10, {"CPS3", "CPE3", "CAX3", "S3", "S3R", "STRI3", "M3D3", "R3D3", "DC2D3", "CPE3H"}},
      {11, {"CPS4", "CPS4R", "CPE4", "CPE4RH", "CPE4I", "CAX4", "CAX4RT", "S4", "S4R", "M3D4",
            "M3D4R", "R3D4", "DC2D4"}},
      {12, {"CPS6", "CPE6", "CPE6M", "STRI65"}},
      {13, {"CPS8", "CPE8", "CPE8R", "CAX8", "CAX8RH", "S8R"}},
      {14, {"C3D4", "C3D4H", "DC3D4"}},
      {15, {"C3D6", "C3D6H", "SC6R"}},
      {16, {"C3D8", "C3D8R", "C3D8I", "C3D8H", "C3D8RH", "C3D8IH", "C3D8T", "SC8R", "DC3D8"}},
      {17, {"C3D10", "C3D10M", "C3D10MH", "C3D10H"}},
      {18, {"C3D15", "C3D15H"}},
      {19, {"C3D20", "C3D20R", "C3D20RH", "DC3D20"}},
  };
  for (const auto& row : table) {
    for (const char* name : row.names) EXPECT_EQ(odbapi::ElementShapeCode(name), row.code) << name;
  }
  EXPECT_EQ(odbapi::ElementShapeCode("c3d8r"), 16);
  EXPECT_EQ(odbapi::ElementShapeCode("s4R"), 11);
}

TEST(ElementShapes, AnythingElseIsZero) {
  for (const char* name : {"", "C3D", "C3D8X", "C3D9", "S", "R", "HRHR", "PENTA6", "C3D8 ", "XC3D8",
                           "MASSES", "C3D27"}) {
    EXPECT_EQ(odbapi::ElementShapeCode(name), 0) << '"' << name << '"';
  }
  EXPECT_EQ(odbapi::ElementShapeCode(nullptr), 0);
}
