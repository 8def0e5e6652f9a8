#!/usr/bin/env bash
# Starts the demo on loopback: the firmware server on 127.0.0.1:8070 serving
# the demo catalogue that the build generated (BUILD_DIR/demo), and the demo
# fleet of 21 displays on 127.0.0.2-22.
# Both print JSON event lines; stop with Ctrl-C.
#
#   tools/demo/start-demo-loopback.sh [BUILD_DIR]     (default: build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build}"
bin="$(cd "$build" && pwd)/bin"
catalogue="$(cd "$build" && pwd)/demo"
for tool in vdfu-firmwareserver vdfu-displaysim; do
    if [ ! -x "$bin/$tool" ]; then
        echo "start-demo-loopback: $bin/$tool not found; build the target $tool first" >&2
        exit 1
    fi
done
if [ ! -f "$catalogue/firmwareupdates/pd_firmware_releases.json" ]; then
    echo "start-demo-loopback: no demo catalogue in $catalogue; build the target vdfu-demo-catalogue first" >&2
    exit 1
fi

"$bin/vdfu-firmwareserver" --root "$catalogue" --address 127.0.0.1 --port 8070 &
server=$!
"$bin/vdfu-displaysim" --fleet "$here/demo-fleet.json" &
sim=$!
trap 'kill "$server" "$sim" 2>/dev/null; wait' INT TERM EXIT
wait -n "$server" "$sim"
