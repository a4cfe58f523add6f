#!/usr/bin/env bash
# lintian accepts the package made by the package test: no error, no warning.
set -euo pipefail
work="$1"
shopt -s nullglob
debs=("$work"/out/vantrel_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one package in $work/out, found ${#debs[@]}"; exit 1; }
# Root is how CI runs; lintian only remarks on it.
findings="$(lintian --fail-on none "${debs[0]}" 2>&1 | grep -v 'running with root privileges' || true)"
if [ -n "$findings" ]; then
    echo "$findings"
    exit 1
fi
# The hardening checks, their information-level tags included: every program is a
# position-independent executable with fortified functions, the stack protector, full RELRO
# and BIND_NOW.
# Overrides shown too: none is allowed.
hardening="$(lintian --fail-on none --display-info --show-overrides \
    --tags hardening-no-pie,hardening-no-relro,hardening-no-bindnow,hardening-no-fortify-functions \
    "${debs[0]}" 2>&1 | grep -v -e 'running with root privileges' -e '^N: ' || true)"
if [ -n "$hardening" ]; then
    echo "$hardening"
    exit 1
fi
echo "lintian: $(basename "${debs[0]}") has no error, no warning and no hardening tag"
