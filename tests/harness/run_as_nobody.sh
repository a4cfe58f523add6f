#!/usr/bin/env bash
# Runs a test program as "nobody", for tests that mean something only where the permission
# bits apply: a copy of it, as the checkout may be closed to that user. Run by another user
# than root, it runs the program as that user, to whom the bits apply already.
# Usage: run_as_nobody.sh PROGRAM ARGS...
set -uo pipefail
[ "$(id -u)" -ne 0 ] && exec "$@"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/other_user.sh"
need_other_user
copy_for nobody "$1" program
shift
as_user nobody "$program" "$@"
