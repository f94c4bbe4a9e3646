#!/usr/bin/env python3
"""The simulated devices' web interfaces seen from the workstation: the answers the
maintenance commands rely on (versions, the 503 fallback, restart and factory default, the
Digest flow's own rules), the ways of answering (slow, raw, keep-alive, hang-up) and the
record of every request.

Run as: scripts/lab run -- python3 tests/lab/devsim_web_test.py
It speaks HTTP and Digest with its own few lines, not with the simulator's code.
"""

import base64
import hashlib
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEVSIM = os.path.join(HERE, "..", "..", "tools", "devsim", "devsim.py")
CREDS = {"id": "admin", "password": "8629"}


def device(name, ip, web, **extra):
    entry = {"name": name, "proj": "IP-Cam", "ip": ip, "trigger_port": "80", "link": 0,
            "mac": "00:5A:00:00:01:%s" % ip.split(".")[-1], "credentials": CREDS, "web": web}
    entry.update(extra)
    return entry


SITE = {"devices": [
    device("plain", "198.18.1.40", {"firmware": "V3.0.1", "build_date": "Jun 1 2012",
                                    "ptz": "P/T/Z", "keep_alive": False}),
    device("fallback", "198.18.1.41", {"fallback": True, "firmware": "V9.9"}),
    device("slow", "198.18.1.42", {"mode": "slow", "delay_ms": 800}),
    device("raw", "198.18.1.43", {"raw": {"/cgi-bin/admin/param.cgi":
                                          "HTTP/1.1 200 OK\r\n\r\nroot.Other=1\r\n"}}),
    device("lingers", "198.18.1.44", {"keep_alive": True}),
    device("closer", "198.18.1.45", {"mode": "close"}),
    device("nvr", "198.18.2.46", {"thread_id": "31"}, proj="NVR", link=1, trigger_port="81"),
]}


class Results:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL %s: %r" % (name, detail))
        sys.stdout.flush()


def basic(user="admin", password="8629"):
    return base64.b64encode(("%s:%s" % (user, password)).encode()).decode()


def request(ip, target, port=80, auth=None, method="GET", body=b"", extra=""):
    head = "%s %s HTTP/1.1\r\nHost: %s\r\n%s" % (method, target, ip, extra)
    if auth is not None:
        head += "Authorization: %s\r\n" % auth
    if body:
        head += "Content-Length: %d\r\n" % len(body)
    return (head + "\r\n").encode() + body


def exchange(ip, data, port=80, wait=3.0):
    """Sends `data`, reads until the device closes or `wait` passes: (reply, closed)."""
    with socket.create_connection((ip, port), timeout=wait) as s:
        s.sendall(data)
        out, deadline = b"", time.monotonic() + wait
        while time.monotonic() < deadline:
            s.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = s.recv(65536)
            except socket.timeout:
                return out, False
            except ConnectionResetError:
                return out, True
            if not chunk:
                return out, True
            out += chunk
        return out, False


def get(ip, target, port=80, auth="Basic " + basic(), **kw):
    return exchange(ip, request(ip, target, port, auth), port, **kw)[0].decode("latin-1")


def body_of(reply):
    return reply.split("\r\n\r\n", 1)[1] if "\r\n\r\n" in reply else ""


def check_answers(r):
    v = get("198.18.1.40", "/cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version")
    r.check("version query answers the version line alone",
            v.startswith("HTTP/1.1 200 OK\r\n") and body_of(v) == "root.Properties.Firmware.Version=V3.0.1\r\n", v)
    p = body_of(get("198.18.1.40", "/cgi-bin/admin/param.cgi?action=list&group=Properties"))
    r.check("properties carry build date and PTZ",
            "root.Properties.Firmware.BuildDate=Jun 1 2012\r\n" in p and "root.Properties.PTZ.PTZ=P/T/Z\r\n" in p, p)
    for target in ("/cgi-bin/admin/restart.cgi", "/cgi-bin/admin/factorydefault.cgi"):
        a = get("198.18.1.40", target)
        r.check("plain device: %s OK" % target, a.startswith("HTTP/1.1 200 OK") and body_of(a) == "OK\r\n", a)
        f = get("198.18.1.41", target)
        r.check("fallback device: %s 503" % target, "503 Service Unavailable" in f, f)
    r.check("fallback device: param.cgi 503",
            "503 Service Unavailable" in get("198.18.1.41", "/cgi-bin/admin/param.cgi?action=list"))
    li = get("198.18.1.41", "/cgi-bin/listinfo.cgi?query=version")
    r.check("fallback device: listinfo body is the version", "200 OK" in li and body_of(li) == "V9.9\r\n", li)
    for target in ("/cgi-bin/reboot.cgi", "/cgi-bin/partialdefault.cgi"):
        r.check("fallback device: %s OK" % target, body_of(get("198.18.1.41", target)) == "OK\r\n")
        r.check("plain device: %s absent" % target, "404" in get("198.18.1.40", target))
    for auth in (None, "Basic " + basic(password="wrong"), "Basic !!!"):
        u = get("198.18.1.40", "/cgi-bin/admin/restart.cgi", auth=auth)
        r.check("401 for credentials %r" % auth,
                u.startswith("HTTP/1.1 401 Unauthorized\r\n") and "WWW-Authenticate: Basic" in u, u)
    raw = get("198.18.1.43", "/cgi-bin/admin/param.cgi?action=list")
    r.check("raw reply sent as it stands", raw == "HTTP/1.1 200 OK\r\n\r\nroot.Other=1\r\n", raw)


def check_ways_of_answering(r):
    start = time.monotonic()
    a = get("198.18.1.42", "/cgi-bin/admin/restart.cgi")
    took = time.monotonic() - start
    r.check("slow device answers after its delay", "200 OK" in a and 0.75 < took < 2.0, took)
    reply, closed = exchange("198.18.1.44", request("198.18.1.44", "/cgi-bin/admin/restart.cgi",
                                                     auth="Basic " + basic()), wait=0.7)
    r.check("keep-alive device answers and stays connected", b"200 OK" in reply and not closed, reply)
    reply, closed = exchange("198.18.1.40", request("198.18.1.40", "/cgi-bin/kesttest/default_test.cgi",
                                                     auth="Basic " + basic()))
    r.check("default_test: the device resets without a word", reply == b"" and closed, reply)
    reply, closed = exchange("198.18.1.45", b"GET / HTTP/1.1\r\n\r\n")
    r.check("closing device closes at once", reply == b"" and closed, reply)


def digest_line(challenge, uri, nc, cnonce, user="admin", password="8629"):
    realm = re.search(r'realm="([^"]*)"', challenge).group(1)
    nonce = re.search(r'nonce="([^"]*)"', challenge).group(1)
    h = lambda s: hashlib.md5(s.encode()).hexdigest()
    ha1, ha2 = h("%s:%s:%s" % (user, realm, password)), h("GET:" + uri)
    resp = h(":".join([ha1, nonce, nc, cnonce, "auth", ha2]))
    return ('Digest username="%s",realm="%s",nonce="%s",uri="%s",cnonce="%s",nc=%s,'
            'algorithm=MD5,response="%s",qop="auth"' % (user, realm, nonce, uri, cnonce, nc, resp)), nonce


def check_digest(r):
    ip, port = "198.18.2.46", 81
    first = get(ip, "/auth/login", port, auth=None)
    r.check("login without credentials: 401 with a Digest challenge",
            first.startswith("HTTP/1.1 401 Unauthorized") and 'qop="auth"' in first, first)
    line, login_nonce = digest_line(first, "/auth/login", "00000001", "c1")
    ok = get(ip, "/auth/login", port, auth=line)
    r.check("login with a right response gives the thread id", "200 OK" in ok and "ID=[31]" in ok, ok)
    r.check("the same counter again is refused", "401" in get(ip, "/auth/login", port, auth=line))
    target = "/auth/config.set?REBOOT&THREAD_ID=31"
    ask = get(ip, target, port, auth=None)
    line, config_nonce = digest_line(ask, target, "00000002", "c2")
    r.check("config.set asks with a nonce of its own", "401" in ask and config_nonce != login_nonce, ask)
    stale, _ = digest_line(first, target, "00000002", "c3")
    r.check("the login's nonce does not serve config.set", "401" in get(ip, target, port, auth=stale))
    done = get(ip, target, port, auth=line)
    r.check("config.set with a right response reboots", "200 OK" in done and body_of(done) == "OK\r\n", done)
    wrong, _ = digest_line(ask, "/auth/config.set?REBOOT&THREAD_ID=9", "00000003", "c4")
    r.check("a wrong thread id is refused", "403" in get(ip, "/auth/config.set?REBOOT&THREAD_ID=9", port, auth=wrong))
    r.check("a camera has no /auth/login", "404" in get("198.18.1.40", "/auth/login", auth=None))


def check_records(r, records):
    post = request("198.18.1.40", "/cgi-bin/upload.cgi", auth="Basic " + basic(), method="POST",
                   body=bytes(range(256)) * 40)
    reply, _ = exchange("198.18.1.40", post)
    time.sleep(0.2)
    got = [base64.b64decode(x["data_b64"]) for x in records()
           if x["proto"] == "http" and x["dst"] == "198.18.1.40:80"]
    r.check("a POST is recorded with its whole body", post in got and b"200 OK" in reply, len(got))
    closer = [x for x in records() if x["dst"] == "198.18.1.45:80"]
    r.check("a connection closed at once is recorded empty",
            len(closer) == 1 and closer[0]["data_b64"] == "" and closer[0]["link"] == 0, closer)


def inside_lab():
    name = os.environ.get("SCANVALE_LAB_HOST_NS", "")
    try:
        mine = os.stat("/proc/self/ns/net").st_ino
        return bool(name) and "/" not in name and mine == os.stat("/run/netns/" + name).st_ino
    except OSError:
        return False


def main():
    if not inside_lab():
        print("devsim_web_test: refusing to open sockets outside a lab; run me with "
              "scripts/lab run -- python3 %s" % sys.argv[0])
        return 2
    r = Results()
    with tempfile.TemporaryDirectory() as tmp:
        site, record, ready = (os.path.join(tmp, n) for n in ("site.json", "rec.jsonl", "ready"))
        with open(site, "w") as f:
            json.dump(SITE, f)
        proc = subprocess.Popen(["ip", "netns", "exec", os.environ["SCANVALE_LAB_NET_NS"],
                                 sys.executable, DEVSIM, "--site", site, "--record", record,
                                 "--ready", ready])
        try:
            deadline = time.monotonic() + 10
            while not os.path.exists(ready):
                if proc.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("simulator did not start")
                time.sleep(0.01)
            check_answers(r)
            check_ways_of_answering(r)
            check_digest(r)
            check_records(r, lambda: [json.loads(l) for l in open(record) if l.endswith("\n")])
        finally:
            proc.send_signal(signal.SIGTERM)
            try:
                status = proc.wait(timeout=3)
            except subprocess.TimeoutExpired:
                proc.kill()
                status = proc.wait()
        r.check("stops on SIGTERM with status 0", status == 0, status)
    print("%d passed, %d failed" % (r.passed, r.failed))
    return 0 if r.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
