// The entry point of the odbpost::tools package, called by Tcl's load.
#include <tcl.h>

#include "tcl_requirement.h"
#include "tools_contents_command.h"
#include "tools_convert_command.h"

extern "C" int Odbposttools_Init(Tcl_Interp* interp) {
  if (Tcl_InitStubs(interp, ODBPOST_TCL_REQUIREMENT, 0) == nullptr) return TCL_ERROR;
  Tcl_CreateObjCommand(interp, "odbpost::contents", ContentsCommand, nullptr, nullptr);
  Tcl_CreateObjCommand(interp, "odbpost::convert", ConvertCommand, nullptr, nullptr);
  return TCL_OK;
}
