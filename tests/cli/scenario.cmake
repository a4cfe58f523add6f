# Helpers for the scenario scripts. Variables: TOOL, WORK, DATA.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/read_raw.cmake)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
string(ASCII 13 CR)
set(CRLF "${CR}\n")

# run(<prefix> [INPUT file] args...): runs the tool in WORK; sets <prefix>_STATUS,
# <prefix>_OUT and <prefix>_ERR. The output goes through files beside WORK: captured in a
# variable directly, CR LF would turn into LF.
function(run prefix)
    cmake_parse_arguments(RUN "" "INPUT" "" ${ARGN})
    set(input_option)
    if(RUN_INPUT)
        set(input_option INPUT_FILE "${RUN_INPUT}")
    endif()
    execute_process(
        COMMAND "${TOOL}" ${RUN_UNPARSED_ARGUMENTS}
        WORKING_DIRECTORY "${WORK}"
        ${input_option}
        OUTPUT_FILE "${WORK}.stdout"
        ERROR_FILE "${WORK}.stderr"
        RESULT_VARIABLE status)
    read_raw("${WORK}.stdout" out)
    read_raw("${WORK}.stderr" err)
    set(${prefix}_STATUS "${status}" PARENT_SCOPE)
    set(${prefix}_OUT "${out}" PARENT_SCOPE)
    set(${prefix}_ERR "${err}" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/../expect.cmake)

# The file at `path` holds exactly the bytes of the files listed after it, then `tail`.
function(expect_file_bytes path tail)
    file(READ "${path}" actual HEX)
    set(expected)
    foreach(part IN LISTS ARGN)
        file(READ "${part}" hex HEX)
        string(APPEND expected "${hex}")
    endforeach()
    string(HEX "${tail}" tailHex)
    string(APPEND expected "${tailHex}")
    expect_equal("${actual}" "${expected}" "bytes of ${path}")
endfunction()

# Nothing but the named entries in WORK: a save leaves no temporary file behind.
function(expect_entries)
    file(GLOB entries RELATIVE "${WORK}" "${WORK}/*")
    list(SORT entries)
    set(expected ${ARGN})
    list(SORT expected)
    expect_equal("${entries}" "${expected}" "entries of ${WORK}")
endfunction()
