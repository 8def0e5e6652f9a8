#!/usr/bin/env python3
"""End to end through a real broadcast: the demo fleet and the firmware server
run in network namespaces of their own (tools/demo/start-demo-netns.sh), the
application starts in the same namespace as the server with settings that
point at it, and its automatic first search, a broadcast over the veth pair,
must find every display and read each one over the control protocol.

usage: demo_broadcast_test.py BUILD_DIR SOURCE_DIR"""
import json, os, re, shutil, signal, subprocess, sys, tempfile, time

build, source = sys.argv[1], sys.argv[2]
if os.geteuid() != 0 or not shutil.which("ip"):
    print("SKIP: needs root and iproute2 to create network namespaces")
    sys.exit(77)

fleet = json.load(open(os.path.join(source, "tools/demo/demo-fleet.json")))["displays"]
home = tempfile.mkdtemp()
config = os.path.join(home, ".config", "Vantor Monitor User Tessilon")
os.makedirs(config)
os.makedirs(os.path.join(home, "Documents"))
with open(os.path.join(config, "Vantor Display Firmware Update Tool.conf"), "w") as f:
    f.write("[Settings]\nFirmware%20Server%20URL=http://127.0.0.1:8070/firmwareupdates/\n")

demo = subprocess.Popen([os.path.join(source, "tools/demo/start-demo-netns.sh"), build],
                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                        start_new_session=True)
app = None
status = 1
try:
    ready = 0
    deadline = time.time() + 30
    while ready < 2 and time.time() < deadline:
        line = demo.stdout.readline()
        if not line:
            break
        ready += '"event":"ready"' in line
    if ready < 2:
        print("FAIL: the demo did not start")
        sys.exit(1)

    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_RUNTIME_DIR=home, QT_QPA_PLATFORM="offscreen")
    app = subprocess.Popen(["ip", "netns", "exec", "vdfu-demo-app",
                            os.path.join(build, "bin", "VantorDisplayFirmwareUpdateTool")],
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=env)
    found, read, log = None, set(), []
    deadline = time.time() + 90
    while time.time() < deadline:
        line = app.stderr.readline()
        if not line:
            break
        log.append(line)
        m = re.search(r'TCP status= 0 for Model: "[^"]*" IP address: "([0-9.]+)"', line)
        if m:
            read.add(m.group(1))
        m = re.search(r"Found (\d+) displays on LAN", line)
        if m:
            found = int(m.group(1))
        if found is not None and len(read) >= len(fleet) - 1:
            break
    sys.stdout.write("".join(l for l in log if "Server DB:" in l or "Found" in l))
    expected = {d["address"].replace("127.0.0.", "10.78.0.") for d in fleet}
    if found != len(fleet):
        print("FAIL: the broadcast search found %s displays, expected %d" % (found, len(fleet)))
    elif not read <= expected or len(expected - read) > 1:
        # The display that reports nothing while off may fail its exchange.
        print("FAIL: displays read over the control protocol: %s" % sorted(read))
    else:
        print("PASS: %d displays found by broadcast, %d read over TCP" % (found, len(read)))
        status = 0
finally:
    if app:
        app.kill()
        app.wait()
    os.killpg(demo.pid, signal.SIGTERM)
    demo.wait()
    shutil.rmtree(home, ignore_errors=True)
sys.exit(status)
