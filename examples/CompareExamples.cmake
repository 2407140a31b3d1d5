# Runs the example generator into WORK_DIR and compares each file with the one in SOURCE_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${GENERATOR} ${WORK_DIR} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ombrane-make-examples failed: ${status}")
endif()
foreach(name IN ITEMS eclipsing_binary.txt pulsating_star.txt pulsating_star.csv short_night.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files --ignore-eol ${SOURCE_DIR}/${name} ${WORK_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "examples/${name} differs from the generator's output; regenerate it with "
                        "ombrane-make-examples examples")
  endif()
endforeach()
