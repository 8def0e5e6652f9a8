#!/usr/bin/env bash
# The demo script ends with 0 after a clean run (here: the screenshot run,
# whose window is closed by the script) and with a non-zero status when the
# demo cannot start.
#   demo_script_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1 source=$2
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null || ! command -v xvfb-run >/dev/null; then
    echo "SKIP: needs root, iproute2 and Xvfb"; exit 77
fi
shot=$(mktemp -d)/shot.png
trap 'rm -rf "$(dirname "$shot")"' EXIT

"$source/scripts/demo.sh" --build "$build" --screenshot "$shot"
status=$?
[ "$status" -eq 0 ] || { echo "FAIL: a clean demo run ended with status $status"; exit 1; }
[ -s "$shot" ] || { echo "FAIL: no screenshot"; exit 1; }

"$source/scripts/demo.sh" --build "$build/no-such-build" --screenshot "$shot" >/dev/null 2>&1
status=$?
[ "$status" -ne 0 ] || { echo "FAIL: a demo that cannot start ended with status 0"; exit 1; }
echo "PASS"
