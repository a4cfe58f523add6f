# Runs the tool once and checks exit status, standard output and standard error.
# Variables: TOOL, WORK, ARGS, INPUT, EXIT, STDOUT, STDOUT_MATCH, STDERR (see add_tool_test in
# tool_test.cmake).
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/read_raw.cmake)

# check_stream(<what> <file> <text> <regex> <expectedHex> <expected>): the stream `what`, written
# to `file`, must match `regex` when there is one, and else hold exactly the bytes
# `expectedHex` (byte for byte, through hexadecimal so that no line end is translated), which
# `expected` names. Sets <text> to its bytes; a miss adds a line to `problems`.
function(check_stream what file text regex expectedHex expected)
    read_raw("${file}" bytes)
    file(READ "${file}" hex HEX)
    if(regex)
        if(NOT bytes MATCHES "${regex}")
            list(APPEND problems "${what} does not match ${regex}")
        endif()
    elseif(NOT "${hex}" STREQUAL "${expectedHex}")
        list(APPEND problems "${what} differs from ${expected}\n  got:      ${hex}\n  expected: ${expectedHex}")
    endif()
    set(${text} "${bytes}" PARENT_SCOPE)
    set(problems "${problems}" PARENT_SCOPE)
endfunction()

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

set(problems)
if(NOT "${status}" STREQUAL "${EXIT}")
    list(APPEND problems "exit status ${status}, expected ${EXIT}")
endif()

set(expectedHex)
foreach(expectedFile IN LISTS expectedFiles)
    file(READ "${expectedFile}" hex HEX)
    string(APPEND expectedHex "${hex}")
endforeach()
check_stream("standard output" "${WORK}/stdout" out "${STDOUT_MATCH}" "${expectedHex}"
             "${expectedFiles}")
check_stream("standard error" "${WORK}/stderr" err "${STDERR}" "" "no text")

if(problems)
    string(REPLACE ";" "\n" problems "${problems}")
    message(FATAL_ERROR "${TOOL} ${args}\n${problems}\n--- standard output:\n${out}\n--- standard error:\n${err}")
endif()
