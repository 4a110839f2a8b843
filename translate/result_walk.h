// The result stage: every step, every frame of each step, every field output of each frame.
#pragma once

#include "mesh_table.h"

struct Tcl_Interp;
class odb_Odb;

// Translates every field output of the database into results on the meshes of the table
// (records 0..count-1). Returns 0, or non-zero with the interpreter's result set.
int TranslateResults(Tcl_Interp* interp, odb_Odb& odb, const MeshTable& table, int count);
