#include "paths.h"

#include <sys/stat.h>

std::string UpgradedName(const std::string& path) {
  const std::string::size_type dot = path.rfind('.');
  return (dot == std::string::npos ? path : path.substr(0, dot)) + "_upgraded.odb";
}

bool IsSameFile(const char* a, const char* b) {
  struct stat first;
  struct stat second;
  if (stat(a, &first) != 0 || stat(b, &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
