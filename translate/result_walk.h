// The result stage: every step, every frame of each step, every field output of each frame.
#pragma once

#include "mesh_table.h"

struct Tcl_Interp;
class odb_Odb;
struct Selection;
class WalkProgress;

// What the walk does with a field output that has no translation: a position other than 1 to
// 4, a data type without a result type, or rows of a width no writer call takes.
enum class UnplaceableFields {
  kRefuse,  // the conversion stops with the message of the first one
  // Whole-element values are written as centroid values are; any other such field output is
  // left out whole, with one line on standard output naming it, its step, its frame and why.
  kSkip,
};

// Translates every field output that the selection keeps into results on the meshes of the
// table (records 0..count-1; rows on meshes not written are left out), reporting through
// progress. Returns 0, or non-zero with the interpreter's result set.
int TranslateResults(Tcl_Interp* interp, odb_Odb& odb, const MeshTable& table, int count,
                     const Selection& selection, WalkProgress& progress,
                     UnplaceableFields unplaceable = UnplaceableFields::kRefuse);
