// The message of a failed command: how the driver and the translations set the interpreter's
// result to a text. Only for code built against Tcl (through its stub table or not).
#pragma once

#include <tcl.h>

// Replaces the interpreter's result with text, up to its terminating zero.
inline void SetMessage(Tcl_Interp* interp, const char* text) {
  Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
}
