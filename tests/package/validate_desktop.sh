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
