#!/usr/bin/env bash
# --format brief as a person meets it: followed from a pipe with a filter, one line a call as
# soon as it is final; on a terminal in colour, but never with NO_COLOR set nor on a dumb
# terminal; through a pipe never in colour.
# Usage: brief_test.sh TOOL SAMPLES
set -uo pipefail
tool="$1"
samples="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
esc=$'\e'

# Followed from a pipe, the filter lets one call of two through.
cat "$samples/two-calls.txt" |
    timeout 60 "$tool" --follow --format brief --function "General Ack" - >"$work/follow.txt" ||
    fail "follow exited $?"
[ "$(wc -l <"$work/follow.txt")" -eq 1 ] || fail "not one line: $(cat -A "$work/follow.txt")"
grep -q $'1567 \xe2\x86\x92 1234 *General Ack\r$' "$work/follow.txt" ||
    fail "not the acknowledgement: $(cat -A "$work/follow.txt")"

# Through a pipe: no colour.
"$tool" --format brief "$samples/damaged.txt" >"$work/pipe.txt" || fail "brief exited $?"
grep -q "$esc" "$work/pipe.txt" && fail "colour into a pipe"

# On a terminal (script gives the program one): colour unless the environment says no.
command -v script >/dev/null || { echo "no script(1) to make a terminal"; exit 77; }
on_terminal() { # OUTPUT ENV...
    local out="$1"
    shift
    env "$@" script -qec "'$tool' --format brief '$samples/damaged.txt'" /dev/null >"$out" ||
        fail "brief on a terminal exited $?"
    grep -q "1557" "$out" || fail "no call on the terminal: $(cat -A "$out")"
}
on_terminal "$work/terminal.txt" TERM=xterm
grep -q "$esc\[1;31m!" "$work/terminal.txt" || fail "no colour on a terminal"
on_terminal "$work/no-color.txt" TERM=xterm NO_COLOR=1
grep -q "$esc" "$work/no-color.txt" && fail "colour with NO_COLOR=1: $(cat -A "$work/no-color.txt")"
on_terminal "$work/dumb.txt" TERM=dumb
grep -q "$esc" "$work/dumb.txt" && fail "colour on a dumb terminal"
echo "brief: follows a pipe, colour only where asked"
