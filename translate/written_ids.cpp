#include "written_ids.h"

#include <climits>
#include <cstdio>

bool SumFitsInt(int a, int b, int& sum) {
  const long long wide = static_cast<long long>(a) + b;
  if (wide > INT_MAX || wide < INT_MIN) return false;
  sum = static_cast<int>(wide);
  return true;
}

bool WrittenId(int label, int offset, const LabelOrigin& origin, int& id, std::string& refusal) {
  if (SumFitsInt(label, offset, id)) return true;
  char inResult[240] = "";
  if (origin.result != nullptr) {
    std::snprintf(inResult, sizeof inResult, " in result \"%.200s\"", origin.result);
  }
  char message[600];
  std::snprintf(message, sizeof message,
                "%s label %d of instance \"%.200s\"%s cannot be written: its id, the label plus "
                "%d, would exceed 2147483647",
                origin.entity, label, origin.instance != nullptr ? origin.instance : "", inResult,
                offset);
  refusal = message;
  return false;
}
