// The Tcl version the extensions ask Tcl_InitStubs for: 8.4 or later, in the form the stub
// library of the tcl.h compiled against reads. Tcl 8 takes "8.4" as 8.4 or later; Tcl 9 reads
// "8.4" as 8.x only and needs "8.4-" for "and later".
#pragma once
#include <tcl.h>

#if TCL_MAJOR_VERSION >= 9
#define ODBPOST_TCL_REQUIREMENT "8.4-"
#else
#define ODBPOST_TCL_REQUIREMENT "8.4"
#endif
