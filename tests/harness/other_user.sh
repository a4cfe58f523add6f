# For the scripts that run a program as another user. The checkout may sit in a folder only its
# owner can enter (root's home, a `mktemp -d` folder), so that user gets nothing from it: the
# program, its input and the sanitizer's suppressions are copied first into a folder of the
# test's own that everyone may enter. Where the user still cannot be switched to, or cannot
# reach the copies, the test skips (exit 77, CTest's SKIP_RETURN_CODE) with one line saying why.
# Sourced after `work` is set; `need_other_user` comes before anything else of this file.

skip() {
    echo "SKIP: $1"
    exit 77
}

# need_other_user: skips unless this runs as root with setpriv, the only way to switch here.
need_other_user() {
    [ "$(id -u)" -eq 0 ] || skip "only root can switch to another user"
    command -v setpriv >/dev/null || skip "switching to another user needs setpriv"
    chmod 755 "$work"
    for_user="$work/for-user"
    mkdir -p -m 755 "$for_user"
    # A build with AddressSanitizer reads its suppressions when it starts, and dies when it
    # cannot: the other user gets a copy.
    if [[ "${LSAN_OPTIONS:-}" =~ suppressions=([^:]*) ]] && [ -f "${BASH_REMATCH[1]}" ]; then
        cp "${BASH_REMATCH[1]}" "$for_user/leak-suppressions.txt"
        chmod 644 "$for_user/leak-suppressions.txt"
        LSAN_OPTIONS="${LSAN_OPTIONS/${BASH_REMATCH[1]}/$for_user/leak-suppressions.txt}"
        export LSAN_OPTIONS
    fi
}

# as_user USER COMMAND...: COMMAND as USER, with USER's group and no other, started in the
# folder of the copies (the test's own working folder may be closed to USER).
as_user() {
    local user="$1"
    shift
    (cd "$for_user" && setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "$@")
}

# copy_for USER FILE NAME: copies FILE where USER can read it (and run it, a program) and sets
# the variable NAME to the copy's path; skips when USER still cannot (a noexec mount, say).
copy_for() {
    local user="$1" file="$2" copy
    copy="$for_user/$(basename "$file")"
    cp "$file" "$copy" || skip "cannot copy $file for $user"
    chmod a+rX "$copy"
    local can=-r
    [ -x "$file" ] && can=-x
    as_user "$user" test "$can" "$copy" ||
        skip "$user cannot $([ "$can" = -x ] && echo run || echo read) $copy"
    printf -v "$3" '%s' "$copy"
}
