// Composition of the header lines of meshes, Gauss point definitions and results.
//
// A line is built in a buffer of 8192 bytes and never holds more than 8191 characters.
// Names stand between double quotes; each is copied and sanitised, so the caller's text is
// never changed. When the names would not fit, they are shortened (the longest first), never
// the words around them, so every opened quote is closed and the line stays well-formed.
// Only when not even the quotes of all names fit are trailing names left out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class HeaderLine {
 public:
  static constexpr std::size_t kBufferSize = 8192;
  static constexpr std::size_t kMaxLength = kBufferSize - 1;

  // Words of the line, kept whole.
  void AddText(const char* text);
  void AddFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // lead, then name (null counts as empty) with its double quotes sanitised, between quotes.
  void AddQuoted(const char* lead, const char* name);

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
