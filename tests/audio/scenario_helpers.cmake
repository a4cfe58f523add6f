# Helpers for the vantrel-demod scenarios. Variables: DEMOD, DECODE, PACK_BITS, WORK, SAMPLE_WAV,
# SAMPLE_BITS, SAMPLES.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cli/read_raw.cmake)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
string(ASCII 13 CR)
set(CRLF "${CR}\n")

# run(<prefix> [INPUT file] COMMAND args...): runs a program in WORK with its output in
# WORK/<prefix>.out and .err; sets <prefix>_STATUS and <prefix>_ERR.
function(run prefix)
    cmake_parse_arguments(RUN "" "INPUT" "COMMAND" ${ARGN})
    set(input_option)
    if(RUN_INPUT)
        set(input_option INPUT_FILE "${RUN_INPUT}")
    endif()
    execute_process(
        COMMAND ${RUN_COMMAND}
        WORKING_DIRECTORY "${WORK}"
        ${input_option}
        OUTPUT_FILE "${WORK}/${prefix}.out"
        ERROR_FILE "${WORK}/${prefix}.err"
        RESULT_VARIABLE status)
    read_raw("${WORK}/${prefix}.err" err)
    set(${prefix}_STATUS "${status}" PARENT_SCOPE)
    set(${prefix}_ERR "${err}" PARENT_SCOPE)
endfunction()

# run() that must succeed in silence.
function(run_clean prefix)
    run(${prefix} ${ARGN})
    if(NOT "${${prefix}_STATUS}" STREQUAL "0" OR NOT "${${prefix}_ERR}" STREQUAL "")
        message(FATAL_ERROR "${ARGN}\n  exit status ${${prefix}_STATUS}\n  ${${prefix}_ERR}")
    endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/../expect.cmake)

function(expect_same_bytes path other what)
    file(READ "${path}" a HEX)
    file(READ "${other}" b HEX)
    if(NOT a STREQUAL b)
        message(FATAL_ERROR "${what}: ${path} and ${other} differ")
    endif()
endfunction()

# The file holds the bit text vantrel-demod writes: lines of 1 to 64 "0"/"1" ended by CR LF
# (in hexadecimal, so that no line end is translated); sets <variable> to its hexadecimal.
function(expect_bit_text path variable)
    file(READ "${path}" hex HEX)
    if(NOT hex MATCHES "^((3[01])+0d0a)*$")
        message(FATAL_ERROR "${path} is not lines of \"0\"/\"1\" ended by CR LF")
    endif()
    if(hex MATCHES "(3[01]){65}")
        message(FATAL_ERROR "${path} has a line longer than 64 bits")
    endif()
    set(${variable} "${hex}" PARENT_SCOPE)
endfunction()

# The report vantrel-decode gives for the bit text in `bits` equals the one for `reference`:
# the same blocks with the same fields and checks. (The short report: the debug report also
# lists the bits around the blocks, which a modem adds to or loses at the ends.)
function(expect_same_report bits reference what)
    run_clean(got COMMAND "${DECODE}" "${bits}")
    run_clean(want COMMAND "${DECODE}" "${reference}")
    expect_same_bytes("${WORK}/got.out" "${WORK}/want.out" "${what}: the reports")
    file(READ "${WORK}/want.out" report)
    if(NOT report MATCHES "Blocks Found:[1-9]")
        message(FATAL_ERROR "${what}: the reference holds no block, the check proves nothing")
    endif()
endfunction()

# The first `bytes` bytes of `path` into `cut`.
function(cut_file path bytes cut)
    execute_process(COMMAND head -c ${bytes} "${path}" OUTPUT_FILE "${cut}" RESULT_VARIABLE status)
    expect_equal("${status}" 0 "head -c ${bytes} ${path}")
endfunction()
