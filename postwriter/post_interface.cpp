#include "post_interface.h"

#include "header_lines.h"
#include "post_ascii.h"
#include "post_binary.h"
#include "post_file.h"

#include <cstddef>
#include <cstdio>
#include <new>
#include <typeinfo>

CPostFile* g_resultWriter = nullptr;
CPostFile* g_meshWriter = nullptr;
int g_closeStatus = 0;

// Operations called with no file open (or before any mesh, for the mesh blocks) write
// nothing and return this.
constexpr int kNoWriter = 1;

namespace {

// The writer as the binary variant, which takes rows in bulk, or null for any other writer.
// CPostBinary is final: comparing types tells it as surely as a dynamic_cast, for less.
inline CPostBinary* AsBinaryWriter(CPostFile* writer) {
  return typeid(*writer) == typeid(CPostBinary) ? static_cast<CPostBinary*>(writer) : nullptr;
}

}  // namespace

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
  int status = g_meshWriter->WriteString(line.Text());
  if (status == 0) g_meshWriter->m_nnode = nnode;
  return status;
}

int PostBeginCoordinates() {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->BeginCoordinates();
}

int PostWriteCoordinates(int id, double x, double y, double z) {
  if (g_meshWriter == nullptr) return kNoWriter;
  g_meshWriter->WriteValuesVA(id, 3, x, y, z);
  return 0;
}

int PostWriteCoordinateRows(const int* ids, const double* xyz, int count) {
  if (g_meshWriter == nullptr) return kNoWriter;
  if (ids == nullptr || xyz == nullptr || count <= 0) return 0;
  if (CPostBinary* binary = AsBinaryWriter(g_meshWriter)) {
    return binary->WriteCoordinateRows(ids, xyz, count);
  }
  for (int i = 0; i < count; ++i) {
    const double* c = xyz + 3 * static_cast<std::size_t>(i);
    PostWriteCoordinates(ids[i], c[0], c[1], c[2]);
  }
  return 0;
}

int PostEndCoordinates() {
  if (g_meshWriter == nullptr) return kNoWriter;
  int status = g_meshWriter->WriteString("End Coordinates");
  g_meshWriter->m_lastId = -1;
  return status;
}

int PostBeginElements() {
  if (g_meshWriter == nullptr) return kNoWriter;
  return g_meshWriter->BeginElements();
}

int PostWriteElement(int id, const int* nodes) {
  if (g_meshWriter == nullptr) return kNoWriter;
  if (nodes == nullptr && g_meshWriter->m_nnode > 0) return 1;
  return g_meshWriter->WriteElem(id, g_meshWriter->m_nnode, nodes);
}

int PostWriteElementRows(const int* ids, const int* nodes, int count, int nnode) {
  if (g_meshWriter == nullptr) return kNoWriter;
  if (nnode != g_meshWriter->m_nnode || (nodes == nullptr && nnode > 0)) return 1;
  if (ids == nullptr || count <= 0) return 0;
  if (CPostBinary* binary = AsBinaryWriter(g_meshWriter)) {
    return binary->WriteElementRows(ids, nodes, count);
  }
  int status = 0;
  for (int i = 0; i < count; ++i) {
    const int* row = nodes + static_cast<std::size_t>(i) * static_cast<std::size_t>(nnode);
    const int written = PostWriteElement(ids[i], row);
    if (status == 0) status = written;
  }
  return status;
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
  g_resultWriter->WriteValuesVA(id, 1, value);
  return 0;
}

int PostWriteVector(int id, double x, double y, double z) {
  if (g_resultWriter == nullptr) return kNoWriter;
  if (g_resultWriter->IsBinary() == 1) {
    g_resultWriter->WriteValuesVA(id, 4, x, y, z, VectorModulus(x, y, z));
  } else {
    g_resultWriter->WriteValuesVA(id, 3, x, y, z);
  }
  return 0;
}

int PostWriteMatrix(int id, double sxx, double syy, double szz, double sxy, double syz,
                    double sxz) {
  if (g_resultWriter == nullptr) return kNoWriter;
  g_resultWriter->WriteValuesVA(id, 6, sxx, syy, szz, sxy, syz, sxz);
  return 0;
}

int PostWritePlainDefMatrix(int id, double sxx, double syy, double sxy, double szz) {
  if (g_resultWriter == nullptr) return kNoWriter;
  g_resultWriter->WriteValuesVA(id, 4, sxx, syy, sxy, szz);
  return 0;
}

int PostWriteRows(int id, const float* rows, int rowCount, int width) {
  if (g_resultWriter == nullptr) return kNoWriter;
  if (width != 1 && (width < 2 || width > 4) && width != 6) return 1;
  if (rows == nullptr || rowCount <= 0) return 0;
  // The binary writer copies the single-precision rows as they are; the text writers
  // format every value, so the per-row calls cost them nothing extra.
  if (CPostBinary* binary = AsBinaryWriter(g_resultWriter)) {
    return binary->WriteSingleRows(id, rows, rowCount, width);
  }
  for (int r = 0; r < rowCount; ++r) {
    const float* c = rows + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    switch (width) {
      case 1:
        PostWriteScalar(id, c[0]);
        break;
      case 2:
        PostWriteVector(id, c[0], c[1], 0.0);
        break;
      case 3:
        PostWriteVector(id, c[0], c[1], c[2]);
        break;
      case 4:
        PostWritePlainDefMatrix(id, c[0], c[1], c[2], c[3]);
        break;
      default:
        PostWriteMatrix(id, c[0], c[1], c[2], c[3], c[4], c[5]);
        break;
    }
  }
  return 0;
}

int PostEndResult() {
  if (g_resultWriter == nullptr) return kNoWriter;
  int status = g_resultWriter->EndValues();
  g_resultWriter->m_lastId = -1;
  return status;
}
