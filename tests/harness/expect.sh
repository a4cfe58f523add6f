# Checks for the scripts that run a program on a list of cases, each stating what must happen.
# Sourced; the script sets `work`, a scratch folder for the output, and ends with `summary`.
failures=0
passed=0

fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}
ok() { passed=$((passed + 1)); }

# expect NAME STATUS STDOUT-PATTERN STDERR-PATTERN -- command...
# A pattern is an extended regular expression the output must hold a match of. An empty pattern
# asks for empty output, "*" takes any (random sound may well sound like bits).
expect() {
    local name="$1" status="$2" out_pattern="$3" err_pattern="$4"
    shift 5
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne "$status" ]; then
        fail "$name: exit status $got, expected $status ($(head -c 300 "$work/err"))"
        return
    fi
    for stream in out err; do
        local pattern="$out_pattern"
        [ "$stream" = err ] && pattern="$err_pattern"
        if [ "$pattern" = "*" ]; then
            continue
        elif [ -z "$pattern" ]; then
            if [ -s "$work/$stream" ]; then
                fail "$name: std$stream not empty: $(head -c 300 "$work/$stream")"
                return
            fi
        elif ! grep -a -q -E "$pattern" "$work/$stream"; then
            fail "$name: std$stream lacks /$pattern/: $(head -c 300 "$work/$stream")"
            return
        fi
    done
    ok
}

# The counts, and the script's exit status as its last command: 0 only without a failure.
summary() {
    echo "$passed passed, $failures failed"
    [ "$failures" -eq 0 ]
}
