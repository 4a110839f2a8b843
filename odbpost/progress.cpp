#include "progress.h"

#include <tcl.h>

#include <cstdio>

void ReportProgress(Tcl_Interp* interp, int value) {
  char script[64];
  std::snprintf(script, sizeof script, "abaqus::UpdateAdvanceBar %d", value);
  Tcl_EvalEx(interp, script, -1, 0);
}

int HostProgress::MeshesWritten() {
  ReportProgress(m_interp, 20);
  return TCL_OK;
}

int HostProgress::StepStarted(int step, int stepCount) {
  ReportProgress(m_interp, 20 + (80 * step) / stepCount);
  return TCL_OK;
}
