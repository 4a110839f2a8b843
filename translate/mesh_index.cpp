#include "mesh_index.h"

#include "ascii_case.h"

namespace {

bool IsEmpty(const char* text) { return text == nullptr || *text == '\0'; }

// Instance and type in one key: names are zero-terminated texts, so no name holds the '\0'
// that separates them.
std::string InstanceTypeKey(const std::string& instanceKey, const char* elementType) {
  std::string key = instanceKey;
  key += '\0';
  key += AsciiLowerText(elementType);
  return key;
}

}  // namespace

MeshIndex::MeshIndex(const MeshTable& table, int count) : m_table(table) {
  for (int i = 0; i < count; ++i) {
    const MeshInfo& mesh = table[i];
    if (!mesh.written) m_hasUnwritten = true;
    // A record never described has no instance name.
    const std::string instance =
        mesh.instanceName ? AsciiLowerText(mesh.instanceName.get()) : std::string();
    // emplace keeps the first position of a key.
    m_firstOfInstance.emplace(instance, i);
    if (IsEmpty(mesh.elementType.get())) {
      m_firstWithoutType.emplace(instance, i);
    } else {
      m_firstOfInstanceType.emplace(InstanceTypeKey(instance, mesh.elementType.get()), i);
    }
  }
}

const MeshInfo* MeshIndex::Find(const char* elementType, const char* instanceName) const {
  const std::string instance = AsciiLowerText(instanceName);
  if (IsEmpty(elementType)) {
    const auto found = m_firstOfInstance.find(instance);
    return found != m_firstOfInstance.end() ? &m_table[found->second] : nullptr;
  }
  // A record without a type matches any type: the earlier of the two candidates wins.
  int first = -1;
  const auto untyped = m_firstWithoutType.find(instance);
  if (untyped != m_firstWithoutType.end()) first = untyped->second;
  const auto typed = m_firstOfInstanceType.find(InstanceTypeKey(instance, elementType));
  if (typed != m_firstOfInstanceType.end() && (first < 0 || typed->second < first)) {
    first = typed->second;
  }
  return first >= 0 ? &m_table[first] : nullptr;
}
