// How one value row of a block is written: its width decides the writer call.
#pragma once

// The ResultType whose values a row of this width is written as, or -1 for a width that no
// writer call takes (only 1, 2, 3, 4 and 6 are written).
int ResultTypeOfWidth(int width);

// Writes one row of width components under id. Two components become a vector with 0 as
// its third. Returns 0, or 1 for a width that no writer call takes (nothing is written).
int WriteComponentRow(int id, const float* row, int width);

// Sets the interpreter's result to "unknown numComp: <width>\n" (for the translations).
struct Tcl_Interp;
void SetUnknownWidthMessage(Tcl_Interp* interp, int width);

// Sets the interpreter's result to the refusal of an id the binary file cannot hold (see
// IsUnwritableId); entity is "node" or "element".
void SetUnwritableIdMessage(Tcl_Interp* interp, const char* entity, int label, const char* result);
