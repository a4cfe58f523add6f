# Checks for the scenario scripts: each stops the script with what was got and expected.
function(expect_equal actual expected what)
    if(NOT "${actual}" STREQUAL "${expected}")
        message(FATAL_ERROR "${what}\n  got:      [${actual}]\n  expected: [${expected}]")
    endif()
endfunction()

function(expect_match actual regex what)
    if(NOT "${actual}" MATCHES "${regex}")
        message(FATAL_ERROR "${what}\n  got: [${actual}]\n  expected to match: [${regex}]")
    endif()
endfunction()
