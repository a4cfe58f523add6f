#!/usr/bin/env bash
# The manual page names the formats vantrel-decode lists wherever it lists formats: the items
# of --format, the formats of the two --follow synopses and the ones -j decodes one file at a
# time. The build fills them in from the program (cmake/format_lists.cmake).
# man_page_formats.sh PAGE VANTREL_DECODE
# shellcheck disable=SC2016 # the awk programs are in single quotes on purpose
set -euo pipefail
page="$1"
tool="$2"
fail() { echo "$page: $*"; exit 1; }

# The names of the listed formats an awk condition on its fields keeps, sorted, blank apart.
listed() { "$tool" --list-formats | tr -d '\r' | awk -F '\t' "$1 { print \$1 }" | words; }
# The format names among mdoc words: no macros, separators or "and".
words() {
    tr -s ' ,|' '\n' | grep -v -x -E '|and|\.[A-Z][a-z]|Cm|Fl|-format' | LC_ALL=C sort | tr '\n' ' '
}
same() { # what got want
    [ "$2" = "$3" ] || fail "$1 names '$2', the program '$3'"
}

all="$(listed 1)"
[ -n "$all" ] || fail "$tool lists no formats"
same "the --format list" "$(awk '/^\.It Fl -format Ar format$/ { on = 1; next }
    on && /^\.El$/ { exit } on && /^\.It Cm / { print }' "$page" | words)" "$all"

follow="$(listed '$2 == "follow"')"
synopses=0
while IFS= read -r line; do
    same "the --follow synopsis" "$(words <<<"$line")" "$follow"
    synopses=$((synopses + 1))
done < <(grep '^\.Op Fl -format Cm ' "$page")
[ "$synopses" -eq 2 ] || fail "$synopses synopses with formats, not 2"

same "-j" "$(awk '/^\.It Fl j Ar n/ { on = 1; next } on && /^\.It / { exit }
    on && /^\.Cm / { print }' "$page" | words)" "$(listed '$3 == "whole-run"')"
echo "$page names every format"
