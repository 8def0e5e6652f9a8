#!/usr/bin/env bash
# Starts the demo in two network namespaces joined by a veth pair, so that a
# broadcast search works and nothing touches the machine's own network:
#
#   vdfu-demo-app       10.78.0.1/24, the firmware server on 127.0.0.1:8070
#                       serving the generated catalogue (BUILD_DIR/demo);
#                       run the application here
#   vdfu-demo-displays  the demo fleet on 10.78.0.2-21 (second addresses
#                       10.78.0.102-121), answering broadcasts to 10.78.0.255
#
#   tools/demo/start-demo-netns.sh [BUILD_DIR]          (needs root)
#   ip netns exec vdfu-demo-app <application>           (in another shell)
#
# Ctrl-C stops both programs and removes the namespaces.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build}"
bin="$(cd "$build" && pwd)/bin"
catalogue="$(cd "$build" && pwd)/demo"
if [ ! -f "$catalogue/firmwareupdates/pd_firmware_releases.json" ]; then
    echo "start-demo-netns: no demo catalogue in $catalogue; build the target vdfu-demo-catalogue first" >&2
    exit 1
fi
app_ns=vdfu-demo-app
display_ns=vdfu-demo-displays
fleet="$(mktemp --suffix=.json)"

cleanup() {
    trap - INT TERM EXIT
    kill "${server:-}" "${sim:-}" 2>/dev/null || true
    wait 2>/dev/null || true
    ip netns del "$app_ns" 2>/dev/null || true
    ip netns del "$display_ns" 2>/dev/null || true
    rm -f "$fleet"
}
trap cleanup INT TERM EXIT

ip netns add "$app_ns"
ip netns add "$display_ns"
ip -n "$app_ns" link add vdfudemo-a type veth peer name vdfudemo-d netns "$display_ns"
ip -n "$app_ns" addr add 10.78.0.1/24 brd + dev vdfudemo-a
# Every address and second address of the fleet, by its last byte.
hosts=$(python3 -c 'import json, sys
for d in json.load(open(sys.argv[1]))["displays"]:
    print(*[d[k].split(".")[3] for k in ("address", "address2") if k in d])' "$here/demo-fleet.json")
for host in $hosts; do
    ip -n "$display_ns" addr add "10.78.0.$host/24" brd + dev vdfudemo-d
done
for ns in "$app_ns" "$display_ns"; do
    ip -n "$ns" link set lo up
done
ip -n "$app_ns" link set vdfudemo-a up
ip -n "$display_ns" link set vdfudemo-d up

# The loopback demo fleet, moved onto the link; VDFU_DEMO_UPDATE_SCALE
# multiplies every update duration (a run of the command line in a test).
python3 - "$here/demo-fleet.json" "$fleet" <<'PY'
import json, os, sys
doc = json.load(open(sys.argv[1]))
if os.environ.get("VDFU_DEMO_UPDATE_SCALE"):
    doc["updateTimeScale"] = float(os.environ["VDFU_DEMO_UPDATE_SCALE"])
for d in doc["displays"]:
    for key in ("address", "address2"):
        if key in d:
            d[key] = d[key].replace("127.0.0.", "10.78.0.")
    d["broadcastAddress"] = "10.78.0.255"
json.dump(doc, open(sys.argv[2], "w"))
PY

# VDFU_DEMO_SERVER_ARGS: more firmware server options, e.g. faults.
# shellcheck disable=SC2086
ip netns exec "$app_ns" "$bin/vdfu-firmwareserver" --root "$catalogue" --address 127.0.0.1 --port 8070 \
    ${VDFU_DEMO_SERVER_ARGS:-} &
server=$!
ip netns exec "$display_ns" "$bin/vdfu-displaysim" --fleet "$fleet" &
sim=$!
wait -n "$server" "$sim"
