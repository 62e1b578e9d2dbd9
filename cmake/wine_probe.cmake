# Tests that start a Wine loader are disabled at configure time on a machine that cannot run it
# (a kernel without 32-bit support, a loader that could not be installed), so CTest reports them
# "Not Run (Disabled)" instead of failing, and everything else still runs. The probe is
# scripts/probe-wine: one run of the loader, success judged by its status and output only.
# Tested by tests/ci/wine_probe_test.sh.
set(VANTREL_PROBE_WINE ${CMAKE_CURRENT_LIST_DIR}/../scripts/probe-wine)

function(vantrel_tests_need_loader loader)
  execute_process(COMMAND sh ${VANTREL_PROBE_WINE} ${loader}
                  RESULT_VARIABLE status OUTPUT_VARIABLE why OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0)
    return()
  endif()
  list(JOIN ARGN ", " names)
  message(NOTICE "Skipped, as this machine cannot run ${loader}: ${names}. Why: ${why}")
  set_tests_properties(${ARGN} PROPERTIES DISABLED TRUE)
endfunction()
