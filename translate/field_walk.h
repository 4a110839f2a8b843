// The one walk over a database's results: its steps, the frames of each step and the field
// outputs of each frame, in the database's order, with what a selection leaves out never
// opened. What is done at each is the visitor's.
#pragma once

#include "odb_API.h"

struct Selection;

// Each callback returns 0 to go on; any other value ends the walk, which returns it.
class FieldVisitor {
 public:
  virtual ~FieldVisitor() = default;
  // Kept step index (0-based) of count kept steps, before any of its frames is opened.
  virtual int StepBegun(const odb_String& name, odb_Step& step, int index, int count);
  // Kept frame kept (0-based) of keptCount kept frames of the step, frameIndex in the step,
  // before any of its field outputs is opened.
  virtual int FrameBegun(odb_Frame& frame, int frameIndex, int kept, int keptCount);
  // A kept field output of the frame, by its key: the visitor opens it (fields[key]) or not.
  virtual int FieldOutputFound(odb_FieldOutputRepository& fields, const odb_String& key) = 0;
};

// Visits the steps, frames (Selection::FramesOf) and field outputs that the selection keeps;
// a default Selection visits the whole database. Returns 0, or the first non-zero value a
// callback returned. The API's exceptions pass through.
int WalkFields(odb_Odb& odb, const Selection& selection, FieldVisitor& visitor);
