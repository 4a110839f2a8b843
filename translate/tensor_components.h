// Where the components of a tensor block go in the host's rows, found from the block's
// component labels (S11, LE22, ...).
#pragma once

#include <array>
#include <string>
#include <vector>

class odb_FieldBulkData;

// How a block's rows are written. type -1: by the width rule (component_rows.h), the block's
// components as they are. Otherwise type is RESULT_MATRIX (row xx yy zz xy yz xz, width 6) or
// RESULT_PLAIN_DEFORMATION_MATRIX (row xx yy xy zz, width 4), and source[k] is the block's
// component written in slot k, or -1 for a component the block lacks (written as 0).
struct TensorLayout {
  int type = -1;
  int width = 0;
  std::array<int, 6> source{{-1, -1, -1, -1, -1, -1}};

  bool ByWidth() const { return type < 0; }
};

// The layout of a block of a field output of data-type code dataType with these component
// labels. Only tensors (codes 5 to 9) are mapped: a label names component ij when it ends in
// two digits i <= j, each 1 to 3; with at least two labels, each naming a different
// component, the block is a Matrix when 13 or 23 is among them and a PlainDeformationMatrix
// otherwise. Anything else is written by the width rule.
TensorLayout TensorLayoutOf(int dataType, const std::vector<std::string>& labels);

// The same for a block, from its componentLabels().
TensorLayout TensorLayoutOfBlock(int dataType, const odb_FieldBulkData& block);

// The Matrix layout that writes the same components as a PlainDeformationMatrix layout (zz
// from its zz, the out-of-plane shears 0), for a nodal result whose blocks need both types.
TensorLayout AsMatrixLayout(const TensorLayout& plain);
