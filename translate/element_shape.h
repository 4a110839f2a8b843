// From an element's shape code to the geometry of the results format, and the node lists
// of elements whose shape differs from their mesh's.
#pragma once

#include <cstddef>

// Size of the message buffer that the command hands to ClassifyElementShape.
constexpr std::size_t kShapeMessageSize = 1024;

// The ElementGeometry of a shape code, or 0 for a shape the format cannot hold; then, when
// message is given, it receives the reason (kShapeMessageSize bytes).
int ClassifyElementShape(int shapeCode, char* message);

// The nnode node ids written for one element of a mesh whose first element has shape
// meshShape and nnode nodes, into out (room for nnode ids). ids are the element's own count
// node labels, already shifted into ids. Wedges and tetrahedra in hexahedron meshes and
// triangles in quadrilateral meshes are written as degenerate elements of the mesh's shape;
// any other element gets its first nnode ids. Places the element's own list cannot fill
// repeat its last id (0 for an element without nodes), so nothing outside the list is read.
void ElementNodeIds(int meshShape, int nnode, int elementShape, const int* ids, int count,
                    int* out);
