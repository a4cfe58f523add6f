#!/usr/bin/env bash
# Both programs recording a live sound card: a PulseAudio server of the test's own (user mode,
# its own runtime folder, a null sink) plays the project's modulated calls into the sink, and
# the programs record its monitor. A device that does not exist is one line and exit 1, or,
# with --follow, waited for (said once) until it appears.
# Usage: device_test.sh DECODE DEMOD SAMPLE_WAV
set -uo pipefail
decode="$1"
demod="$2"
wav="$3"

work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    stop_sound_server
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

source "$(dirname "$0")/../../harness/sound_server.sh"
start_sound_server 'sink_name=vantrel_test rate=48000'

# Waits (up to 30 s) until FILE holds N lines matching PATTERN.
wait_count() {
    local file="$1" pattern="$2" n="$3"
    for _ in $(seq 300); do
        [ "$(grep -ac "$pattern" "$file")" -ge "$n" ] && return 0
        sleep 0.1
    done
    return 1
}
# Waits until the server has N recording streams, so nothing played is missed.
wait_recording() {
    for _ in $(seq 300); do
        [ "$(pactl list short source-outputs | wc -l)" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
calls() { grep -ao '"FromAddr":"[0-9A-F]*","FromAddrDec":[0-9]*,"ToCountry":"[^"]*","ToAddr":"[0-9A-F]*"' "$@"; }

"$decode" --format jsonl "$wav" | calls >"$work/expected" || fail "the whole-file decode failed"
[ "$(wc -l <"$work/expected")" -ge 2 ] || fail "the sample has fewer than two calls"

# Both programs at once on the monitor; the calls played once reach both.
"$decode" --device vantrel_test.monitor --format jsonl >"$work/decode.jsonl" 2>"$work/decode.err" &
pids+=($!)
decoder=$!
"$demod" --device vantrel_test.monitor >"$work/demod.txt" 2>"$work/demod.err" &
pids+=($!)
demodulator=$!
wait_recording 2 || fail "the programs did not start recording: $(cat "$work/decode.err" "$work/demod.err")"
paplay -d vantrel_test "$wav" || fail "paplay failed"
# Each call is written when its transmission ends, while the programs still record.
wait_count "$work/decode.jsonl" '"number"' 2 ||
    fail "the calls did not come out while recording: $(cat "$work/decode.err")"
kill -0 "$decoder" || fail "vantrel-decode ended by itself"
kill -INT "$decoder" "$demodulator"
wait "$decoder" || fail "vantrel-decode: exit status $? after SIGINT: $(cat "$work/decode.err")"
wait "$demodulator" || fail "vantrel-demod: exit status $? after SIGINT: $(cat "$work/demod.err")"
pids=()
calls "$work/decode.jsonl" | diff "$work/expected" - || fail "recorded calls differ from the file's"
grep -q '"heard":{[^}]*"utc":"[0-9-]*T[0-9:.]*Z"' "$work/decode.jsonl" ||
    fail "no heard.utc: $(head -c 600 "$work/decode.jsonl")"
[ -s "$work/decode.err" ] && fail "unexpected standard error: $(cat "$work/decode.err")"
# vantrel-demod's lines decode to the same calls.
"$decode" --format jsonl - <"$work/demod.txt" | calls | diff "$work/expected" - ||
    fail "vantrel-demod's recorded bits decode to other calls"
# Its text is marked as a file's is: a header with the sound card's clock (in mark digits), a
# mark after each transmission; so what it heard, and when by the clock, comes back whole and
# followed alike.
head -1 "$work/demod.txt" | grep -q -a -x '#vantrel-demod start=[oi2-9-]*T[oi2-9:.]*Z'$'\r' ||
    fail "no header with the clock start: $(head -1 "$work/demod.txt" | cat -A)"
[ "$(grep -a -c '^#transmission start=.* level=.* ebno=.* polarity=normal'$'\r''$' "$work/demod.txt")" -ge 2 ] ||
    fail "no mark after each transmission: $(grep -a '^#' "$work/demod.txt")"
heard() { grep -ao '"heard":{[^}]*}' "$@"; }
"$decode" --format jsonl - <"$work/demod.txt" >"$work/demod.jsonl"
cat "$work/demod.txt" | "$decode" --follow --format jsonl - >"$work/demod-followed.jsonl"
[ "$(heard "$work/demod.jsonl" | grep -c '"levelDbfs":[^,]*,"ebN0Db":[^,]*,"utc":"20')" -ge 2 ] ||
    fail "the device's text gives no level, Eb/N0 and clock time: $(head -c 600 "$work/demod.jsonl")"
diff <(heard "$work/demod.jsonl") <(heard "$work/demod-followed.jsonl") ||
    fail "the device's text followed is heard otherwise"

# A device that is not there: one line naming it with the server's reason, exit 1.
for tool in "$decode" "$demod"; do
    "$tool" --device vantrel_missing >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] || fail "$tool: exit status $status for a missing device"
    [ "$(cat "$work/err")" = "$(basename "$tool"): vantrel_missing: No such entity"$'\r' ] ||
        fail "$tool: not one line naming the device and the reason: $(cat -A "$work/err")"
done

# With --follow the missing device is waited for, said once, and recorded once it appears.
"$decode" --follow --device vantrel_late.monitor --format jsonl >"$work/late.jsonl" 2>"$work/late.err" &
pids+=($!)
late=$!
wait_count "$work/late.err" 'vantrel_late.monitor: No such entity; waiting for it' 1 ||
    fail "waiting not said: $(cat "$work/late.err")"
sleep 2 # a few more attempts, still said only once
pactl load-module module-null-sink sink_name=vantrel_late rate=48000 >/dev/null
wait_recording 1 || fail "the device was not opened once it appeared: $(cat "$work/late.err")"
paplay -d vantrel_late "$wav" || fail "paplay failed"
wait_count "$work/late.jsonl" '"number"' 2 || fail "no calls from the late device: $(cat "$work/late.err")"
kill -TERM "$late"
wait "$late" || fail "exit status $? after SIGTERM"
pids=()
[ "$(wc -l <"$work/late.err")" -eq 1 ] || fail "waiting said more than once: $(cat "$work/late.err")"
echo "device: all passed"
