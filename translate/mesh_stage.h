// The mesh stage of a conversion: one mesh per instance of the root assembly, in the order of
// the instance repository.
#pragma once

#include <memory>

#include "mesh_table.h"

struct Tcl_Interp;
class odb_Odb;
struct Selection;

// Creates the table with one record per instance and writes the mesh of every instance the
// selection keeps; the others are only described (DescribeInstanceMesh), so that ids and names
// stay those of the whole model. Returns the number of meshes written, or -1 with the
// interpreter's result set.
int WriteMeshes(Tcl_Interp* interp, odb_Odb& odb, const Selection& selection,
                std::unique_ptr<MeshTable>& table);
