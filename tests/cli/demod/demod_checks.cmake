# Checks of what vantrel-demod writes, for its scenarios. Variables: DEMOD, DECODE, PACK_BITS,
# WORK, SAMPLE_WAV, SAMPLE_BITS, SAMPLES.
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)

# The file holds the bit text vantrel-demod writes: lines of 1 to 64 "0"/"1" ended by CR LF
# (in hexadecimal, so that no line end is translated); sets <variable> to its hexadecimal.
function(expect_bit_text path variable)
    file(READ "${path}" hex HEX)
    # Mark lines ("#" and no "0", "1" or line end before CR LF) go; the bits must stay.
    if(NOT hex MATCHES "^23")
        message(FATAL_ERROR "${path} does not start with its header line")
    endif()
    string(REGEX REPLACE "23([124-9a-f][0-9a-f]|0[0-9bcef]|3[2-9a-f])*0d0a" "" hex "${hex}")
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
    run_clean(got KEEP_OUTPUT COMMAND "${DECODE}" "${bits}")
    # Sound, and so its marked bit text, is decoded in arrival order.
    run_clean(want KEEP_OUTPUT COMMAND "${DECODE}" --order arrival "${reference}")
    expect_same_bytes("${WORK}/got.out" "${WORK}/want.out" "${what}: the reports")
    file(READ "${WORK}/want.out" report)
    if(NOT report MATCHES "Blocks Found:[1-9]")
        message(FATAL_ERROR "${what}: the reference holds no block, the check proves nothing")
    endif()
endfunction()

# The bit text at `path` came from a recording cut short, whose whole gave the bit text in
# hexadecimal `wholeHex`: all but its last line (which may end where the cut fell) is the start
# of the whole text, and the cut gave some bits but not all of them.
function(expect_start_of_whole path wholeHex what)
    expect_bit_text("${path}" cutHex)
    string(REGEX REPLACE "((3[01])+0d0a)$" "" cutFullLines "${cutHex}")
    string(LENGTH "${cutFullLines}" cutLength)
    string(SUBSTRING "${wholeHex}" 0 ${cutLength} wholeStart)
    expect_equal("${cutFullLines}" "${wholeStart}" "the lines of ${what}")
    if("${cutHex}" STREQUAL "" OR "${cutHex}" STREQUAL "${wholeHex}")
        message(FATAL_ERROR "${what} gave no bits, or all of them")
    endif()
endfunction()
