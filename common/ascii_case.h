// ASCII letter case: names in the database, the results file and Windows' file systems are
// matched ignoring the case of ASCII letters only, whatever the locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with ASCII capitals made small: two texts are equal ignoring ASCII case exactly
// when these are equal.
inline std::string AsciiLowerText(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}
