// File names given to a command as Tcl arguments, as the file system and the ODB API get them.
#pragma once

#include <tcl.h>

#include <string>

// The path bytes that Tcl's own file commands (open, file exists) would hand to the system for
// the argument: on POSIX systems the name in the interpreter's system encoding; on Windows the
// name in UTF-8, which the platform layer hands to the wide API as the same characters Tcl
// would. The name is taken as given: no tilde, no normalisation. A NUL character of the name
// stays in the result as a zero byte, so that the caller can refuse the name, as Tcl does (no
// file name holds one). Throws std::bad_alloc only.
std::string FileSystemPathOf(Tcl_Obj* argument);
