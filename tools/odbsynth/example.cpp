// The shipped example database.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "models.h"
#include "odb_builder.h"

namespace odbsynth {
namespace {

constexpr int kVector = 3;   // odb_DataTypeEnum VECTOR
constexpr int kScalar = 2;   // SCALAR
constexpr int kTensor = 5;   // TENSOR_3D_FULL
constexpr int kNodal = 1;    // odb_ResultPositionEnum NODAL
constexpr int kPoints = 3;   // INTEGRATION_POINT

const char* const kSolid = "SOLID-1";
const char* const kShell = "SHELL-1";
const char* const kSectionPoints[] = {"SNEG, (fraction = -1.0)", "SPOS, (fraction = 1.0)"};

struct Point {
  double x, y, z;
};

// An element group of one type within an instance: its labels and points per element.
struct Group {
  std::string type;
  int pointsPerElement;
  std::vector<int> labels;
};

struct Mesh {
  std::string name;
  std::vector<Point> nodes;  // label = index + 1
  std::vector<Group> groups;
  bool shell = false;
};

// Solid: 10 x 3 x 2 unit cells; columns 0-7 are C3D8R hexahedra, column 8 is cut into
// C3D6 wedges and column 9 into C3D4 tetrahedra.
Mesh BuildSolid(odbapi::OdbBuilder& builder) {
  const int nx = 10, ny = 3, nz = 2;
  Mesh mesh{kSolid, {}, {{"C3D8R", 1, {}}, {"C3D6", 1, {}}, {"C3D4", 1, {}}}, false};
  builder.instance(kSolid, 0);
  auto id = [&](int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); };
  for (int k = 0; k <= nz; ++k)
    for (int j = 0; j <= ny; ++j)
      for (int i = 0; i <= nx; ++i) {
        mesh.nodes.push_back(Point{1.0 * i, 1.0 * j, 1.0 * k});
        builder.node(id(i, j, k), i, j, k);
      }
  const std::string section = "Solid < STEEL >";
  int label = 0;
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < nz; ++k)
      for (int j = 0; j < ny; ++j) {
        builder.element(++label, "C3D8R",
                        {id(i, j, k), id(i + 1, j, k), id(i + 1, j + 1, k), id(i, j + 1, k),
                         id(i, j, k + 1), id(i + 1, j, k + 1), id(i + 1, j + 1, k + 1),
                         id(i, j + 1, k + 1)},
                        section);
        mesh.groups[0].labels.push_back(label);
      }
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j) {
      const int i = 8;
      builder.element(++label, "C3D6",
                      {id(i, j, k), id(i + 1, j, k), id(i + 1, j + 1, k), id(i, j, k + 1),
                       id(i + 1, j, k + 1), id(i + 1, j + 1, k + 1)},
                      section);
      mesh.groups[1].labels.push_back(label);
      builder.element(++label, "C3D6",
                      {id(i, j, k), id(i + 1, j + 1, k), id(i, j + 1, k), id(i, j, k + 1),
                       id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1)},
                      section);
      mesh.groups[1].labels.push_back(label);
    }
  // Six tetrahedra per cube along its main diagonal, each turned to a positive volume.
  const std::array<std::array<int, 3>, 6> orders = {
      {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j)
      for (const auto& order : orders) {
        const int i = 9;
        std::array<int, 3> at = {i, j, k};
        std::vector<int> nodes = {id(at[0], at[1], at[2])};
        for (int axis : order) {
          ++at[axis];
          nodes.push_back(id(at[0], at[1], at[2]));
        }
        auto p = [&](int n) { return mesh.nodes[static_cast<std::size_t>(nodes[n] - 1)]; };
        double ax = p(1).x - p(0).x, ay = p(1).y - p(0).y, az = p(1).z - p(0).z;
        double bx = p(2).x - p(0).x, by = p(2).y - p(0).y, bz = p(2).z - p(0).z;
        double cx = p(3).x - p(0).x, cy = p(3).y - p(0).y, cz = p(3).z - p(0).z;
        double volume = ax * (by * cz - bz * cy) - ay * (bx * cz - bz * cx) + az * (bx * cy - by * cx);
        if (volume < 0) std::swap(nodes[1], nodes[2]);
        builder.element(++label, "C3D4", nodes, section);
        mesh.groups[2].labels.push_back(label);
      }
  return mesh;
}

// Shell: 4 x 3 cells at z = 2.5; columns 0-2 are S4R, column 3 is cut into S3 triangles.
// Both shell types integrate at one point per element and section point (reduced S4R, S3).
Mesh BuildShell(odbapi::OdbBuilder& builder) {
  const int nx = 4, ny = 3;
  Mesh mesh{kShell, {}, {{"S4R", 1, {}}, {"S3", 1, {}}}, true};
  builder.instance(kShell, 0);
  auto id = [&](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) {
      mesh.nodes.push_back(Point{1.0 * i, 1.0 * j, 2.5});
      builder.node(id(i, j), i, j, 2.5);
    }
  const std::string section = "Shell < ALUMINIUM > < 5 section points >";
  int label = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < ny; ++j) {
      builder.element(++label, "S4R", {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)}, section);
      mesh.groups[0].labels.push_back(label);
    }
  for (int j = 0; j < ny; ++j) {
    builder.element(++label, "S3", {id(3, j), id(4, j), id(4, j + 1)}, section);
    mesh.groups[1].labels.push_back(label);
    builder.element(++label, "S3", {id(3, j), id(4, j + 1), id(3, j + 1)}, section);
    mesh.groups[1].labels.push_back(label);
  }
  return mesh;
}

// Nodal values: displacement grows with time and position; reactions on the x = 0 face.
void AddNodal(odbapi::OdbBuilder& builder, const Mesh& mesh, double t, bool reactions) {
  std::vector<int> labels;
  std::vector<float> values;
  for (std::size_t n = 0; n < mesh.nodes.size(); ++n) {
    const Point& p = mesh.nodes[n];
    if (reactions && p.x != 0.0) continue;
    labels.push_back(static_cast<int>(n) + 1);
    if (reactions) {
      values.insert(values.end(), {static_cast<float>(-250.0 * t * (1 + p.y)),
                                   static_cast<float>(10.0 * t * p.z), static_cast<float>(-5.0 * t)});
    } else {
      values.insert(values.end(), {static_cast<float>(1e-3 * t * p.x * (1 + 0.1 * p.y)),
                                   static_cast<float>(-2e-4 * t * p.x * p.x),
                                   static_cast<float>(5e-4 * t * (p.z + 0.5 * p.x))});
    }
  }
  builder.nodal(mesh.name, 3, labels, values);
}

// The component labels of a tensor field as the solver writes them: six on the solid, the
// three in-plane ones on the shell.
std::string TensorLabels(const char* name, const Mesh& mesh) {
  static const char* const kSolidSuffixes[] = {"11", "22", "33", "12", "13", "23"};
  static const char* const kShellSuffixes[] = {"11", "22", "12"};
  std::string labels;
  for (const char* suffix : mesh.shell ? std::vector<const char*>(kShellSuffixes, kShellSuffixes + 3)
                                       : std::vector<const char*>(kSolidSuffixes, kSolidSuffixes + 6)) {
    labels += (labels.empty() ? "" : " ") + std::string(name) + suffix;
  }
  return labels;
}

// Per-element values: one block per element type (and per section point on the shell), with
// the given component labels (none when empty).
void AddElemental(odbapi::OdbBuilder& builder, const Mesh& mesh, double t, int width, double scale,
                  const std::string& componentLabels = "") {
  std::vector<const char*> sectionPoints = {""};
  if (mesh.shell) sectionPoints = {kSectionPoints[0], kSectionPoints[1]};
  for (const Group& group : mesh.groups) {
    for (std::size_t s = 0; s < sectionPoints.size(); ++s) {
      const double side = mesh.shell ? (s == 0 ? -1.0 : 1.0) : 1.0;
      std::vector<int> labels;
      std::vector<float> values;
      for (int label : group.labels) {
        for (int point = 0; point < group.pointsPerElement; ++point) {
          labels.push_back(label);
          for (int c = 0; c < width; ++c) {
            values.push_back(static_cast<float>(
                scale * t * (side * (c + 1) * 10.0 + 0.5 * label + 0.125 * point)));
          }
        }
      }
      builder.elemental(mesh.name, group.type, sectionPoints[s], width,
                        static_cast<int>(group.labels.size()), labels, values);
      if (!componentLabels.empty()) builder.labels(componentLabels);
    }
  }
}

}  // namespace

void WriteExample(const std::string& path, int format) {
  odbapi::OdbBuilder builder(format);
  builder.layout(MeshLayoutFor(format));
  const Mesh solid = BuildSolid(builder);
  const Mesh shell = BuildShell(builder);
  const Mesh* meshes[] = {&solid, &shell};

  struct StepPlan {
    const char* name;
    std::vector<double> values;
  };
  const StepPlan steps[] = {{"Step-1", {0.0, 0.5, 1.0}}, {"Step-2", {0.0, 0.25, 0.5, 1.0}}};
  double start = 0;
  for (const StepPlan& plan : steps) {
    builder.step(plan.name);
    for (std::size_t f = 0; f < plan.values.size(); ++f) {
      const double value = plan.values[f];
      const double t = start + value;  // total time
      char description[96];
      std::snprintf(description, sizeof description, "Increment %6d: Step Time = %10.4G",
                    static_cast<int>(f), value);
      builder.frame(value, description);
      builder.field("U", kVector, kNodal, "Spatial displacement");
      for (const Mesh* mesh : meshes) AddNodal(builder, *mesh, t, false);
      builder.field("RF", kVector, kNodal, "Reaction force");
      for (const Mesh* mesh : meshes) AddNodal(builder, *mesh, t, true);
      builder.field("S", kTensor, kPoints, "Stress components");
      for (const Mesh* mesh : meshes) {
        AddElemental(builder, *mesh, t, mesh->shell ? 3 : 6, 1.0, TensorLabels("S", *mesh));
      }
      builder.field("E", kTensor, kPoints, "Strain components");
      for (const Mesh* mesh : meshes) {
        AddElemental(builder, *mesh, t, mesh->shell ? 3 : 6, 1e-5, TensorLabels("E", *mesh));
      }
      builder.field("PEEQ", kScalar, kPoints, "Equivalent plastic strain");
      for (const Mesh* mesh : meshes) AddElemental(builder, *mesh, t, 1, 1e-4);
    }
    start += plan.values.back();
  }
  builder.write(path);
}

}  // namespace odbsynth
