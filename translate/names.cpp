#include "names.h"

#include <cstdio>
#include <cstring>

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool EqualIgnoringCase(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
  }
  return *a == *b;
}

std::string LowerAsciiText(const char* text) {
  std::string lower = text != nullptr ? text : "";
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

OwnedText CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  OwnedText copy(new char[size]);
  std::memcpy(copy.get(), text, size);
  return copy;
}

std::string CutText(const char* text, std::size_t limit) {
  std::string cut = text != nullptr ? text : "";
  if (cut.size() <= limit) return cut;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80) --end;
  cut.resize(end);
  return cut;
}

std::string IdBeyondRangeMessage(const char* entity, int label, int offset, const char* instance,
                                 const char* result) {
  char message[600];
  char inResult[240] = "";
  if (result != nullptr) std::snprintf(inResult, sizeof inResult, " in result \"%.200s\"", result);
  std::snprintf(message, sizeof message,
                "%s label %d of instance \"%.200s\"%s cannot be written: its id, the label plus "
                "%d, would exceed 2147483647",
                entity, label, instance != nullptr ? instance : "", inResult, offset);
  return message;
}
