#!/usr/bin/env bash
# A pipe larger than the memory part of the spool goes to a temporary file; when that file
# cannot take it (here a file size limit stands in for a full disk), one clear error, exit 1,
# and nothing on standard output. With room, the pipe gives the report of the same file.
# Usage: spool_test.sh TOOL SAMPLE
set -uo pipefail
tool="$1"
sample="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# 40 MB: more than the 32 MB kept in memory; the blocks at the very start, kept in memory
# until the spill, and at the very end.
{ cat "$sample"; head -c 40000000 /dev/zero | tr '\0' '0'; printf '\r\n'; cat "$sample"; } >"$work/big.txt"

cat "$work/big.txt" | (
    ulimit -f 2048 # KB: the temporary file cannot grow past 2 MB
    trap '' XFSZ   # a write past the limit then fails instead of ending the process
    TMPDIR="$work" "$tool" - >"$work/out" 2>"$work/err"
    echo $? >"$work/status"
)
[ "$(cat "$work/status")" = 1 ] || fail "exit status $(cat "$work/status"), expected 1"
[ -s "$work/out" ] && fail "standard output is not empty: $(head -c 200 "$work/out")"
grep -q '^vantrel-decode: temporary file.*: File too large' "$work/err" ||
    fail "unclear error: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" = 1 ] || fail "more than one error line: $(cat "$work/err")"

cat "$work/big.txt" | TMPDIR="$work" "$tool" --level debug - >"$work/pipe.txt" ||
    fail "decoding the pipe failed"
"$tool" --level debug "$work/big.txt" >"$work/file.txt" || fail "decoding the file failed"
cmp -s "$work/pipe.txt" "$work/file.txt" || fail "the pipe's report differs from the file's"
# The sample twice: its blocks at the start are reported as well as those at the end.
blocks=$("$tool" "$sample" | head -1 | tr -dc 0-9)
head -1 "$work/pipe.txt" | grep -qx "Blocks Found:$((2 * blocks))"$'\r' ||
    fail "not every block of the pipe reported: $(head -1 "$work/pipe.txt")"
echo "spool: all passed"
