#include "mesh_table.h"

#include <string>

const char* const kDefaultMeshName = "abaqus mesh";

void MeshInfo::SetDescription(int newGeometry, const char* newName, const char* newInstanceName,
                              const char* newElementType) {
  geometry = newGeometry;
  name = CopyText(newName);
  instanceName = CopyText(newInstanceName);
  elementType = CopyText(newElementType);
}

int IsMeshNameTaken(const MeshTable& table, int count, const char* candidate) {
  for (int i = 0; i < count; ++i) {
    if (table[i].name && EqualIgnoringCase(table[i].name.get(), candidate)) return i + 1;
  }
  return EqualIgnoringCase(candidate, kDefaultMeshName) ? count + 1 : 0;
}

std::string MakeMeshName(const MeshTable& table, int meshIndex, const char* instanceName,
                         const char* sectionCategory, const char* elementType) {
  // Cut so that the name with its type and index stays within kMaxMeshNameBytes.
  constexpr std::size_t kTypeBytes = 200;
  constexpr std::size_t kBaseBytes = kMaxMeshNameBytes - kTypeBytes - 20;
  std::string candidate;
  if (instanceName != nullptr && *instanceName != '\0') {
    candidate = CutText(instanceName, kBaseBytes);
  } else if (sectionCategory != nullptr && *sectionCategory != '\0') {
    candidate = CutText(sectionCategory, kBaseBytes);
  } else {
    candidate = kDefaultMeshName;
  }
  if (IsMeshNameTaken(table, meshIndex, candidate.c_str()) == 0) return candidate;

  if (elementType != nullptr && *elementType != '\0') {
    candidate += " (";
    candidate += CutText(elementType, kTypeBytes);
    candidate += ")";
    if (IsMeshNameTaken(table, meshIndex, candidate.c_str()) == 0) return candidate;
  }
  // Still taken: the mesh index makes it unique without a further test.
  candidate += " " + std::to_string(meshIndex);
  return candidate;
}
