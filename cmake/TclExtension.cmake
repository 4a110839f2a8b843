# Loadable Tcl extensions of the project: how each library is named for the Tcl it is built
# for, what it exports and where it is installed. The Tcl is the one of TclFromPrefix.cmake
# (ODBPOST_TCL_MAJOR_VERSION, TCL_INCLUDE_PATH, TCL_STUB_LIBRARY).
include(ExportOnly)

# odbpost_tcl_library_file(OUT NAME VERSION TCL_MAJOR) sets OUT to the file name of the
# library of extension NAME, release VERSION, built for Tcl TCL_MAJOR:
# - Tcl 8: libNAME.so (NAME.dll on Windows), the name hosts already load by path;
# - Tcl 9: the name Tcl 9's extensions have, libtcl9NAMEVERSION.so (tcl9NAMEVERSION.dll with
#   the version's dots left out on Windows), so that both can lie in one package folder.
# From either name Tcl's load derives the same prefix, NAME in title case.
function(odbpost_tcl_library_file out name version tcl_major)
  if(tcl_major GREATER_EQUAL 9)
    if(WIN32)
      string(REPLACE "." "" digits "${version}")
      set(file "tcl9${name}${digits}${CMAKE_SHARED_MODULE_SUFFIX}")
    else()
      set(file "libtcl9${name}${version}${CMAKE_SHARED_MODULE_SUFFIX}")
    endif()
  elseif(WIN32)
    set(file "${name}${CMAKE_SHARED_MODULE_SUFFIX}")
  else()
    set(file "lib${name}${CMAKE_SHARED_MODULE_SUFFIX}")
  endif()
  set(${out} "${file}" PARENT_SCOPE)
endfunction()

# odbpost_tcl_extension(TARGET NAME name VERSION version INIT Prefix DESTINATION folder)
# makes the MODULE (or SHARED) library TARGET a stub-enabled extension of the build's Tcl: named by
# odbpost_tcl_library_file, compiled against tcl.h with USE_TCL_STUBS and linked with the stub
# library (call it after linking the libraries that call Tcl, which the stub library serves
# too), exporting Prefix_Init and nothing else, every reference resolved at link time, and
# installed into folder (relative to the install prefix).
function(odbpost_tcl_extension target)
  cmake_parse_arguments(arg "" "NAME;VERSION;INIT;DESTINATION" "" ${ARGN})
  foreach(required NAME VERSION INIT DESTINATION)
    if(NOT arg_${required})
      message(FATAL_ERROR "odbpost_tcl_extension(${target}): ${required} is missing")
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "MODULE_LIBRARY" AND NOT type STREQUAL "SHARED_LIBRARY")
    message(FATAL_ERROR "odbpost_tcl_extension(${target}): a MODULE or SHARED library is needed, not ${type}")
  endif()

  odbpost_tcl_library_file(file ${arg_NAME} ${arg_VERSION} ${ODBPOST_TCL_MAJOR_VERSION})
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME "${file}")
  target_include_directories(${target} PRIVATE ${TCL_INCLUDE_PATH})
  target_compile_definitions(${target} PRIVATE USE_TCL_STUBS)
  target_link_libraries(${target} PRIVATE ${TCL_STUB_LIBRARY})
  if(NOT WIN32)
    # The extension must not leave symbols to be resolved by whichever program loads it.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  # Tcl's load calls Prefix_Init; nothing else of the module is for anyone outside it (a
  # shared library that others link against names its exports itself).
  if(type STREQUAL "MODULE_LIBRARY")
    odbpost_export_only(${target} ${arg_INIT}_Init)
  endif()
  # A shared library's DLL is a runtime file on Windows; its import library is not installed.
  install(TARGETS ${target} LIBRARY DESTINATION ${arg_DESTINATION}
                            RUNTIME DESTINATION ${arg_DESTINATION})
endfunction()
