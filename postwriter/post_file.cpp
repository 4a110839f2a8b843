#include "post_file.h"

#include <cstddef>
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

int CPostFile::WriteVector(int id, double x, double y, double z) {
  return WriteValuesVA(id, 3, x, y, z);
}

namespace {

// The first non-zero status of a run of writes.
void KeepFirstFailure(int& status, int written) {
  if (status == 0) status = written;
}

}  // namespace

int CPostFile::WriteCoordinateRows(const int* ids, const double* xyz, int count) {
  int status = 0;
  for (int i = 0; i < count; ++i) {
    KeepFirstFailure(status, WriteValues(ids[i], 3, xyz + 3 * static_cast<std::size_t>(i)));
  }
  return status;
}

int CPostFile::WriteElementRows(const int* ids, const int* nodes, int count) {
  const std::size_t width = static_cast<std::size_t>(m_nnode > 0 ? m_nnode : 0);
  int status = 0;
  for (int i = 0; i < count; ++i) {
    const int* row = nodes + static_cast<std::size_t>(i) * width;
    KeepFirstFailure(status, WriteElem(ids[i], m_nnode, row));
  }
  return status;
}

int CPostFile::WriteResultRows(int id, const float* rows, int rowCount, int width) {
  if (!IsRowWidth(width)) return 1;
  if (rows == nullptr) return 0;
  for (int r = 0; r < rowCount; ++r) {
    const float* c = rows + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    switch (width) {
      case 1:
        WriteValuesVA(id, 1, static_cast<double>(c[0]));
        break;
      case 2:
        WriteVector(id, c[0], c[1], 0.0);
        break;
      case 3:
        WriteVector(id, c[0], c[1], c[2]);
        break;
      case 4:
        WriteValuesVA(id, 4, static_cast<double>(c[0]), static_cast<double>(c[1]),
                      static_cast<double>(c[2]), static_cast<double>(c[3]));
        break;
      default:
        WriteValuesVA(id, 6, static_cast<double>(c[0]), static_cast<double>(c[1]),
                      static_cast<double>(c[2]), static_cast<double>(c[3]),
                      static_cast<double>(c[4]), static_cast<double>(c[5]));
        break;
    }
  }
  return 0;
}

int CPostFile::BeginMesh(const char* headerLine, int nnode) {
  const int status = WriteString(headerLine);
  if (status == 0) m_nnode = nnode;
  return status;
}

int CPostFile::EndCoordinates() {
  const int status = WriteString("End Coordinates");
  m_lastId = -1;
  return status;
}

int CPostFile::EndResult() {
  const int status = EndValues();
  m_lastId = -1;
  return status;
}

int CPostFile::WriteElement(int id, const int* nodes) {
  if (nodes == nullptr && m_nnode > 0) return 1;
  return WriteElem(id, m_nnode, nodes);
}
