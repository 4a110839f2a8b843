// Field outputs given per element: Gauss point sets and one result per accepted block.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "mesh_index.h"
#include "names.h"

struct Tcl_Interp;
class odb_SequenceFieldBulkData;

// The Gauss point sets already defined in the output, for the whole conversion: a set is
// defined once and referred to by every later result.
class GaussPointSetNames {
 public:
  static constexpr int kInitialCapacity = 10000;
  GaussPointSetNames() : m_names(kInitialCapacity) {}

  // The stored name equal to name ignoring case, or null.
  const char* Find(const char* name) const;
  // Stores a copy (doubling the capacity when full) and returns it.
  const char* Append(const char* name);
  int count() const { return m_count; }
  int capacity() const { return static_cast<int>(m_names.size()); }

 private:
  std::vector<OwnedText> m_names;
  int m_count = 0;
  // Each name made small (AsciiLowerText) to the position of its entry, so that finding a
  // name costs the same however many sets the conversion has defined.
  std::unordered_map<std::string, int> m_positions;
};

// The points per element accepted on a mesh of this geometry besides 1, or -1 for none.
int ExpectedGaussPointCount(int geometry);

// Blocks of one field output that share a mesh, a set and a point count.
struct GaussPointGroup {
  const MeshInfo* mesh;
  const char* setName;  // held by GaussPointSetNames
  int pointCount;
  int blockCount;
};

// Whether WriteGaussPointResults would write rows of a block whose width no writer call takes
// (and fail there); that width in width. Writes nothing.
bool FindUnwritableGaussPointWidth(const odb_SequenceFieldBulkData& blocks,
                                   const MeshIndex& meshes, int& width);

// Defines the Gauss point sets of the field output's accepted blocks, then writes one result
// per accepted block, group by group; a tensor block (dataType, the field output's data-type
// code) whose labels name its components is written in the host's slots and announced as
// their type (tensor_components.h). Returns 0, or 1 with the interpreter's result set.
int WriteGaussPointResults(Tcl_Interp* interp, const std::string& baseName,
                           const char* stepName, int frameIndex, int fieldType, int dataType,
                           int location, const odb_SequenceFieldBulkData& blocks,
                           const MeshIndex& meshes, GaussPointSetNames& setNames);
