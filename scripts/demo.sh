#!/usr/bin/env bash
# Shows the whole tool at work on a machine without displays: installs what
# is missing, builds, starts the demo fleet of simulated displays and the
# local firmware server inside network namespaces of their own, and starts
# the application in the same namespaces with settings that point at the
# local firmware server. Its first search, a real broadcast, fills the table.
# Closing the window (or Ctrl-C) stops everything and removes the namespaces.
#
#   scripts/demo.sh                 needs root for the namespaces
#   scripts/demo.sh --screenshot F  no window: runs under Xvfb, saves F, stops
#   --scene offline                 with --screenshot: the offline download
#                                   dialog during a download of three models
#                                   (packages served slowly), instead of the
#                                   main window
#   --scene usb                     with --screenshot: the USB drive dialog's
#                                   instructions tab for a model picked by name
#   --scene lanupdate               with --screenshot: a LAN update of the
#                                   checked displays while it runs (progress,
#                                   the time estimate, successes and the
#                                   display whose update fails)
#   --scene history                 with --screenshot: the same LAN update
#                                   run to its end (updates shortened), then
#                                   View > Update history... with every
#                                   display's versions before and after
#   --build DIR                     use that build as it is (no install, no build)
#   --cli                           no window: the command line vdfu instead,
#                                   a broadcast search (table), then every
#                                   display that needs it updated, three at a
#                                   time, with the JSON results printed
#                                   (VDFU_DEMO_UPDATE_SCALE shortens the updates)
# Exits with 0 when the window was closed normally (with --cli: when vdfu
# ran as expected), non-zero on a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

screenshot=""
build=""
scene=main
cli=0
# Seconds from the confirmation until the history scene opens the history.
history_wait="${VDFU_DEMO_HISTORY_WAIT:-120}"
while [ $# -gt 0 ]; do
    case "$1" in
        --cli) cli=1; shift ;;
        --screenshot) screenshot="$(realpath -m "${2:?--screenshot needs a file name}")"; shift 2 ;;
        --build) build="$(realpath -m "${2:?--build needs a folder}")"; shift 2 ;;
        --scene) scene="${2:?--scene needs a name}"; shift 2 ;;
        *) echo "demo: unknown option $1" >&2; exit 2 ;;
    esac
done
if [ "$(id -u)" -ne 0 ]; then
    echo "demo: the demo creates network namespaces; run it as root" >&2
    exit 1
fi

if [ -z "$build" ]; then
    scripts/install-deps.sh
    scripts/build.sh qt5 >/dev/null
    build="$root/build/qt5"
fi

home="$(mktemp -d)"
demo_pid=""
# Stops the demo and ends with the status the script had: 0 when the window
# was closed normally, the failing command's status otherwise (the demo's
# own end by SIGTERM is not a failure).
cleanup() {
    local status=$?
    trap - INT TERM EXIT
    if [ -n "$demo_pid" ]; then
        kill "$demo_pid" 2>/dev/null || true
        wait "$demo_pid" 2>/dev/null || true
    fi
    rm -rf "$home"
    exit "$status"
}
trap cleanup INT TERM EXIT

# The application's own settings, in a throwaway home folder.
mkdir -p "$home/.config/Vantor Monitor User Tessilon" "$home/Documents"
cat > "$home/.config/Vantor Monitor User Tessilon/Vantor Display Firmware Update Tool.conf" <<'CONF'
[Settings]
Firmware%20Server%20URL=http://127.0.0.1:8070/firmwareupdates/
Main%20Dialog%20Width=1500
Main%20Dialog%20Height=780
CONF
# A folder stands in for the USB drive ("Create firmware USB drive...").
mkdir -p "$home/usb-drive"
echo "Test%20USB%20Drive%20Folder=$home/usb-drive" \
    >> "$home/.config/Vantor Monitor User Tessilon/Vantor Display Firmware Update Tool.conf"

if [ "$scene" = offline ]; then
    # Every package at 2 kB/s: the downloads last long enough to be seen.
    faults=""
    for package in "$build"/demo/firmwareupdates/packages/*; do
        faults="$faults --fault slow:/firmwareupdates/packages/$(basename "$package")"
    done
    export VDFU_DEMO_SERVER_ARGS="$faults"
elif [ "$scene" = lanupdate ] || [ "$scene" = history ]; then
    # Every checked display at once, the failing one too.
    echo "Multi%20Update%20Limit=20" \
        >> "$home/.config/Vantor Monitor User Tessilon/Vantor Display Firmware Update Tool.conf"
    # The history picture waits for the end of every update: shortened.
    if [ "$scene" = history ]; then
        export VDFU_DEMO_UPDATE_SCALE="${VDFU_DEMO_UPDATE_SCALE:-0.1}"
    fi
elif [ "$scene" != main ] && [ "$scene" != usb ]; then
    echo "demo: unknown scene $scene" >&2; exit 2
fi
tools/demo/start-demo-netns.sh "$build" > "$home/demo.log" 2>&1 &
demo_pid=$!
# Both programs print a ready line once their sockets are bound.
for _ in $(seq 100); do
    [ "$(grep -c '"event":"ready"' "$home/demo.log" 2>/dev/null)" -ge 2 ] && break
    kill -0 "$demo_pid" 2>/dev/null || { cat "$home/demo.log" >&2; exit 1; }
    sleep 0.1
done

run_app() {
    ip netns exec vdfu-demo-app env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_RUNTIME_DIR="$home" "$@"
}

if [ "$cli" = 1 ]; then
    run_app "$build/bin/vdfu" search
    update=0
    run_app "$build/bin/vdfu" update --all --yes --limit 3 --format json > "$home/results.json" || update=$?
    cat "$home/results.json"
    echo "demo: vdfu update ended with status $update"
    # One demo display fails its update as a real one can: status 1 is the demo working.
    [ "$update" -le 1 ]
elif [ -z "$screenshot" ]; then
    run_app "$build/bin/VantorDisplayFirmwareUpdateTool"
else
    # Database (about 1 s), first search after 3 s, then the exchanges; the
    # demo catalogue announces a newer tool build, whose notice is closed
    # before the first display row is selected for the picture, which shows
    # the main window alone.
    if [ "$scene" = offline ]; then
        # Tools > Download firmware for offline use..., three models
        # checked (K4-422, K5R-554, OL-P502 with OL-P602), Download; the
        # picture shows the dialog with its progress dialog.
        steps="
        xdotool mousemove 62 10 click 1
        sleep 1
        xdotool mousemove 185 111 click 1
        sleep 2
        for y in 212 331 399; do xdotool mousemove 532 \$y click 1; sleep 0.3; done
        xdotool mousemove 833 585 click 1
        sleep 3
        import -window root -crop 480x520+500+95 '$screenshot'"
    elif [ "$scene" = lanupdate ] || [ "$scene" = history ]; then
        # Sorted by address; the two checked displays that cannot be updated
        # (an unreachable update address, a locked web interface) unchecked;
        # "Update firmware via LAN"; once the firmware is downloaded the
        # cautions are read and accepted and the confirmation answered Yes.
        steps="
        xdotool mousemove 549 109 click 1
        sleep 0.5
        xdotool mousemove 43 259 click 1
        sleep 0.3
        xdotool mousemove 43 290 click 1
        sleep 0.3
        xdotool mousemove 335 46 click 1
        sleep 5
        xdotool mousemove 438 535 click 1
        sleep 0.3
        xdotool mousemove 922 565 click 1
        sleep 1
        xdotool mousemove 913 617 click 1"
        if [ "$scene" = lanupdate ]; then
            # 75 s into the updates (the legacy ones have succeeded, the one
            # whose web server answers with an error page has failed after
            # its retries, the others are still updating) sorted by address
            # from the last, and the failing display, now the first row, selected.
            steps="$steps
            sleep 75
            xdotool mousemove 549 109 click 1
            sleep 0.5
            xdotool mousemove 300 130 click 1
            sleep 1
            win=\$(xdotool search --onlyvisible --classname '^VantorDisplayFirmwareUpdateTool\$' | head -n 1)
            import -window \"\${win:-root}\" '$screenshot'"
        else
            # Once every update and its check have ended: View > Update history...
            steps="$steps
            sleep $history_wait
            xdotool mousemove 107 10 click 1
            sleep 0.5
            xdotool mousemove 170 59 click 1
            sleep 2
            win=\$(xdotool search --onlyvisible --name '^Update history\$' | head -n 1)
            import -window \"\${win:-root}\" '$screenshot'"
        fi
    elif [ "$scene" = usb ]; then
        # Tools > Create firmware USB drive by model..., part of the name
        # typed and its completion taken, OK; the firmware downloads and the
        # USB drive dialog opens; the picture shows its instructions tab.
        steps="
        xdotool mousemove 62 10 click 1
        sleep 1
        xdotool mousemove 185 88 click 1
        sleep 1.5
        xdotool type --delay 80 CB-32
        sleep 0.5
        xdotool key Down Return
        sleep 0.5
        xdotool key Return
        sleep 4
        win=\$(xdotool search --onlyvisible --name '^Create Firmware USB Drive\$' | head -n 1)
        xdotool mousemove --window \"\$win\" 400 26 click 1
        sleep 1
        import -window \"\${win:-root}\" '$screenshot'"
    else
        # The first display row is selected for the picture.
        steps="
        xdotool mousemove 300 352 click 1
        sleep 1
        win=\$(xdotool search --onlyvisible --classname '^VantorDisplayFirmwareUpdateTool\$' | head -n 1)
        import -window \"\${win:-root}\" '$screenshot'"
    fi
    run_app xvfb-run -a -s "-screen 0 1600x900x24" sh -c "
        '$build/bin/VantorDisplayFirmwareUpdateTool' & app=\$!
        sleep 12
        xdotool key Return
        sleep 1
        $steps
        kill \$app"
    [ -s "$screenshot" ] || { echo "demo: no screenshot was taken" >&2; exit 1; }
    echo "demo: screenshot saved to $screenshot"
    if [ "$scene" = history ]; then
        # The records the window wrote, as the command line reads them.
        echo "demo: vdfu history --format json:"
        run_app "$build/bin/vdfu" history --format json
    fi
fi
