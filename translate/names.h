// Name copying and cutting shared by the translation stages. Mesh, instance, element type and
// Gauss point set names match ignoring ASCII letter case (ascii_case.h).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "header_lines.h"

// A private, owned copy of a zero-terminated text; null stays null.
using OwnedText = std::unique_ptr<char[]>;
OwnedText CopyText(const char* text);

// Mesh and Gauss point set names are written on one header line and referred to on others.
// The writer cuts every mesh name and every set name to the limit of its kind (NameKind), on
// every line alike. Names kept within these limits are never cut, so the index that keeps a
// mesh name unique and the "GP=" suffix of a set name stay in the file.
constexpr std::size_t kMaxMeshNameBytes = 3000;
static_assert(kMaxMeshNameBytes <= static_cast<std::size_t>(NameKind::kMesh),
              "mesh names must stay within what the writer keeps of them");
// A set name is two such parts, the instance and element type names, and a blank, " GP=" and
// a point count.
constexpr std::size_t kMaxSetNamePartBytes = 1000;
static_assert(2 * kMaxSetNamePartBytes + 16 <= static_cast<std::size_t>(NameKind::kGaussPointSet),
              "Gauss point set names must stay within what the writer keeps of them");

// The text cut to at most limit bytes, never inside a UTF-8 sequence.
std::string CutText(const char* text, std::size_t limit);

