// The mesh stage: one mesh of the output per part instance.
#pragma once

#include "mesh_table.h"

class odb_Instance;

enum class MeshOutcome {
  kWritten,  // mesh written, record meshIndex filled, offsets advanced
  kSkipped,  // an instance without elements: nothing written, nothing filled
  kFailed,   // message holds the reason; nothing of this instance was written
};

// Writes the mesh of one instance as mesh number meshIndex and fills its record. The
// running offsets are advanced by the instance's node and element counts. On failure the
// message buffer (kShapeMessageSize bytes) holds the command's error text.
MeshOutcome WriteInstanceMesh(const odb_Instance& instance, int meshIndex, MeshTable& table,
                              int& nodeOffset, int& elementOffset, char* message);

// Fills record meshIndex and advances the offsets as WriteInstanceMesh does, writing nothing
// and reading no node or element beyond the first: an instance a selection leaves out keeps
// the ids and names of every later mesh those of the whole model. Fails only when the
// offsets overflow.
MeshOutcome DescribeInstanceMesh(const odb_Instance& instance, int meshIndex, MeshTable& table,
                                 int& nodeOffset, int& elementOffset, char* message);
