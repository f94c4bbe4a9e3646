#!/usr/bin/env python3
"""The device simulator seen from the workstation: every reply style, the relays, the flood, the
record file, a clean stop, and its refusal to run anywhere but on a lab's network side.

Run as: scripts/lab run -- python3 tests/lab/devsim_test.py
It encodes and decodes with its own few lines, not with the simulator's code.
"""

import base64
import json
import os
import select
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEVSIM = os.path.join(HERE, "..", "..", "tools", "devsim", "devsim.py")
IP_PKTINFO = 8
SO_BINDTODEVICE = getattr(socket, "SO_BINDTODEVICE", 25)
BROADCAST = "255.255.255.255"


def wire(text):
    return base64.b64encode(bytes(255 - b for b in text.encode() + b"\0"))


def unwire(data):
    return bytes(255 - b for b in base64.b64decode(data))


def package(text):
    return unwire(text).split(b"\0")[0].decode("latin-1")


def device(name, ip, link, **extra):
    conf = {"name": name, "model": "M-" + name, "proj": "IP-Cam", "ip": ip, "trigger_port": "80",
            "netmask": "255.255.255.0", "gateway": "", "dns": "", "dev": "0", "note": "n",
            "mac": "00:5A:00:00:00:%02X" % (sum(map(ord, name)) % 256), "idpw": "1",
            "vendor": "Kestrilon", "link": link}
    conf.update(extra)
    return conf


def reply_text(conf):
    keys = ("model", "proj", "name", "ip", "trigger_port", "netmask", "gateway", "dns", "mac",
            "dev", "note", "idpw", "vendor")
    return ",".join([conf.get("token", "Kestrilon"), "01"] + [conf[k] for k in keys])


SITE = {
    "devices": [
        device("uni", "198.18.1.10", 0),
        device("bc", "198.18.1.11", 0, reply="broadcast"),
        device("off", "198.19.77.5", 0, token="Othervend"),
        device("late", "198.18.1.12", 0, delay_ms=300, duplicates=2),
        device("mute", "198.18.1.13", 0, silent=True),
        device("raw", "198.18.2.10", 1, raw_reply="not base64 at all!"),
        device("big", "198.18.2.11", 1, oversize=600, vendor="Acme"),
        device("second", "198.18.4.10", 2),
    ],
    "relays": [
        {"kind": "udp", "ip": "198.18.2.200", "link": 1, "devices": ["uni", "second"]},
        {"kind": "tcp", "ip": "198.18.3.200", "link": 2, "devices": ["uni", "bc"]},
        {"kind": "tcp-hang", "ip": "198.18.3.201", "link": 2, "devices": "all"},
    ],
}
BY_NAME = {d["name"]: d for d in SITE["devices"]}


class Results:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("PASS " + name)
        else:
            self.failed += 1
            print("FAIL %s: %s" % (name, detail))
        sys.stdout.flush()


class Simulator:
    def __init__(self, tmp, site, tag):
        self.site_path = os.path.join(tmp, tag + ".json")
        self.record = os.path.join(tmp, tag + ".jsonl")
        ready = os.path.join(tmp, tag + ".ready")
        with open(self.site_path, "w") as f:
            json.dump(site, f)
        self.proc = subprocess.Popen(
            ["ip", "netns", "exec", os.environ["SCANVALE_LAB_NET_NS"], sys.executable, DEVSIM,
             "--site", self.site_path, "--record", self.record, "--ready", ready])
        deadline = time.monotonic() + 10
        while not os.path.exists(ready):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("simulator did not start")
            time.sleep(0.01)

    def records(self):
        with open(self.record) as f:
            return [json.loads(line) for line in f if line.endswith("\n")]

    def stop(self):
        """SIGTERM; returns (exit status, seconds it took)."""
        start = time.monotonic()
        self.proc.send_signal(signal.SIGTERM)
        try:
            status = self.proc.wait(timeout=3)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            status = self.proc.wait()
        return status, time.monotonic() - start


def adapter_socket(iface, address="0.0.0.0"):
    """Sends from and hears port 6667 on one host adapter, unicast and broadcast alike."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.setsockopt(socket.SOL_SOCKET, SO_BINDTODEVICE, iface.encode())
    s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    s.bind((address, 6667))
    return s


def collect(sock, seconds, quiet=None):
    """Replies until `seconds` have passed, or until none came for `quiet` seconds."""
    got = []
    start = time.monotonic()
    deadline = start + seconds
    while True:
        left = deadline - time.monotonic()
        if quiet is not None:
            left = min(left, quiet)
        if left <= 0 or not select.select([sock], [], [], left)[0]:
            break
        data, anc, _f, src = sock.recvmsg(65536, socket.CMSG_SPACE(12))
        dst = None
        for level, kind, payload in anc:
            if level == socket.IPPROTO_IP and kind == IP_PKTINFO:
                dst = socket.inet_ntoa(payload[8:12])
        got.append({"data": data, "src": src, "dst": dst, "after": time.monotonic() - start})
    return got


def send_query(sock, text, dest):
    sock.sendto(wire(text), (dest, 6666))


def names(replies):
    out = []
    for r in replies:
        try:
            out.append(package(r["data"]).split(",")[4])
        except (ValueError, IndexError):
            out.append("?")
    return sorted(out)


def check_link0(r, sock):
    send_query(sock, "Kestrilon,00,????", BROADCAST)
    got = collect(sock, 0.7)
    by = {}
    for g in got:
        by.setdefault(package(g["data"]).split(",")[4], []).append(g)
    r.check("link 0 answers: uni, bc, off once, late three times, mute never",
            sorted((k, len(v)) for k, v in by.items())
            == [("bc", 1), ("late", 3), ("off", 1), ("uni", 1)], str(names(got)))
    cases = [  # name, destination, source
        ("uni", "198.18.1.1", ("198.18.1.10", 6666)),
        ("bc", BROADCAST, ("198.18.1.11", 6666)),
        ("off", BROADCAST, ("198.19.77.5", 6666)),
    ]
    for name, dst, src in cases:
        g = by.get(name, [{}])[0]
        r.check("%s replies to %s from %s" % (name, dst, src[0]),
                g.get("dst") == dst and g.get("src") == src, str(g))
    r.check("packages are built field by field, with the device's own token",
            "uni" in by and "off" in by
            and package(by["uni"][0]["data"]) == reply_text(BY_NAME["uni"])
            and package(by["off"][0]["data"]) == reply_text(BY_NAME["off"]))
    r.check("late answers after its delay",
            all(g["after"] >= 0.28 for g in by.get("late", [])) and len(by.get("late", [])) == 3,
            str([g["after"] for g in by.get("late", [])]))
    # A query sent to one device's address is that device's alone.
    send_query(sock, "Kestrilon,00,????", "198.18.1.10")
    got = collect(sock, 0.4)
    r.check("a query to 198.18.1.10 is answered by uni alone", names(got) == ["uni"],
            str(names(got)))


def check_link1_and_2(r, sock1):
    send_query(sock1, "Kestrilon,00,????", BROADCAST)
    got = collect(sock1, 0.4)
    raw = [g for g in got if g["data"] == b"not base64 at all!"]
    big = [g for g in got if g["data"] != b"not base64 at all!"]
    r.check("raw reply is sent byte for byte", len(raw) == 1, str([g["data"][:30] for g in got]))
    text = package(big[0]["data"]) if big else ""
    r.check("oversized reply: 600-character package, fields after the padding intact",
            len(big) == 1 and len(text) == 600 and len(big[0]["data"]) > 511
            and text.endswith(",1,Acme") and text.split(",")[4] == "big", text[-40:])
    # Replies to 198.18.4.1 go to the socket bound to that address alone, so the one that
    # sends the query stays open to hear them.
    second = adapter_socket("sv2", "198.18.4.1")
    try:
        send_query(second, "Kestrilon,00,????", BROADCAST)
        got = collect(second, 0.4)
    finally:
        second.close()
    r.check("second subnet of link 2 is answered at its own address",
            names(got) == ["second"] and got[0]["dst"] == "198.18.4.1", str(got))


def check_udp_relay(r, sock1):
    send_query(sock1, "Kestrilon,00,????", "198.18.2.200")
    r.check("UDP relay ignores a flag 00 query", collect(sock1, 0.3) == [])
    send_query(sock1, "Kestrilon,02,????", "198.18.2.200")
    got = collect(sock1, 0.4)
    r.check("UDP relay answers flag 02 for its devices, unicast from its address",
            names(got) == ["second", "uni"]
            and all(g["src"][0] == "198.18.2.200" and g["dst"] == "198.18.2.1" for g in got),
            str(got))


def tcp_exchange(ip, wait):
    c = socket.create_connection((ip, 6666), timeout=2)
    c.sendall(wire("Kestrilon,02,????"))
    c.settimeout(0.1)
    data, closed = b"", False
    deadline = time.monotonic() + wait
    while time.monotonic() < deadline:
        try:
            chunk = c.recv(65536)
        except socket.timeout:
            continue
        if not chunk:
            closed = True
            break
        data += chunk
    c.close()
    return data, closed


def check_tcp_relays(r):
    data, closed = tcp_exchange("198.18.3.200", 3)
    want = (reply_text(BY_NAME["uni"]) + "\0" + reply_text(BY_NAME["bc"]) + "\0").encode()
    r.check("TCP relay sends one Base64 text of NUL-ended packages and closes",
            closed and unwire(data) == want, repr(data[:60]))
    data, closed = tcp_exchange("198.18.3.201", 1.2)
    r.check("hung TCP relay neither answers nor closes", not closed and data == b"",
            repr((closed, data[:40])))


def check_records(r, sim):
    recs = sim.records()
    queries = [x for x in recs if x["proto"] == "udp"]
    first = queries[0] if queries else {}
    r.check("record: first query as sent, on link 0, broadcast",
            first.get("link") == 0 and first.get("dst") == "255.255.255.255:6666"
            and first.get("src") == "198.18.1.1:6667"
            and base64.b64decode(first.get("data_b64", "")) == wire("Kestrilon,00,????"),
            str(first))
    tcp = [x for x in recs if x["proto"] == "tcp"]
    r.check("record: both TCP connections with their query",
            sorted(x["dst"] for x in tcp) == ["198.18.3.200:6666", "198.18.3.201:6666"]
            and all(base64.b64decode(x["data_b64"]) == wire("Kestrilon,02,????") for x in tcp)
            and all(x["link"] == 2 for x in tcp), str(tcp))
    r.check("record: every query of the run is there",
            len(queries) == 6 and sorted(set(x["link"] for x in queries)) == [0, 1, 2],
            str([(x["link"], x["dst"]) for x in queries]))


def check_flood(r, tmp):
    site = {"devices": [device("fl", "198.18.1.50", 0, flood=4500)]}
    sim = Simulator(tmp, site, "flood")
    try:
        sock = adapter_socket("sv0")
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 21)
        send_query(sock, "Kestrilon,00,????", BROADCAST)
        got = collect(sock, 5, quiet=0.3)
        texts = set(package(g["data"]) for g in got)
        ips = set(t.split(",")[5] for t in texts)
        took = got[-1]["after"] if got else 0
        r.check("flood: 4500 distinct replies within two seconds",
                len(got) == 4500 and len(ips) == 4500 and took < 2,
                "%d replies, %d addresses, %.2f s" % (len(got), len(ips), took))
        sock.close()
    finally:
        sim.stop()


def check_refusal(r, tmp):
    site = os.path.join(tmp, "refuse.json")
    with open(site, "w") as f:
        json.dump({"devices": []}, f)
    p = subprocess.run([sys.executable, DEVSIM, "--site", site], capture_output=True, text=True,
                       timeout=10)
    r.check("simulator refuses to run on the host side",
            p.returncode != 0 and "refusing" in p.stderr, p.stderr)


def inside_lab():
    """True only in the lab's host-side namespace, never in the machine's own."""
    name = os.environ.get("SCANVALE_LAB_HOST_NS", "")
    try:
        mine = os.stat("/proc/self/ns/net").st_ino
        return bool(name) and "/" not in name and mine == os.stat("/run/netns/" + name).st_ino
    except OSError:
        return False


def main():
    if not inside_lab():
        print("devsim_test: refusing to open sockets outside a lab; run me with "
              "scripts/lab run -- python3 %s" % sys.argv[0])
        return 2
    r = Results()
    with tempfile.TemporaryDirectory() as tmp:
        sim = Simulator(tmp, SITE, "site")
        socks = [adapter_socket(i) for i in ("sv0", "sv1")]
        try:
            check_link0(r, socks[0])
            check_link1_and_2(r, socks[1])
            check_udp_relay(r, socks[1])
            check_tcp_relays(r)
            check_records(r, sim)
        finally:
            for s in socks:
                s.close()
            status, took = sim.stop()
        r.check("stops on SIGTERM within a second with status 0", status == 0 and took < 1.0,
                "status %s after %.2f s" % (status, took))
        check_flood(r, tmp)
        check_refusal(r, tmp)
    print("%d passed, %d failed" % (r.passed, r.failed))
    return 0 if r.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
