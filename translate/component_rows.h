// What a value row's width means: the result type it is written as (PostWriteRows writes
// the rows), and the messages for rows that cannot be written.
#pragma once

#include "written_ids.h"

// The ResultType whose values a row of this width is written as, or -1 for a width that no
// writer call takes (only 1, 2, 3, 4 and 6 are written).
int ResultTypeOfWidth(int width);

// Sets the interpreter's result to "unknown numComp: <width>\n" (for the translations).
struct Tcl_Interp;
void SetUnknownWidthMessage(Tcl_Interp* interp, int width);

// The id of a result row's label (BlockRowId) in id; false, with the interpreter's result set to
// the refusal, when it does not fit or the binary file cannot hold it after previous.
bool ResultRowId(Tcl_Interp* interp, int label, int offset, const LabelOrigin& origin,
                 int previous, int& id);
