# Fills the formats into vantrel-decode's shell completions and manual page from the program's
# own list (vantrel-decode --list-formats, read from the table of formats), so that a new format
# is offered and documented with no edit to them. In the templates (NAME.in):
#   @FORMATS@            every name, blank apart (the completions)
#   @FOLLOW_FORMATS@     the names --follow writes, for ".Op Fl -format Cm ..."
#   @WHOLE_RUN_FORMATS@  the formats -j decodes one file at a time, as ".Cm" lines
#   @FORMAT_LIST@        the items of the --format list: ".It Cm NAME" and its line of help,
#                        neighbours with the same line of help in one item
# cmake -DTOOL=vantrel-decode -DSOURCE=DIR -DBINARY=DIR -P format_lists.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${TOOL} --list-formats OUTPUT_VARIABLE listed RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR listed STREQUAL "")
    message(FATAL_ERROR "${TOOL} --list-formats: ${status}")
endif()
# A line of help may hold ";", which CMake's lists would cut at.
string(REPLACE ";" "<semicolon>" listed "${listed}")
string(REPLACE "\r" "" listed "${listed}")
string(STRIP "${listed}" listed)
string(REPLACE "\n" ";" lines "${listed}")

set(names "")
set(followed "")
set(whole_run "")
set(items "")
set(group "")
set(group_help "")
# One item of the --format list: the names of `group`, then their line of help.
macro(end_group)
    if(group)
        list(JOIN group " , " heads)
        list(APPEND items ".It Cm ${heads}\n${group_help}<semicolon>")
    endif()
endmacro()
foreach(line IN LISTS lines)
    string(REPLACE "\t" ";" fields "${line}")
    list(GET fields 0 name)
    list(GET fields 1 follows)
    list(GET fields 2 files)
    list(GET fields 3 help)
    list(APPEND names ${name})
    if(follows STREQUAL "follow")
        list(APPEND followed ${name})
    endif()
    if(files STREQUAL "whole-run")
        list(APPEND whole_run ${name})
    endif()
    if(NOT help STREQUAL group_help)
        end_group()
        set(group "")
        set(group_help "${help}")
    endif()
    list(APPEND group ${name})
endforeach()
end_group()

list(JOIN names " " FORMATS)
list(JOIN followed " | " FOLLOW_FORMATS)
list(JOIN items "\n" FORMAT_LIST)
# The list ends with a full stop, its items with semicolons.
string(REGEX REPLACE "<semicolon>$" "." FORMAT_LIST "${FORMAT_LIST}")
string(REPLACE "<semicolon>" ";" FORMAT_LIST "${FORMAT_LIST}")
# ".Cm a , b" "and" ".Cm c ,": the last one apart.
list(POP_BACK whole_run last)
if(whole_run)
    list(JOIN whole_run " , " others)
    set(WHOLE_RUN_FORMATS ".Cm ${others}\nand\n.Cm ${last} ,")
else()
    set(WHOLE_RUN_FORMATS ".Cm ${last} ,")
endif()

foreach(file completions/bash/vantrel-decode completions/zsh/_vantrel-decode
             completions/fish/vantrel-decode.fish man/vantrel-decode.1)
    file(READ ${SOURCE}/${file}.in text)
    foreach(key FORMATS FOLLOW_FORMATS WHOLE_RUN_FORMATS FORMAT_LIST)
        string(REPLACE "@${key}@" "${${key}}" text "${text}")
    endforeach()
    file(WRITE ${BINARY}/${file} "${text}")
endforeach()
