# A report that cannot be written: exit status 1, the system's words on standard error, the
# files already there untouched, the other inputs still saved.
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)
file(REAL_PATH "${WORK}" W)

# A folder stands where the report of held.txt would go.
file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/held.txt")
file(MAKE_DIRECTORY "${WORK}/held-decoded.txt")
file(WRITE "${WORK}/held-decoded.txt/keep.txt" "keep me")
file(COPY_FILE "${DATA}/example-cr.txt" "${WORK}/after.txt")

run(folder COMMAND "${TOOL}" --save held.txt after.txt)
expect_equal("${folder_STATUS}" 1 "exit status")
expect_equal("${folder_ERR}" "vantrel-decode: held-decoded.txt: Is a directory${CRLF}"
    "standard error")
expect_equal("${folder_OUT}" "Decoded file saved as ${W}/after-decoded.txt${CRLF}" "status line")
read_raw("${WORK}/held-decoded.txt/keep.txt" kept)
expect_equal("${kept}" "keep me" "file inside the folder")
expect_file_bytes("${WORK}/after-decoded.txt" "${CRLF}" "${DATA}/expected-short.txt")
expect_entries(held.txt held-decoded.txt after.txt after-decoded.txt)

# A name without "." has no report name, nor has standard input, which --save refuses before
# reading anything: nothing is written.
file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/rx")
run(nodot COMMAND "${TOOL}" --save rx)
expect_equal("${nodot_STATUS}" 1 "exit status")
expect_equal("${nodot_OUT}" "" "standard output")
expect_match("${nodot_ERR}" "^vantrel-decode: rx: no report file name[^\r\n]*\r\n$" "standard error")
run(stdin INPUT "${DATA}/example-lf.txt" COMMAND "${TOOL}" --save -)
expect_equal("${stdin_STATUS}" 2 "exit status for standard input")
expect_equal("${stdin_OUT}" "" "standard output")
expect_match("${stdin_ERR}" "^vantrel-decode: --save names each report after its input" "standard error")
expect_entries(held.txt held-decoded.txt after.txt after-decoded.txt rx)

# An unreadable input leaves its older report as it was.
file(WRITE "${WORK}/gone-decoded.txt" "older report")
run(gone COMMAND "${TOOL}" --save gone.txt)
expect_equal("${gone_STATUS}" 1 "exit status")
expect_equal("${gone_ERR}" "vantrel-decode: gone.txt: No such file or directory${CRLF}"
    "standard error")
read_raw("${WORK}/gone-decoded.txt" older)
expect_equal("${older}" "older report" "older report")
