// The shipped plane-strain database: a 2-D model, whose stresses the solver writes 4 wide.
#include <cstdio>
#include <vector>

#include "models.h"
#include "odb_builder.h"

namespace odbsynth {
namespace {

constexpr int kVector = 3;        // odb_DataTypeEnum VECTOR
constexpr int kPlanarTensor = 6;  // TENSOR_3D_PLANAR: 11 22 33 12
constexpr int kNodal = 1;         // odb_ResultPositionEnum NODAL
constexpr int kPoints = 3;        // INTEGRATION_POINT
constexpr int kTwoDPlanar = 1;    // odb_DimensionEnum TWO_D_PLANAR
constexpr int kNx = 4;
constexpr int kNy = 2;
constexpr int kPointsPerElement = 4;  // CPE4: full integration

const char* const kPlate = "PLATE-1";

int NodeLabel(int i, int j) { return 1 + i + (kNx + 1) * j; }

// One block of a per-element tensor: component c of point p of element e at time t.
void AddTensor(odbapi::OdbBuilder& builder, double t, double scale, const char* labels) {
  std::vector<int> elementLabels;
  std::vector<float> values;
  const int elements = kNx * kNy;
  for (int e = 1; e <= elements; ++e) {
    for (int p = 0; p < kPointsPerElement; ++p) {
      elementLabels.push_back(e);
      for (int c = 0; c < 4; ++c) {
        values.push_back(static_cast<float>(scale * t * ((c + 1) * 100.0 + e + 0.25 * p)));
      }
    }
  }
  builder.elemental(kPlate, "CPE4", "", 4, elements, elementLabels, values);
  if (labels != nullptr) builder.labels(labels);
}

}  // namespace

void WritePlane(const std::string& path, int format) {
  odbapi::OdbBuilder builder(format);
  builder.layout(MeshLayoutFor(format));
  builder.instance(kPlate, kTwoDPlanar);
  for (int j = 0; j <= kNy; ++j)
    for (int i = 0; i <= kNx; ++i) builder.node(NodeLabel(i, j), i, j, 0);
  int label = 0;
  for (int j = 0; j < kNy; ++j)
    for (int i = 0; i < kNx; ++i) {
      builder.element(++label, "CPE4",
                      {NodeLabel(i, j), NodeLabel(i + 1, j), NodeLabel(i + 1, j + 1), NodeLabel(i, j + 1)},
                      "Solid < RUBBER >");
    }

  builder.step("Load");
  const double times[] = {0.0, 1.0};
  for (int f = 0; f < 2; ++f) {
    const double t = times[f];
    char description[64];
    std::snprintf(description, sizeof description, "Increment %6d: Step Time = %10.4G", f, t);
    builder.frame(t, description);
    builder.field("U", kVector, kNodal, "Spatial displacement");
    std::vector<int> nodes;
    std::vector<float> values;
    for (int j = 0; j <= kNy; ++j)
      for (int i = 0; i <= kNx; ++i) {
        nodes.push_back(NodeLabel(i, j));
        values.push_back(static_cast<float>(1e-3 * t * i));
        values.push_back(static_cast<float>(5e-4 * t * j));
      }
    builder.nodal(kPlate, 2, nodes, values);
    builder.labels("U1 U2");
    // S names its components; LE stores none, so it has the solver's own (LE11 LE22 LE33 LE12).
    builder.field("S", kPlanarTensor, kPoints, "Stress components");
    AddTensor(builder, t, 1.0, "S11 S22 S33 S12");
    builder.field("LE", kPlanarTensor, kPoints, "Logarithmic strain components");
    AddTensor(builder, t, 1e-5, nullptr);
  }
  builder.write(path);
}

}  // namespace odbsynth
