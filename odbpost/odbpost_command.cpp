#include "odbpost_command.h"

#include "conversion.h"
#include "file_arguments.h"
#include "progress.h"

int ConversionCommand(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  if (objc < 3) {
    Tcl_WrongNumArgs(interp, 1, objv, "inputfile outputfile");
    return TCL_ERROR;
  }
  HostProgress progress(interp);
  ConversionSettings settings;
  settings.progress = &progress;
  try {
    return RunConversion(interp, FileSystemPathOf(objv[1]), FileSystemPathOf(objv[2]), settings);
  } catch (...) {
    // Copying the arguments can only fail for want of memory.
    Tcl_SetObjResult(interp, Tcl_NewStringObj("odbpost: out of memory", -1));
    return TCL_ERROR;
  }
}
