#!/bin/sh
# The interface of write-records (FORMAT OUTPUT INPUT...) over the real vantrel-decode, so the
# record checks also read what users get: the streaming run, its places and its sound input.
# VANTREL_DECODE names the tool.
set -e
format=$1
output=$2
shift 2
# The made-up inputs of write-records (--generated, --crafted) have no file to decode.
for input in "$@"; do
    shift
    case $input in --generated | --crafted) ;; *) set -- "$@" "$input" ;; esac
done
exec "$VANTREL_DECODE" --format "$format" "$@" >"$output"
