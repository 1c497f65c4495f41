# Fails when PROGRAM imports powrprof.dll: run by the no_powrprof_import target.
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()
string(TOLOWER "${dump}" dump)
if(dump MATCHES "dll name: powrprof\\.dll")
  message(FATAL_ERROR "${PROGRAM} imports powrprof.dll: load it at run time instead")
endif()
