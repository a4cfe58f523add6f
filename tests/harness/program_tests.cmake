# What the end-to-end tests of both programs share, beside add_tool_test and
# add_scenario_test (tool_test.cmake).
include_guard(GLOBAL)

# add_help_and_version_tests(TOOL target GROUP group OPTIONS options... VERSION_TEXT regex)
# The tests every program of the project has: --help writes a first line and then the usage
# line, listing the OPTIONS in that order; --version and -V write VERSION_TEXT (a regular
# expression, @CRLF@ for CR LF). Named <group>.help, <group>.version and <group>.version_short.
function(add_help_and_version_tests)
    cmake_parse_arguments(H "" "TOOL;GROUP;VERSION_TEXT" "OPTIONS" ${ARGN})
    list(JOIN H_OPTIONS ".*" options)
    add_tool_test(TOOL ${H_TOOL} NAME ${H_GROUP}.help ARGS --help
        STDOUT_MATCH "^[^\n]*@CRLF@Usage: ${H_TOOL} .*${options}.*@CRLF@$")
    add_tool_test(TOOL ${H_TOOL} NAME ${H_GROUP}.version ARGS --version
        STDOUT_MATCH "^${H_VERSION_TEXT}$")
    add_tool_test(TOOL ${H_TOOL} NAME ${H_GROUP}.version_short ARGS -V
        STDOUT_MATCH "^${H_VERSION_TEXT}$")
endfunction()

# add_bash_test(<name> <script> <seconds> <args>...): the bash script <script> of the calling
# folder, run with <args>, as the test <name>, stopped after <seconds>. A script that cannot
# run here (it needs root, say) exits with 77 and is counted as skipped.
function(add_bash_test name script seconds)
    add_test(NAME ${name} COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/${script} ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${seconds} SKIP_RETURN_CODE 77)
endfunction()
