#!/usr/bin/env bash
# Damaged and hostile files through vantrel-decode: each case states what must happen.
# Usage: hostile_files.sh TOOL MAKE_STREAM_BLOCK
set -uo pipefail
tool="$1"
block="$2"     # a file holding one valid block: sync pattern and header codeword
work="$(mktemp -d)"
trap 'chattr -i "$work"/* 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/../../harness/expect.sh"

# All 256 byte values, twice: no sync pattern, no crash.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 2)' >"$work/bytes.txt"
expect "all byte values" 0 '^Blocks Found:0' '*' -- "$tool" "$work/bytes.txt"

# NUL bytes around a valid block: they are foreign characters, the block still decodes.
{ printf '\0\0\0'; cat "$block"; printf '\0\r\n\0'; } >"$work/nul.txt"
expect "NUL bytes around a block" 0 '^Blocks Found:1' '*' -- "$tool" "$work/nul.txt"
expect "NUL bytes, debug level" 0 'Redundancy chk: OK|CRC=0 Parity=0 OK' '*' \
    -- "$tool" --level debug "$work/nul.txt"

# An empty file.
: >"$work/empty.txt"
expect "0-byte file" 0 '^Blocks Found:0' '*' -- "$tool" "$work/empty.txt"
if [ "$(printf 'Blocks Found:0\r\n' | od -c)" != "$("$tool" "$work/empty.txt" | od -c)" ]; then
    fail "0-byte file: report is not exactly Blocks Found:0 CR LF"
else ok; fi

# One line of 200 MB with the block at its very end.
{ head -c 200000000 /dev/zero | tr '\0' '0'; cat "$block"; } >"$work/long-line.txt"
start=$(date +%s)
expect "200 MB in one line" 0 '^Blocks Found:1' '*' -- "$tool" "$work/long-line.txt"
took=$(( $(date +%s) - start ))
echo "200 MB line decoded in ${took}s"
[ "$took" -lt 60 ] && ok || fail "200 MB line took ${took}s"
rm -f "$work/long-line.txt"

# A file that vanished between listing and reading; the next file is still decoded.
cp "$block" "$work/good.txt"
expect "vanished file" 1 '^Blocks Found:1' 'gone.txt.*No such file or directory' \
    -- "$tool" "$work/gone.txt" "$work/good.txt"

# A folder given as the file.
mkdir "$work/folder.txt"
expect "folder as input" 1 '*' 'folder.txt.*Is a directory' -- "$tool" "$work/folder.txt"

# Saving over a folder that stands where the report goes: refused, the folder stays.
mkdir "$work/clash-decoded.txt"
touch "$work/clash-decoded.txt/keep"
cp "$block" "$work/clash.txt"
expect "save over a folder" 1 '*' 'clash-decoded.txt.*Is a directory' \
    -- "$tool" --save "$work/clash.txt"
[ -f "$work/clash-decoded.txt/keep" ] && ok || fail "save over a folder: folder content lost"

# Saving over a file that cannot be replaced (immutable, the nearest this system has to a
# locked file): refused, the earlier report intact, no temporary file left behind.
cp "$block" "$work/locked.txt"
printf 'earlier report\r\n' >"$work/locked-decoded.txt"
if chattr +i "$work/locked-decoded.txt" 2>/dev/null; then
    expect "save over a locked file" 1 '*' 'locked-decoded.txt.*Operation not permitted' \
        -- "$tool" --save "$work/locked.txt"
    chattr -i "$work/locked-decoded.txt"
    [ "$(cat "$work/locked-decoded.txt")" = "$(printf 'earlier report\r')" ] && ok ||
        fail "save over a locked file: earlier report changed"
else
    echo "skipped: this file system has no immutable files"
fi

# The permission cases, which need another user, are in ../unprivileged_user.sh.

summary
