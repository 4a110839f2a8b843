// Progress reports to the host, through its abaqus::UpdateAdvanceBar procedure.
#pragma once

struct Tcl_Interp;

// Evaluates "abaqus::UpdateAdvanceBar <value>" in the interpreter. A failing evaluation (for
// instance when the host has no such procedure) does not concern the conversion.
void ReportProgress(Tcl_Interp* interp, int value);
