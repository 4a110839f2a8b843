// The ids written for database labels: label plus the instance's offset, within the 32-bit
// range, and the ids the binary file cannot hold.
#pragma once

#include <climits>
#include <string>

// Where a label comes from, for the refusal: entity is "node" or "element"; result is the
// result being written, or null in the mesh stage.
struct LabelOrigin {
  const char* entity;
  const char* instance;
  const char* result;
};

// a + b in sum; false, with sum unchanged, when it does not fit a 32-bit int.
inline bool SumFitsInt(int a, int b, int& sum) {
  const long long wide = static_cast<long long>(a) + b;
  if (wide > INT_MAX || wide < INT_MIN) return false;
  sum = static_cast<int>(wide);
  return true;
}

// The refusal of a label whose id, label + offset, does not fit a 32-bit id.
std::string WrittenIdRefusal(int label, int offset, const LabelOrigin& origin);

// label + offset as the written id in id. False, with id unchanged and refusal set, when the
// sum does not fit a 32-bit id: labels come from the database unchecked, and an id must never
// wrap. Inline: it runs once per node, element and value row; only the refusal is not.
inline bool WrittenId(int label, int offset, const LabelOrigin& origin, int& id,
                      std::string& refusal) {
  if (SumFitsInt(label, offset, id)) return true;
  refusal = WrittenIdRefusal(label, offset, origin);
  return false;
}

// The binary results file stores an id only when it differs from the one before it in the
// block (a block starts as if -1 came before), and -1 ends a values block. An id equal to
// the one before it, or -1, would make the records that follow unreadable.
inline bool IsUnwritableId(int id, int previous) { return id == -1 || id == previous; }

// The refusal of a label whose id the binary file cannot hold (IsUnwritableId).
std::string UnwritableIdRefusal(int label, const LabelOrigin& origin);

// The id of a label written in a block of ids after the id previous, in id: WrittenId, and
// refused also, with refusal set, when the binary file cannot hold it (IsUnwritableId).
inline bool BlockRowId(int label, int offset, const LabelOrigin& origin, int previous, int& id,
                       std::string& refusal) {
  if (!WrittenId(label, offset, origin, id, refusal)) return false;
  if (!IsUnwritableId(id, previous)) return true;
  refusal = UnwritableIdRefusal(label, origin);
  return false;
}
