#!/usr/bin/env python3
"""Measures the display simulator under firmware uploads: starts N displays
(the five update dialects in turn) and sends each a firmware file of SIZE
bytes in its dialect, all at the same time, with the requests that lead up
to the upload (standby, upload token). Reports the peak resident memory of
the simulator (VmHWM), its CPU use while the uploads run, the time they took
and whether every display received the file intact (size and MD5 from its
uploadComplete event).

    tools/bench/update_bench.py BUILD_DIR [--count 100] [--megabytes 16]

Uses 127.0.101.1 upwards. Prints one JSON object."""

import argparse
import hashlib
import json
import os
import socket
import struct
import subprocess
import sys
import threading
import time
import uuid

from fleet_bench import addresses, cpu_seconds

SERIES = [1, 3, 9, 10, 11]  # legacy, CGI, chunked, timed, keyed
CHUNK = 512000


def peak_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def stamp():
    t = time.time()
    return time.strftime("%H%M%S", time.localtime(t)) + "%03d" % int((t % 1) * 1000)


def request(address, method, target, headers, parts=(), timeout=120):
    """Sends one request (the body in pieces, never joined) and returns the status."""
    length = sum(len(p) for p in parts)
    head = "%s %s HTTP/1.1\r\n" % (method, target)
    head += "".join("%s: %s\r\n" % h for h in headers)
    if method == "POST" and not any(h[0].lower() == "content-length" for h in headers):
        head += "Content-Length: %d\r\n" % length
    with socket.create_connection((address, 80), timeout=timeout) as s:
        s.sendall(head.encode() + b"User-Agent: Mozilla/5.0\r\n\r\n")
        for p in parts:
            s.sendall(p)
        answer = b""
        while chunk := s.recv(65536):
            answer += chunk
    return int(answer[9:12] or 0)


def command_headers(address, length):
    return [("X-Requested-With", "XMLHttpRequest"), ("Accept", "text/plain, */*"), ("Accept-Language", "ja"),
            ("Content-type", "text/plain;charset=UTF-8"), ("Accept-Encoding", "gzip, deflate"), ("Host", address),
            ("Content-Length", str(length)), ("Connection", "Keep-Alive"), ("Cache-Control", "no-cache")]


def multipart(address, target, firmware, with_email, separator):
    head = b"--AaB03x\r\nContent-Disposition: form-data; name=\"updatefile\"; filename=\"fw.bin\"\r\n" \
           b"Content-Transfer-Encoding: binary\r\n\r\n"
    if with_email:
        head = b"--AaB03x\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\nfw@example.com\r\n" + head
    parts = (head, firmware, b"\r\n--AaB03x--\r\n")
    headers = [("Host", "updater.local"), ("Content-type", "multipart/form-data%s boundary=AaB03x" % separator),
               ("Cache-Control", "no-cache"), ("Accept", "*/*"), ("Content-Length", str(sum(len(p) for p in parts)))]
    return request(address, "POST", target, headers, parts)


def control(address, type_, message):
    body = b"0*0" + type_ + b"%02X" % (len(message) + 2) + b"\x02" + message + b"\x03"
    bcc = 0
    for b in body:
        bcc ^= b
    with socket.create_connection((address, 7142), timeout=5) as c:
        c.sendall(b"\x01" + body + bytes([bcc, 0x0D]))
        reply = c.recv(256)
    return reply[8:reply.index(b"\x03")]


def upload(address, series, firmware):
    if series == 1:
        return multipart(address, "/cgi-bin/cgictrl?U=77777", firmware, True, ",")
    if series == 3:
        request(address, "POST", "/cgi-bin/cgictrl?MM=00t=" + stamp(), command_headers(address, 11), [b"undefined\r\n"])
        return multipart(address, "/cgi-bin/cgictrl?CM=00t=" + stamp(), firmware, True, ",")
    if series == 10:
        request(address, "POST", "/pjctrl?J=" + stamp(), command_headers(address, 11), [b"undefined\r\n"])
        return multipart(address, "/pjctrl?CM=00t=" + stamp(), firmware, False, ";")
    if series == 9:
        token = lambda: "&_=" + str(uuid.uuid4())
        form = [("Content-Type", "application/x-www-form-urlencoded")]
        request(address, "GET", "/pjctrl?J=0" + token(), [])
        request(address, "POST", "/pjctrl?CM=00" + token(), form, [b"filesize=%d" % len(firmware)])
        status = 200
        for at in range(0, len(firmware), CHUNK):
            status = max(status, request(address, "POST", "/pjctrl?CM=00" + token(), form, [firmware[at:at + CHUNK]]))
        return status
    token = int(control(address, b"E", b"13070001")[-4:], 16)
    key = hashlib.md5(b"QbNeRoTa%x\n" % token).hexdigest()
    parts = (b"--b1\r\nContent-Disposition: form-data; name=\"file\"; filename=\"/tmp/fw.bin\"\r\n\r\n",
             firmware, b"\r\n--b1--\r\n")
    return request(address, "POST", "/upload", [("X-Api-Key", key), ("Content-Type", "multipart/form-data; boundary=\"b1\""),
                                                 ("MIME-Version", "1.0")], parts)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build")
    p.add_argument("--count", type=int, default=100)
    p.add_argument("--megabytes", type=float, default=16)
    p.add_argument("--first", default="127.0.101.1")
    args = p.parse_args()

    targets = addresses(args.first, args.count)
    # Short update durations: the legacy write time would otherwise hold every reply 15 s.
    fleet = {"updateTimeScale": 0.001, "displays": [{"address": a, "seriesCode": SERIES[i % len(SERIES)]} for i, a in enumerate(targets)]}
    fleet_file = "/tmp/update_bench_fleet_%d.json" % os.getpid()
    with open(fleet_file, "w") as f:
        json.dump(fleet, f)
    program = os.path.join(args.build, "bin", "vdfu-displaysim")
    sim = subprocess.Popen([program, "--fleet", fleet_file], stdout=subprocess.PIPE, text=True)
    ready = json.loads(sim.stdout.readline())
    if ready.get("event") != "ready":
        print(json.dumps({"error": ready}))
        sim.terminate()
        return 1
    received = {}
    def read_events():
        for line in sim.stdout:
            e = json.loads(line)
            if e.get("event") == "uploadComplete":
                received[e["display"]] = (e["size"], e["md5"])
    threading.Thread(target=read_events, daemon=True).start()

    firmware = os.urandom(int(args.megabytes * 1024 * 1024))
    md5 = hashlib.md5(firmware).hexdigest()
    rss_before = peak_rss_kib(sim.pid)
    statuses = {}
    def run(i, a):
        try:
            statuses[a] = upload(a, SERIES[i % len(SERIES)], firmware)
        except OSError as e:
            statuses[a] = str(e)
    threads = [threading.Thread(target=run, args=(i, a)) for i, a in enumerate(targets)]
    cpu_before = cpu_seconds(sim.pid)
    started = time.monotonic()
    for t in threads:
        t.start()
    for t in threads:
        t.join(600)
    seconds = time.monotonic() - started
    cpu = cpu_seconds(sim.pid) - cpu_before
    deadline = time.monotonic() + 10
    while len(received) < args.count and time.monotonic() < deadline:
        time.sleep(0.1)
    result = {
        "displays": args.count,
        "megabytesEach": args.megabytes,
        "uploadSeconds": round(seconds, 2),
        "megabytesPerSecond": round(args.count * len(firmware) / 1048576 / seconds, 1),
        "cpuCoresDuringUploads": round(cpu / seconds, 2),
        "peakRssMiBBeforeUploads": round(rss_before / 1024, 1),
        "peakRssMiB": round(peak_rss_kib(sim.pid) / 1024, 1),
        "accepted": sum(1 for s in statuses.values() if s == 200),
        "receivedIntact": sum(1 for v in received.values() if v == (len(firmware), md5)),
    }
    sim.terminate()
    sim.wait(10)
    os.remove(fleet_file)
    print(json.dumps(result))
    return 0 if result["receivedIntact"] == args.count else 1


if __name__ == "__main__":
    sys.exit(main())
