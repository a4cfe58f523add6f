#!/usr/bin/env bash
# The bash completions load without a message and offer what the programs take; the zsh and
# fish ones at least parse, where those shells are installed. The formats offered are the ones
# vantrel-decode lists, every one and no other, in all three; every option of --help is in all
# three.
# completions.sh COMPLETIONS_DIR VANTREL_DECODE
set -euo pipefail
dir="$1"
tool="$2"
fail() { echo "$*"; exit 1; }
formats="$("$tool" --list-formats | cut -f1 | LC_ALL=C sort | tr '\n' ' ')"
[ -n "$formats" ] || fail "$tool lists no formats"

# Runs the completion of $1 for the words after it, the last being the one completed, in a
# fresh bash with unset variables treated as errors; prints the offers one a line.
offers() {
    local program="$1"
    shift
    bash -c '
        set -u
        source "$1/bash/$2" 2>&1
        shift 2
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        complete -p "${COMP_WORDS[0]}" >/dev/null
        "$(complete -p "${COMP_WORDS[0]}" | sed -e "s/.*-F \([^ ]*\) .*/\1/")"
        printf "%s\n" "${COMPREPLY[@]}"
    ' completion "$dir" "$program" "$program" "$@"
}

expect() {
    local want="$1"
    shift
    local got
    got="$(offers "$@" | LC_ALL=C sort | tr '\n' ' ')"
    [ "$got" = "$want" ] || fail "completing '$*': got '$got', want '$want'"
}

expect "debug short " vantrel-decode --level ""
expect "debug " vantrel-decode --level d
expect "$formats" vantrel-decode --format ""
expect "auto no yes " vantrel-decode --invert ""
expect "--follow --format " vantrel-decode --fo
expect "--recursive " vantrel-decode --rec
expect "auto no yes " vantrel-demod --invert ""
expect "--rate --raw " vantrel-demod --ra
expect "--device " vantrel-decode --dev
expect "f32 s16 s8 u8 wav " vantrel-decode --iq ""

# Every long option a program's help lists is offered by bash and named in zsh and fish.
for program in vantrel-decode vantrel-demod; do
    offered=" $(offers "$program" -- | tr '\n' ' ') "
    for option in $("$(dirname "$tool")/$program" --help | grep -o -E '^ +(-[a-zA-Z],)?--[a-z0-9-]+' |
        grep -o -E -- '--[a-z0-9-]+'); do
        [[ "$offered" == *" $option "* ]] || fail "bash does not offer $program $option"
        grep -q -E -- "$option([[]|[,}])" "$dir/zsh/_$program" || fail "zsh lacks $program $option"
        grep -q -E -- "-l ${option#--}( |$)" "$dir/fish/$program.fish" ||
            fail "fish lacks $program $option"
    done
done

# Files and folders: a scratch folder with a recording and a subfolder.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/recordings"
touch "$scratch/rec one.txt"
expect "$scratch/rec one.txt $scratch/recordings " vantrel-decode "$scratch/rec"
expect "$scratch/recordings " vantrel-decode --output-dir "$scratch/rec"

# Loading prints nothing.
for program in vantrel-decode vantrel-demod; do
    out="$(bash -c 'set -u; source "$1"' load "$dir/bash/$program" 2>&1)"
    [ -z "$out" ] || fail "loading $program: $out"
done

if command -v zsh >/dev/null; then
    for f in "$dir"/zsh/_*; do zsh -n "$f" || fail "zsh cannot parse $f"; done
fi
# zsh offers the words of the value's list: read them from the file.
got="$(sed -n -e 's/.*--format\[[^]]*\]:format:(\([^)]*\)).*/\1/p' "$dir/zsh/_vantrel-decode" |
    tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')"
[ "$got" = "$formats" ] || fail "zsh offers '$got' for --format, want '$formats'"
if command -v fish >/dev/null; then
    for f in "$dir"/fish/*.fish; do fish -n "$f" || fail "fish cannot parse $f"; done
    # fish completes a command line on request, so its offers can be checked as well.
    got="$(fish -c "source '$dir/fish/vantrel-decode.fish'; complete -C 'vantrel-decode --level '" |
        cut -f1 | LC_ALL=C sort | tr '\n' ' ')"
    [ "$got" = "debug short " ] || fail "fish offers '$got' for --level"
    got="$(fish -c "source '$dir/fish/vantrel-decode.fish'; complete -C 'vantrel-decode --format '" |
        cut -f1 | LC_ALL=C sort | tr '\n' ' ')"
    [ "$got" = "$formats" ] || fail "fish offers '$got' for --format, want '$formats'"
fi
echo "completions offer the expected values"
