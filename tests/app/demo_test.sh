#!/usr/bin/env bash
# The demo end to end: the real application in a network namespace finds the
# demo fleet by a real broadcast over a veth pair and reads every display
# over the control protocol; the script ends with 0 after that clean run
# (the screenshot run, whose window the script closes) and with a non-zero
# status when the demo cannot start.
#   demo_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1 source=$2
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null || ! command -v xvfb-run >/dev/null; then
    echo "SKIP: needs root, iproute2 and Xvfb"; exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$source/scripts/demo.sh" --build "$build" --screenshot "$work/shot.png" >"$work/log" 2>&1
status=$?
grep -E "Server DB:|Found [0-9]+ displays" "$work/log"
[ "$status" -eq 0 ] || { tail -n 20 "$work/log"; echo "FAIL: a clean demo run ended with status $status"; exit 1; }
[ -s "$work/shot.png" ] || { echo "FAIL: no screenshot"; exit 1; }
displays=$(grep -c '"address"' "$source/tools/demo/demo-fleet.json")
grep -q "Found $displays displays on LAN" "$work/log" || { echo "FAIL: the broadcast did not find $displays displays"; exit 1; }
# The display that reports nothing while off may fail its exchange.
read=$(grep -o 'TCP status= 0 for Model: "[^"]*" IP address: "10\.78\.0\.[0-9]*"' "$work/log" | sort -u | wc -l)
[ "$read" -ge $((displays - 1)) ] || { echo "FAIL: only $read displays read over TCP"; exit 1; }

"$source/scripts/demo.sh" --build "$build/no-such-build" --screenshot "$work/shot.png" >/dev/null 2>&1
status=$?
[ "$status" -ne 0 ] || { echo "FAIL: a demo that cannot start ended with status 0"; exit 1; }
echo "PASS: $displays displays found by broadcast, $read read over TCP"
