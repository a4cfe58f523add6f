#!/usr/bin/env bash
# Single-block calls made by minimodem, a soft modem that shares nothing with this project,
# as a scanner records them: FEC and NO FEC in random order, silence, speech-like sound and
# noise between them. Every call is found in the order sent, FEC-only recordings too in both
# polarities, and the pipe of vantrel-demod gives the records vantrel-decode gives the sound.
# Usage: scanner_calls.sh DEMOD DECODE PACK_BITS MAKE_CALLS
set -uo pipefail
demod="$1"
decode="$2"
pack="$3"
make_calls="$4"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# recording NAME COUNT SEED [fec] [inverted]: NAME.wav and NAME.calls ("FEC|NOFEC ToAddr").
recording() {
    local name="$1" count="$2" seed="$3" kind="${4:-}" inverted="${5:-}"
    local mark=1200 space=1800 parts=() i=0
    [ "$inverted" = inverted ] && mark=1800 space=1200
    "$make_calls" "$count" "$seed" $kind >"$work/$name.list" || fail "make-calls"
    cut -d' ' -f1,2 "$work/$name.list" >"$work/$name.calls"
    while read -r _ _ bits; do
        i=$((i + 1))
        printf '%s' "$bits" | "$pack" >"$work/call.bin"
        minimodem --tx 1200 --mark $mark --space $space --startbits 0 --stopbits 0 -8 \
            -R 48000 -f "$work/$name-$i.wav" <"$work/call.bin" || fail "minimodem"
        parts+=("$work/$name-$i.wav")
        if ((i % 2)); then
            sox -n -r 48000 -c 1 "$work/gap-$i.wav" trim 0 0.5
        else # speech-like: a gliding buzz through a band, at a syllable's rate
            sox -n -r 48000 -c 1 "$work/gap-$i.wav" synth 0.7 sawtooth 110-180 \
                tremolo 4 90 bandpass 900 600 vol 0.3
        fi
        parts+=("$work/gap-$i.wav")
    done <"$work/$name.list"
    sox "${parts[@]}" -b 16 "$work/$name-clean.wav" pad 0.3 0.3 || fail "sox concat"
    # Noise over everything: the calls are heard at about 14 dB Eb/N0. The same noise on every
    # run (-R): at this level a FEC block now and then corrects into another valid word, and a
    # test must not hang on the draw.
    sox -R -n -r 48000 -c 1 -b 16 "$work/noise.wav" \
        synth "$(soxi -D "$work/$name-clean.wav")" whitenoise vol 0.9
    sox -m "$work/$name-clean.wav" "$work/noise.wav" -b 16 "$work/$name.wav" || fail "sox noise"
}

# found FILE: "FEC|NOFEC ToAddr" of each record in JSON Lines.
found() {
    sed -n 's/.*"ToAddr":"\([^"]*\)".*/\1/p' "$1" >"$work/to"
    sed -n 's/.*"fec":\(true\|false\).*/\1/p' "$1" | sed 's/true/FEC/;s/false/NOFEC/' >"$work/fec"
    paste -d' ' "$work/fec" "$work/to"
}

recording mixed 12 5
"$decode" --invert no --format jsonl "$work/mixed.wav" >"$work/mixed.jsonl" || fail "decode mixed"
found "$work/mixed.jsonl" | diff "$work/mixed.calls" - || fail "mixed calls not all found in order"

# The calls on the second channel of a stereo file, silence on the first.
sox -n -r 48000 -c 1 -b 16 "$work/silence.wav" trim 0 "$(soxi -D "$work/mixed.wav")"
sox -M "$work/silence.wav" "$work/mixed.wav" "$work/stereo.wav" || fail "sox stereo"
"$decode" --invert no --channel 2 --format jsonl "$work/stereo.wav" >"$work/second.jsonl"
found "$work/second.jsonl" | diff "$work/mixed.calls" - || fail "--channel 2"

# The pipe gives the same records as the sound, heard (and its clock time) included.
"$decode" --invert no --format jsonl --start-time 2026-12-07T20:00:00Z - \
    <"$work/mixed.wav" >"$work/direct.jsonl"
"$demod" --invert no "$work/mixed.wav" |
    "$decode" --format jsonl --start-time 2026-12-07T20:00:00Z - >"$work/piped.jsonl"
grep -q '"utc":"2026-12-07T20:00:0' "$work/direct.jsonl" || fail "no heard.utc"
cmp "$work/direct.jsonl" "$work/piped.jsonl" || fail "pipe and sound differ"

# Followed, the pipe ends each call at its transmission's mark: the same calls, heard the same.
"$demod" --invert no "$work/mixed.wav" | "$decode" --follow --format jsonl - >"$work/followed.jsonl"
heard() { grep -o '"FromAddr":"[^"]*"\|"heard":{[^}]*}' "$1" | sed 's/,"utc":"[^"]*"//'; }
diff <(heard "$work/direct.jsonl") <(heard "$work/followed.jsonl") || fail "followed pipe differs"
# The start time travels in the pipe too, whole and followed.
"$demod" --invert no --start-time 2026-12-07T20:00:00Z "$work/mixed.wav" >"$work/timed.txt"
"$decode" --format jsonl - <"$work/timed.txt" >"$work/piped2.jsonl"
cmp "$work/direct.jsonl" "$work/piped2.jsonl" || fail "start time lost in the pipe"
cat "$work/timed.txt" | "$decode" --follow --format jsonl - >"$work/followed2.jsonl"
diff <(grep -o '"heard":{[^}]*}' "$work/direct.jsonl") \
    <(grep -o '"heard":{[^}]*}' "$work/followed2.jsonl") || fail "start time lost when followed"
# And the report.
"$decode" --invert no --level debug - <"$work/mixed.wav" >"$work/direct.txt"
"$demod" --invert no "$work/mixed.wav" | "$decode" --level debug - >"$work/piped.txt"
cmp "$work/direct.txt" "$work/piped.txt" || fail "pipe and sound reports differ"

# The bits alone, as a plain bit text: the report's rule passes over FEC calls that a NO FEC
# call follows; --order arrival gives them all, in every format.
"$demod" --invert no "$work/mixed.wav" | grep -v '^#' >"$work/plain.txt"
"$decode" --format jsonl --order arrival "$work/plain.txt" >"$work/arrival.jsonl"
found "$work/arrival.jsonl" | diff "$work/mixed.calls" - || fail "--order arrival lost calls"
"$decode" --format jsonl "$work/plain.txt" >"$work/file.jsonl" 2>"$work/file.err"
[ "$(wc -l <"$work/file.jsonl")" -lt 12 ] || fail "the report's rule should pass over calls"
grep -q -- "--order arrival" "$work/file.err" || fail "the warning does not name --order arrival"
"$decode" --order arrival -j 2 --format jsonl - <"$work/plain.txt" >"$work/arrival-pipe.jsonl"
found "$work/arrival-pipe.jsonl" | diff "$work/mixed.calls" - || fail "--order arrival on a pipe"

# The polarity is the receiver's: a first call that alone reads better turned round is read as
# the calls after it, in both polarities, by both programs.
for polarity in normal inverted; do
    recording "ambiguous-$polarity" 6 11 ambiguous "$polarity"
    "$decode" --format jsonl "$work/ambiguous-$polarity.wav" >"$work/ambiguous.jsonl"
    found "$work/ambiguous.jsonl" | diff "$work/ambiguous-$polarity.calls" - ||
        fail "a call read against the receiver, $polarity"
    "$demod" "$work/ambiguous-$polarity.wav" | "$decode" --format jsonl - >"$work/ambiguous-pipe.jsonl"
    found "$work/ambiguous-pipe.jsonl" | diff "$work/ambiguous-$polarity.calls" - ||
        fail "vantrel-demod read a call against the receiver, $polarity"
done

# FEC-only recordings, in both polarities, the polarity told.
for polarity in normal inverted; do
    recording "fec-$polarity" 5 9 fec "$polarity"
    invert=no
    [ "$polarity" = inverted ] && invert=yes
    "$decode" --invert $invert --format jsonl "$work/fec-$polarity.wav" >"$work/fec.jsonl"
    found "$work/fec.jsonl" | diff "$work/fec-$polarity.calls" - || fail "FEC-only, $polarity"
done
exit $failed
