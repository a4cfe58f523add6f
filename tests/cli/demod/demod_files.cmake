# vantrel-demod on sound files: the sample recording gives the bits it was made from, in every
# container and channel; a file cut short gives what it holds and says so.
include(${CMAKE_CURRENT_LIST_DIR}/demod_checks.cmake)

run_clean(wav KEEP_OUTPUT COMMAND "${DEMOD}" "${SAMPLE_WAV}")
expect_bit_text("${WORK}/wav.out" wavHex)
expect_same_report("${WORK}/wav.out" "${SAMPLE_BITS}" "the sample WAV")

# The same sound in other containers, and in the second channel of a stereo file.
run_clean(aiff COMMAND sox -D "${SAMPLE_WAV}" "${WORK}/sample.aiff")
run_clean(flac COMMAND sox -D "${SAMPLE_WAV}" "${WORK}/sample.flac")
run_clean(quiet COMMAND sox -D "${SAMPLE_WAV}" "${WORK}/quiet.wav" vol 0) # no dither: silence
run_clean(stereo COMMAND sox -D -M "${WORK}/quiet.wav" "${SAMPLE_WAV}" "${WORK}/stereo.flac")
file(RENAME "${WORK}/sample.flac" "${WORK}/sample-flac.txt") # the content decides, not the name
foreach(input sample.aiff sample-flac.txt)
    run_clean(other KEEP_OUTPUT COMMAND "${DEMOD}" "${input}")
    expect_same_bytes("${WORK}/other.out" "${WORK}/wav.out" "${input}")
endforeach()
run_clean(second KEEP_OUTPUT COMMAND "${DEMOD}" --channel 2 stereo.flac)
expect_same_bytes("${WORK}/second.out" "${WORK}/wav.out" "channel 2 of stereo.flac")
run_clean(first KEEP_OUTPUT COMMAND "${DEMOD}" stereo.flac)
file(SIZE "${WORK}/first.out" firstSize)
expect_equal("${firstSize}" 0 "bits from the silent channel 1")
run(third COMMAND "${DEMOD}" --channel 3 stereo.flac)
expect_equal("${third_STATUS}" 1 "exit status for channel 3 of 2")
expect_equal("${third_ERR}" "vantrel-demod: stereo.flac: there is no channel 3: the file has 2${CRLF}"
             "standard error for channel 3 of 2")

# The tones the other way round: forced, every bit is the other one.
run_clean(normal KEEP_OUTPUT COMMAND "${DEMOD}" --invert no "${SAMPLE_WAV}")
run_clean(inverted KEEP_OUTPUT COMMAND "${DEMOD}" --invert yes "${SAMPLE_WAV}")
file(READ "${WORK}/normal.out" normal)
file(READ "${WORK}/inverted.out" inverted)
# The marks say which tone was read as "1"; the bits are what must flip.
string(REGEX REPLACE "#[^\n]*\n" "" normal "${normal}")
string(REGEX REPLACE "#[^\n]*\n" "" inverted "${inverted}")
string(REPLACE "0" "x" flipped "${normal}")
string(REPLACE "1" "0" flipped "${flipped}")
string(REPLACE "x" "1" flipped "${flipped}")
expect_equal("${inverted}" "${flipped}" "--invert yes against --invert no")
expect_same_bytes("${WORK}/normal.out" "${WORK}/wav.out" "--invert no on a normal recording")

# Cut short at 60 %: what it held is written, lines and all, and the user is told.
file(SIZE "${SAMPLE_WAV}" size)
math(EXPR keep "${size} * 6 / 10")
cut_file("${SAMPLE_WAV}" ${keep} "${WORK}/cut.wav")
run(cut KEEP_OUTPUT COMMAND "${DEMOD}" cut.wav)
expect_equal("${cut_STATUS}" 1 "exit status for a cut WAV")
expect_equal("${cut_ERR}"
    "vantrel-demod: cut.wav: the file ended early; what it held was demodulated${CRLF}"
    "standard error for a cut WAV")
expect_start_of_whole("${WORK}/cut.out" "${wavHex}" "the cut WAV")
