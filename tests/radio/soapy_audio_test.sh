#!/usr/bin/env bash
# SoapySDR through its audio module, no radio needed: a PulseAudio server of the test's own
# (user mode, its own runtime folder, a stereo null sink) whose monitor the module records as
# I and Q; soapy_audio_check plays calls into the sink and decodes them from the source.
# Usage: soapy_audio_test.sh SOAPY_AUDIO_CHECK
set -uo pipefail
check="$1"

work="$(mktemp -d)"
cleanup() {
    stop_sound_server
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

source "$(dirname "$0")/../harness/sound_server.sh"
start_sound_server 'sink_name=vantrel_iq rate=48000 channels=2'
pactl set-default-source vantrel_iq.monitor

# The audio module's leaks are told by its library's name, which a sanitizer build sees only
# when it walks the stack through libraries built without frame pointers; the summary of the
# leaks passed over would be more lines on standard error.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0"
timeout 60 "$check" vantrel_iq "$work" >"$work/out" 2>"$work/err" ||
    fail "$(cat "$work/out" "$work/err")"
cat "$work/out"
# The module's sound library writes a line of its own ("RtAudio pulse: running realtime
# scheduling"), past SoapySDR's logger; anything else is unexpected.
grep -v '^RtAudio pulse: ' "$work/err" >"$work/unexpected"
[ -s "$work/unexpected" ] && fail "unexpected standard error: $(cat "$work/unexpected")"
echo "soapy audio: all passed"
