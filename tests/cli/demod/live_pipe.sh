#!/usr/bin/env bash
# vantrel-demod on a pipe that stays open, as from a sound card: the lines of a transmission
# must come out while the input is still open, not when it closes, and the complete lines of a
# long transmission before it ends.
# Usage: live_pipe.sh DEMOD SAMPLE_WAV
set -uo pipefail
tool="$1"
sample="$2"
work="$(mktemp -d)"
trap 'exec 3>&- 2>/dev/null; kill "$demod" 2>/dev/null; rm -rf "$work"' EXIT

# The demodulator still runs, waiting for the rest of its input.
expect_waiting() {
    kill -0 "$demod" 2>/dev/null || { echo "FAIL: vantrel-demod did not wait for $1"; exit 1; }
}

# Feeds RAW from byte HALF + 1 on, closes the pipe, and compares OUT with the file's text WHOLE.
finish_and_compare() {
    local raw="$1" out="$2" whole="$3" what="$4"
    tail -c +"$((half + 1))" "$raw" >&3
    exec 3>&-
    wait "$demod" || { echo "FAIL: exit status $?"; exit 1; }
    cmp "$out" "$whole" || { echo "FAIL: $what differs from the file's"; exit 1; }
}

rate=$(soxi -r "$sample")
sox -D "$sample" -t raw -e signed-integer -b 16 -L "$work/sample.raw"
"$tool" "$sample" >"$work/whole.txt"
size=$(stat -c %s "$work/sample.raw")
half=$((size * 6 / 10 / 2 * 2)) # holds the first call and the silence after it

mkfifo "$work/in"
"$tool" --raw --rate "$rate" - <"$work/in" >"$work/out" &
demod=$!
exec 3>"$work/in"
head -c "$half" "$work/sample.raw" >&3

# The first call's lines, while the pipe is still open (waiting is only for a busy machine).
for _ in $(seq 1 300); do
    grep -q -a '1010101010101011010000110011' "$work/out" && break
    sleep 0.1
done
if ! grep -q -a '1010101010101011010000110011' "$work/out"; then
    echo "FAIL: no transmission came out while the input was open"
    exit 1
fi
expect_waiting "more input"
finish_and_compare "$work/sample.raw" "$work/out" "$work/whole.txt" "the live text"

# One long transmission (five seconds of carrier from a soft modem) fed only in part: its
# complete lines come out while it is still on the air. The polarity is forced, as the
# automatic choice holds a transmission back until it ends.
seq 100000 | head -c 750 >"$work/long.bin"
minimodem --tx 1200 --mark 1200 --space 1800 --startbits 0 --stopbits 0 -8 -R 8000 \
    -f "$work/long.wav" <"$work/long.bin" || { echo "FAIL: minimodem"; exit 1; }
sox -D "$work/long.wav" -t raw -e signed-integer -b 16 -L "$work/long.raw"
"$tool" --invert no "$work/long.wav" >"$work/long-whole.txt"
size=$(stat -c %s "$work/long.raw")
half=$((size / 2 / 2 * 2))

mkfifo "$work/long-in"
"$tool" --raw --rate 8000 --invert no - <"$work/long-in" >"$work/long-out" &
demod=$!
exec 3>"$work/long-in"
head -c "$half" "$work/long.raw" >&3
# Half of 5 s at 1200 bit/s is some 45 lines; 20 leave room for what the demodulator still
# holds of the audio. Waiting is only for a busy machine.
for _ in $(seq 1 300); do
    [ "$(wc -l <"$work/long-out")" -ge 20 ] && break
    sleep 0.1
done
early=$(wc -l <"$work/long-out")
if [ "$early" -lt 20 ]; then
    echo "FAIL: $early lines of a transmission still on the air came out"
    exit 1
fi
if grep -a -v -q -x -e '[01]\{64\}'$'\r' -e '#vantrel-demod'$'\r' "$work/long-out"; then
    echo "FAIL: a line that is no complete 64-bit line: $(grep -a -v -x -e '[01]\{64\}'$'\r' -e '#vantrel-demod'$'\r' "$work/long-out" | head -1)"
    exit 1
fi
cp "$work/long-out" "$work/long-early"
expect_waiting "the rest of the transmission"
finish_and_compare "$work/long.raw" "$work/long-out" "$work/long-whole.txt" \
    "the long transmission's text"
cmp -s -n "$(stat -c %s "$work/long-early")" "$work/long-early" "$work/long-whole.txt" ||
    { echo "FAIL: the lines that came early are not those of the file"; exit 1; }
echo "live pipe: ok"
