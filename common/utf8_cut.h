// Cutting text to a byte limit without splitting a UTF-8 sequence.
#pragma once

#include <cstddef>
#include <string_view>

// The length of the longest start of text that has at most limit bytes and does not end
// inside a UTF-8 sequence (a cut never lands before a continuation byte).
inline std::size_t Utf8CutLength(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}
