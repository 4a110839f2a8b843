#include "element_shapes.h"

#include <cstring>
#include <string>

namespace odbapi {
namespace {

struct Family {
  const char* name;
  int code;
};

// Base names; a type name matches its base after trailing variant letters are removed.
const Family kFamilies[] = {
    // point masses and rotary inertias
    {"MASS", 1}, {"ROTARYI", 1}, {"HEATCAP", 1},
    // two-node lines: trusses, beams, pipes, springs, dashpots, connectors, rigid links
    {"T2D2", 3}, {"T3D2", 3}, {"B21", 3}, {"B23", 3}, {"B31", 3}, {"B33", 3}, {"B31OS", 3},
    {"PIPE21", 3}, {"PIPE31", 3}, {"ELBOW31", 3}, {"SPRINGA", 3}, {"SPRING2", 3},
    {"DASHPOTA", 3}, {"DASHPOT2", 3}, {"CONN2D2", 3}, {"CONN3D2", 3}, {"R2D2", 3},
    {"RB2D2", 3}, {"RB3D2", 3}, {"RAX2", 3}, {"SAX1", 3}, {"MAX1", 3}, {"DC1D2", 3},
    {"DS3D2", 3}, {"GAPUNI", 3}, {"JOINTC", 3},
    // three-node lines
    {"T2D3", 4}, {"T3D3", 4}, {"B22", 4}, {"B32", 4}, {"B32OS", 4}, {"PIPE22", 4},
    {"PIPE32", 4}, {"ELBOW32", 4}, {"SAX2", 4}, {"MAX2", 4}, {"DC1D3", 4},
    // three-node triangles
    {"CPS3", 10}, {"CPE3", 10}, {"CAX3", 10}, {"CGAX3", 10}, {"CPEG3", 10}, {"S3", 10},
    {"STRI3", 10}, {"M3D3", 10}, {"R3D3", 10}, {"SFM3D3", 10}, {"DC2D3", 10}, {"DCAX3", 10},
    {"DS3", 10}, {"AC2D3", 10},
    // four-node quadrilaterals
    {"CPS4", 11}, {"CPE4", 11}, {"CAX4", 11}, {"CGAX4", 11}, {"CPEG4", 11}, {"S4", 11},
    {"S4R5", 11}, {"M3D4", 11}, {"R3D4", 11}, {"SFM3D4", 11}, {"DC2D4", 11}, {"DCAX4", 11},
    {"DS4", 11}, {"AC2D4", 11}, {"COH2D4", 11}, {"CPE4P", 11},
    // six-node triangles
    {"CPS6", 12}, {"CPE6", 12}, {"CAX6", 12}, {"CGAX6", 12}, {"CPEG6", 12}, {"STRI65", 12},
    {"M3D6", 12}, {"SFM3D6", 12}, {"DC2D6", 12}, {"DCAX6", 12}, {"AC2D6", 12},
    // eight-node quadrilaterals
    {"CPS8", 13}, {"CPE8", 13}, {"CAX8", 13}, {"CGAX8", 13}, {"CPEG8", 13}, {"S8", 13},
    {"S8R5", 13}, {"M3D8", 13}, {"SFM3D8", 13}, {"DC2D8", 13}, {"DCAX8", 13}, {"DS8", 13},
    {"AC2D8", 13},
    // four-node tetrahedra
    {"C3D4", 14}, {"DC3D4", 14}, {"AC3D4", 14},
    // six-node wedges
    {"C3D6", 15}, {"SC6", 15}, {"DC3D6", 15}, {"AC3D6", 15}, {"COH3D6", 15},
    // eight-node hexahedra
    {"C3D8", 16}, {"SC8", 16}, {"DC3D8", 16}, {"AC3D8", 16}, {"COH3D8", 16},
    // ten-node tetrahedra
    {"C3D10", 17}, {"DC3D10", 17}, {"AC3D10", 17},
    // fifteen-node wedges
    {"C3D15", 18}, {"DC3D15", 18}, {"AC3D15", 18},
    // twenty-node hexahedra
    {"C3D20", 19}, {"DC3D20", 19}, {"AC3D20", 19},
};

// Trailing letters of element variants: reduced integration (R), hybrid (H), incompatible
// modes (I), modified (M), coupled temperature (T), pore pressure (P), electrical (E),
// hourglass-stabilised/small-strain shells (S), and the like.
bool IsVariantLetter(char c) { return std::strchr("RHIMTPESWV", c) != nullptr; }

int LookUp(const std::string& name) {
  for (const Family& family : kFamilies) {
    if (name == family.name) return family.code;
  }
  return 0;
}

}  // namespace

int ElementShapeCode(const char* typeName) {
  if (typeName == nullptr) return 0;
  std::string name;
  for (const char* p = typeName; *p != '\0'; ++p) {
    char c = *p;
    name.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  // Remove variant letters one at a time from the end until a family matches; stop at the
  // first trailing character that is no variant letter (a digit, for instance). Only names
  // with a digit have variants: MASS matches, MASSES does not.
  const bool hasDigit = name.find_first_of("0123456789") != std::string::npos;
  if (!hasDigit) return LookUp(name);
  while (!name.empty()) {
    int code = LookUp(name);
    if (code != 0) return code;
    if (name.size() < 2 || !IsVariantLetter(name.back())) break;
    name.pop_back();
  }
  return 0;
}

}  // namespace odbapi
