#!/usr/bin/env bash
# Every kind of input a technician hands over gives the plain file's output, byte for byte:
# each encoding (plain, gzip, xz, zstd, UTF-16 LE and BE and UTF-8 with their byte order marks,
# UTF-16 gzipped), and sound plain and compressed, each given as a file, a named pipe, a
# process substitution, /dev/stdin and standard input. The report at the debug level and the
# CSV records (lines and columns included; the file column dropped) are compared; a hang is a
# failure, not a stuck test.
# Usage: input_kinds.sh TOOL TEXT_SAMPLE SOUND_SAMPLE
set -uo pipefail
tool="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../../harness/expect.sh"

# A text with a character beyond ASCII on a line before the bits: its columns must count as
# in the plain UTF-8 file.
{ printf 'Kanal 3 \xe2\x80\x93 Nacht\r\n'; cat "$2"; } >"$work/text"
cp "$3" "$work/sound"

utf16() { python3 -c "import sys; d=sys.stdin.buffer.read().decode(); sys.stdout.buffer.write(('\ufeff'+d).encode('$1'))"; }
# encoding | the command that makes it from the plain bytes on standard input
encodings=(
    "plain|cat"
    "gzip|gzip -c"
    "xz|xz -c"
    "zstd|zstd -q -c"
    "utf16le|utf16 utf-16-le"
    "utf16be|utf16 utf-16-be"
    "utf8bom|utf16 utf-8"
    "utf16le.gz|utf16 utf-16-le | gzip -c"
)
sound_encodings=("plain|cat" "gzip|gzip -c" "xz|xz -c" "zstd|zstd -q -c")

# transport | how the program is given the file $f (run from bash, so <(...) works)
transports=(
    'file|"$tool" "$@" "$f"'
    'fifo|rm -f "$work/fifo"; mkfifo "$work/fifo"; cat "$f" >"$work/fifo" & "$tool" "$@" "$work/fifo"'
    'substitution|"$tool" "$@" <(cat "$f")'
    'dev_stdin|"$tool" "$@" /dev/stdin <"$f"'
    'stdin_pipe|cat "$f" | "$tool" "$@" -'
)

# run TRANSPORT FILE ARGS...: the program's output, the file column of CSV dropped.
run() {
    local how="$1" f="$2"
    shift 2
    timeout 30 bash -c "tool='$tool'; work='$work'; f='$f'; $how" _ "$@" | sed 's/^[^,]*,//'
    return "${PIPESTATUS[0]}"
}

check() { # KIND ENCODINGS...
    local kind="$1"
    shift
    for format in "--level debug" "--format csv"; do
        # shellcheck disable=SC2086
        run "${transports[0]#*|}" "$work/$kind" $format >"$work/expected" || fail "$kind: plain file failed"
        for encoding in "$@"; do
            local name="${encoding%%|*}" make="${encoding#*|}"
            (eval "$make") <"$work/$kind" >"$work/input.$name"
            for transport in "${transports[@]}"; do
                # shellcheck disable=SC2086
                run "${transport#*|}" "$work/input.$name" $format >"$work/got" 2>"$work/err"
                local status=$?
                if [ "$status" -ne 0 ] || [ -s "$work/err" ]; then
                    fail "$kind $name through ${transport%%|*} ($format): exit $status, $(head -c 300 "$work/err")"
                elif ! cmp -s "$work/got" "$work/expected"; then
                    fail "$kind $name through ${transport%%|*} ($format): output differs: $(diff "$work/expected" "$work/got" | head -5)"
                else
                    ok
                fi
            done
        done
    done
}

check text "${encodings[@]}"
check sound "${sound_encodings[@]}"

# --save reads through the same input library: the saved report of each encoding is the plain
# file's.
mkdir -p "$work/saved"
for encoding in "${encodings[@]}"; do
    name="${encoding%%|*}"
    cp "$work/input.$name" "$work/saved/$name.txt"
    "$tool" --save "$work/saved/$name.txt" >/dev/null 2>"$work/err" || fail "--save $name: $(cat "$work/err")"
    cmp -s "$work/saved/$name-decoded.txt" "$work/saved/plain-decoded.txt" &&
        ok || fail "--save $name: the saved report differs from the plain file's"
done
# A truncated or damaged archive: one line naming the file and the library's reason, exit 1,
# and no report at all, whichever way it comes.
for z in gz xz zst; do
    format_name=$(case $z in gz) echo gzip ;; xz) echo xz ;; zst) echo zstd ;; esac)
    full="$work/input.plain.$z"
    case $z in gz) gzip -c ;; xz) xz -c ;; zst) zstd -q -c ;; esac <"$work/text" >"$full"
    head -c $(($(stat -c %s "$full") - 9)) "$full" >"$work/cut.$z"
    expect "truncated $z" 1 "" "^vantrel-decode: $work/cut.$z: $format_name data: .+$" -- \
        "$tool" "$work/cut.$z"
    expect "truncated $z through a pipe" 1 "" "^vantrel-decode: -: $format_name data: " -- \
        bash -c 'cat "$1" | "$2" -' _ "$work/cut.$z" "$tool"
    [ "$(wc -l <"$work/err")" = 1 ] && ok || fail "truncated $z: more than one line"
done
summary
