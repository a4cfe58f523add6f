#!/usr/bin/env bash
# vantrel-decode --db end to end: a second run of the same files (with -j, then -r) adds no
# duplicates; kill -9 of a followed run leaves a valid database holding every record written
# more than a second before, and of a batch run one whose run counts match its records; a
# read-only disk, a database another program keeps locked and a full disk each give one line,
# the records on standard output stay whole and the exit status is 1; --serve with --db starts
# its page from the stored units. The read-only disk and
# the full disk are real mounts in a mount namespace of the test's own where it runs as root;
# otherwise the permission bits stand in for the first and the second is skipped.
# Usage: database_test.sh DECODE SAMPLES
set -uo pipefail
decode="$1"
samples="$2"

work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# sql DB QUERY: the rows, columns apart by "|".
sql() {
    python3 -c 'import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
for row in c.execute(sys.argv[2]): print("|".join(map(str, row)))' "$1" "$2"
}

# --- A second run adds nothing; -r then adds only the sound file's records.
texts=("$samples"/*.txt)
expected=$("$decode" --format jsonl "${texts[@]}" | wc -l)
"$decode" --db "$work/a.db" -j 2 "${texts[@]}" >/dev/null || fail "first run: exit $?"
"$decode" --db "$work/a.db" -j 2 "${texts[@]}" >/dev/null || fail "second run: exit $?"
[ "$(sql "$work/a.db" 'select count(*) from records')" = "$expected" ] ||
    fail "a second run changed the count: $(sql "$work/a.db" 'select count(*) from records') for $expected records"
[ "$(sql "$work/a.db" 'select records_added, records_known from runs where id = 2')" = "0|$expected" ] ||
    fail "the second run's counts: $(sql "$work/a.db" 'select * from runs')"
sound=$("$decode" --format jsonl "$samples/two-calls.wav" | wc -l)
"$decode" --db "$work/a.db" -r "$samples" >/dev/null || fail "-r run: exit $?"
[ "$(sql "$work/a.db" 'select count(*) from records')" = "$((expected + sound))" ] ||
    fail "-r added other than the sound's $sound records: $(sql "$work/a.db" 'select file, count(*) from records group by file')"

# --- --serve with --db starts its page from the database: every stored unit with its counts,
# before this run (an empty file) adds anything.
: >"$work/empty.txt"
"$decode" --db "$work/a.db" --serve 127.0.0.1:0 "$work/empty.txt" >/dev/null 2>"$work/serve.err" &
pids+=($!)
url=""
for _ in $(seq 100); do
    grep -q 'run has ended' "$work/serve.err" && url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/serve.err" | head -1) && break
    sleep 0.1
done
[ -n "$url" ] || fail "--serve --db did not serve: $(cat "$work/serve.err")"
page_units=$(python3 -c 'import json, sys, urllib.request
state = json.load(urllib.request.urlopen(sys.argv[1] + "state.json", timeout=10))
for u in sorted(state["units"], key=lambda u: u["address"]): print(u["address"], u["sent"], u["received"])' "$url")
stored_units=$(sql "$work/a.db" 'select address, sent, received from units order by address' | tr '|' ' ')
[ -n "$stored_units" ] && [ "$page_units" = "$stored_units" ] ||
    fail "the page's units are not the database's: page [$page_units], database [$stored_units]"
kill "${pids[-1]}"

# --- kill -9 of a followed file: every record on standard output for more than a second is
# in a valid database.
cat "${texts[@]}" >"$work/bits.txt"
: >"$work/live.txt"
"$decode" --follow --format jsonl --db "$work/live.db" "$work/live.txt" >"$work/live.jsonl" \
    2>"$work/live.err" &
follower=$!
pids+=("$follower")
sleep 0.3
cat "$work/bits.txt" >>"$work/live.txt"
# Until the output has stood still for 2 s (each record is final a second after its bits).
last=-1
for _ in $(seq 150); do
    now=$(wc -l <"$work/live.jsonl")
    [ "$now" -gt 0 ] && [ "$now" -eq "$last" ] && break
    last=$now
    sleep 2
done
kill -9 "$follower"
{ wait "$follower"; } 2>/dev/null
written=$(wc -l <"$work/live.jsonl")
[ "$written" -ge 10 ] || fail "the followed run wrote $written records: $(cat "$work/live.err")"
[ "$(sql "$work/live.db" 'pragma integrity_check')" = ok ] || fail "integrity after kill -9"
[ "$(sql "$work/live.db" 'select count(*) from records')" = "$written" ] ||
    fail "kill -9 lost records: $(sql "$work/live.db" 'select count(*) from records') of $written"

# --- kill -9 in the middle of a batch run: valid, and the run's counts are its records'.
cp "$work/bits.txt" "$work/big.txt"
for _ in $(seq 12); do cat "$work/big.txt" "$work/big.txt" >"$work/twice.txt" && mv "$work/twice.txt" "$work/big.txt"; done
"$decode" --db "$work/big.db" --order arrival "$work/big.txt" >/dev/null &
batch=$!
pids+=("$batch")
# Killed once the write-ahead log holds a few transactions, while the run goes on.
for _ in $(seq 2000); do
    [ "$(stat -c %s "$work/big.db-wal" 2>/dev/null || echo 0)" -gt 2000000 ] && break
    sleep 0.005
done
kill -9 "$batch" 2>/dev/null || fail "the batch run ended before it was killed"
{ wait "$batch"; } 2>/dev/null
[ "$(sql "$work/big.db" 'pragma integrity_check')" = ok ] || fail "integrity after kill -9 of a batch"
stored=$(sql "$work/big.db" 'select count(*) from records')
[ "$stored" -gt 0 ] && [ "$stored" = "$(sql "$work/big.db" 'select records_added from runs')" ] ||
    fail "after kill -9 the run's count and its $stored records differ"

# one_line WHAT STDERR PATTERN EXIT: standard error is one line matching PATTERN, the
# records the run without --db gives are on standard output, the exit status is 1.
"$decode" --format jsonl "$samples/two-calls.txt" >"$work/plain.jsonl"
one_line() {
    local what="$1" status="$3"
    [ "$status" -eq 1 ] || fail "$what: exit status $status"
    [ "$(wc -l <"$work/fault.err")" -eq 1 ] && grep -Eq "$2" "$work/fault.err" ||
        fail "$what: standard error: $(cat "$work/fault.err")"
    cmp -s "$work/plain.jsonl" "$work/fault.jsonl" || fail "$what: the records on standard output changed"
}

# --- A database on a read-only disk.
mkdir "$work/ro"
"$decode" --db "$work/ro/a.db" "$samples/two-calls.txt" >/dev/null
if [ "$(id -u)" -eq 0 ]; then
    unshare -m bash -c 'mount --bind "$1" "$1" && mount -o remount,ro,bind "$1" && shift &&
                        exec "$@"' _ "$work/ro" "$decode" --format jsonl --db "$work/ro/a.db" \
        "$samples/two-calls.txt" >"$work/fault.jsonl" 2>"$work/fault.err"
else
    chmod a-w "$work/ro" "$work/ro/a.db"
    "$decode" --format jsonl --db "$work/ro/a.db" "$samples/two-calls.txt" >"$work/fault.jsonl" \
        2>"$work/fault.err"
fi
one_line "read-only disk" "^vantrel-decode: .*/ro/a.db: .*([Rr]ead-?only|Permission denied).*"$'\r'"$" $?
chmod -R u+w "$work/ro"

# --- A database another program keeps locked (it writes, and does not let go).
"$decode" --db "$work/locked.db" "$samples/two-calls.txt" >/dev/null
python3 -c 'import sqlite3, sys, time
c = sqlite3.connect(sys.argv[1], isolation_level=None)
c.execute("BEGIN EXCLUSIVE")
print("locked", flush=True)
time.sleep(30)' "$work/locked.db" >"$work/locker.out" &
locker=$!
pids+=("$locker")
for _ in $(seq 100); do grep -q locked "$work/locker.out" && break; sleep 0.05; done
"$decode" --format jsonl --db "$work/locked.db" "$samples/two-calls.txt" >"$work/fault.jsonl" \
    2>"$work/fault.err"
one_line "locked database" "^vantrel-decode: .*locked.db: database is locked \(another program is writing to it\)"$'\r'"$" $?
kill "$locker"

# --- A full disk: a 256 KB file system fills while the records go in. Their database alone
# takes about twice that, so the disk fills however the records are batched.
if [ "$(id -u)" -eq 0 ]; then
    head -c 1200000 "$work/big.txt" >"$work/some.txt"
    "$decode" --format jsonl --order arrival "$work/some.txt" >"$work/plain.jsonl"
    mkdir "$work/small"
    unshare -m bash -c 'mount -t tmpfs -o size=256k tmpfs "$1" && shift && exec "$@"' _ \
        "$work/small" "$decode" --format jsonl --order arrival --db "$work/small/a.db" "$work/some.txt" \
        >"$work/fault.jsonl" 2>"$work/fault.err"
    one_line "full disk" "^vantrel-decode: .*small/a.db: database or disk is full; records are no longer stored in it"$'\r'"$" $?
else
    echo "full disk: skipped (a file system of the test's own needs root)"
fi
echo "PASS"
