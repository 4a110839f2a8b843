#include "element_shape.h"

#include <algorithm>
#include <cstdio>

#include "post_types.h"

namespace {

void SetMessage(char* message, const char* text) {
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
      SetMessage(message, "element MASS/PLOT not implemented\n");
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
      SetMessage(message, "element PENTA not implemented\n");
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

void ElementNodeIds(int meshShape, int nnode, int elementShape,
                    const int* ids, int count, std::vector<int>& out) {
  // The element's own ids, padded to at least the places any rule below reads.
  const int places = nnode > 8 ? nnode : 8;
  out.resize(static_cast<std::size_t>(places));
  int* c = out.data();
  const int own = count < 0 ? 0 : count < places ? count : places;
  std::copy(ids, ids + own, c);
  std::fill(c + own, c + places, count > 0 ? ids[count - 1] : 0);

  int filled[8];
  if (meshShape == kHexahedron8 && elementShape == kWedge6) {
    const int order[8] = {0, 1, 2, 2, 3, 4, 5, 5};
    for (int i = 0; i < 8; ++i) filled[i] = c[order[i]];
  } else if (meshShape == kHexahedron8 && elementShape == kTetrahedron4) {
    const int order[8] = {0, 1, 2, 2, 3, 3, 3, 3};
    for (int i = 0; i < 8; ++i) filled[i] = c[order[i]];
  } else if (meshShape == kQuadrilateral4 && elementShape == kTriangle3) {
    const int order[4] = {0, 1, 2, 2};
    for (int i = 0; i < 4; ++i) filled[i] = c[order[i]];
    for (int i = 0; i < 4; ++i) c[i] = filled[i];
    return;
  } else {
    return;
  }
  for (int i = 0; i < 8; ++i) c[i] = filled[i];
}
