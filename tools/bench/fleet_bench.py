#!/usr/bin/env python3
"""Measures the display simulator at scale: starts N generated displays,
reports the time until the ready line, the CPU share while idle, the
resident memory, the time for one search request to every display, and
the time to read the model name of every display over TCP, one after the
other.

    tools/bench/fleet_bench.py BUILD_DIR [--count 1000] [--idle-seconds 10]

Uses 127.0.100.1 upwards. Prints one JSON object."""

import argparse
import json
import os
import socket
import struct
import subprocess
import sys
import threading
import time


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def search_request(sequence):
    d = bytearray(128)
    d[0:4] = b"KRWJ"
    d[4] = 0x14
    struct.pack_into("<HHIIII", d, 8, sequence, 0x70, 0, 3, 0, 0)
    struct.pack_into("<I", d, 28, 0x100)
    return bytes(d)


def addresses(first, count):
    a = struct.unpack("!I", socket.inet_aton(first))[0]
    out = []
    while len(out) < count:
        if a & 0xFF not in (0, 0xFF):
            out.append(socket.inet_ntoa(struct.pack("!I", a)))
        a += 1
    return out


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build")
    p.add_argument("--count", type=int, default=1000)
    p.add_argument("--idle-seconds", type=float, default=10)
    p.add_argument("--first", default="127.0.100.1")
    args = p.parse_args()

    program = os.path.join(args.build, "bin", "vdfu-displaysim")
    started = time.monotonic()
    sim = subprocess.Popen([program, "--generate", str(args.count), "--first-address", args.first],
                           stdout=subprocess.PIPE, text=True)
    ready = json.loads(sim.stdout.readline())
    start_seconds = time.monotonic() - started
    if ready.get("event") != "ready":
        print(json.dumps({"error": ready}))
        sim.terminate()
        return 1

    # Keep reading the event lines so the simulator never blocks on output.
    events = []
    threading.Thread(target=lambda: events.extend(sim.stdout), daemon=True).start()

    cpu_before = cpu_seconds(sim.pid)
    time.sleep(args.idle_seconds)
    idle_share = (cpu_seconds(sim.pid) - cpu_before) / args.idle_seconds

    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
    s.bind(("127.0.0.1", 0))
    s.settimeout(2)
    request = search_request(4242)
    t = time.monotonic()
    for a in addresses(args.first, args.count):
        s.sendto(request, (a, 5320))
    replies = 0
    try:
        while replies < args.count:
            data, _ = s.recvfrom(512)
            replies += len(data) == 256
    except socket.timeout:
        pass
    search_seconds = time.monotonic() - t

    model_frame = bytes.fromhex("01302A304130360243323137031B0D")
    t = time.monotonic()
    tcp_answers = 0
    for a in addresses(args.first, args.count):
        with socket.create_connection((a, 7142), timeout=2) as c:
            c.sendall(model_frame)
            tcp_answers += c.recv(256).startswith(b"\x01")
    tcp_seconds = time.monotonic() - t

    result = {
        "displays": ready["displays"],
        "startSeconds": round(start_seconds, 2),
        "idleCpuPercentOfOneCore": round(idle_share * 100, 2),
        "rssMiB": round(rss_kib(sim.pid) / 1024, 1),
        "searchReplies": replies,
        "searchSeconds": round(search_seconds, 2),
        "tcpAnswers": tcp_answers,
        "tcpSeconds": round(tcp_seconds, 2),
    }
    cpu_before = cpu_seconds(sim.pid)
    time.sleep(1)
    result["cpuPercentSecondAfterLoad"] = round((cpu_seconds(sim.pid) - cpu_before) * 100, 2)
    sim.terminate()
    sim.wait(10)
    result["exitCode"] = sim.returncode
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())
