# The bundled samples must be exactly what the sample maker writes today.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${MAKER} ${WORK} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make-samples failed: ${result}")
endif()
file(GLOB made RELATIVE ${WORK} ${WORK}/*.txt ${WORK}/*.wav)
foreach(name IN LISTS made)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${SAMPLES}/${name}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "samples/${name} differs from what make-samples writes; run "
                            "build/tools/make-samples samples")
    endif()
endforeach()
