// The result stage: every step, every frame of each step, every field output of each frame.
#pragma once

#include "mesh_table.h"

struct Tcl_Interp;
class odb_Odb;
struct Selection;
class WalkProgress;

// Translates every field output that the selection keeps into results on the meshes of the
// table (records 0..count-1; rows on meshes not written are left out), reporting through
// progress. Returns 0, or non-zero with the interpreter's result set.
int TranslateResults(Tcl_Interp* interp, odb_Odb& odb, const MeshTable& table, int count,
                     const Selection& selection, WalkProgress& progress);
