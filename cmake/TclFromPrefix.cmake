# The Tcl the project is built and tested against: the system's (CMake's FindTclStub and
# FindTclsh), or, with -DODBPOST_TCL_PREFIX=FOLDER, the one installed in FOLDER (for instance
# Tcl 9.0 from scripts/tcl9-deps): its headers, stub library, shared library and tclsh.
#
# Sets TCL_INCLUDE_PATH, TCL_STUB_LIBRARY, TCL_LIBRARY, TCL_TCLSH as the Find modules do, and
# ODBPOST_TCL_MAJOR_VERSION, the major version of the tcl.h the sources are compiled with.
set(ODBPOST_TCL_PREFIX "" CACHE PATH "Folder of a Tcl installation to build against instead of the system's")

# The cached results belong to one choice of Tcl: a changed prefix looks them up anew.
set(odbpost_tcl_variables TCL_INCLUDE_PATH TCL_STUB_LIBRARY TCL_LIBRARY TCL_TCLSH)
if(NOT "${ODBPOST_TCL_PREFIX}" STREQUAL "${ODBPOST_TCL_PREFIX_FOUND}")
  foreach(var ${odbpost_tcl_variables})
    unset(${var} CACHE)
  endforeach()
  set(ODBPOST_TCL_PREFIX_FOUND "${ODBPOST_TCL_PREFIX}" CACHE INTERNAL "Prefix the TCL_ variables were found in")
endif()

if(ODBPOST_TCL_PREFIX)
  # Only in the prefix: a Tcl of the system must not fill a gap.
  find_path(TCL_INCLUDE_PATH tcl.h PATHS "${ODBPOST_TCL_PREFIX}/include" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(TCL_STUB_LIBRARY NAMES tclstub tclstub9.0 tclstub90 tclstub8.6 tclstub86
               PATHS "${ODBPOST_TCL_PREFIX}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(TCL_LIBRARY NAMES tcl9.0 tcl90 tcl8.6 tcl86
               PATHS "${ODBPOST_TCL_PREFIX}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_program(TCL_TCLSH NAMES tclsh9.0 tclsh90 tclsh8.6 tclsh86
               PATHS "${ODBPOST_TCL_PREFIX}/bin" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  foreach(var ${odbpost_tcl_variables})
    if(NOT ${var})
      message(FATAL_ERROR "ODBPOST_TCL_PREFIX=${ODBPOST_TCL_PREFIX}: no ${var} there "
                          "(a Tcl installation has include/tcl.h, lib/libtclstub*, bin/tclsh*)")
    endif()
  endforeach()
  message(STATUS "Tcl from ${ODBPOST_TCL_PREFIX}: ${TCL_TCLSH}")
endif()
# With every variable set, the Find modules only report what was found.
find_package(TclStub REQUIRED)
if(NOT ODBPOST_FUZZ)
  find_package(Tclsh REQUIRED)
endif()

file(STRINGS "${TCL_INCLUDE_PATH}/tcl.h" odbpost_tcl_major
     REGEX "^#[ \t]*define[ \t]+TCL_MAJOR_VERSION[ \t]+[0-9]+" LIMIT_COUNT 1)
if(NOT odbpost_tcl_major MATCHES "([0-9]+)[ \t]*$")
  message(FATAL_ERROR "${TCL_INCLUDE_PATH}/tcl.h: no TCL_MAJOR_VERSION")
endif()
set(ODBPOST_TCL_MAJOR_VERSION ${CMAKE_MATCH_1})
