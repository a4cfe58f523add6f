#!/usr/bin/env bash
# A manual page must pass mandoc's lint with no warning, and groff must format it without one.
set -euo pipefail
page="$1"
findings="$(mandoc -T lint -W warning "$page" 2>&1 || true)"
if [ -n "$findings" ]; then
    echo "$findings"
    exit 1
fi
if command -v groff >/dev/null; then
    groff_findings="$(groff -mandoc -ww -z "$page" 2>&1 || true)"
    if [ -n "$groff_findings" ]; then
        echo "$groff_findings"
        exit 1
    fi
fi
# Every section a user looks for.
for section in NAME SYNOPSIS DESCRIPTION FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -q "^\.Sh $section\$" "$page" || { echo "$page: no $section section"; exit 1; }
done
echo "$page: clean"
