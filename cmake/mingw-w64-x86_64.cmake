# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix-thread flavour, which has
# std::thread and std::mutex), the programs run by ctest under Wine.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DODBPOST_WINDOWS_DEPS=<folder made by scripts/windows-deps>
#
# Programs and the extension are linked statically against the compiler's runtime and zlib,
# so that they need no DLL beyond Windows' own (and tcl86.dll for tclsh86.exe).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ODBPOST_MINGW_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ODBPOST_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ODBPOST_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${ODBPOST_MINGW_HOST}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# Libraries and headers for Windows come from the mingw-w64 folder and from the folders of
# scripts/windows-deps (Tcl, SQLite, GoogleTest); programs run during the build are this
# machine's own.
set(ODBPOST_WINDOWS_DEPS "$ENV{ODBPOST_WINDOWS_DEPS}" CACHE PATH
    "Folder of the Windows Tcl, SQLite and GoogleTest (scripts/windows-deps)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ODBPOST_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${ODBPOST_MINGW_HOST})
if(ODBPOST_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH
       ${ODBPOST_WINDOWS_DEPS}/tcl ${ODBPOST_WINDOWS_DEPS}/sqlite ${ODBPOST_WINDOWS_DEPS}/googletest)
  # The interpreter that runs the Tcl suite is the Windows one, under Wine.
  if(EXISTS ${ODBPOST_WINDOWS_DEPS}/tcl/bin/tclsh86.exe)
    set(TCL_TCLSH ${ODBPOST_WINDOWS_DEPS}/tcl/bin/tclsh86.exe CACHE FILEPATH "Windows tclsh")
  endif()
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and the tools the build runs) start through Wine's 64-bit loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
