# --format json: one object per file and line, every record field, texts in UTF-8.
include(${CMAKE_CURRENT_LIST_DIR}/scenario.cmake)

run(json --format json "${DATA}/example-lf.txt" "${DATA}/latin1.txt" "${DATA}/no-sync.txt")
expect_equal("${json_STATUS}" 0 "exit status")
expect_equal("${json_ERR}" "" "standard error")
expect_match("${json_OUT}" "^{[^\r\n]*}\r\n{[^\r\n]*}\r\n{[^\r\n]*}\r\n$" "one object a line")

# Cut the output at its line ends (not through a list: JSON text holds brackets).
set(rest "${json_OUT}")
foreach(name example latin1 noSync)
    string(FIND "${rest}" "${CRLF}" end)
    string(SUBSTRING "${rest}" 0 ${end} ${name})
    math(EXPR next "${end} + 2")
    string(SUBSTRING "${rest}" ${next} -1 rest)
endforeach()

string(JSON path GET "${example}" Path)
expect_equal("${path}" "${DATA}/example-lf.txt" "Path")
string(JSON count GET "${example}" BlockCount)
expect_equal("${count}" 1 "BlockCount")
string(JSON blocks LENGTH "${example}" Blocks)
expect_equal("${blocks}" 1 "number of blocks")
foreach(field_value
        "Func1=Normal radio call" "Func2=Normal radio call" "FromCountry=Italy"
        "FromAddr=1234" "FromAddrDec=4660" "ToCountry=Italy" "ToAddr=1567" "ToAddrDec=5479"
        "Message=" "Corrupted=OFF")
    string(FIND "${field_value}" "=" equals)
    string(SUBSTRING "${field_value}" 0 ${equals} field)
    math(EXPR valueStart "${equals} + 1")
    string(SUBSTRING "${field_value}" ${valueStart} -1 expected)
    string(JSON actual GET "${example}" Blocks 0 ${field})
    expect_equal("${actual}" "${expected}" "field ${field}")
endforeach()
string(JSON type TYPE "${example}" Blocks 0 FromAddrDec)
expect_equal("${type}" NUMBER "FromAddrDec is a number")
string(JSON log GET "${example}" Blocks 0 Log)
read_raw("${DATA}/expected-debug.txt" debugReport)
string(REPLACE "Blocks Found:1${CRLF}${CRLF}Block #1${CRLF}" "" expectedLog "${debugReport}")
expect_equal("${log}" "${expectedLog}" "Log")

# The byte E9 (Latin-1 small e with acute) after the block ends up in the log as UTF-8 C3 A9.
string(JSON log GET "${latin1}" Blocks 0 Log)
string(HEX "${log}" logHex)
expect_match("${logHex}" "0d0ac3a90d0a$" "Latin-1 byte in UTF-8")

string(JSON count GET "${noSync}" BlockCount)
expect_equal("${count}" 0 "BlockCount without sync")
string(JSON blocks LENGTH "${noSync}" Blocks)
expect_equal("${blocks}" 0 "no blocks without sync")
