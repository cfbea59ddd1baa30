# Runs TOOL with ARGS in the current directory and fails unless its standard output equals
# the file EXPECTED byte for byte and its exit status equals STATUS.
separate_arguments(args UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${TOOL} ${args} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
file(READ ${EXPECTED} expected)
if(NOT rc STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${rc}, expected ${STATUS}")
endif()
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "output differs from ${EXPECTED}:\n${out}")
endif()
