#!/usr/bin/env bash
# vantrel-decode --follow on a file that grows in steps: records appear before the file is
# complete, each one a JSON line flushed when the next pattern ends it; SIGTERM finishes the
# last record and exits 0. The same blocks then come from a pipe, compared with the whole-file
# decode.
# Usage: follow_test.sh TOOL SAMPLES
set -uo pipefail
tool="$1"
samples="$2"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Waits up to 30 s for FILE to hold at least N lines.
wait_lines() {
    local file="$1" n="$2"
    for _ in $(seq 300); do
        [ "$(wc -l <"$file")" -ge "$n" ] && return 0
        sleep 0.1
    done
    return 1
}

# Waits (up to 30 s) until `file` holds a line matching `pattern`.
wait_grep() {
    local file="$1" pattern="$2"
    for _ in $(seq 300); do
        grep -q "$pattern" "$file" && return 0
        sleep 0.1
    done
    return 1
}

# two-calls has two blocks, text-message one, status-messages three (SyncFec ones, after all
# SyncNoFec blocks: follow mode gives the whole-file records). A block becomes final when the
# next one's pattern arrives or the file pauses, so records 1 to 3 must come out before the last
# step is written.
: >"$work/live.txt"
started=$(date -u +%s)
"$tool" --follow --format jsonl "$work/live.txt" >"$work/out.jsonl" 2>"$work/err" &
pid=$!
cat "$samples/two-calls.txt" >>"$work/live.txt"
sleep 0.5
cat "$samples/text-message.txt" >>"$work/live.txt"
wait_lines "$work/out.jsonl" 2 || fail "records did not appear while the file was growing: $(cat "$work/err")"
# The last block written is final once the file has paused for a second, before it grows on.
wait_lines "$work/out.jsonl" 3 || fail "the last record did not come out when the file paused"
cat "$samples/status-messages.txt" >>"$work/live.txt"
wait_lines "$work/out.jsonl" 5 || fail "records of the last step did not appear"
grep -q '"finalAt":"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]T[0-9:.]*Z"' "$work/out.jsonl" ||
    fail "no ISO 8601 time: $(head -c 400 "$work/out.jsonl")"
# And the clock's time, give or take a minute for a busy machine: a wrong year, month, day or
# hour shows, not how long a record took.
ended=$(date -u +%s)
for final in $(grep -o '"finalAt":"[^"]*"' "$work/out.jsonl" | cut -d'"' -f4); do
    at=$(date -u -d "$final" +%s) || fail "finalAt $final is no date"
    [ "$at" -ge $((started - 60)) ] && [ "$at" -le $((ended + 60)) ] ||
        fail "finalAt $final is not now ($(date -u +%FT%TZ))"
done
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
[ "$(wc -l <"$work/out.jsonl")" -eq 6 ] || fail "expected 6 records, got $(wc -l <"$work/out.jsonl")"
[ -s "$work/err" ] && fail "unexpected standard error: $(cat "$work/err")"

# A followed file that is replaced, then shrinks: said on standard error, and the records go
# on from the new file's start (as tail -F).
cat "$samples/two-calls.txt" >"$work/moved.txt"
cat "$samples/text-message.txt" "$samples/two-calls.txt" >"$work/replacement.txt"
"$tool" --follow --format jsonl "$work/moved.txt" >"$work/moved.jsonl" 2>"$work/moved.err" &
pid=$!
# The first call is final once the second one's pattern is read: the file is open by then.
wait_lines "$work/moved.jsonl" 1 || fail "no record from the first file: $(cat "$work/moved.err")"
cp "$work/replacement.txt" "$work/new.txt"
mv "$work/new.txt" "$work/moved.txt"
wait_lines "$work/moved.jsonl" 3 || fail "no records from the replaced file: $(cat "$work/moved.err")"
wait_grep "$work/moved.err" 'moved.txt: has been replaced' || fail "replacement not said: $(cat "$work/moved.err")"
: >"$work/moved.txt"
wait_grep "$work/moved.err" 'moved.txt: has shrunk' || fail "shrinking not said: $(cat "$work/moved.err")"
cat "$samples/status-messages.txt" >>"$work/moved.txt"
wait_lines "$work/moved.jsonl" 6 || fail "no records after the file shrank: $(cat "$work/moved.err")"
# Each said in one line that names the program once.
grep -q -x "vantrel-decode: $work/moved.txt: has shrunk; following it from its new start"$'\r' \
    "$work/moved.err" || fail "shrinking not said in one line: $(cat "$work/moved.err")"
kill -INT "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status after SIGINT"
# Each file's records at the lines and columns of that file read whole: the replaced file and
# the shrunk one counted from their own start.
places() { grep -o '"line":[0-9]*,"column":[0-9]*' "$@"; }
for file in "$samples/two-calls.txt" "$work/replacement.txt" "$samples/status-messages.txt"; do
    "$tool" --format jsonl "$file" | places
done >"$work/moved.places"
places "$work/moved.jsonl" | diff - "$work/moved.places" >"$work/moved.diff" ||
    fail "records placed where their file does not have them: $(cat "$work/moved.diff")"

# A file that does not exist yet is waited for, as tail -F does, said once; its records come
# once it appears.
"$tool" --follow --format jsonl "$work/later.txt" >"$work/later.jsonl" 2>"$work/later.err" &
pid=$!
wait_grep "$work/later.err" 'later.txt' || fail "waiting not said: $(cat "$work/later.err")"
sleep 0.5
cat "$samples/two-calls.txt" "$samples/text-message.txt" >"$work/later.txt"
wait_lines "$work/later.jsonl" 2 || fail "no records from the file that appeared: $(cat "$work/later.err")"
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status after waiting for the file"
[ "$(cat "$work/later.err")" = "vantrel-decode: $work/later.txt: does not exist yet; waiting for it to appear"$'\r' ] ||
    fail "waiting not said once: $(cat "$work/later.err")"

# The short level from a pipe: the very sections of the whole-file report.
cat "$samples/two-calls.txt" "$samples/text-message.txt" "$samples/status-messages.txt" >"$work/both.txt"
cat "$work/both.txt" | "$tool" --follow - >"$work/follow.txt" || fail "follow from a pipe failed"
"$tool" "$work/both.txt" >"$work/report.txt" || fail "whole-file decode failed"
# The report without its "Blocks Found:" line.
tail -c +"$(( $(head -1 "$work/report.txt" | wc -c) + 1 ))" "$work/report.txt" >"$work/whole.txt"
grep -c '^Final (UTC)   : [0-9-]*T[0-9:.]*Z' "$work/follow.txt" | grep -qx 6 ||
    fail "not every record has its time line: $(cat "$work/follow.txt")"
# Without the time lines, the very sections of the whole-file report.
grep -av '^Final (UTC)' "$work/follow.txt" | cmp - "$work/whole.txt" ||
    fail "follow output differs from the report's sections"
echo "follow: all passed"
