# Runs each fuzz driver of DRIVERS (a list) without arguments: over its seeds and their
# mutations. Fails when one fails (a crash, a sanitizer report, an unexpected exception).
foreach(driver IN LISTS DRIVERS)
  execute_process(COMMAND ${driver} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "${out}${err}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${driver} failed (${result})")
  endif()
endforeach()
