// Name comparison, copying and cutting shared by the translation stages.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Mesh, instance, element type and Gauss point set names match ignoring ASCII letter case.
// A null name equals only a null or empty one.
bool EqualIgnoringCase(const char* a, const char* b);

// The text with ASCII capitals made small (null gives the empty text): two names are equal
// ignoring case exactly when these are equal, so it keys hashed look-ups of names.
std::string LowerAsciiText(const char* text);

// A private, owned copy of a zero-terminated text; null stays null.
using OwnedText = std::unique_ptr<char[]>;
OwnedText CopyText(const char* text);

// Mesh and Gauss point set names are written on one header line and referred to on others.
// The writer cuts every mesh name to 4000 bytes and every set name to 2400, on every line
// alike. Names kept within these limits are never cut, so the index that keeps a mesh name
// unique and the "GP=" suffix of a set name stay in the file.
constexpr std::size_t kMaxMeshNameBytes = 3000;
constexpr std::size_t kMaxSetNamePartBytes = 1000;

// The text cut to at most limit bytes, never inside a UTF-8 sequence.
std::string CutText(const char* text, std::size_t limit);

