# --save writes the report next to its input, replacing an older one, and says so.
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)
# The status line names the saved file by its whole path.
file(REAL_PATH "${WORK}" W)

file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/rx.2010.txt")
file(WRITE "${WORK}/rx.2010-decoded.txt" "an older, longer report that must disappear completely")

run(first COMMAND "${TOOL}" --save rx.2010.txt)
expect_equal("${first_STATUS}" 0 "exit status")
expect_equal("${first_OUT}" "Decoded file saved as ${W}/rx.2010-decoded.txt${CRLF}" "status line")
expect_equal("${first_ERR}" "" "standard error")
expect_file_bytes("${WORK}/rx.2010-decoded.txt" "${CRLF}" "${DATA}/expected-short.txt")

# Saving again at the other level replaces the file; the extra CR LF is there once.
run(second COMMAND "${TOOL}" --level debug --save "${WORK}/rx.2010.txt")
expect_equal("${second_STATUS}" 0 "exit status")
expect_equal("${second_OUT}" "Decoded file saved as ${W}/rx.2010-decoded.txt${CRLF}" "status line")
expect_file_bytes("${WORK}/rx.2010-decoded.txt" "${CRLF}" "${DATA}/expected-debug.txt")

# Several files: one status line each, in order.
file(COPY_FILE "${DATA}/no-sync.txt" "${WORK}/empty.txt")
run(both COMMAND "${TOOL}" --save rx.2010.txt empty.txt)
expect_equal("${both_STATUS}" 0 "exit status")
expect_equal("${both_OUT}"
    "Decoded file saved as ${W}/rx.2010-decoded.txt${CRLF}Decoded file saved as ${W}/empty-decoded.txt${CRLF}"
    "status lines")
expect_file_bytes("${WORK}/empty-decoded.txt" "${CRLF}" "${DATA}/expected-no-sync.txt")
expect_entries(rx.2010.txt rx.2010-decoded.txt empty.txt empty-decoded.txt)
