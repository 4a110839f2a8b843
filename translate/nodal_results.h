// Field outputs given at the nodes: one result on the nodes per field output.
#pragma once

#include <string>

#include "mesh_index.h"

struct Tcl_Interp;
class odb_SequenceFieldBulkData;

// Writes the rows of all blocks, in block and row order, as one result named name (its '='
// become '_'), each label shifted into the ids of its instance's mesh; blocks of an instance
// without a mesh are left out with a diagnostic line. The blocks of a tensor field (dataType,
// the field output's data-type code) whose labels name their components are written in the
// host's slots (tensor_components.h). fieldType is announced only when no block has rows or
// the rows' width has no type. Returns 0, or 1 with the interpreter's result set.
int WriteNodalResults(Tcl_Interp* interp, std::string& name, const char* stepName,
                      int frameIndex, int fieldType, int dataType, int location,
                      const odb_SequenceFieldBulkData& blocks, const MeshIndex& meshes);

// Replaces every '=' of a result name by '_': the host reads '=' in names as a separator.
void ReplaceEqualSigns(std::string& name);
