#include "element_shape.h"

#include <cstdio>

#include "post_types.h"

namespace {

void CopyShapeMessage(char* message, const char* text) {
  if (message != nullptr) std::snprintf(message, kShapeMessageSize, "%s", text);
}

// Shape codes of the degenerate fills.
constexpr int kTriangle3 = 10;
constexpr int kQuadrilateral4 = 11;
constexpr int kTetrahedron4 = 14;
constexpr int kWedge6 = 15;
constexpr int kHexahedron8 = 16;

}  // namespace

int ClassifyElementShape(int shapeCode, char* message) {
  switch (shapeCode) {
    case 1:
    case 2:
      CopyShapeMessage(message, "element MASS/PLOT not implemented\n");
      return GEOMETRY_NONE;
    case 3: case 4: case 5: case 6: case 7: case 8: case 9:
      return GEOMETRY_LINEAR;
    case 10:
    case 12:
      return GEOMETRY_TRIANGLE;
    case 11:
    case 13:
      return GEOMETRY_QUADRILATERAL;
    case 14:
    case 17:
      return GEOMETRY_TETRAHEDRA;
    case 15:
    case 18:
      CopyShapeMessage(message, "element PENTA not implemented\n");
      return GEOMETRY_NONE;
    case 16:
    case 19:
      return GEOMETRY_HEXAHEDRA;
    default:
      if (message != nullptr) {
        std::snprintf(message, kShapeMessageSize, "unknown element geometry: %d\n", shapeCode);
      }
      return GEOMETRY_NONE;
  }
}

void ElementNodeIds(int meshShape, int nnode, int elementShape, const int* ids, int count,
                    int* out) {
  // The places of the element's own list that a degenerate fill writes, in order.
  static const int kWedgeInHexahedron[8] = {0, 1, 2, 2, 3, 4, 5, 5};
  static const int kTetrahedronInHexahedron[8] = {0, 1, 2, 2, 3, 3, 3, 3};
  static const int kTriangleInQuadrilateral[4] = {0, 1, 2, 2};
  const int* fill = nullptr;
  int filled = 0;
  if (meshShape == kHexahedron8 && elementShape == kWedge6) {
    fill = kWedgeInHexahedron;
    filled = 8;
  } else if (meshShape == kHexahedron8 && elementShape == kTetrahedron4) {
    fill = kTetrahedronInHexahedron;
    filled = 8;
  } else if (meshShape == kQuadrilateral4 && elementShape == kTriangle3) {
    fill = kTriangleInQuadrilateral;
    filled = 4;
  }
  const int last = count > 0 ? ids[count - 1] : 0;
  int i = 0;
  for (; i < filled && i < nnode; ++i) out[i] = fill[i] < count ? ids[fill[i]] : last;
  // Past the fill: the element's own ids in place, then its last one repeated.
  for (; i < nnode && i < count; ++i) out[i] = ids[i];
  for (; i < nnode; ++i) out[i] = last;
}
