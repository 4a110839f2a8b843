// The generated models of odbsynth.
#pragma once

#include <string>

#include "odb_builder.h"

namespace odbsynth {

// The generated models keep their meshes in blocks, which read quickly at any size; the
// previous format has rows only.
inline odbapi::MeshLayout MeshLayoutFor(int format) {
  return format == 1 ? odbapi::MeshLayout::kRows : odbapi::MeshLayout::kBlocks;
}

// The shipped example: a solid of C3D8R with C3D6 wedges and C3D4 tetrahedra, a shell of
// S4R with S3 triangles, two steps with several frames, U and RF at nodes, S, E and PEEQ at
// integration points.
void WriteExample(const std::string& path, int format);

// The shipped plane-strain example: one 2-D instance of CPE4 quadrilaterals, U at the nodes
// (2 components), S (labels stored) and LE (none stored) 4 wide at 4 integration points.
void WritePlane(const std::string& path, int format);

struct GridOptions {
  int n = 58;  // 58^3 = 195112 hexahedra
  int steps = 2;
  int frames = 5;
  int format = 2;
};

// An N x N x N block of C3D8 hexahedra with U at nodes and S and PEEQ at 8 points each.
void WriteGrid(const std::string& path, const GridOptions& options);

struct InstancesOptions {
  int count = 1000;
  int steps = 1;
  int frames = 3;
  int format = 2;
};

// count instances of one C3D8 hexahedron each (named CELL-1, CELL-2, ...), with U at the
// nodes and PEEQ at 8 points: one block per instance and field output.
void WriteInstances(const std::string& path, const InstancesOptions& options);

}  // namespace odbsynth
