// The odbpost command: converts one database into one binary results file.
#pragma once

#include <tcl.h>

// odbpost inputfile outputfile
int ConversionCommand(ClientData clientData, Tcl_Interp* interp, int objc,
                      Tcl_Obj* const objv[]);
