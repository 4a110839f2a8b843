#include "odbpost_command.h"

#include "conversion.h"
#include "file_arguments.h"
#include "progress.h"
#include "tcl_result.h"

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
    SetMessage(interp, "odbpost: out of memory");
    return TCL_ERROR;
  }
}
