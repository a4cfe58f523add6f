#!/usr/bin/env bash
# Damaged and hostile sound through vantrel-demod: each case states what must happen.
# Usage: hostile_audio.sh DEMOD SAMPLE_WAV
set -uo pipefail
tool="$1"
sample="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../../harness/expect.sh"

# wav_header CHANNELS RATE BITS FORMAT DATA-BYTES: a WAV header announcing what it is told.
wav_header() {
    python3 - "$@" <<'PY'
import struct, sys
channels, rate, bits, fmt, data = (int(a) for a in sys.argv[1:])
block = channels * bits // 8
sys.stdout.buffer.write(b"RIFF" + struct.pack("<I", (36 + data) & 0xFFFFFFFF) + b"WAVE" +
    b"fmt " + struct.pack("<IHHIIHH", 16, fmt, channels, rate & 0xFFFFFFFF,
                          (rate * block) & 0xFFFFFFFF, block, bits) +
    b"data" + struct.pack("<I", data & 0xFFFFFFFF))
PY
}

# A header that promises 1 GB and holds a second of noise: what is there, and "ended early".
{ wav_header 1 8000 16 1 1000000000; head -c 16000 /dev/urandom; } >"$work/promise.wav"
expect "1 GB promised, 16 kB held" 1 '*' 'promise.wav: the file ended early' \
    -- "$tool" "$work/promise.wav"
# The largest length there is: a WAV streamed without knowing its length, not a cut one.
{ wav_header 1 8000 16 1 4294967295; head -c 16000 /dev/urandom; } >"$work/streamed.wav"
expect "streamed, length unknown" 0 '*' '' -- "$tool" "$work/streamed.wav"

# A header and nothing else.
wav_header 1 8000 16 1 0 >"$work/header-only.wav"
expect "header only" 0 '' '' -- "$tool" "$work/header-only.wav"

# Rates the demodulator is not built for, and one at each edge.
for rate in 0 1 7999 192001 4000000000; do
    wav_header 1 "$rate" 16 1 200 >"$work/rate.wav"
    head -c 200 /dev/zero >>"$work/rate.wav"
    expect "rate $rate" 1 '' 'rate.wav: (unsupported sample rate|unreadable or unsupported)' \
        -- "$tool" "$work/rate.wav"
done
for rate in 8000 192000; do
    wav_header 1 "$rate" 16 1 200 >"$work/rate.wav"
    head -c 200 /dev/zero >>"$work/rate.wav"
    expect "rate $rate" 0 '' '' -- "$tool" "$work/rate.wav"
done

# Many channels: the last one chosen, one past it refused.
wav_header 64 8000 16 1 12800 >"$work/many.wav"
head -c 12800 /dev/urandom >>"$work/many.wav"
expect "channel 64 of 64" 0 '*' '' -- "$tool" --channel 64 "$work/many.wav"
expect "channel 65 of 64" 1 '' 'many.wav: there is no channel 65: the file has 64' \
    -- "$tool" --channel 65 "$work/many.wav"

# A codec this reader does not know, and a header cut inside itself.
wav_header 1 8000 16 4660 200 >"$work/codec.wav"
expect "unknown codec" 1 '' 'codec.wav: unreadable or unsupported audio file: ' \
    -- "$tool" "$work/codec.wav"
head -c 30 "$sample" >"$work/cut-header.wav"
expect "header cut short" 1 '' 'cut-header.wav: ' -- "$tool" "$work/cut-header.wav"

# Random bytes, with and without a RIFF in front.
head -c 100000 /dev/urandom >"$work/random.bin"
expect "random bytes" 1 '' 'random.bin: not an audio file \(WAV, FLAC, Ogg or AIFF\)' \
    -- "$tool" "$work/random.bin"
{ head -c 12 "$sample"; head -c 100000 /dev/urandom; } >"$work/riff-random.wav"
expect "RIFF then random bytes" 1 '' 'riff-random.wav: ' -- "$tool" "$work/riff-random.wav"

# A named pipe (process substitution) instead of a file: read as it comes, like standard input.
expect "WAV through a named pipe" 0 '^[01]+'$'\r''$' '' -- bash -c "\"$tool\" <(cat \"$sample\")"
expect "bit text through a named pipe" 1 '' 'not an audio file' \
    -- bash -c "\"$tool\" <(printf '0101\r\n')"

# A full disk behind standard output: said in the system's words.
expect "standard output full" 1 '' '^vantrel-demod: standard output: No space left on device' \
    -- sh -c "exec \"$tool\" \"$sample\" >/dev/full"

# Ten minutes of silence as raw PCM through a pipe, under a memory limit of 100 MB: the input
# is never held whole (it is 9.6 MB, the limit would still stop a leak per piece). A build
# with AddressSanitizer reserves terabytes of address space and cannot run under the limit.
if ! ldd "$tool" | grep -E 'lib(asan|ubsan)' >/dev/null; then
    expect "10 minutes of raw silence in 100 MB" 0 '' '' -- bash -c \
        "ulimit -v 100000; head -c 9600000 /dev/zero | \"$tool\" --raw --rate 8000 -"
fi

summary
