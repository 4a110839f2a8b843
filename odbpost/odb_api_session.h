// The ODB API's lifetime around the work of one command, and its failures as the command's
// message.
#pragma once

#include <tcl.h>

#include <functional>

// Runs body with the ODB API initialised (and finalised on every exit), turning the API's
// exceptions and internal failures into the interpreter's result as odbpost reports them.
// Call only while holding the ApiGuard (api_guard.h).
int RunWithOdbApi(Tcl_Interp* interp, const std::function<int()>& body);
