#!/usr/bin/env bash
# --save in a folder everyone may write to (sticky, as /tmp), with a second user: a symbolic
# link that user planted at the report's name is not followed, in words, and the file it points
# to and the earlier report stay as they were; a link of one's own, or of root, is followed.
# Needs root to make the second user (CI runs as root); otherwise it skips (exit 77). That user
# runs a copy of the program on a copy of the sample, in a folder of the test's own.
# Usage: shared_folder.sh TOOL SAMPLES
set -uo pipefail
tool="$1"
samples="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../../harness/expect.sh"
. "$(dirname "$0")/../../harness/other_user.sh"
need_other_user
other=vantrel-test-other
if ! id "$other" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$other" >/dev/null 2>&1 ||
        skip "cannot make the second user $other"
fi
as_other() { as_user "$other" "$@"; }
copy_for "$other" "$tool" their_tool
copy_for "$other" "$samples/two-calls.txt" their_sample

shared="$work/shared"
mkdir -m 1777 "$shared"

cp "$samples/two-calls.txt" "$shared/rx.txt"
"$tool" "$shared/rx.txt" >"$work/report.txt"
printf '\r\n' >>"$work/report.txt"
echo "root's own file" >"$work/victim"

# The other user's link at the report's name, to a file of root's.
as_other ln -s "$work/victim" "$shared/rx-decoded.txt"
expect "planted link refused" 1 '' \
    "^vantrel-decode: $shared/rx-decoded.txt: is a symbolic link of another user \(uid [0-9]+\): not followed, nothing saved"$'\r'"$" \
    -- "$tool" --save "$shared/rx.txt"
[ "$(cat "$work/victim")" = "root's own file" ] || fail "the link's target was written"
[ -L "$shared/rx-decoded.txt" ] || fail "the planted link was replaced"
[ "$(ls -A "$shared" | wc -l)" -eq 2 ] || fail "something was left behind: $(ls -A "$shared")"

# One link further on: the other user's link behind a link of root's own.
rm "$shared/rx-decoded.txt"
mkdir "$work/mine"
as_other ln -s "$work/victim" "$shared/hop"
ln -s "$shared/hop" "$work/mine/rx-decoded.txt"
cp "$samples/two-calls.txt" "$work/mine/rx.txt"
expect "planted link behind one's own" 1 '' \
    "^vantrel-decode: $work/mine/rx-decoded.txt: leads through $shared/hop, a symbolic link of another user" \
    -- "$tool" --save "$work/mine/rx.txt"
[ "$(cat "$work/victim")" = "root's own file" ] || fail "the target behind two links was written"

# An earlier report of root's, then the other user turns its name into a link: refused, the
# earlier report's file keeps its text.
cp "$samples/two-calls.txt" "$shared/day.txt"
echo "earlier report" >"$work/earlier"
as_other ln -s "$work/earlier" "$shared/day-decoded.txt"
expect "earlier report kept" 1 '' "day-decoded.txt: is a symbolic link of another user" \
    -- "$tool" --save "$shared/day.txt"
[ "$(cat "$work/earlier")" = "earlier report" ] || fail "the earlier report was replaced"

# Root's own link is followed: the file it points to gets the report, the link stays.
rm "$shared/rx-decoded.txt" 2>/dev/null
ln -s "$work/own-target.txt" "$shared/rx-decoded.txt"
expect "own link followed" 0 "Decoded file saved as $shared/rx-decoded.txt" '' \
    -- "$tool" --save "$shared/rx.txt"
cmp -s "$work/own-target.txt" "$work/report.txt" || fail "the own link's target lacks the report"
[ -L "$shared/rx-decoded.txt" ] || fail "the own link was replaced"

# The other user saving through root's link, to a file of theirs: root's links are trusted.
as_other cp "$their_sample" "$shared/theirs.txt"
as_other touch "$shared/theirs-target.txt"
ln -s "$shared/theirs-target.txt" "$shared/theirs-decoded.txt"
expect "root's link followed by another user" 0 "Decoded file saved as" '' \
    -- as_other "$their_tool" --save "$shared/theirs.txt"
cmp -s "$shared/theirs-target.txt" "$work/report.txt" || fail "root's link was not followed"

summary
