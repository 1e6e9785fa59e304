# Runs PROGRAM ARGUMENT and fails unless it exits with EXIT and its output (standard
# output and standard error together) matches the regular expression EXPECT.
#   cmake -DPROGRAM=... -DARGUMENT=... -DEXIT=... -DEXPECT=... -P expect_output.cmake
execute_process(COMMAND ${PROGRAM} ${ARGUMENT} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out
                TIMEOUT 60)
if(NOT status STREQUAL EXIT)
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} ended with ${status}, not ${EXIT}:\n${out}")
endif()
if(NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} printed\n${out}\nwhich does not match ${EXPECT}")
endif()
