#!/usr/bin/env bash
# Makes the Debian package from this build's programs with cpack (no second build), unpacks
# it with dpkg -x into a scratch folder and runs the unpacked vantrel-decode from there.
# Leaves the package in WORK/out for the lintian test.
set -euo pipefail
build="$1"
work="$2"
version="$3"
samples="$4"
has_window="$5"
has_demod="$6"
fail() { echo "$*"; exit 1; }

rm -rf "$work"
mkdir -p "$work/out" "$work/root"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
arch="$(dpkg --print-architecture)"
deb="$work/out/vantrel_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no $deb"; }

# The control fields a user and apt rely on.
[ "$(dpkg-deb -f "$deb" Package)" = vantrel ] || fail "wrong package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "wrong version"
dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>=' || fail "Depends lacks the C library"
dpkg-deb -f "$deb" Depends | grep -q 'libliquid1' || fail "Depends lacks liquid-dsp (--iq needs it)"
dpkg-deb -f "$deb" Maintainer | grep -q '<.*@.*>' || fail "no maintainer address"
dpkg-deb -f "$deb" Description | grep -q 'GPL-3.0-or-later' || fail "no license named"

dpkg -x "$deb" "$work/root"
usr="$work/root/usr"
expected=(
    bin/vantrel-decode
    share/man/man1/vantrel-decode.1.gz
    share/bash-completion/completions/vantrel-decode
    share/zsh/vendor-completions/_vantrel-decode
    share/fish/vendor_completions.d/vantrel-decode.fish
    share/doc/vantrel/copyright
    share/doc/vantrel/changelog.gz
    share/doc/vantrel/records.md
    share/doc/vantrel/records.schema.json
)
if [ "$has_window" = 1 ]; then
    expected+=(bin/vantrel share/man/man1/vantrel.1.gz share/applications/vantrel.desktop
               share/icons/hicolor/32x32/apps/vantrel.png
               share/icons/hicolor/128x128/apps/vantrel.png
               share/metainfo/io.github.vantrel.Vantrel.metainfo.xml)
fi
if [ "$has_demod" = 1 ]; then
    expected+=(bin/vantrel-demod share/man/man1/vantrel-demod.1.gz
               share/bash-completion/completions/vantrel-demod)
fi
for f in "${expected[@]}"; do
    [ -e "$usr/$f" ] || fail "the package lacks /usr/$f"
done
# A program without its page, or a page without its program, would both mislead.
for program in "$usr"/bin/*; do
    [ -e "$usr/share/man/man1/$(basename "$program").1.gz" ] ||
        fail "$(basename "$program") has no manual page"
done
gzip -t "$usr"/share/man/man1/*.gz || fail "a manual page is not valid gzip"
# Every installed file a manual page points the reader to is in the package.
for named in $(gzip -dc "$usr"/share/man/man1/*.gz | grep -o '/usr/share/[A-Za-z0-9/._-]*[A-Za-z0-9]' | sort -u); do
    [ -e "$work/root$named" ] || fail "a manual page names $named, which the package lacks"
done
cmp -s <(gzip -dc "$usr/share/man/man1/vantrel-decode.1.gz") \
    "$build/man/vantrel-decode.1" || fail "the packaged page is not the build's man/vantrel-decode.1"

# man finds and formats the page in the unpacked tree, as it will under /usr.
if command -v man >/dev/null; then
    page="$(MANPAGER=cat MANWIDTH=80 man -M "$usr/share/man" vantrel-decode 2>&1 | col -b)"
    grep -q '^INPUT FORMAT$' <<<"$page" || fail "man does not show vantrel-decode(1): $page"
fi

# The unpacked program runs from the scratch folder, tells its version and decodes a sample
# exactly as the build's own program does.
tool="$usr/bin/vantrel-decode"
"$tool" --version | grep -q -F "$version" || fail "vantrel-decode --version does not say $version"
"$tool" "$samples/two-calls.txt" >"$work/report.txt" || fail "the unpacked tool failed to decode"
head -n1 "$work/report.txt" | grep -q -x $'Blocks Found:2\r' || fail "unexpected report: $(head -c 200 "$work/report.txt")"
cmp -s "$work/report.txt" <("$build/cli/vantrel-decode" "$samples/two-calls.txt") ||
    fail "the unpacked tool's report differs from the build's"
# A band's IQ goes through liquid-dsp, which the package depends on: a quiet capture says so.
band="$(head -c 480000 /dev/zero | tr '\0' '\200' | "$tool" --iq u8 --rate 2.4M --center 169.4M - 2>&1)" ||
    fail "the unpacked tool failed on IQ: $band"
grep -q 'no call was heard on its 171 channels' <<<"$band" || fail "unexpected IQ run: $band"
echo "$(basename "$deb"): built, unpacked and ran"
