# Export control of the shared modules: the only place that decides which symbols a module
# makes visible to the process that loads it.
#
# odbpost_export_only(TARGET SYMBOL...) keeps the named C symbols in the module's dynamic
# symbol table and makes every other definition local: our own functions, the static libraries
# linked in (the writer, the translation, the database stand-in) and the C++ templates
# instantiated from any header. In a host that also holds the vendor's ODB libraries, nothing of
# ours can then take the place of theirs, nor theirs of ours. References to other shared
# libraries stay as they are.
function(odbpost_export_only target)
  if(NOT ARGN)
    message(FATAL_ERROR "odbpost_export_only(${target}): name at least one symbol")
  endif()
  if(WIN32)
    # A DLL exports what a module-definition file lists, and then nothing else.
    set(def "${CMAKE_CURRENT_BINARY_DIR}/${target}.def")
    list(JOIN ARGN "\n    " names)
    set(content "EXPORTS\n    ${names}\n")
    set(old "")
    if(EXISTS "${def}")
      file(READ "${def}" old)
    endif()
    if(NOT old STREQUAL content)
      file(WRITE "${def}" "${content}")
    endif()
    target_sources(${target} PRIVATE "${def}")
    return()
  endif()
  set(map "${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.map")
  list(JOIN ARGN ";\n    " names)
  file(GENERATE OUTPUT "${map}" CONTENT "{\n  global:\n    ${names};\n  local: *;\n};\n")
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}" "LINKER:--exclude-libs,ALL")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${map}")
endfunction()
