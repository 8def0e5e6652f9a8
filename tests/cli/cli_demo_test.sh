#!/usr/bin/env bash
# vdfu in the demo's network namespaces (scripts/demo.sh --cli): its search
# is a real broadcast over a veth pair and finds the whole demo fleet; its
# update of every display that needs one ends with one result per display,
# the failing demo display's among them, and status 1.
#   cli_demo_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1 source=$2
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
    echo "SKIP: needs root and iproute2"; exit 77
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
VDFU_DEMO_UPDATE_SCALE=0.01 VDFU_TIME_SCALE=0.1 "$source/scripts/demo.sh" --build "$build" --cli >"$log" 2>&1
status=$?
[ "$status" -eq 0 ] || { tail -n 30 "$log"; echo "FAIL: demo.sh --cli ended with status $status"; exit 1; }
displays=$(grep -c '"address"' "$source/tools/demo/demo-fleet.json")
found=$(grep -c '10\.78\.0\.[0-9]* *00-1B-2C-00-00-' "$log") # the search table's address and MAC columns
[ "$found" -eq "$displays" ] || { cat "$log"; echo "FAIL: the broadcast search listed $found of $displays displays"; exit 1; }
python3 - "$log" <<'PY' || exit 1
import json, sys
text = open(sys.argv[1]).read()
doc = json.loads(text[text.index('{\n    "command": "update"'):text.rindex("}") + 1])
status = {r["address"]: r["status"] for r in doc["results"]}
assert doc["version"] == 1 and doc["exitStatus"] == 1, doc["exitStatus"]
assert status["10.78.0.22"] not in (0, 3), status
assert list(status.values()).count(3) >= 8, status
PY
echo "PASS: $found displays found by broadcast, the update ended with status 1"
