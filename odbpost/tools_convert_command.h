// odbpost::convert ?options? inputfile outputfile: the conversion of a chosen part of the
// database, in a chosen variant, with progress that can cancel it.
#pragma once

#include <tcl.h>

int ConvertCommand(ClientData clientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]);
