#!/usr/bin/env bash
# Files and folders closed to the user, through both programs as an unprivileged user (root
# reads and writes everything): said in the system's words, an earlier report kept, nothing
# left behind. Run as root; otherwise it skips (exit 77).
# Usage: unprivileged_user.sh DECODE DEMOD BIT_TEXT SOUND
set -uo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../harness/expect.sh"
source "$(dirname "$0")/../harness/other_user.sh"
need_other_user
copy_for nobody "$1" decode
copy_for nobody "$2" demod

# Inputs the user may not read.
cp "$3" "$work/secret.txt"
cp "$4" "$work/private.wav"
chmod 600 "$work/secret.txt" "$work/private.wav"
expect "bit text without read permission" 1 '*' 'secret.txt.*Permission denied' \
    -- as_user nobody "$decode" "$work/secret.txt"
expect "sound without read permission" 1 '' 'private.wav: Permission denied' \
    -- as_user nobody "$demod" "$work/private.wav"

# Saving into a folder the user may read but not write.
mkdir "$work/readonly"
cp "$3" "$work/readonly/rx.txt"
printf 'earlier report\r\n' >"$work/readonly/rx-decoded.txt"
chmod 644 "$work/readonly/rx.txt" "$work/readonly/rx-decoded.txt"
chmod 555 "$work/readonly"
expect "save into a read-only folder" 1 '*' 'rx-decoded.txt.*Permission denied' \
    -- as_user nobody "$decode" --save "$work/readonly/rx.txt"
[ "$(cat "$work/readonly/rx-decoded.txt")" = "$(printf 'earlier report\r')" ] && ok ||
    fail "read-only folder: earlier report changed"
[ "$(ls "$work/readonly" | wc -l)" -eq 2 ] && ok || fail "read-only folder: files left behind"

summary
