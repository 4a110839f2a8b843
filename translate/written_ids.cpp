#include "written_ids.h"

#include <cstdio>

std::string WrittenIdRefusal(int label, int offset, const LabelOrigin& origin) {
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
  return message;
}

std::string UnwritableIdRefusal(int label, const LabelOrigin& origin) {
  char message[600];
  if (origin.result != nullptr) {
    std::snprintf(message, sizeof message,
                  "%s label %d of result \"%.200s\" cannot be written: ids in a result must not "
                  "be -1 nor repeat the id before",
                  origin.entity, label, origin.result);
  } else {
    std::snprintf(message, sizeof message,
                  "%s label %d of instance \"%.200s\" cannot be written: %s ids must not be -1 "
                  "nor repeat the id of the %s before",
                  origin.entity, label, origin.instance != nullptr ? origin.instance : "",
                  origin.entity, origin.entity);
  }
  return message;
}
