#!/usr/bin/env bash
# Both programs answer alike: 0 an input read and decoded whole, 1 an input that could not be
# read or ended early (what it held is still used), 2 a wrong command line; every line on
# standard error names its program once.
# Usage: exit_status.sh DECODE DEMOD SAMPLES
set -uo pipefail
decode="$1"
demod="$2"
samples="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../harness/expect.sh"
cd "$work" || exit 1

# The sample sound cut inside its data: the header announces more than there is.
head -c 30000 "$samples/two-calls.wav" >cut.wav
cp "$samples/two-calls.wav" whole.wav
cp "$samples/two-calls.txt" bits.txt
mkdir folder

# program  status  stdout  stderr  arguments...
cases=(
    "decode|0|^Blocks Found:2||whole.wav"
    "demod |0|^[01]+||whole.wav"
    "decode|1|^Blocks Found:|^vantrel-decode: cut.wav: the sound file ended early|cut.wav"
    "demod |1|*|^vantrel-demod: cut.wav: the file ended early|cut.wav"
    "decode|1|^Decoded file saved as|^vantrel-decode: cut.wav: the sound file ended early|--save cut.wav"
    "decode|1||^vantrel-decode: missing.wav: No such file or directory|missing.wav"
    "demod |1||^vantrel-demod: missing.wav: No such file or directory|missing.wav"
    "decode|1||^vantrel-decode: folder: Is a directory \(use -r to decode the files in it\)|folder"
    "decode|1||^vantrel-decode: folder: Is a directory \(use -r|--save folder"
    "decode|2||^vantrel-decode: .*--level.*"$'\r'"$|--level long bits.txt"
    "demod |2||^vantrel-demod: --rate is for --raw input|--rate 8000 whole.wav"
    "decode|2||^vantrel-decode: FILE is required|"
)
for row in "${cases[@]}"; do
    IFS='|' read -r program status out err args <<<"$row"
    program="${program% }"
    tool="$decode"
    [ "$program" = demod ] && tool="$demod"
    # shellcheck disable=SC2086 # the arguments are words
    expect "$program $args" "$status" "$out" "$err" -- "$tool" $args
    # No line names its program twice ("vantrel-decode: vantrel-decode: ...").
    if grep -a -q -E '^(vantrel-[a-z]+): \1:' "$work/err"; then
        fail "$program $args: program named twice: $(head -c 300 "$work/err")"
    fi
done
summary
