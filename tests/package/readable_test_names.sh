#!/usr/bin/env bash
# Every parameterised GoogleTest case has a name of words and prints its parameter readably:
# no case named by its index alone (Suite/Test/3) and no parameter shown as raw object bytes.
set -euo pipefail
status=0
for program in "$@"; do
    listing="$("$program" --gtest_list_tests)"
    unreadable="$(grep -E '^  [^ ]+/[0-9]+( |$)|byte object <' <<<"$listing" || true)"
    if [ -n "$unreadable" ]; then
        echo "$(basename "$program"): cases without a readable name or parameter:"
        cut -c1-160 <<<"$unreadable"
        status=1
    fi
done
[ $status -eq 0 ] && echo "every parameterised case reads as what it checks"
exit $status
