#include "field_walk.h"

#include <vector>

#include "selection.h"

int FieldVisitor::StepBegun(const odb_String&, odb_Step&, int, int) { return 0; }

int FieldVisitor::FrameBegun(odb_Frame&, int, int, int) { return 0; }

int WalkFields(odb_Odb& odb, const Selection& selection, FieldVisitor& visitor) {
  odb_StepRepository& steps = odb.steps();
  odb_StepRepositoryIT step(steps);
  int stepCount = 0;
  for (step.first(); !step.isDone(); step.next()) {
    if (selection.steps.Keeps(step.currentKey().CStr())) ++stepCount;
  }

  int index = 0;
  for (step.first(); !step.isDone(); step.next()) {
    const odb_String stepName = step.currentKey();
    if (!selection.steps.Keeps(stepName.CStr())) continue;
    odb_Step& kept = steps[stepName];
    int status = visitor.StepBegun(stepName, kept, index, stepCount);
    if (status != 0) return status;
    odb_SequenceFrame& frames = kept.frames();
    // Frames left out are not looked at: the cost follows what is kept.
    const std::vector<int> keptFrames = selection.FramesOf(frames.size());
    const int keptCount = static_cast<int>(keptFrames.size());
    for (int k = 0; k < keptCount; ++k) {
      const int j = keptFrames[static_cast<std::size_t>(k)];
      odb_Frame& frame = frames[j];
      status = visitor.FrameBegun(frame, j, k, keptCount);
      if (status != 0) return status;
      odb_FieldOutputRepository& fields = frame.fieldOutputs();
      odb_FieldOutputRepositoryIT field(fields);
      for (field.first(); !field.isDone(); field.next()) {
        const odb_String& key = field.currentKey();
        if (!selection.fields.Keeps(key.CStr())) continue;
        status = visitor.FieldOutputFound(fields, key);
        if (status != 0) return status;
      }
    }
    ++index;
  }
  return 0;
}
