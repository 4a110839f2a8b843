#include "mesh_table.h"

#include <string>

#include "ascii_case.h"

const char* const kDefaultMeshName = "abaqus mesh";

void MeshInfo::SetDescription(int newGeometry, const char* newName, const char* newInstanceName,
                              const char* newElementType) {
  geometry = newGeometry;
  name = CopyText(newName);
  instanceName = CopyText(newInstanceName);
  elementType = CopyText(newElementType);
}

void MeshTable::Describe(int i, int geometry, const char* name, const char* instanceName,
                         const char* elementType) {
  m_records[i].SetDescription(geometry, name, instanceName, elementType);
  if (name == nullptr) return;
  const auto noted = m_firstOfName.emplace(AsciiLowerText(name), i);
  if (!noted.second && i < noted.first->second) noted.first->second = i;
}

int MeshTable::FirstNamed(const char* name) const {
  const auto found = m_firstOfName.find(AsciiLowerText(name));
  return found != m_firstOfName.end() ? found->second : -1;
}

int MeshNamePosition(const MeshTable& table, int count, const char* candidate) {
  const int first = table.FirstNamed(candidate);
  if (first >= 0 && first < count) return first + 1;
  return EqualIgnoringAsciiCase(candidate, kDefaultMeshName) ? count + 1 : 0;
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
  if (MeshNamePosition(table, meshIndex, candidate.c_str()) == 0) return candidate;

  if (elementType != nullptr && *elementType != '\0') {
    candidate += " (";
    candidate += CutText(elementType, kTypeBytes);
    candidate += ")";
    if (MeshNamePosition(table, meshIndex, candidate.c_str()) == 0) return candidate;
  }
  // Still taken: the mesh index makes it unique without a further test.
  candidate += " " + std::to_string(meshIndex);
  return candidate;
}
