// The extension's entry point, called by Tcl's load.
#include <tcl.h>

#include "conversion_command.h"

// An interpreter of version 8.4 or later, in the form the stub library of the tcl.h compiled
// against reads: Tcl 8 takes "8.4" as 8.4 up to 9, Tcl 9 needs "8.4-" for "and later".
#if TCL_MAJOR_VERSION >= 9
#define ODBPOST_TCL_REQUIREMENT "8.4-"
#else
#define ODBPOST_TCL_REQUIREMENT "8.4"
#endif

extern "C" int Odbpost_Init(Tcl_Interp* interp) {
  if (Tcl_InitStubs(interp, ODBPOST_TCL_REQUIREMENT, 0) == nullptr) return TCL_ERROR;
  Tcl_CreateObjCommand(interp, "odbpost", ConversionCommand, nullptr, nullptr);
  return TCL_OK;
}
