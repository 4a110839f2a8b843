// What a conversion keeps of the database: its steps, the frames of each step, the field
// outputs of each frame and the instances. Names match ignoring ASCII case; a kind without
// names keeps everything, so a default Selection is the whole database.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

// The frames first, first + stride, ... up to last of a step; ends below 0 count from the end
// (-1 the last frame).
struct FrameItem {
  int first = 0;
  int last = -1;
  int stride = 1;
};

// One item of a frame list: an index, FIRST:LAST, FIRST:LAST:STRIDE (stride 1 or more), all or
// last. False for anything else.
bool ParseFrameItem(const std::string& word, FrameItem& item);

// Names requested for one kind, as given and made small for matching.
class NameSet {
 public:
  void Add(const std::string& name);
  bool empty() const { return m_given.empty(); }
  // True when the name is one of those given.
  bool Has(const char* name) const;
  // True when no names were given or the name is one of them.
  bool Keeps(const char* name) const { return m_given.empty() || Has(name); }
  const std::vector<std::string>& given() const { return m_given; }

 private:
  std::vector<std::string> m_given;
  std::unordered_set<std::string> m_small;
};

struct Selection {
  NameSet steps;
  NameSet fields;
  NameSet instances;
  std::vector<FrameItem> frames;  // empty: every frame

  // The kept frame indices of a step with count frames, ascending, each once.
  std::vector<int> FramesOf(int count) const;
};
