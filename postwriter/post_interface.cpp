#include "post_interface.h"

#include "header_lines.h"
#include "post_ascii.h"
#include "post_binary.h"
#include "post_file.h"

#include <cstdio>
#include <new>

CPostFile* g_resultWriter = nullptr;
CPostFile* g_meshWriter = nullptr;
int g_closeStatus = 0;

// Operations called with no file open (or before any mesh, for the mesh blocks) write
// nothing and return this.
constexpr int kNoWriter = 1;

CPostFile* CreatePostFile(int mode) {
  switch (mode) {
    case MODE_TEXT:
      return new (std::nothrow) CPostAscii;
    case MODE_COMPRESSED_TEXT:
      return new (std::nothrow) CPostAsciiZ;
    case MODE_BINARY:
      return new (std::nothrow) CPostBinary;
    default:
      return nullptr;
  }
}

// ---- Opening and closing ----

int PostOpenResultFile(const char* path, int mode) {
  if (g_resultWriter != nullptr) return 1;
  g_resultWriter = CreatePostFile(mode);
  if (g_resultWriter == nullptr) return 2;
  if (g_resultWriter->Open(path) != 0) {
    PostCloseResultFile();
    return 4;
  }
  if (g_resultWriter->WritePostHeader() != 0) {
    PostCloseResultFile();
    return 5;
  }
  return 0;
}

int PostCloseResultFile() {
  if (g_resultWriter == nullptr) return 1;
  delete g_resultWriter;  // the destructor closes the file and records g_closeStatus
  g_resultWriter = nullptr;
  g_meshWriter = nullptr;
  int status = g_closeStatus;
  g_closeStatus = 0;
  return status;
}

// ---- Meshes ----

int PostBeginMesh(const char* name, int dimension, int elementType, int nnode) {
  g_meshWriter = g_resultWriter;
  if (g_meshWriter == nullptr) return kNoWriter;
  const char* elemType = ElementGeometryName(elementType);
  if (elemType == nullptr) return 1;
  HeaderLine line = MeshHeaderLine(name, dimension, elemType, nnode);
  return g_meshWriter->BeginMesh(line.Text(), nnode);
}

int PostBeginCoordinates() {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->BeginCoordinates();
}

int PostWriteCoordinates(int id, double x, double y, double z) {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->WriteValuesVA(id, 3, x, y, z);
}

int PostWriteCoordinateRows(const int* ids, const double* xyz, int count) {
  if (g_meshWriter == nullptr) return kNoWriter;
  if (ids == nullptr || xyz == nullptr || count <= 0) return 0;
  return g_meshWriter->WriteCoordinateRows(ids, xyz, count);
}

int PostEndCoordinates() {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->EndCoordinates();
}

int PostBeginElements() {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->BeginElements();
}

int PostWriteElement(int id, const int* nodes) {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->WriteElement(id, nodes);
}

int PostWriteElementRows(const int* ids, const int* nodes, int count, int nnode) {
  if (g_meshWriter == nullptr) return kNoWriter;
  if (nnode != g_meshWriter->NodesPerElement() || (nodes == nullptr && nnode > 0)) return 1;
  if (ids == nullptr || count <= 0) return 0;
  return g_meshWriter->WriteElementRows(ids, nodes, count);
}

int PostEndElements() {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->WriteString("End Elements");
}

int PostEndMesh() { return 0; }

// ---- Gauss point definitions ----

int PostBeginGaussPoint(const char* name, int elementType, const char* meshName, int count,
                        int nodesIncluded, int internal) {
  CPostFile* writer = g_resultWriter;
  if (writer == nullptr) return kNoWriter;
  const char* elemType = ElementGeometryName(elementType);
  if (elemType == nullptr) return 1;

  HeaderLine first = GaussPointHeaderLine(name, elemType, meshName);
  if (writer->WriteString(first.Text()) != 0) return 1;

  char countLine[64];
  std::snprintf(countLine, sizeof countLine, "Number Of Gauss Points: %d", count);
  if (writer->WriteString(countLine) != 0) return 1;

  if (elementType == GEOMETRY_LINEAR) {
    const char* nodes = nodesIncluded ? "  Nodes included" : "  Nodes not included";
    if (writer->WriteString(nodes) != 0) return 1;
  }

  const char* coordinates =
      internal ? "Natural Coordinates: Internal" : "Natural Coordinates: Given";
  if (writer->WriteString(coordinates) != 0) return 1;
  return 0;
}

int PostEndGaussPoint() {
  if (g_resultWriter == nullptr) return kNoWriter;
  return g_resultWriter->WriteString("End GaussPoints");
}

// ---- Results ----

int PostBeginResult(const char* name, const char* analysis, double step, int type, int location,
                    const char* gaussPointSet, const char* rangeTable, int componentCount,
                    const char* const* componentNames) {
  CPostFile* writer = g_resultWriter;
  if (writer == nullptr) return kNoWriter;
  const char* typeName = ResultTypeName(type);
  if (typeName == nullptr) return 1;

  HeaderLine header = ResultHeaderLine(name, analysis, step, typeName, location, gaussPointSet);
  if (writer->WriteString(header.Text()) != 0) return 1;

  if (rangeTable != nullptr) {
    HeaderLine ranges = RangeTableLine(rangeTable);
    if (writer->WriteString(ranges.Text()) != 0) return 1;
  }

  if (componentCount > 0) {
    HeaderLine components = ComponentNamesLine(componentCount, componentNames);
    if (writer->WriteString(components.Text()) != 0) return 1;
  }

  return writer->BeginValues();
}

int PostWriteScalar(int id, double value) {
  if (g_resultWriter == nullptr) return kNoWriter;
  return g_resultWriter->WriteValuesVA(id, 1, value);
}

int PostWriteVector(int id, double x, double y, double z) {
  if (g_resultWriter == nullptr) return kNoWriter;
  return g_resultWriter->WriteVector(id, x, y, z);
}

int PostWriteMatrix(int id, double sxx, double syy, double szz, double sxy, double syz,
                    double sxz) {
  if (g_resultWriter == nullptr) return kNoWriter;
  return g_resultWriter->WriteValuesVA(id, 6, sxx, syy, szz, sxy, syz, sxz);
}

int PostWritePlainDefMatrix(int id, double sxx, double syy, double sxy, double szz) {
  if (g_resultWriter == nullptr) return kNoWriter;
  return g_resultWriter->WriteValuesVA(id, 4, sxx, syy, sxy, szz);
}

int PostWriteRows(int id, const float* rows, int rowCount, int width) {
  if (g_resultWriter == nullptr) return kNoWriter;
  if (!CPostFile::IsRowWidth(width)) return 1;
  if (rows == nullptr || rowCount <= 0) return 0;
  return g_resultWriter->WriteResultRows(id, rows, rowCount, width);
}

int PostEndResult() {
  if (g_resultWriter == nullptr) return kNoWriter;
  return g_resultWriter->EndResult();
}
