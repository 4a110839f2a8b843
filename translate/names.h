// Name comparison and label shifting shared by the translation stages.
#pragma once

#include <memory>

// Mesh, instance, element type and Gauss point set names match ignoring ASCII letter case.
// A null name equals only a null or empty one.
bool EqualIgnoringCase(const char* a, const char* b);

// A private, owned copy of a zero-terminated text; null stays null.
using OwnedText = std::unique_ptr<char[]>;
OwnedText CopyText(const char* text);

// label + offset as the written id. Labels come from the database unchecked, so the sum
// wraps instead of overflowing.
inline int ShiftLabel(int label, int offset) {
  return static_cast<int>(static_cast<unsigned>(label) + static_cast<unsigned>(offset));
}
