# The vendor's ODB API of an Abaqus installation, as the target abaqus_odb_api.
#
# ABAQUS_ODB_API_DIR is the platform folder of the installation, the one that holds
# code/include (the API's headers) and code/bin (its shared libraries), for instance
# /usr/SIMULIA/EstProducts/2023/linux_a64. The compile definitions are those of the Linux
# environment file's compile_cpp entry (lnx86_64.env), which `abaqus make` uses for C++
# programs of the API; the libraries are those its programs link. Where a release names its
# libraries differently, set ABAQUS_ODB_API_LIBRARIES.
#
# On Windows the platform folder (for instance C:/SIMULIA/EstProducts/2023/win_b64) holds the
# import libraries (NAME.lib) in code/lib and the DLLs in code/bin; the definitions are those
# of the Windows environment file's compile_cpp entry (win86_64.env). The vendor's libraries are
# built with Visual Studio, whose C++ ABI mingw-w64 does not share: build with Visual Studio
# then. The DLLs are found at run time through PATH (Windows has no run path). This layout is
# checked only against the vendor's public documentation.
include(AbaqusOdbApiNames)

set(ABAQUS_ODB_API_DIR "" CACHE PATH
    "Abaqus platform folder holding code/include and code/bin (e.g. .../EstProducts/2023/linux_a64)")
set(ABAQUS_ODB_API_LIBRARIES "${ABAQUS_ODB_API_DEFAULT_LIBRARIES}" CACHE STRING
    "Names of the vendor's ODB API libraries in code/bin, without lib and .so")

if(NOT ABAQUS_ODB_API_DIR)
  message(FATAL_ERROR "ODBPOST_ODB_API=vendor needs -DABAQUS_ODB_API_DIR=<folder with code/include and code/bin>")
endif()
set(abaqus_include_dir "${ABAQUS_ODB_API_DIR}/code/include")
set(abaqus_library_dir "${ABAQUS_ODB_API_DIR}/code/bin")
set(abaqus_link_dir "${abaqus_library_dir}")
if(WIN32)
  # Import libraries in code/lib; the DLLs they name stay in code/bin.
  set(abaqus_link_dir "${ABAQUS_ODB_API_DIR}/code/lib")
endif()
if(NOT EXISTS "${abaqus_include_dir}/odb_API.h")
  message(FATAL_ERROR "ABAQUS_ODB_API_DIR: ${abaqus_include_dir}/odb_API.h does not exist")
endif()

set(abaqus_libraries "")
set(abaqus_missing "")
foreach(name IN LISTS ABAQUS_ODB_API_LIBRARIES)
  # One cache entry per library and folder, so that pointing at another installation
  # searches again.
  string(MAKE_C_IDENTIFIER "ABAQUS_LIBRARY_${name}_${abaqus_link_dir}" variable)
  find_library(${variable} NAMES ${name} PATHS "${abaqus_link_dir}" NO_DEFAULT_PATH
               NO_CMAKE_FIND_ROOT_PATH)
  mark_as_advanced(${variable})
  if(${variable})
    list(APPEND abaqus_libraries "${${variable}}")
  else()
    list(APPEND abaqus_missing ${name})
  endif()
endforeach()
if(abaqus_missing)
  message(FATAL_ERROR "ABAQUS_ODB_API_DIR: not found in ${abaqus_link_dir}: ${abaqus_missing} "
                      "(set ABAQUS_ODB_API_LIBRARIES to the names this release uses)")
endif()
message(STATUS "ODB API: the vendor's, from ${ABAQUS_ODB_API_DIR}")

add_library(abaqus_odb_api INTERFACE)
# A system folder: warnings, and so -Werror, do not apply to the vendor's headers.
target_include_directories(abaqus_odb_api SYSTEM INTERFACE "${abaqus_include_dir}")
target_compile_definitions(abaqus_odb_api INTERFACE ${ABAQUS_ODB_API_DEFINITIONS})
target_link_libraries(abaqus_odb_api INTERFACE ${abaqus_libraries})
# Older releases' headers hold code that the vendor's compiler accepts and g++ stops at (an extra
# qualification in gsl_Point.h, a lookup that needs two phases in odb_Repository.h): the code
# compiled against the headers takes -fpermissive under GCC, which turns those errors into
# warnings, and warnings in a system folder are not reported.
target_compile_options(abaqus_odb_api INTERFACE $<$<CXX_COMPILER_ID:GNU>:-fpermissive>)
# Where the libraries are, for programs and the extension once installed; the build tree
# finds them through the run path CMake sets for libraries given by full path.
set(ABAQUS_ODB_API_LIBRARY_DIR "${abaqus_library_dir}")
