#!/usr/bin/env bash
# The INPUT FORMAT section of the manual page and docs/input-format.md tell the same thing:
# their words, from the first subsection on, must be the same in the same order.
set -euo pipefail
page="$1"
doc="$2"
words() { tr -s ' \t' '\n' | grep -v -x -E '[-•o*]?' ; }
# The rendered section, without its heading and the list bullets.
mandoc -T utf8 -O width=1000 "$page" | col -b |
    awk '/^INPUT FORMAT$/ {on = 1; next} /^[A-Z][A-Z ]+$/ {on = 0} on' |
    sed -e 's/^ *• */ /' | words >"${TMPDIR:-/tmp}/man-words.$$"
# The document from its first subsection, without the markdown marks.
awk '/^## / {on = 1} on' "$doc" | sed -e 's/^## //' -e 's/^ *- //' |
    words >"${TMPDIR:-/tmp}/doc-words.$$"
status=0
diff "${TMPDIR:-/tmp}/man-words.$$" "${TMPDIR:-/tmp}/doc-words.$$" || status=1
rm -f "${TMPDIR:-/tmp}/man-words.$$" "${TMPDIR:-/tmp}/doc-words.$$"
[ $status -eq 0 ] && echo "the manual page and $doc agree"
exit $status
