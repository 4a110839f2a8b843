// Path rules of the command: the name of an upgraded copy, and whether two paths are the
// same file.
#pragma once

#include <string>

// The path with everything from its last '.' replaced by "_upgraded.odb"; a path without
// any '.' gets "_upgraded.odb" appended.
std::string UpgradedName(const std::string& path);

// True when both paths exist and name the same file (through any spelling or link).
bool IsSameFile(const char* a, const char* b);
