#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, the metainfo names the
# desktop entry and the license, and the newest release in the metainfo and in the Debian
# changelog is the project's version.
set -euo pipefail
root="$1"
version="$2"
metainfo="$root/packaging/io.github.vantrel.Vantrel.metainfo.xml"
desktop="$root/window/resources/vantrel.desktop"
fail() { echo "$*"; exit 1; }

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
# "Open with" offers the window for what it opens: bit texts and sound, compressed too; each
# type one the shared MIME database knows, not an alias or a misspelling.
types="$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')"
for type in text/plain audio/x-wav audio/flac application/gzip; do
    [[ " $types " == *" $type "* ]] || fail "the desktop entry does not open $type"
done
if [ -f /usr/share/mime/types ]; then
    for type in $types; do
        grep -qx "$type" /usr/share/mime/types || fail "the desktop entry names $type, no known type"
    done
fi
# --no-net: the screenshots' addresses are not fetched; everything else is checked.
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"

grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $(basename "$desktop")"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
    fail "the metainfo names no GPL-3.0-or-later license"
newest="$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)"
[ "$newest" = "$version" ] || fail "the metainfo's newest release is $newest, the project is $version"
changelog="$(head -n1 "$root/packaging/changelog" | sed -e 's/^vantrel (\([^)]*\)).*/\1/')"
[ "$changelog" = "$version" ] || fail "packaging/changelog is at $changelog, the project is $version"
echo "desktop entry and metainfo valid, both at $version"
