# Many inputs in one run: headed reports in argument order, the same bytes whatever -j says,
# an unreadable file among them, folders with -r, --output-dir, sound recognised by content.
# Variables besides TOOL, WORK, DATA: SAMPLES (the samples folder).
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)

file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/a.txt")
file(COPY_FILE "${DATA}/no-sync.txt" "${WORK}/b.txt")
file(COPY_FILE "${DATA}/example-cr.txt" "${WORK}/c.txt")
read_raw("${DATA}/expected-debug.txt" debug)
read_raw("${DATA}/expected-no-sync.txt" noSync)

# Headed as head does, a blank line between reports.
run(headed COMMAND "${TOOL}" --level debug -j 2 a.txt b.txt c.txt)
expect_equal("${headed_STATUS}" 0 "exit status")
expect_equal("${headed_OUT}"
    "==> a.txt <==${CRLF}${debug}${CRLF}==> b.txt <==${CRLF}${noSync}${CRLF}==> c.txt <==${CRLF}${debug}"
    "headed reports")
expect_equal("${headed_ERR}" "" "standard error")

# A file that cannot be read: its error, the others still decoded, exit 1.
run(missing COMMAND "${TOOL}" -j 2 a.txt missing.txt c.txt)
expect_equal("${missing_STATUS}" 1 "exit status with a missing file")
expect_equal("${missing_ERR}" "vantrel-decode: missing.txt: No such file or directory${CRLF}"
    "error of the missing file")
run(present COMMAND "${TOOL}" -j 2 a.txt c.txt)
expect_equal("${missing_OUT}" "${present_OUT}" "the readable files' output")

# -j 2 gives the bytes of -j 1 in every format the program lists, sound included.
file(GLOB samples "${SAMPLES}/*.txt" "${SAMPLES}/*.wav")
list(SORT samples)
run(listed COMMAND "${TOOL}" --list-formats)
string(REGEX MATCHALL "(^|\n)[^\t]+" formats "${listed_OUT}")
string(REGEX REPLACE "(^|;)\n" "\\1" formats "${formats}")
expect_match("${formats}" "^text;[a-z]" "the formats listed, the report first")
foreach(format IN LISTS formats)
    run(one COMMAND "${TOOL}" -j 1 --format ${format} --stats ${samples})
    run(two COMMAND "${TOOL}" -j 2 --format ${format} --stats ${samples})
    expect_equal("${one_STATUS}" 0 "exit status of -j 1 --format ${format}")
    expect_equal("${two_OUT}" "${one_OUT}" "-j 2 against -j 1, --format ${format}")
    expect_equal("${two_ERR}" "${one_ERR}" "standard error of -j 2 against -j 1, --format ${format}")
endforeach()

# -r: every *.txt beneath a folder and sound by its content, sorted; not the reports.
file(MAKE_DIRECTORY "${WORK}/tree/sub")
file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/tree/sub/z.txt")
file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/tree/m.txt")
file(COPY_FILE "${DATA}/expected-short.txt" "${WORK}/tree/m-decoded.txt")
file(COPY_FILE "${SAMPLES}/two-calls.wav" "${WORK}/tree/sound.bin")
file(WRITE "${WORK}/tree/notes.md" "not an input")
run(tree COMMAND "${TOOL}" -r --format jsonl tree)
expect_equal("${tree_STATUS}" 0 "exit status of -r")
string(REGEX MATCHALL "\"file\":\"[^\"]*\",\"number\":1," firsts "${tree_OUT}")
expect_equal("${firsts}"
    "\"file\":\"tree/m.txt\",\"number\":1,;\"file\":\"tree/sound.bin\",\"number\":1,;\"file\":\"tree/sub/z.txt\",\"number\":1,"
    "files found by -r, in order")
# Nor in a text run, nor with --save, which writes its reports beside the inputs: a report
# already there is not decoded into a report of its own.
run(treeText COMMAND "${TOOL}" -r tree)
string(REGEX MATCHALL "==> [^<]* <==" heads "${treeText_OUT}")
expect_equal("${heads}" "==> tree/m.txt <==;==> tree/sound.bin <==;==> tree/sub/z.txt <=="
    "reports headed by -r")
file(REAL_PATH "${WORK}" W)
run(treeSaved COMMAND "${TOOL}" -r --save tree)
expect_equal("${treeSaved_STATUS}" 0 "exit status of -r --save")
set(saved "Decoded file saved as ${W}/tree")
expect_equal("${treeSaved_OUT}"
    "${saved}/m-decoded.txt${CRLF}${saved}/sound-decoded.txt${CRLF}${saved}/sub/z-decoded.txt${CRLF}"
    "reports saved by -r --save")

# Compressed bit texts are found by their names too; other compressed files are not texts.
file(MAKE_DIRECTORY "${WORK}/packed")
execute_process(COMMAND gzip -c "${DATA}/example-lf.txt" OUTPUT_FILE "${WORK}/packed/p.txt.gz")
execute_process(COMMAND xz -c "${DATA}/example-lf.txt" OUTPUT_FILE "${WORK}/packed/r.txt.xz")
execute_process(COMMAND gzip -c "${DATA}/expected-short.txt" OUTPUT_FILE "${WORK}/packed/notes.gz")
run(packed COMMAND "${TOOL}" -r packed)
string(REGEX MATCHALL "==> [^<]* <==" heads "${packed_OUT}")
expect_equal("${heads}" "==> packed/p.txt.gz <==;==> packed/r.txt.xz <=="
    "compressed bit texts found by -r")

# --output-dir: the reports go there; the status lines give their whole paths.
file(MAKE_DIRECTORY "${WORK}/out")
run(saved COMMAND "${TOOL}" -j 2 --save --output-dir out a.txt c.txt)
expect_equal("${saved_STATUS}" 0 "exit status of --output-dir")
expect_equal("${saved_OUT}"
    "Decoded file saved as ${W}/out/a-decoded.txt${CRLF}Decoded file saved as ${W}/out/c-decoded.txt${CRLF}"
    "status lines of --output-dir")
expect_file_bytes("${WORK}/out/c-decoded.txt" "${CRLF}" "${DATA}/expected-short.txt")

# Two inputs with one file name: the first keeps its report, the second is refused.
file(MAKE_DIRECTORY "${WORK}/other" "${WORK}/clash")
file(COPY_FILE "${DATA}/no-sync.txt" "${WORK}/other/a.txt")
run(clash COMMAND "${TOOL}" --save --output-dir clash a.txt other/a.txt)
expect_equal("${clash_STATUS}" 1 "exit status of a report name used twice")
expect_equal("${clash_ERR}"
    "vantrel-decode: other/a.txt: not saved: its report clash/a-decoded.txt is the one of a.txt${CRLF}"
    "the refused second report")
expect_file_bytes("${WORK}/clash/a-decoded.txt" "${CRLF}" "${DATA}/expected-short.txt")

# Sound is known by its content, not its name: a .txt holding WAV data is demodulated, a
# .wav holding bits is read as bits; the sound gives the report of its bit text.
file(COPY_FILE "${SAMPLES}/two-calls.wav" "${WORK}/sound.txt")
file(COPY_FILE "${DATA}/example-lf.txt" "${WORK}/bits.wav")
run(soundText COMMAND "${TOOL}" sound.txt)
run(bitText COMMAND "${TOOL}" "${SAMPLES}/two-calls.txt")
expect_equal("${soundText_OUT}" "${bitText_OUT}" "WAV data in a .txt")
run(stdinSound INPUT "${SAMPLES}/two-calls.wav" COMMAND "${TOOL}" -)
expect_equal("${stdinSound_OUT}" "${bitText_OUT}" "WAV data on standard input")
run(bitsWav COMMAND "${TOOL}" bits.wav)
read_raw("${DATA}/expected-short.txt" short)
expect_equal("${bitsWav_OUT}" "${short}" "bits in a .wav")
run(heard COMMAND "${TOOL}" --format jsonl sound.txt)
expect_match("${heard_OUT}" "\"heard\":{\"seconds\":[0-9.]+,\"levelDbfs\":-?[0-9.]+,\"ebN0Db\":-?[0-9.]+}"
    "records of sound carry where they were heard")
if("${heard_OUT}" MATCHES "\"line\":")
    message(FATAL_ERROR "demodulated records have no line in a file")
endif()

# Warnings on standard error, the report unchanged: SYNC FEC patterns passed over, no bits.
file(GLOB bitSamples "${SAMPLES}/*.txt")
list(SORT bitSamples)
set(all "")
foreach(sample IN LISTS bitSamples)
    read_raw("${sample}" text)
    string(APPEND all "${text}")
endforeach()
file(WRITE "${WORK}/all.txt" "${all}")
run(all COMMAND "${TOOL}" all.txt)
expect_match("${all_OUT}" "^Blocks Found:8\r\n" "the six samples concatenated")
expect_match("${all_ERR}" "^vantrel-decode: all.txt: 3 SYNC FEC patterns were passed over"
    "warning of the patterns passed over")
string(ASCII 3 4 255 binaryStart)
file(WRITE "${WORK}/binary.txt" "PK${binaryStart} no bits here${CRLF}xyz")
run(binary COMMAND "${TOOL}" binary.txt)
expect_equal("${binary_OUT}" "Blocks Found:0${CRLF}" "report of a text without bits")
expect_match("${binary_ERR}" "^vantrel-decode: binary.txt: no \"0\" or \"1\" in the input"
    "warning of a text without bits")

# --save with --stats: the warnings and the counts as without --save.
run(savedStats COMMAND "${TOOL}" --save --stats all.txt)
expect_equal("${savedStats_STATUS}" 0 "exit status of --save --stats")
expect_match("${savedStats_ERR}" "^vantrel-decode: all.txt: 3 SYNC FEC patterns were passed over"
    "warning with --save")
expect_match("${savedStats_ERR}" "Statistics: all.txt\r\n  sync patterns counted +8\r\n"
    "statistics with --save")
