#include "header_lines.h"

#include "post_interface.h"
#include "utf8_cut.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

char* SanitizeQuotes(char* s) {
  if (s == nullptr) return s;
  for (char* c = s; *c != '\0'; ++c) {
    if (*c == '"') *c = '\'';
  }
  return s;
}

namespace {

constexpr std::size_t Limit(NameKind kind) { return static_cast<std::size_t>(kind); }

// The longest words around the names: of a result line, `Result ` and its blanks and quotes,
// a step value in "%g" (at most 13 characters), the longest ResultType name (22) and
// "OnGaussPoints"; of a Gauss point line, `GaussPoints `, quotes, blanks and the longest
// ElementGeometry name; of a mesh line, two integers of up to 11 characters.
constexpr std::size_t kMaxResultWords = 7 + 6 + 1 + 1 + 13 + 1 + 22 + 1 + 13 + 1;
constexpr std::size_t kMaxGaussPointWords = 12 + 4 + 10 + 13 + 1;
constexpr std::size_t kMaxMeshWords = 5 + 2 + 11 + 11 + 13 + 7 + 11;
static_assert(2 * Limit(NameKind::kOther) + Limit(NameKind::kGaussPointSet) + kMaxResultWords <=
                  HeaderLine::kMaxLength,
              "a result line must fit with its names at their longest");
static_assert(Limit(NameKind::kGaussPointSet) + Limit(NameKind::kMesh) + kMaxGaussPointWords <=
                  HeaderLine::kMaxLength,
              "a Gauss point line must fit with its names at their longest");
static_assert(Limit(NameKind::kMesh) + kMaxMeshWords <= HeaderLine::kMaxLength,
              "a mesh line must fit with its name at its longest");

}  // namespace

std::string QuotedName(const char* name, NameKind kind) {
  std::string quoted = name != nullptr ? name : "";
  SanitizeQuotes(quoted.data());
  quoted.resize(Utf8CutLength(quoted, Limit(kind)));
  return quoted;
}

void HeaderLine::AddText(const char* text) { m_pieces.push_back({text, std::string(), false}); }

void HeaderLine::AddFormat(const char* format, ...) {
  char words[kBufferSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(words, sizeof words, format, args);
  va_end(args);
  if (length < 0) words[0] = '\0';
  AddText(words);
}

void HeaderLine::AddQuoted(const char* lead, const char* name, NameKind kind) {
  m_pieces.push_back({lead, QuotedName(name, kind), true});
}

// Shortens the names of the first pieceCount pieces so that together they take at most
// budget characters: every name longer than a common cap is cut to it, the cap being as
// large as the budget allows.
void HeaderLine::FitNames(std::size_t budget, std::size_t pieceCount) {
  std::vector<std::size_t> lengths;
  for (std::size_t i = 0; i < pieceCount; ++i) {
    if (m_pieces[i].quoted) lengths.push_back(m_pieces[i].name.size());
  }
  std::sort(lengths.begin(), lengths.end());
  std::size_t cap = SIZE_MAX;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    std::size_t share = budget / (lengths.size() - i);
    if (lengths[i] > share) {
      cap = share;
      break;
    }
    budget -= lengths[i];
  }
  if (cap == SIZE_MAX) return;
  for (std::size_t i = 0; i < pieceCount; ++i) {
    std::string& name = m_pieces[i].name;
    name.resize(Utf8CutLength(name, cap));
  }
}

const char* HeaderLine::Compose() {
  std::size_t words = 0;
  for (const Piece& piece : m_pieces) words += piece.lead.size() + (piece.quoted ? 2 : 0);

  std::size_t kept = m_pieces.size();
  if (words <= kMaxLength) {
    FitNames(kMaxLength - words, kept);
  } else {
    // Not even the quotes of every name fit (thousands of components): keep the leading
    // pieces whole while they fit, cut the name of the first that does not, leave out the rest.
    std::size_t used = 0;
    for (kept = 0; kept < m_pieces.size(); ++kept) {
      Piece& piece = m_pieces[kept];
      std::size_t pieceWords = piece.lead.size() + (piece.quoted ? 2 : 0);
      if (pieceWords > kMaxLength - used) break;
      used += pieceWords;
      if (piece.name.size() > kMaxLength - used) {
        piece.name.resize(Utf8CutLength(piece.name, kMaxLength - used));
        ++kept;
        break;
      }
      used += piece.name.size();
    }
  }

  char* out = m_line;
  for (std::size_t i = 0; i < kept; ++i) {
    const Piece& piece = m_pieces[i];
    out = std::copy(piece.lead.begin(), piece.lead.end(), out);
    if (piece.quoted) {
      *out++ = '"';
      out = std::copy(piece.name.begin(), piece.name.end(), out);
      *out++ = '"';
    }
  }
  *out = '\0';
  m_length = static_cast<std::size_t>(out - m_line);
  return m_line;
}

HeaderLine MeshHeaderLine(const char* name, int dimension, const char* elemType, int nnode) {
  HeaderLine line;
  line.AddQuoted("MESH ", name, NameKind::kMesh);
  line.AddFormat(" dimension %d ElemType %s Nnode %d", dimension, elemType, nnode);
  line.Compose();
  return line;
}

HeaderLine GaussPointHeaderLine(const char* name, const char* elemType, const char* meshName) {
  HeaderLine line;
  line.AddQuoted("GaussPoints ", name, NameKind::kGaussPointSet);
  line.AddFormat(" ElemType %s", elemType);
  if (meshName != nullptr && meshName[0] != '\0') {
    line.AddQuoted(" ", meshName, NameKind::kMesh);
  }
  line.Compose();
  return line;
}

HeaderLine ResultHeaderLine(const char* name, const char* analysis, double step,
                            const char* typeName, int location, const char* gaussPointSet) {
  HeaderLine line;
  line.AddQuoted("Result ", name, NameKind::kOther);
  line.AddQuoted(" ", analysis, NameKind::kOther);
  line.AddFormat(" %g %s %s", step, typeName, location == 0 ? "OnNodes" : "OnGaussPoints");
  if (location == 1) line.AddQuoted(" ", gaussPointSet, NameKind::kGaussPointSet);
  line.Compose();
  return line;
}

HeaderLine RangeTableLine(const char* rangeTable) {
  HeaderLine line;
  line.AddQuoted("ResultRangesTable ", rangeTable, NameKind::kOther);
  line.Compose();
  return line;
}

HeaderLine ComponentNamesLine(int componentCount, const char* const* componentNames) {
  HeaderLine line;
  line.AddText("ComponentNames");
  for (int i = 0; i < componentCount; ++i) {
    line.AddQuoted(" ", componentNames != nullptr ? componentNames[i] : nullptr,
                   NameKind::kOther);
  }
  line.Compose();
  return line;
}
