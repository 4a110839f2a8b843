// Many small part instances, for measuring how the conversion scales with their number.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "element_shapes.h"
#include "models.h"
#include "odb_builder.h"

namespace odbsynth {
namespace {

constexpr int kNodesPerCell = 8;
constexpr int kPoints = 8;  // full integration of one C3D8

// The corners of a unit cube, in C3D8 order.
constexpr int kCorner[kNodesPerCell][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                           {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

std::string InstanceName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "CELL-%d", i + 1);
  return name;
}

}  // namespace

void WriteInstances(const std::string& path, const InstancesOptions& options) {
  const int count = options.count;
  if (count < 1 || count > 1000000) throw std::invalid_argument("--count must be between 1 and 1000000");
  if (options.steps < 0 || options.frames < 0) throw std::invalid_argument("negative count");

  odbapi::OdbWriter writer(path, options.format, odbapi::OdbWriter::kDefaultPageSize,
                           MeshLayoutFor(options.format));
  const int shape = odbapi::ElementShapeCode("C3D8");
  const int nodes[kNodesPerCell] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < count; ++i) {
    // Cells side by side along x, each an instance of its own with labels from 1.
    writer.addInstance(i + 1, InstanceName(i), 0);
    for (int n = 0; n < kNodesPerCell; ++n) {
      writer.addNode(i + 1, n, n + 1, i + kCorner[n][0], kCorner[n][1], kCorner[n][2]);
    }
    writer.addElement(i + 1, 0, 1, "C3D8", shape, "Solid", nodes, kNodesPerCell);
  }

  std::int64_t fieldId = 0;
  for (int s = 0; s < options.steps; ++s) {
    writer.addStep(s + 1, "Step-" + std::to_string(s + 1));
    for (int f = 0; f < options.frames; ++f) {
      const double t = s + 1.0 * (f + 1) / options.frames;
      writer.addFrame(s + 1, f, "Increment " + std::to_string(f), t);

      writer.addFieldOutput(++fieldId, s + 1, f, "U", "Spatial displacement", 3, 1);
      for (int i = 0; i < count; ++i) {
        odbapi::OdbBlock block;
        block.instance = InstanceName(i);
        block.width = 3;
        block.nodeLabels.emplace();
        for (int n = 0; n < kNodesPerCell; ++n) {
          block.nodeLabels->push_back(n + 1);
          block.data.push_back(static_cast<float>(1e-3 * t * (i + kCorner[n][0])));
          block.data.push_back(static_cast<float>(-2e-4 * t * kCorner[n][1]));
          block.data.push_back(static_cast<float>(5e-4 * t * kCorner[n][2]));
        }
        writer.addBlock(fieldId, i, block);
      }

      writer.addFieldOutput(++fieldId, s + 1, f, "PEEQ", "Equivalent plastic strain", 2, 3);
      for (int i = 0; i < count; ++i) {
        odbapi::OdbBlock block;
        block.instance = InstanceName(i);
        block.elementType = "C3D8";
        block.width = 1;
        block.elementCount = 1;
        block.elementLabels.emplace(kPoints, 1);
        for (int p = 0; p < kPoints; ++p) block.data.push_back(static_cast<float>(t * (i + 0.1 * p)));
        writer.addBlock(fieldId, i, block);
      }
    }
  }
  writer.commit();
}

}  // namespace odbsynth
