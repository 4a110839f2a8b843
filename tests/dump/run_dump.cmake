# Runs kelpost-dump (through EMULATOR when given) with ARGS (a ;-list) and checks its exit status against EXPECT and, when
# STDERR_MATCH is given, its standard error against that regular expression.
execute_process(COMMAND ${EMULATOR} ${DUMP} ${ARGS}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL "${EXPECT}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT}; stderr: ${err}")
endif()
if(DEFINED STDERR_MATCH AND NOT err MATCHES "${STDERR_MATCH}")
  message(FATAL_ERROR "stderr does not match '${STDERR_MATCH}': ${err}")
endif()
