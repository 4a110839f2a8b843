#include "progress.h"

#include <tcl.h>

#include <cstdio>

void ReportProgress(Tcl_Interp* interp, int value) {
  char script[64];
  std::snprintf(script, sizeof script, "abaqus::UpdateAdvanceBar %d", value);
  Tcl_EvalEx(interp, script, -1, 0);
}
