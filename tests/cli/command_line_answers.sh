#!/usr/bin/env bash
# What both programs answer to a command line, in one table: the exit status (0 an input read
# and decoded whole, 1 an input that could not be read or ended early, what it held still used,
# 2 a wrong command line), what standard output starts with, and the one line on standard error
# that says what is wrong, naming the option or the file the user gave; then the layout of
# both programs' --help.
# Usage: command_line_answers.sh DECODE DEMOD SAMPLES
set -uo pipefail
decode="$1"
demod="$2"
samples="$3"
work="$(mktemp -d)"
trap 'chmod -R u+rwX "$work"; rm -rf "$work"' EXIT
harness="$(cd "$(dirname "$0")/../harness" && pwd)"
. "$harness/expect.sh"
cd "$work" || exit 1

# The sample sound cut inside its data: the header announces more than there is.
head -c 30000 "$samples/two-calls.wav" >cut.wav
cp "$samples/two-calls.wav" whole.wav
cp "$samples/two-calls.txt" bits.txt
gzip -c whole.wav >whole.wav.gz
gzip -c bits.txt >bits.txt.gz
# UTF-16 without its byte order mark, either way round.
iconv -f UTF-8 -t UTF-16LE bits.txt >le.txt
iconv -f UTF-8 -t UTF-16BE bits.txt >be.txt
mkdir folder
# -r: a link back up, and a folder only a link leads to.
mkdir -p links/day elsewhere
cp bits.txt links/day/a.txt
cp bits.txt elsewhere/o.txt
ln -s .. links/day/up
ln -s ../elsewhere links/via
# -r: a folder its user cannot enter, beside one it can.
mkdir -p closed/open closed/locked
cp bits.txt closed/open/a.txt
cp bits.txt closed/open/b.txt
cp bits.txt closed/locked/l.txt

# The folder the user cannot enter is closed to the user the row runs as: root enters every
# folder, so there the row runs as nobody.
nobody_decode="$decode"
run_as() { shift; "$@"; }
if [ "$(id -u)" -eq 0 ]; then
    . "$harness/other_user.sh"
    need_other_user
    copy_for nobody "$decode" nobody_decode
    chmod -R a+rX "$work"
    run_as() { as_user "$@"; }
fi
chmod 000 closed/locked

us="EST5EDT,M3.2.0,M11.1.0"     # local time 5 hours behind UTC in winter
cet="CET-1CEST,M3.5.0,M10.5.0/3" # the clocks skip 02:00-03:00 on 2026-03-29
# program  TZ  status  stdout  stderr  arguments... (a pattern is an extended regular expression
# a line must match; empty: nothing; *: anything; "." stands for "|")
cases=(
    "decode||0|^Blocks Found:2||whole.wav"
    "demod ||0|^[01]+||whole.wav"
    "decode||1|^Blocks Found:|^vantrel-decode: cut.wav: the sound file ended early|cut.wav"
    "demod ||1|*|^vantrel-demod: cut.wav: the file ended early|cut.wav"
    "decode||1|^Decoded file saved as|^vantrel-decode: cut.wav: the sound file ended early|--save cut.wav"
    "decode||1||^vantrel-decode: missing.wav: No such file or directory|missing.wav"
    "demod ||1||^vantrel-demod: missing.wav: No such file or directory|missing.wav"
    "decode||1||^vantrel-decode: folder: Is a directory \(use -r to decode the files in it\)|folder"
    "decode||1||^vantrel-decode: folder: Is a directory \(use -r|--save folder"
    "decode||2||^vantrel-decode: --level: long is not short or debug"$'\r'"$|--level long bits.txt"
    "decode||2||^vantrel-decode: --level needs a value: short.debug"$'\r'"$|--level"
    "demod ||2||^vantrel-demod: --rate is for --raw input|--rate 8000 whole.wav"
    "decode||2||^vantrel-decode: FILE is required|"
    # Values out of range, in words.
    "decode||2||^vantrel-decode: --jobs: 0 is not a positive number"$'\r'"$|-j 0 bits.txt"
    "demod ||2||^vantrel-demod: --channel: 0 is not a positive number"$'\r'"$|--channel 0 whole.wav"
    "decode||2||^vantrel-decode: --rate: 4000 is not from 8000 to 192000"$'\r'"$|--raw --rate 4000 -"
    "decode||2||^vantrel-decode: --format: xml is not text, brief, json, .* or |--format xml bits.txt"
    "decode||2||^vantrel-decode: --quiet: no such option"$'\r'"$|--quiet bits.txt"
    "demod ||2||^vantrel-demod: other.wav: one argument too many"$'\r'"$|whole.wav other.wav"
    # The option the user gave, not another.
    "decode||2||^vantrel-decode: --device writes each record as soon as it is final: .*, not csv"$'\r'"$|--device x --format csv"
    "decode||2||^vantrel-decode: --follow reads one input: give one FILE or -, not 2"$'\r'"$|--follow bits.txt whole.wav"
    "decode||2||^vantrel-decode: --save saves the report of a whole file: not with --follow|--follow --save bits.txt"
    "decode||2||^vantrel-decode: --save names each report after its input: standard input|--save -"
    # Compressed sound, named to vantrel-demod: demodulated as vantrel-decode does.
    "demod ||0|^#vantrel-demod||whole.wav.gz"
    "demod ||1||^vantrel-demod: bits.txt.gz: not an audio file|bits.txt.gz"
    # UTF-16 without its mark is read as UTF-16; follow mode refuses it as it does with a mark.
    "decode||0|^Blocks Found:2||le.txt"
    "decode||0|^Blocks Found:2||be.txt"
    "decode||1||^vantrel-decode: le.txt: a UTF-16 text cannot be followed|--follow le.txt"
    # -r follows a link to a folder, and ends on a link back up.
    "decode||0|^==> links/via/o.txt <==||-r links"
    "decode-nobody||1|^==> .*closed/open/b.txt <==|^vantrel-decode: .*closed/locked: Permission denied"$'\r'"$|-r $work/closed"
    # --start-time without a zone is local time (the sample's first call is 1.9 s in).
    "decode|$us|0|\"utc\":\"2026-12-08T02:03:49||--format jsonl --start-time 2026-12-07T21:03:48 whole.wav"
    "demod |$us|0|^#vantrel-demod start=2o26-i2-o8To2:o3:48.oooZ||--start-time 2026-12-07T21:03:48 whole.wav"
    "decode|$cet|2||^vantrel-decode: --start-time: 2026-03-29T02:30:00 is no local time here|--start-time 2026-03-29T02:30:00 whole.wav"
    "decode||2||^vantrel-decode: --start-time: 12:00 is not an ISO 8601 time|--start-time 12:00 whole.wav"
)
for row in "${cases[@]}"; do
    IFS='|' read -r program zone status out err args <<<"$row"
    program="${program% }"
    # A row that waits (follow mode taking what it should refuse) fails by its status.
    run=(timeout 20 env)
    [ -n "$zone" ] && run+=("TZ=$zone")
    case "$program" in
    demod) run+=("$demod") ;;
    decode-nobody) run=(run_as nobody "${run[@]}" "$nobody_decode") ;;
    *) run+=("$decode") ;;
    esac
    # shellcheck disable=SC2086 # the arguments are words
    expect "$program $args" "$status" "$out" "$err" -- "${run[@]}" $args </dev/null
    # A problem is one line naming its program, once; a wrong command line is one problem,
    # followed by the usage and the hint at --help.
    if grep -a -v -q -E '^(vantrel-|Usage: |  |Run with --help)' "$work/err" ||
        { [ "$status" -eq 2 ] && { [ "$(grep -a -c '^vantrel-' "$work/err")" -ne 1 ] ||
            [ "$(tail -n 1 "$work/err")" != $'Run with --help for more information.\r' ]; }; }; then
        fail "$program $args: not one line a problem: $(head -c 300 "$work/err")"
    fi
    if grep -a -q -E '^(vantrel-[a-z]+): \1:' "$work/err"; then
        fail "$program $args: program named twice: $(head -c 300 "$work/err")"
    fi
done

# --help: one line per option, in the groups of --help, none wider than 100 columns.
for tool in "$decode" "$demod"; do
    name="$(basename "$tool")"
    "$tool" --help | tr -d '\r' >"$work/help"
    wide="$(awk 'length > 100' "$work/help")"
    [ -z "$wide" ] && ok || fail "$name --help: lines over 100 columns: $wide"
    # An option whose names and value outgrow their column has its help on a line of its own.
    split="$(awk '/^[A-Za-z ]+:$/ { options = 1 } options && /^   /' "$work/help")"
    [ -z "$split" ] && ok || fail "$name --help: help on a line of its own: $split"
    groups="$(grep -E '^[A-Za-z ]+:$' "$work/help" | grep -v -x -E '(Input|Output|Live|Sound|Radio|Program):')"
    [ -z "$groups" ] && ok || fail "$name --help: options outside the groups: $groups"
done
# The line of --format names every format of the table, as --list-formats does.
format_line="$("$decode" --help | tr -d '\r' | grep -E '^  --format ')"
names=" $(sed -e 's/^ *--format [A-Z]* *//' -e 's/ (the default)//' -e 's/,//g' -e 's/ or / /' \
    <<<"$format_line") "
for format in $("$decode" --list-formats | cut -f1); do
    [[ "$names" == *" $format "* ]] && ok || fail "--format's help does not name $format: $format_line"
done
summary
