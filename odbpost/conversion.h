// The conversion driver that odbpost and odbpost::convert share, and the database opening and
// error handling that odbpost::contents shares with them.
#pragma once

#include <tcl.h>

#include <functional>
#include <string>
#include <vector>

#include "post_types.h"

class odb_Odb;
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

// Runs body with the ODB API initialised (and finalised on every exit), turning the API's
// exceptions and internal failures into the interpreter's result as odbpost reports them.
// Call only while holding the ApiGuard (api_guard.h).
int RunWithOdbApi(Tcl_Interp* interp, const std::function<int()>& body);

// Opens the database for reading only, through its upgraded copy (made beside it) when it is
// in the previous format. Returns null, with the interpreter's result set, when the name holds
// a NUL or the copy would be written over one of outputs (files the caller is writing). Throws
// the API's exceptions; call within RunWithOdbApi.
odb_Odb* OpenDatabase(Tcl_Interp* interp, const std::string& input,
                      const std::vector<std::string>& outputs = {});

// Closes the database it is given when it goes; declared within RunWithOdbApi right after
// OpenDatabase, it closes the database before the API is finalised, on every exit.
class DatabaseCloser {
 public:
  explicit DatabaseCloser(odb_Odb* odb) : m_odb(odb) {}
  ~DatabaseCloser();
  DatabaseCloser(const DatabaseCloser&) = delete;
  DatabaseCloser& operator=(const DatabaseCloser&) = delete;

 private:
  odb_Odb* m_odb;
};
