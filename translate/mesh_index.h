// Finding the mesh written for a block of values, by instance name (ignoring ASCII letter
// case) and element type, in constant time per look-up.
#pragma once

#include <string>
#include <unordered_map>

#include "mesh_table.h"

class MeshIndex {
 public:
  // Indexes records 0..count-1; the table must outlive the index and stay unchanged.
  MeshIndex(const MeshTable& table, int count);

  // The first record, in table order, made from instanceName (ignoring case). When both the
  // element type and the record's type are present and not empty they must also match
  // (ignoring case); so without a type the instance name alone decides. Null when none.
  const MeshInfo* Find(const char* elementType, const char* instanceName) const;
  // True when some record was only described, not written (a selection of instances).
  bool HasUnwrittenMeshes() const { return m_hasUnwritten; }

 private:
  const MeshTable& m_table;
  bool m_hasUnwritten = false;
  // Each map holds the position of the first record of its key.
  std::unordered_map<std::string, int> m_firstOfInstance;     // instance
  std::unordered_map<std::string, int> m_firstWithoutType;    // instance, record has no type
  std::unordered_map<std::string, int> m_firstOfInstanceType;  // instance and type
};
