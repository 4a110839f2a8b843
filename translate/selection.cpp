#include "selection.h"

#include <cerrno>
#include <cstdlib>
#include <climits>

#include "ascii_case.h"

namespace {

// A whole word of an optional sign and digits that fits an int.
bool ParseIndex(const std::string& word, int& value) {
  if (word.empty()) return false;
  std::size_t digits = (word[0] == '-' || word[0] == '+') ? 1 : 0;
  if (digits == word.size()) return false;
  for (std::size_t i = digits; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
  }
  errno = 0;
  const long long parsed = std::strtoll(word.c_str(), nullptr, 10);
  if (errno != 0 || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

}  // namespace

bool ParseFrameItem(const std::string& word, FrameItem& item) {
  if (word == "all") {
    item = FrameItem{0, -1, 1};
    return true;
  }
  if (word == "last") {
    item = FrameItem{-1, -1, 1};
    return true;
  }
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = word.find(':', start);
    parts.push_back(word.substr(start, colon == std::string::npos ? colon : colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() > 3) return false;
  FrameItem parsed;
  if (!ParseIndex(parts[0], parsed.first)) return false;
  parsed.last = parsed.first;
  if (parts.size() >= 2 && !ParseIndex(parts[1], parsed.last)) return false;
  if (parts.size() == 3 && (!ParseIndex(parts[2], parsed.stride) || parsed.stride < 1)) {
    return false;
  }
  item = parsed;
  return true;
}

void NameSet::Add(const std::string& name) {
  m_given.push_back(name);
  m_small.insert(AsciiLowerText(name));
}

bool NameSet::Has(const char* name) const { return m_small.count(AsciiLowerText(name)) != 0; }

std::vector<int> Selection::FramesOf(int count) const {
  std::vector<int> kept;
  if (count <= 0) return kept;
  if (frames.empty()) {
    for (int j = 0; j < count; ++j) kept.push_back(j);
    return kept;
  }
  std::vector<char> marked(static_cast<std::size_t>(count), 0);
  for (const FrameItem& item : frames) {
    long long first = item.first < 0 ? static_cast<long long>(item.first) + count : item.first;
    const long long last = item.last < 0 ? static_cast<long long>(item.last) + count : item.last;
    // An index before the first frame selects nothing; a range starts at its first kept frame.
    if (first < 0) {
      if (item.first == item.last) continue;
      first += ((-first + item.stride - 1) / item.stride) * item.stride;
    }
    for (long long j = first; j <= last && j < count; j += item.stride) {
      marked[static_cast<std::size_t>(j)] = 1;
    }
  }
  for (int j = 0; j < count; ++j) {
    if (marked[static_cast<std::size_t>(j)]) kept.push_back(j);
  }
  return kept;
}
