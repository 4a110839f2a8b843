// The topology code of an Abaqus element type name. The one table of these codes.
#pragma once

namespace odbapi {

// Codes: 1 point masses and inertias, 3 two-node lines, 4 three-node lines, 10 three-node
// triangles, 11 four-node quadrilaterals, 12 six-node triangles, 13 eight-node
// quadrilaterals, 14 four-node tetrahedra, 15 six-node wedges, 16 eight-node hexahedra,
// 17 ten-node tetrahedra, 18 fifteen-node wedges, 19 twenty-node hexahedra; 0 any other.
// Letter case is ignored; reduced, hybrid, incompatible-mode, modified, coupled and other
// trailing letters map with their family (C3D8RH as C3D8).
int ElementShapeCode(const char* typeName);

}  // namespace odbapi
