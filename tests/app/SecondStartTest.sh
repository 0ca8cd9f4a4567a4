#!/usr/bin/env bash
# One program per backup, with the real program (offscreen): a second start on the same
# backup ends at once and leaves the first running; a copy under another name runs beside
# it; after a kill -9 the next start takes the stale lock over.
# Usage: SecondStartTest.sh PROGRAM
set -uo pipefail
program=$1
tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$tmp"/*.err; do [ -s "$f" ] && { echo "--- $f"; cat "$f"; }; done
    exit 1
}

dir=$tmp/rennen
mkdir -p "$dir" "$tmp/home" "$tmp/run"
chmod 700 "$tmp/run"
cp "$program" "$dir/Velkoran"
cp "$program" "$dir/Rennen2"
run() { # NAME LOG: starts the program copy NAME in the background
    env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/data" \
        XDG_CONFIG_HOME="$tmp/home/config" XDG_RUNTIME_DIR="$tmp/run" TMPDIR="$tmp" \
        QT_QPA_PLATFORM=offscreen "$dir/$1" >"$tmp/$2.out" 2>"$tmp/$2.err" &
    pids+=($!)
    last=$!
}
# Waits up to 20 s until the lock of program NAME names PID as its holder.
wait_lock() {
    local lock=$dir/$1-Sicherungsdatei.txt.lock
    for _ in $(seq 200); do
        [ -f "$lock" ] && [ "$(head -n1 "$lock")" = "$2" ] && return 0
        kill -0 "$2" 2>/dev/null || fail "$1 (pid $2) ended while starting"
        sleep 0.1
    done
    fail "$1 (pid $2) took no lock"
}

run Velkoran first
first=$last
wait_lock Velkoran "$first"

run Velkoran second
second=$last
for _ in $(seq 200); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the second start on the same backup keeps running"
wait "$second"
[ $? -eq 0 ] || fail "the second start ended with a failure status"
grep -q "läuft schon" "$tmp/second.err" || fail "the second start said nothing"
kill -0 "$first" 2>/dev/null || fail "the first program ended"
[ "$(head -n1 "$dir/Velkoran-Sicherungsdatei.txt.lock")" = "$first" ] || fail "lock changed hands"

run Rennen2 other
other=$last
wait_lock Rennen2 "$other"

kill -KILL "$first"
wait "$first" 2>/dev/null
[ -f "$dir/Velkoran-Sicherungsdatei.txt.lock" ] || fail "kill -9 left no lock to take over"
run Velkoran after
after=$last
wait_lock Velkoran "$after"
sleep 0.5
kill -0 "$after" 2>/dev/null || fail "the start after a kill -9 ended"
kill -0 "$other" 2>/dev/null || fail "the copy under another name ended"

kill -TERM "$after" "$other"
wait "$after" "$other" 2>/dev/null
echo "second start ended, copy ran beside, stale lock taken over"
