// What a value row's width means: the result type it is written as (PostWriteRows writes
// the rows), and the messages for rows that cannot be written.
#pragma once

// The ResultType whose values a row of this width is written as, or -1 for a width that no
// writer call takes (only 1, 2, 3, 4 and 6 are written).
int ResultTypeOfWidth(int width);

// Sets the interpreter's result to "unknown numComp: <width>\n" (for the translations).
struct Tcl_Interp;
void SetUnknownWidthMessage(Tcl_Interp* interp, int width);

// Sets the interpreter's result to the refusal of an id the binary file cannot hold (see
// IsUnwritableId); entity is "node" or "element".
void SetUnwritableIdMessage(Tcl_Interp* interp, const char* entity, int label, const char* result);

// Sets the interpreter's result to the refusal of a label whose id, label plus offset, does
// not fit a 32-bit id (IdBeyondRangeMessage).
void SetIdBeyondRangeMessage(Tcl_Interp* interp, const char* entity, int label, int offset,
                             const char* instance, const char* result);
