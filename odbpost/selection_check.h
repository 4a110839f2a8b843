// The checks of a selection against the database, made before anything is written.
#pragma once

#include <tcl.h>

#include <string>

class odb_Odb;
struct Selection;

// TCL_OK when every step, field output and instance named is in the database and the
// selection keeps at least one field output; otherwise TCL_ERROR with a message that names the
// offending name (and the names the database has) or, for an empty selection, the options
// (words) that made it.
int CheckSelection(Tcl_Interp* interp, odb_Odb& odb, const Selection& selection,
                   const std::string& words);
