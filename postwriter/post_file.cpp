#include "post_file.h"

#include <cstdio>

CPostFile::~CPostFile() = default;

int CPostFile::BeginCoordinates() { return WriteString("Coordinates"); }

int CPostFile::BeginElements() { return WriteString("Elements"); }

int CPostFile::BeginValues() { return WriteString("Values"); }

int CPostFile::EndValues() { return WriteString("End Values"); }

int CPostFile::Write2D(double x, double y) {
  char line[256];
  std::snprintf(line, sizeof line, "%g %g", x, y);
  return WriteString(line);
}

int CPostFile::Write3D(double x, double y, double z) {
  char line[256];
  std::snprintf(line, sizeof line, "%g %g %g", x, y, z);
  return WriteString(line);
}

int CPostFile::WritePostHeader() { return WriteString("Kel Post Results File 1.0"); }
