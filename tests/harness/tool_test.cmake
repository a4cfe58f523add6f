# How the tests run a program of the project end to end, for every folder that does.

# add_tool_test(TOOL target NAME test ARGS args... [INPUT file] [EXIT code] [STDOUT files...]
#               [STDOUT_MATCH regex] [STDERR regex])
# Runs the program of `target` once in a fresh folder, through run_tool.cmake. STDOUT lists the
# files whose bytes, one after the other, standard output must equal (without STDOUT and
# STDOUT_MATCH it must be empty); STDERR is a regular expression that standard error must
# match (without it, standard error must be empty). In the expressions @CRLF@ stands for
# CR LF: control characters do not survive the way to the script.
function(add_tool_test)
    cmake_parse_arguments(T "" "TOOL;NAME;INPUT;EXIT;STDERR;STDOUT_MATCH" "ARGS;STDOUT" ${ARGN})
    if(NOT DEFINED T_EXIT)
        set(T_EXIT 0)
    endif()
    # Lists travel to the script with "|" in place of ";".
    string(REPLACE ";" "|" args "${T_ARGS}")
    string(REPLACE ";" "|" stdout "${T_STDOUT}")
    # A folder name without the dot of the test's group, which a file name rule might see.
    string(MAKE_C_IDENTIFIER "${T_NAME}" folder)
    add_test(NAME ${T_NAME}
        COMMAND ${CMAKE_COMMAND}
            -DTOOL=$<TARGET_FILE:${T_TOOL}>
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/work/${folder}
            "-DARGS=${args}"
            "-DINPUT=${T_INPUT}"
            "-DEXIT=${T_EXIT}"
            "-DSTDOUT=${stdout}"
            "-DSTDOUT_MATCH=${T_STDOUT_MATCH}"
            "-DSTDERR=${T_STDERR}"
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/run_tool.cmake)
endfunction()

# add_scenario_test(NAME test SCRIPT file [DEFINE name=value...])
# A scenario script of its own, for runs that prepare and inspect files (see scenario.cmake);
# it gets a fresh WORK folder and the variables of DEFINE.
function(add_scenario_test)
    cmake_parse_arguments(S "" "NAME;SCRIPT" "DEFINE" ${ARGN})
    list(TRANSFORM S_DEFINE PREPEND "-D")
    string(MAKE_C_IDENTIFIER "${S_NAME}" folder)
    add_test(NAME ${S_NAME}
        COMMAND ${CMAKE_COMMAND} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/work/${folder} ${S_DEFINE}
                -P ${S_SCRIPT})
endfunction()
