# Helpers for the scenario scripts, which run programs in a fresh folder WORK and check what
# they did. Variables: WORK, and whatever the script's test passes (see add_scenario_test).
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/read_raw.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/expect.cmake)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
string(ASCII 13 CR)
set(CRLF "${CR}\n")

# run(<prefix> [INPUT file] [KEEP_OUTPUT] COMMAND program args...): runs the program in WORK;
# sets <prefix>_STATUS and <prefix>_ERR.
# Standard output goes into <prefix>_OUT, through files beside WORK: captured in a variable
# directly, CR LF would turn into LF, and beside WORK they stay out of a listing of it.
# KEEP_OUTPUT leaves standard output in WORK/<prefix>.out instead (and standard error in
# WORK/<prefix>.err), for output that is no text or goes on to the next program.
function(run prefix)
    cmake_parse_arguments(RUN "KEEP_OUTPUT" "INPUT" "COMMAND" ${ARGN})
    set(input_option)
    if(RUN_INPUT)
        set(input_option INPUT_FILE "${RUN_INPUT}")
    endif()
    if(RUN_KEEP_OUTPUT)
        set(out "${WORK}/${prefix}.out")
        set(err "${WORK}/${prefix}.err")
    else()
        set(out "${WORK}.stdout")
        set(err "${WORK}.stderr")
    endif()
    execute_process(
        COMMAND ${RUN_COMMAND}
        WORKING_DIRECTORY "${WORK}"
        ${input_option}
        OUTPUT_FILE "${out}"
        ERROR_FILE "${err}"
        RESULT_VARIABLE status)
    if(NOT RUN_KEEP_OUTPUT)
        read_raw("${out}" text)
        set(${prefix}_OUT "${text}" PARENT_SCOPE)
    endif()
    read_raw("${err}" text)
    set(${prefix}_STATUS "${status}" PARENT_SCOPE)
    set(${prefix}_ERR "${text}" PARENT_SCOPE)
endfunction()

# run() that must succeed in silence.
function(run_clean prefix)
    run(${prefix} ${ARGN})
    if(NOT "${${prefix}_STATUS}" STREQUAL "0" OR NOT "${${prefix}_ERR}" STREQUAL "")
        message(FATAL_ERROR "${ARGN}\n  exit status ${${prefix}_STATUS}\n  ${${prefix}_ERR}")
    endif()
endfunction()

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

function(expect_same_bytes path other what)
    file(READ "${path}" a HEX)
    file(READ "${other}" b HEX)
    if(NOT a STREQUAL b)
        message(FATAL_ERROR "${what}: ${path} and ${other} differ")
    endif()
endfunction()

# Nothing but the named entries in WORK: a save leaves no temporary file behind.
function(expect_entries)
    file(GLOB entries RELATIVE "${WORK}" "${WORK}/*")
    list(SORT entries)
    set(expected ${ARGN})
    list(SORT expected)
    expect_equal("${entries}" "${expected}" "entries of ${WORK}")
endfunction()

# The first `bytes` bytes of `path` into `cut`.
function(cut_file path bytes cut)
    execute_process(COMMAND head -c ${bytes} "${path}" OUTPUT_FILE "${cut}" RESULT_VARIABLE status)
    expect_equal("${status}" 0 "head -c ${bytes} ${path}")
endfunction()
