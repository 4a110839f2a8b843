#include "tensor_components.h"

#include "odb_API.h"
#include "post_types.h"

namespace {

// The index of component ij in the list 11 22 33 12 13 23, or -1 when the label does not end
// in two digits i <= j, each 1 to 3.
int ComponentOf(const std::string& label) {
  if (label.size() < 2) return -1;
  const int i = label[label.size() - 2] - '0';
  const int j = label[label.size() - 1] - '0';
  if (i < 1 || i > 3 || j < 1 || j > 3 || i > j) return -1;
  if (i == j) return i - 1;               // 11 22 33
  if (i == 1) return j == 2 ? 3 : 4;      // 12 13
  return 5;                               // 23
}

// Host slots of the components 11 22 33 12 13 23 in each row type.
constexpr int kMatrixSlot[6] = {0, 1, 2, 3, 5, 4};       // xx yy zz xy yz xz
constexpr int kPlainSlot[6] = {0, 1, 3, 2, -1, -1};      // xx yy xy zz

bool IsTensor(int dataType) {
  return dataType >= odb_Enum::TENSOR_3D_FULL && dataType <= odb_Enum::TENSOR_2D_SURFACE;
}

}  // namespace

TensorLayout TensorLayoutOf(int dataType, const std::vector<std::string>& labels) {
  TensorLayout layout;
  if (!IsTensor(dataType) || labels.size() < 2 || labels.size() > 6) return layout;
  int componentAt[6] = {-1, -1, -1, -1, -1, -1};  // block component of 11 22 33 12 13 23
  bool outOfPlaneShear = false;
  for (std::size_t c = 0; c < labels.size(); ++c) {
    const int component = ComponentOf(labels[c]);
    if (component < 0 || componentAt[component] >= 0) return layout;
    componentAt[component] = static_cast<int>(c);
    outOfPlaneShear = outOfPlaneShear || component >= 4;
  }
  layout.type = outOfPlaneShear ? RESULT_MATRIX : RESULT_PLAIN_DEFORMATION_MATRIX;
  layout.width = outOfPlaneShear ? 6 : 4;
  const int* slots = outOfPlaneShear ? kMatrixSlot : kPlainSlot;
  for (int component = 0; component < 6; ++component) {
    if (slots[component] >= 0) layout.source[slots[component]] = componentAt[component];
  }
  return layout;
}

TensorLayout TensorLayoutOfBlock(int dataType, const odb_FieldBulkData& block) {
  if (!IsTensor(dataType)) return TensorLayout();
  const odb_SequenceString labels = block.componentLabels();
  // One label per component, or the labels cannot say where the components go.
  if (labels.size() != block.width()) return TensorLayout();
  std::vector<std::string> texts;
  texts.reserve(static_cast<std::size_t>(labels.size()));
  for (int i = 0; i < labels.size(); ++i) texts.emplace_back(labels.constGet(i).CStr());
  return TensorLayoutOf(dataType, texts);
}

TensorLayout AsMatrixLayout(const TensorLayout& plain) {
  if (plain.type != RESULT_PLAIN_DEFORMATION_MATRIX) return plain;
  TensorLayout matrix;
  matrix.type = RESULT_MATRIX;
  matrix.width = 6;
  // Plain slots xx yy xy zz to matrix slots xx yy zz xy; yz and xz stay 0.
  matrix.source = {{plain.source[0], plain.source[1], plain.source[3], plain.source[2], -1, -1}};
  return matrix;
}
