#!/usr/bin/env bash
# vantrel-decode --follow on sound: a WAV file being written whose header still claims no data
# (as a recorder leaves it until it closes), appended in steps: the first call comes out when
# its transmission ends, before the rest is written; then a pipe of WAV and a pipe of raw PCM
# (--raw --rate), the last one held open so the calls must come out while it is; and raw PCM
# decoded whole.
# Usage: follow_sound_test.sh DECODE SAMPLE_WAV
set -uo pipefail
tool="$1"
wav="$2"
work="$(mktemp -d)"
pid=""
trap 'exec 3>&- 2>/dev/null; [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Waits (up to 30 s) until FILE holds N records.
wait_records() {
    for _ in $(seq 300); do
        [ "$(grep -ac '"number"' "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
calls() { grep -ao '"FromAddr":"[0-9A-F]*","FromAddrDec":[0-9]*,"ToCountry":"[^"]*","ToAddr":"[0-9A-F]*"' "$@"; }
stop() {
    kill -TERM "$pid"
    wait "$pid" || fail "$1: exit status $? after SIGTERM: $(cat "$work/err")"
    pid=""
}

"$tool" --format jsonl "$wav" | calls >"$work/expected" || fail "the whole-file decode failed"
[ "$(wc -l <"$work/expected")" -eq 2 ] || fail "the sample does not have two calls"

# 48 kHz 16-bit WAV, its RIFF and data lengths set to 0 as a recorder leaves them.
sox -D "$wav" -r 48000 -b 16 "$work/full.wav" || fail "sox"
size=$(stat -c %s "$work/full.wav")
head -c 44 "$work/full.wav" >"$work/header.wav"
printf '\0\0\0\0' | dd of="$work/header.wav" bs=1 seek=4 conv=notrunc status=none
printf '\0\0\0\0' | dd of="$work/header.wav" bs=1 seek=40 conv=notrunc status=none
cut=$(((size - 44) * 6 / 10 / 2 * 2)) # the first call and the silence after it

cp "$work/header.wav" "$work/live.wav"
"$tool" --follow --format jsonl "$work/live.wav" >"$work/live.jsonl" 2>"$work/err" &
pid=$!
# In steps of odd sizes, a frame cut between two of them.
tail -c +45 "$work/full.wav" | head -c "$cut" >"$work/first"
for step in "1 1001" "1002 29000" "30002 $cut"; do
    set -- $step
    tail -c +"$1" "$work/first" | head -c "$2" >>"$work/live.wav"
    sleep 0.2
done
wait_records "$work/live.jsonl" 1 || fail "the first call did not come out while the file grew: $(cat "$work/err")"
[ "$(grep -ac '"number"' "$work/live.jsonl")" -eq 1 ] || fail "more than the first call from the first part"
tail -c +$((45 + cut)) "$work/full.wav" >>"$work/live.wav"
wait_records "$work/live.jsonl" 2 || fail "the second call did not come out: $(cat "$work/err")"
stop "growing WAV"
calls "$work/live.jsonl" | diff "$work/expected" - || fail "the growing WAV's calls differ from the file's"
grep -q '"heard":{"seconds":[0-9.]*,[^}]*"utc":"[0-9-]*T[0-9:.]*Z"}' "$work/live.jsonl" ||
    fail "no heard time: $(head -c 600 "$work/live.jsonl")"
[ -s "$work/err" ] && fail "unexpected standard error: $(cat "$work/err")"

# A pipe of WAV, as a recorder writes to standard output, read until it closes.
cat "$wav" | "$tool" --follow --format jsonl - >"$work/pipe.jsonl" 2>"$work/err" ||
    fail "a pipe of WAV: exit status $?: $(cat "$work/err")"
calls "$work/pipe.jsonl" | diff "$work/expected" - || fail "the pipe of WAV's calls differ"

# Raw PCM through a pipe that stays open: the calls come out while it is open.
sox -D "$wav" -t raw -e signed-integer -b 16 -L "$work/sample.raw" || fail "sox"
rate=$(soxi -r "$wav")
mkfifo "$work/in"
"$tool" --follow --raw --rate "$rate" --format jsonl - <"$work/in" >"$work/raw.jsonl" 2>"$work/err" &
pid=$!
exec 3>"$work/in"
cat "$work/sample.raw" >&3
wait_records "$work/raw.jsonl" 2 || fail "raw calls did not come out while the pipe was open: $(cat "$work/err")"
exec 3>&-
wait "$pid" || fail "raw pipe: exit status $?"
pid=""
calls "$work/raw.jsonl" | diff "$work/expected" - || fail "the raw pipe's calls differ"
# Without --follow, raw PCM gives the report of the sound file it came from.
"$tool" --raw --rate "$rate" "$work/sample.raw" >"$work/raw-report.txt" || fail "raw file: exit status $?"
"$tool" "$wav" | cmp - "$work/raw-report.txt" || fail "the raw file's report differs from the WAV's"

# Sound a followed input cannot stream is said, with exit 1.
sox -D "$wav" "$work/sample.flac" || fail "sox"
"$tool" --follow "$work/sample.flac" >"$work/out" 2>"$work/err"
[ $? -eq 1 ] || fail "a FLAC file followed: exit status not 1"
grep -aq 'sample.flac: .*WAV' "$work/err" || fail "FLAC not said: $(cat "$work/err")"
echo "follow sound: all passed"
