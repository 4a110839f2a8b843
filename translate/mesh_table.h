// The table of written meshes: what the result stages need to tie a block of values to
// the mesh written for its instance, and to renumber its labels the same way.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "names.h"

struct MeshInfo {
  int geometry = 0;  // ElementGeometry of the mesh's first element
  OwnedText name;    // as passed to PostBeginMesh
  OwnedText instanceName;
  OwnedText elementType;  // type name of the instance's first element
  int nodeOffset = 0;
  int elementOffset = 0;
  // False for a mesh only described (an instance a selection leaves out): results on it are
  // left out.
  bool written = false;

  // Replaces the descriptive fields with private copies; a null text leaves its field null.
  void SetDescription(int newGeometry, const char* newName, const char* newInstanceName,
                      const char* newElementType);
};

// One record per instance of the root assembly, all fresh until their mesh is written.
class MeshTable {
 public:
  explicit MeshTable(int capacity) : m_records(capacity > 0 ? capacity : 0) {}
  MeshInfo& operator[](int i) { return m_records[i]; }
  const MeshInfo& operator[](int i) const { return m_records[i]; }

  // Sets the descriptive fields of record i (MeshInfo::SetDescription) and notes its name, so
  // that MeshNamePosition need not compare it with every record. Records are described once.
  void Describe(int i, int geometry, const char* name, const char* instanceName,
                const char* elementType);
  // The position of the first described record of this name ignoring case, or -1.
  int FirstNamed(const char* name) const;

 private:
  std::vector<MeshInfo> m_records;
  std::unordered_map<std::string, int> m_firstOfName;  // name made small (AsciiLowerText)
};

// The name used when an instance and its first element's section give none; never used alone.
extern const char* const kDefaultMeshName;

// 0 when candidate is free among records 0..count-1 (described with MeshTable::Describe); else
// the 1-based position of the first record of that name, or count + 1 for the bare default name.
int MeshNamePosition(const MeshTable& table, int count, const char* candidate);

// The name of mesh meshIndex: the instance name, else the section category, else the default
// name; made unique with the element type and, failing that, the mesh index.
std::string MakeMeshName(const MeshTable& table, int meshIndex, const char* instanceName,
                         const char* sectionCategory, const char* elementType);
