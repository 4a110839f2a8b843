#include "names.h"

#include <cstdio>
#include <cstring>

#include "utf8_cut.h"

OwnedText CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  OwnedText copy(new char[size]);
  std::memcpy(copy.get(), text, size);
  return copy;
}

std::string CutText(const char* text, std::size_t limit) {
  std::string cut = text != nullptr ? text : "";
  cut.resize(Utf8CutLength(cut, limit));
  return cut;
}
