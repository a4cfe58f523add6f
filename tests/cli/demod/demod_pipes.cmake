# vantrel-demod on standard input: raw PCM gives what the file gives, a stream that stops in
# the middle of a transmission still gives what was decoded, and a reader that goes away stops
# the tool quietly.
include(${CMAKE_CURRENT_LIST_DIR}/demod_checks.cmake)

run_clean(wav KEEP_OUTPUT COMMAND "${DEMOD}" "${SAMPLE_WAV}")
expect_bit_text("${WORK}/wav.out" wavHex)

execute_process(COMMAND soxi -r "${SAMPLE_WAV}" OUTPUT_VARIABLE rate
                OUTPUT_STRIP_TRAILING_WHITESPACE)
run_clean(toRaw COMMAND sox -D "${SAMPLE_WAV}" -t raw -e signed-integer -b 16 -L "${WORK}/sample.raw")
run_clean(raw KEEP_OUTPUT INPUT "${WORK}/sample.raw" COMMAND "${DEMOD}" --raw --rate ${rate} -)
expect_same_bytes("${WORK}/raw.out" "${WORK}/wav.out" "raw PCM on standard input")
run_clean(rawFile KEEP_OUTPUT COMMAND "${DEMOD}" --raw --rate ${rate} sample.raw)
expect_same_bytes("${WORK}/rawFile.out" "${WORK}/wav.out" "raw PCM from a file")
# A WAV through a pipe: libsndfile reads it without seeking.
run_clean(wavPipe KEEP_OUTPUT INPUT "${SAMPLE_WAV}" COMMAND "${DEMOD}")
expect_same_bytes("${WORK}/wavPipe.out" "${WORK}/wav.out" "a WAV on standard input")

# The stream stops at 60 %, inside a transmission or not: no complaint, lines complete.
file(SIZE "${WORK}/sample.raw" size)
math(EXPR keep "${size} * 6 / 10 / 2 * 2")
cut_file("${WORK}/sample.raw" ${keep} "${WORK}/cut.raw")
run_clean(cut KEEP_OUTPUT INPUT "${WORK}/cut.raw" COMMAND "${DEMOD}" --raw --rate ${rate} -)
expect_start_of_whole("${WORK}/cut.out" "${wavHex}" "the cut stream")

# Half a sample at the end: the stream broke off.
math(EXPR odd "${keep} + 1")
cut_file("${WORK}/sample.raw" ${odd} "${WORK}/odd.raw")
run(odd KEEP_OUTPUT INPUT "${WORK}/odd.raw" COMMAND "${DEMOD}" --raw --rate ${rate} -)
expect_equal("${odd_STATUS}" 1 "exit status for half a sample at the end")
expect_equal("${odd_ERR}" "vantrel-demod: -: the file ended early; what it held was demodulated${CRLF}"
             "standard error for half a sample at the end")
expect_same_bytes("${WORK}/odd.out" "${WORK}/cut.out" "bits before half a sample")

# A reader that takes 100 bytes and goes away while two minutes of signal are still to come:
# the tool stops with status 1 and no message.
string(REPEAT "U" 18000 preamble)
file(WRITE "${WORK}/long.bin" "${preamble}")
run_clean(long COMMAND minimodem --tx 1200 --mark 1200 --space 1800 --startbits 0 --stopbits 0
          -8 -R 8000 -f "${WORK}/long.wav" INPUT "${WORK}/long.bin")
execute_process(COMMAND "${DEMOD}" long.wav COMMAND head -c 100
                WORKING_DIRECTORY "${WORK}"
                OUTPUT_FILE "${WORK}/head.out" ERROR_FILE "${WORK}/head.err"
                RESULTS_VARIABLE statuses)
read_raw("${WORK}/head.err" headErr)
expect_equal("${statuses}" "1;0" "exit status of vantrel-demod | head -c 100")
expect_equal("${headErr}" "" "standard error of vantrel-demod | head -c 100")
file(SIZE "${WORK}/head.out" headSize)
expect_equal("${headSize}" 100 "bytes that reached head")
