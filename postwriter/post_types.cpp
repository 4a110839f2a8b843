#include "post_types.h"

namespace {

const char* const kGeometryNames[] = {
    "", "Point", "Linear", "Triangle", "Quadrilateral", "Tetrahedra", "Hexahedra",
};

const char* const kResultTypeNames[] = {
    "Scalar", "Vector", "Matrix", "PlainDeformationMatrix", "MainMatrix", "LocalAxes",
};

template <int N>
const char* NameAt(const char* const (&table)[N], int code) {
  return code >= 0 && code < N ? table[code] : nullptr;
}

}  // namespace

const char* ElementGeometryName(int geometry) { return NameAt(kGeometryNames, geometry); }

const char* ResultTypeName(int type) { return NameAt(kResultTypeNames, type); }
