# Runs the tool once and checks exit status, standard output and standard error.
# Variables: TOOL, WORK, ARGS, INPUT, EXIT, STDOUT, STDOUT_MATCH, STDERR (see add_tool_test in
# tool_test.cmake).
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/read_raw.cmake)
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "|" ";" expectedFiles "${STDOUT}")
string(ASCII 13 CR)
string(REPLACE "@CRLF@" "${CR}\n" STDOUT_MATCH "${STDOUT_MATCH}")
string(REPLACE "@CRLF@" "${CR}\n" STDERR "${STDERR}")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(input_option)
if(INPUT)
    set(input_option INPUT_FILE "${INPUT}")
endif()
execute_process(
    COMMAND "${TOOL}" ${args}
    WORKING_DIRECTORY "${WORK}"
    ${input_option}
    OUTPUT_FILE "${WORK}/stdout"
    ERROR_FILE "${WORK}/stderr"
    RESULT_VARIABLE status)

read_raw("${WORK}/stdout" out)
read_raw("${WORK}/stderr" err)
set(problems)
if(NOT "${status}" STREQUAL "${EXIT}")
    list(APPEND problems "exit status ${status}, expected ${EXIT}")
endif()

# Byte for byte, through hexadecimal so that no line end is translated.
file(READ "${WORK}/stdout" outHex HEX)
set(expectedHex)
foreach(expectedFile IN LISTS expectedFiles)
    file(READ "${expectedFile}" hex HEX)
    string(APPEND expectedHex "${hex}")
endforeach()
if(STDOUT_MATCH)
    if(NOT out MATCHES "${STDOUT_MATCH}")
        list(APPEND problems "standard output does not match ${STDOUT_MATCH}")
    endif()
elseif(NOT "${outHex}" STREQUAL "${expectedHex}")
    list(APPEND problems "standard output differs from ${expectedFiles}\n  got:      ${outHex}\n  expected: ${expectedHex}")
endif()

if(STDERR)
    if(NOT err MATCHES "${STDERR}")
        list(APPEND problems "standard error does not match ${STDERR}")
    endif()
elseif(NOT "${err}" STREQUAL "")
    list(APPEND problems "standard error not empty")
endif()

if(problems)
    string(REPLACE ";" "\n" problems "${problems}")
    message(FATAL_ERROR "${TOOL} ${args}\n${problems}\n--- standard output:\n${out}\n--- standard error:\n${err}")
endif()
