# A month of recordings saved with -r --output-dir: day folders holding files of the same
# names, a sound file beside the bit text of its name. Every report is kept, below the output
# folder where its input is below the folder argument, each the report of its own input.
# Variables besides TOOL, WORK, DATA: SAMPLES (the samples folder).
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)
file(REAL_PATH "${WORK}" W)

file(MAKE_DIRECTORY "${WORK}/month/day1" "${WORK}/month/day2")
file(COPY_FILE "${SAMPLES}/two-calls.txt" "${WORK}/month/day1/scanner.txt")
file(COPY_FILE "${SAMPLES}/text-message.txt" "${WORK}/month/day2/scanner.txt")
file(COPY_FILE "${SAMPLES}/two-calls.wav" "${WORK}/month/day2/scanner.wav")
file(COPY_FILE "${SAMPLES}/gps-positions.txt" "${WORK}/month/top.txt")

# The output folder does not exist yet, nor the one above it.
run(month COMMAND "${TOOL}" -r -j 2 --save --output-dir reports/may month)
expect_equal("${month_STATUS}" 0 "exit status")
expect_equal("${month_ERR}" "" "standard error")
set(out "${W}/reports/may")
expect_equal("${month_OUT}"
    "Decoded file saved as ${out}/day1/scanner-decoded.txt${CRLF}Decoded file saved as ${out}/day2/scanner-decoded.txt${CRLF}Decoded file saved as ${out}/day2/scanner.wav-decoded.txt${CRLF}Decoded file saved as ${out}/top-decoded.txt${CRLF}"
    "one status line per input, every report in its own place")
foreach(pair "day1/scanner.txt;day1/scanner-decoded.txt" "day2/scanner.txt;day2/scanner-decoded.txt"
             "day2/scanner.wav;day2/scanner.wav-decoded.txt" "top.txt;top-decoded.txt")
    list(GET pair 0 input)
    list(GET pair 1 report)
    run(report KEEP_OUTPUT COMMAND "${TOOL}" "month/${input}")
    expect_file_bytes("${WORK}/reports/may/${report}" "${CRLF}" "${WORK}/report.out")
endforeach()

# Beside their inputs, the sound file and the bit text keep a report each; the sound file
# saved alone takes the same name.
run(beside COMMAND "${TOOL}" --save month/day2/scanner.wav month/day2/scanner.txt)
expect_equal("${beside_STATUS}" 0 "exit status beside the inputs")
expect_equal("${beside_OUT}"
    "Decoded file saved as ${W}/month/day2/scanner.wav-decoded.txt${CRLF}Decoded file saved as ${W}/month/day2/scanner-decoded.txt${CRLF}"
    "the pair's reports beside them")
expect_same_bytes("${WORK}/month/day2/scanner.wav-decoded.txt"
    "${WORK}/reports/may/day2/scanner.wav-decoded.txt" "the sound file's report")

# Two sound files of one name and no bit text still share a report name: the second is
# refused in words, not saved over the first.
file(MAKE_DIRECTORY "${WORK}/pair")
file(COPY_FILE "${SAMPLES}/two-calls.wav" "${WORK}/pair/rx.wav")
file(COPY_FILE "${SAMPLES}/two-calls.wav" "${WORK}/pair/rx.snd")
run(sounds COMMAND "${TOOL}" --save -r pair)
expect_equal("${sounds_STATUS}" 1 "exit status of two sound files of one name")
expect_equal("${sounds_ERR}"
    "vantrel-decode: pair/rx.wav: not saved: its report pair/rx-decoded.txt is the one of pair/rx.snd${CRLF}"
    "the refused second report")

# An output folder that cannot be made: the system's words, naming it.
file(WRITE "${WORK}/plain" "a file, not a folder")
run(blocked COMMAND "${TOOL}" --save --output-dir plain/reports month/top.txt)
expect_equal("${blocked_STATUS}" 1 "exit status when the output folder cannot be made")
expect_match("${blocked_ERR}" "^vantrel-decode: plain/reports: [^\r\n]+\r\n$"
    "the folder that could not be made")
