// A scalable model for benchmarks, streamed straight into the database.
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "element_shapes.h"
#include "models.h"
#include "odb_builder.h"

namespace odbsynth {

void WriteGrid(const std::string& path, const GridOptions& options) {
  const int n = options.n;
  if (n < 1 || n > 1000) throw std::invalid_argument("--n must be between 1 and 1000");
  if (options.steps < 0 || options.frames < 0) throw std::invalid_argument("negative count");
  const int side = n + 1;
  const long long nodeCount = 1LL * side * side * side;
  const long long elementCount = 1LL * n * n * n;
  if (elementCount * 8 > 200000000LL) throw std::invalid_argument("--n is too large");
  const char* instance = "PART-1-1";
  const int points = 8;  // full integration

  odbapi::OdbWriter writer(path, options.format, odbapi::OdbWriter::kDefaultPageSize,
                           MeshLayoutFor(options.format));
  writer.addInstance(1, instance, 0);
  auto id = [&](int i, int j, int k) { return 1 + i + side * (j + side * k); };
  for (int k = 0; k <= n; ++k)
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i) {
        writer.addNode(1, id(i, j, k) - 1, id(i, j, k), 1.0 * i / n, 1.0 * j / n, 1.0 * k / n);
      }
  const int shape = odbapi::ElementShapeCode("C3D8");
  long long seq = 0;
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        const int nodes[8] = {id(i, j, k),         id(i + 1, j, k),         id(i + 1, j + 1, k),
                              id(i, j + 1, k),     id(i, j, k + 1),         id(i + 1, j, k + 1),
                              id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1)};
        writer.addElement(1, seq, static_cast<int>(seq + 1), "C3D8", shape, "Solid", nodes, 8);
        ++seq;
      }

  std::int64_t fieldId = 0;
  for (int s = 0; s < options.steps; ++s) {
    writer.addStep(s + 1, "Step-" + std::to_string(s + 1));
    for (int f = 0; f < options.frames; ++f) {
      const double value = options.frames > 1 ? 1.0 * f / (options.frames - 1) : 1.0;
      const double t = s + value;
      char description[96];
      std::snprintf(description, sizeof description, "Increment %6d: Step Time = %10.4G", f, value);
      writer.addFrame(s + 1, f, description, value);

      {
        odbapi::OdbBlock block;
        block.instance = instance;
        block.width = 3;
        block.nodeLabels.emplace();
        block.nodeLabels->reserve(static_cast<std::size_t>(nodeCount));
        block.data.reserve(static_cast<std::size_t>(nodeCount) * 3);
        for (int k = 0; k <= n; ++k)
          for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
              block.nodeLabels->push_back(id(i, j, k));
              const double x = 1.0 * i / n, y = 1.0 * j / n, z = 1.0 * k / n;
              block.data.push_back(static_cast<float>(1e-3 * t * x));
              block.data.push_back(static_cast<float>(-5e-4 * t * x * y));
              block.data.push_back(static_cast<float>(2e-4 * t * z));
            }
        writer.addFieldOutput(++fieldId, s + 1, f, "U", "Spatial displacement", 3, 1);
        writer.addBlock(fieldId, 0, block);
      }
      for (int width : {6, 1}) {
        odbapi::OdbBlock block;
        block.instance = instance;
        block.elementType = "C3D8";
        block.width = width;
        block.elementCount = elementCount;
        block.elementLabels.emplace();
        block.elementLabels->reserve(static_cast<std::size_t>(elementCount * points));
        block.data.reserve(static_cast<std::size_t>(elementCount * points * width));
        for (long long e = 0; e < elementCount; ++e) {
          for (int p = 0; p < points; ++p) {
            block.elementLabels->push_back(static_cast<int>(e + 1));
            for (int c = 0; c < width; ++c) {
              block.data.push_back(static_cast<float>(t * (100.0 * (c + 1) + (e % 1000) * 0.5 + p)));
            }
          }
        }
        writer.addFieldOutput(++fieldId, s + 1, f, width == 6 ? "S" : "PEEQ",
                              width == 6 ? "Stress components" : "Equivalent plastic strain",
                              width == 6 ? 5 : 2, 3);
        writer.addBlock(fieldId, 0, block);
      }
    }
  }
  writer.commit();
}

}  // namespace odbsynth
