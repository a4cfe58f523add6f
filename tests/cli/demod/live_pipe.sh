#!/usr/bin/env bash
# vantrel-demod on a pipe that stays open, as from a sound card: the lines of a transmission
# must come out while the input is still open, not when it closes.
# Usage: live_pipe.sh DEMOD SAMPLE_WAV
set -uo pipefail
tool="$1"
sample="$2"
work="$(mktemp -d)"
trap 'exec 3>&- 2>/dev/null; kill "$demod" 2>/dev/null; rm -rf "$work"' EXIT

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
if ! kill -0 "$demod" 2>/dev/null; then
    echo "FAIL: vantrel-demod did not wait for more input"
    exit 1
fi

tail -c +"$((half + 1))" "$work/sample.raw" >&3
exec 3>&-
wait "$demod" || { echo "FAIL: exit status $?"; exit 1; }
cmp "$work/out" "$work/whole.txt" || { echo "FAIL: the live text differs from the file's"; exit 1; }
echo "live pipe: ok"
