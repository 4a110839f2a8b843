// Progress reports to the host, through its abaqus::UpdateAdvanceBar procedure.
#pragma once

#include "walk_progress.h"

struct Tcl_Interp;

// Evaluates "abaqus::UpdateAdvanceBar <value>" in the interpreter. A failing evaluation (for
// instance when the host has no such procedure) does not concern the conversion.
void ReportProgress(Tcl_Interp* interp, int value);

// odbpost's reports: 20 after the meshes, 20 + 80 * i / n at the start of step i of n.
class HostProgress : public WalkProgress {
 public:
  explicit HostProgress(Tcl_Interp* interp) : m_interp(interp) {}
  int MeshesWritten() override;
  int StepStarted(int step, int stepCount) override;
  int FrameStarted(int, int, int, int) override { return 0; }
  int Finished() override { return 0; }

 private:
  Tcl_Interp* m_interp;
};
