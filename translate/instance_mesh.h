// The mesh stage: one mesh of the output per part instance.
#pragma once

#include "mesh_table.h"

class odb_Instance;

// The dimension of a mesh in an instance's embedded space (odb_Enum::odb_DimensionEnum): 3 for
// the three-dimensional space, 2 for the planar and axisymmetric ones, 0 for any other code,
// which the mesh stage refuses.
int DimensionOfEmbeddedSpace(int space);

enum class MeshOutcome {
  kWritten,  // mesh written, record meshIndex filled, offsets advanced
  kSkipped,  // an instance without elements: nothing written, nothing filled
  kFailed,   // message holds the reason; nothing of this instance was written
};

// Writes the mesh of one instance as mesh number meshIndex and fills its record. Each running
// offset then becomes the highest id written so far, and at least the old offset plus the
// instance's count. The mesh takes its shape from the first element, or from the first
// 8-node hexahedron (4-node quadrilateral) when the instance also holds the shapes written
// degenerate in it. On failure the message buffer (kShapeMessageSize bytes) holds the
// command's error text.
MeshOutcome WriteInstanceMesh(const odb_Instance& instance, int meshIndex, MeshTable& table,
                              int& nodeOffset, int& elementOffset, char* message);

// Fills record meshIndex and advances the offsets as WriteInstanceMesh does, writing nothing
// and reading of the nodes and elements only their labels (and shapes, as WriteInstanceMesh
// reads them): an instance a selection leaves out keeps the ids and names of every later mesh
// those of the whole model. Fails only where an id or an offset would overflow.
MeshOutcome DescribeInstanceMesh(const odb_Instance& instance, int meshIndex, MeshTable& table,
                                 int& nodeOffset, int& elementOffset, char* message);
