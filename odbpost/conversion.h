// The conversion that odbpost and odbpost::convert share: the order of its stages, from the
// output's checks to the closing of the results file.
#pragma once

#include <tcl.h>

#include <string>

#include "post_types.h"

class WalkProgress;
struct Selection;

struct ConversionSettings {
  int mode = MODE_BINARY;  // ResultMode of the output
  // Null: the whole database, the output opened before the database is read, as odbpost
  // does. Otherwise the selection is checked against the database before anything is written.
  const Selection* selection = nullptr;
  std::string selectionWords;  // the options that made the selection, for its messages
  WalkProgress* progress = nullptr;  // must be set
  // Write a new file beside the output (beside a link's target) and move it over the output
  // only on success; a device or a FIFO with a reader is written in place, a folder refused.
  bool replaceOutput = false;
  // Leave out, with a line each, field outputs that have no translation instead of stopping
  // (UnplaceableFields::kSkip of the result walk).
  bool skipUnplaceableFields = false;
};

// One conversion of input into output; TCL_OK, or an error code with the interpreter's result
// set. Takes the ApiGuard, and refuses to start while another command holds it.
int RunConversion(Tcl_Interp* interp, const std::string& input, const std::string& output,
                  const ConversionSettings& settings);
