# Records through the command line: the place of every pattern in the file whatever its line
# ends or fields, and the statistics of a recording with known damage.
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)

# The example block twice; the second has one character of its header codeword flipped.
read_raw("${DATA}/example-lf.txt" lf)
string(REPLACE "\n" "" bits "${lf}")
string(SUBSTRING "${bits}" 0 40 head)
string(SUBSTRING "${bits}" 40 1 flip)
string(SUBSTRING "${bits}" 41 -1 tail)
if(flip STREQUAL "0")
    set(flip 1)
else()
    set(flip 0)
endif()
set(damaged "${head}${flip}${tail}")

# Each shape: the file, then the line and column of the two patterns.
set(shapes
    "lf|${bits}\n${damaged}\n|1|1|2|1"
    "crlf|0101${CRLF}${bits}${CRLF}${damaged}${CRLF}|2|1|3|1"
    "cr|${bits}${CR}11${damaged}${CR}|1|1|2|3"
    "commas|01, ${bits} ,1,${damaged}|1|5|1|101")
foreach(shape IN LISTS shapes)
    string(REPLACE "|" ";" parts "${shape}")
    list(GET parts 0 name)
    list(GET parts 1 content)
    file(WRITE "${WORK}/${name}.txt" "${content}")
    run(${name} COMMAND "${TOOL}" --format json --stats ${name}.txt)
    expect_equal("${${name}_STATUS}" 0 "exit status (${name})")
    set(index 2)
    foreach(record 0 1)
        foreach(key line column)
            list(GET parts ${index} expected)
            string(JSON actual GET "${${name}_OUT}" files 0 records ${record} ${key})
            expect_equal("${actual}" "${expected}" "${key} of record ${record} (${name})")
            math(EXPR index "${index} + 1")
        endforeach()
    endforeach()
    foreach(count "syncPatterns=2" "blocksDecoded=2" "corruptedBlocks=1" "codewordsRead=2"
                  "codewordsFailed=1" "noPatternLeft=0" "patternsPassedOver=0")
        string(REPLACE "=" ";" pair "${count}")
        list(GET pair 0 key)
        list(GET pair 1 expected)
        string(JSON actual GET "${${name}_OUT}" files 0 stats ${key})
        expect_equal("${actual}" "${expected}" "stats ${key} (${name})")
    endforeach()
endforeach()

# The text report with --stats: the report on standard output as ever, the counts on
# standard error.
run(text COMMAND "${TOOL}" --stats lf.txt)
expect_match("${text_OUT}" "^Blocks Found:2\r\n" "report with --stats")
expect_match("${text_ERR}" "corrupted blocks +1\r\n" "corrupted blocks on standard error")
expect_match("${text_ERR}" "codewords failed +1\r\n" "codewords failed on standard error")
run(plain COMMAND "${TOOL}" lf.txt)
expect_equal("${text_OUT}" "${plain_OUT}" "the report is the same with --stats")
