// How the result walk reports how far it has come. Each call returns TCL_OK to go on; any
// other code stops the conversion with it, the interpreter's result set by the reporter.
#pragma once

class WalkProgress {
 public:
  virtual ~WalkProgress() = default;
  // After the meshes.
  virtual int MeshesWritten() = 0;
  // At the start of kept step step (0-based) of stepCount kept steps.
  virtual int StepStarted(int step, int stepCount) = 0;
  // At the start of kept frame frame of frameCount kept frames of that step.
  virtual int FrameStarted(int step, int stepCount, int frame, int frameCount) = 0;
  // After the last field output.
  virtual int Finished() = 0;
};
