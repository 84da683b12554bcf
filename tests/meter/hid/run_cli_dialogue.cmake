# Runs quedral-cli (no --simulate) against the emulated meter with a scripted
# dialogue, then checks its exit status and output.
#   cmake -DUMOCKDEV_RUN=... -DCLI=... -DSCRIPTS=<dir> -DSCRIPT=probe.script
#         -DARGS="raw;K" -DEXPECT="regex1;regex2" [-DEXPECT_STATUS=0] -P run_cli_dialogue.cmake
# umockdev-run ends the run with status 133 when a write differs from the
# script; a line the program never reached goes unnoticed, hence the output checks.
if(NOT DEFINED EXPECT_STATUS)
  set(EXPECT_STATUS 0)
endif()
execute_process(
  COMMAND "${UMOCKDEV_RUN}"
          -d "${SCRIPTS}/kv4471.umockdev"
          -i "/dev/hidraw0=${SCRIPTS}/kv4471.ioctl"
          -s "/dev/hidraw0=${SCRIPTS}/${SCRIPT}"
          -- "${CLI}" ${ARGS}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 60)
message(STATUS "quedral-cli ${ARGS} -> ${status}\nstdout:\n${out}\nstderr:\n${err}")
if(NOT "${status}" STREQUAL "${EXPECT_STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_STATUS}")
endif()
foreach(pattern IN LISTS EXPECT)
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "stdout does not match: ${pattern}")
  endif()
endforeach()
