// Composition of the header lines of meshes, Gauss point definitions and results.
//
// A line is built in a buffer of 8192 bytes and never holds more than 8191 characters.
// Names stand between double quotes; each is copied and sanitised, so the caller's text is
// never changed. Mesh and Gauss point set names are defined on one line and referred to on
// others, so they must read the same in every line that carries them: every name is cut by
// QuotedName to the limit of its kind, whatever else stands on the line. The limits are such
// that the mesh, Gauss point and result lines always fit with every name at its longest, so
// these lines never cut a name further. Only the ComponentNames line, which holds any number
// of names that nothing else refers to, then shares its room among them (the longest are
// shortened first) and, when not even their quotes fit, leaves out trailing names.
#pragma once

#include <cstddef>
#include "printf_format.h"
#include <string>
#include <vector>

// The longest names written between quotes, in bytes, by kind.
enum class NameKind : std::size_t {
  kMesh = 4000,             // MESH lines and the mesh of a Gauss point set
  kGaussPointSet = 2400,    // GaussPoints lines and the set of a result
  kOther = 2850,            // result, analysis, range table and component names
};

// name (null counts as empty) as every header line writes it between its quotes: double
// quotes turned into apostrophes, cut to at most the limit of its kind without splitting a
// UTF-8 character.
std::string QuotedName(const char* name, NameKind kind);

class HeaderLine {
 public:
  static constexpr std::size_t kBufferSize = 8192;
  static constexpr std::size_t kMaxLength = kBufferSize - 1;

  // Words of the line, kept whole.
  void AddText(const char* text);
  void AddFormat(const char* format, ...) PRINTF_FORMAT(2, 3);
  // lead, then QuotedName(name, kind) between double quotes.
  void AddQuoted(const char* lead, const char* name, NameKind kind);

  // Builds the line from the pieces added so far and returns it.
  const char* Compose();
  // The line built by the last Compose.
  const char* Text() const { return m_line; }
  std::size_t Length() const { return m_length; }

 private:
  struct Piece {
    std::string lead;
    std::string name;
    bool quoted;
  };

  void FitNames(std::size_t budget, std::size_t pieceCount);

  std::vector<Piece> m_pieces;
  char m_line[kBufferSize] = {};
  std::size_t m_length = 0;
};

// The composed header lines.
// `MESH "name" dimension %d ElemType %s Nnode %d`
HeaderLine MeshHeaderLine(const char* name, int dimension, const char* elemType, int nnode);
// `GaussPoints "name" ElemType %s`, then ` "meshName"` when meshName is neither null nor empty.
HeaderLine GaussPointHeaderLine(const char* name, const char* elemType, const char* meshName);
// `Result "name" "analysis" %g %s %s`, then ` "set"` when location is exactly 1.
HeaderLine ResultHeaderLine(const char* name, const char* analysis, double step,
                            const char* typeName, int location, const char* gaussPointSet);
// `ResultRangesTable "table"`
HeaderLine RangeTableLine(const char* rangeTable);
// "ComponentNames", then ` "name"` for each component.
HeaderLine ComponentNamesLine(int componentCount, const char* const* componentNames);
