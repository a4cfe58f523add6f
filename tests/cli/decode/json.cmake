# --format json: one document for the run (docs/records.md): the files in argument order,
# each with its records and statistics, every record field, texts in UTF-8.
include(${CMAKE_CURRENT_LIST_DIR}/../../harness/scenario.cmake)

run(json COMMAND "${TOOL}" --format json "${DATA}/example-lf.txt" "${DATA}/latin1.txt"
    "${DATA}/no-sync.txt")
expect_equal("${json_STATUS}" 0 "exit status")
expect_equal("${json_ERR}" "" "standard error")

string(JSON format GET "${json_OUT}" format)
expect_equal("${format}" "vantrel-records" "format")
string(JSON files LENGTH "${json_OUT}" files)
expect_equal("${files}" 3 "number of files")
string(JSON example GET "${json_OUT}" files 0)
string(JSON latin1 GET "${json_OUT}" files 1)
string(JSON noSync GET "${json_OUT}" files 2)

string(JSON path GET "${example}" file)
expect_equal("${path}" "${DATA}/example-lf.txt" "file")
string(JSON records LENGTH "${example}" records)
expect_equal("${records}" 1 "number of records")
foreach(field_value
        "number=1" "line=1" "column=1" "fec=OFF" "noPatternLeft=OFF"
        "Func1=Normal radio call" "Func2=Normal radio call" "FromCountry=Italy"
        "FromAddr=1234" "FromAddrDec=4660" "ToCountry=Italy" "ToAddr=1567" "ToAddrDec=5479"
        "Message=" "Corrupted=OFF")
    string(FIND "${field_value}" "=" equals)
    string(SUBSTRING "${field_value}" 0 ${equals} field)
    math(EXPR valueStart "${equals} + 1")
    string(SUBSTRING "${field_value}" ${valueStart} -1 expected)
    string(JSON actual GET "${example}" records 0 ${field})
    expect_equal("${actual}" "${expected}" "field ${field}")
endforeach()
string(JSON type TYPE "${example}" records 0 FromAddrDec)
expect_equal("${type}" NUMBER "FromAddrDec is a number")
string(JSON log GET "${example}" records 0 Log)
read_raw("${DATA}/expected-debug.txt" debugReport)
string(REPLACE "Blocks Found:1${CRLF}${CRLF}Block #1${CRLF}" "" expectedLog "${debugReport}")
expect_equal("${log}" "${expectedLog}" "Log")
string(JSON blocks GET "${example}" stats blocksDecoded)
expect_equal("${blocks}" 1 "blocks decoded")

# The byte E9 (Latin-1 small e with acute) after the block ends up in the log as UTF-8 C3 A9.
string(JSON log GET "${latin1}" records 0 Log)
string(HEX "${log}" logHex)
expect_match("${logHex}" "0d0ac3a90d0a$" "Latin-1 byte in UTF-8")

string(JSON records LENGTH "${noSync}" records)
expect_equal("${records}" 0 "no records without sync")
string(JSON patterns GET "${noSync}" stats syncPatterns)
expect_equal("${patterns}" 0 "no patterns counted")

# The run's statistics add up the files'.
string(JSON total GET "${json_OUT}" stats blocksDecoded)
expect_equal("${total}" 2 "blocks decoded in total")
