// odbpost::contents inputfile: what the database holds, without its bulk data.
#pragma once

#include <tcl.h>

int ContentsCommand(ClientData clientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]);
