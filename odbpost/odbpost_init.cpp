// The extension's entry point, called by Tcl's load.
#include <tcl.h>

#include "odbpost_command.h"
#include "tcl_requirement.h"

extern "C" int Odbpost_Init(Tcl_Interp* interp) {
  if (Tcl_InitStubs(interp, ODBPOST_TCL_REQUIREMENT, 0) == nullptr) return TCL_ERROR;
  Tcl_CreateObjCommand(interp, "odbpost", ConversionCommand, nullptr, nullptr);
  return TCL_OK;
}
