#!/usr/bin/env python3
"""The lab network itself: broadcasts from every host-side address reach the site, answers come
back by unicast and by limited broadcast on the right adapter, and nothing on the host side can
reach this machine's own network.

Run as: scripts/lab run -- python3 tests/lab/lab_network_test.py
The same file, started with --responder inside the network side, plays the far end.
"""

import errno
import os
import select
import socket
import struct
import subprocess
import sys
import tempfile
import time

IP_PKTINFO = 8  # Linux; the socket module does not export it
SO_BINDTODEVICE = getattr(socket, "SO_BINDTODEVICE", 25)
QUERY_PORT = 6666
ANSWER_PORT = 6667
HERE = os.path.dirname(os.path.abspath(__file__))
LAB_SCRIPT = os.path.join(HERE, "..", "..", "scripts", "lab")

HOST_LINKS = {  # host-side interface -> (its addresses, its network-side peer)
    "sv0": (["198.18.1.1"], "sv0n"),
    "sv1": (["198.18.2.1"], "sv1n"),
    "sv2": (["198.18.3.1", "198.18.4.1"], "sv2n"),
}
NET_ADDRS = {"sv0n": ["198.18.1.254"], "sv1n": ["198.18.2.254"],
             "sv2n": ["198.18.3.254", "198.18.4.254"]}


def recv_with_pktinfo(sock):
    """One datagram with the interface it came in on and its destination address."""
    data, anc, _flags, src = sock.recvmsg(65536, socket.CMSG_SPACE(12))
    ifindex, dst = 0, None
    for level, kind, payload in anc:
        if level == socket.IPPROTO_IP and kind == IP_PKTINFO and len(payload) >= 12:
            ifindex = struct.unpack("i", payload[:4])[0]
            dst = socket.inet_ntoa(payload[8:12])
    return data, src, ifindex, dst


# ---------------------------------------------------------------- network side ----------------

def responder(ready_path):
    """Answers every probe "probe TAG unicast|broadcast" with "answer TAG IFACE DST SRC"."""
    socks = {}
    for iface in NET_ADDRS:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.setsockopt(socket.SOL_SOCKET, SO_BINDTODEVICE, iface.encode())
        s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
        s.bind(("0.0.0.0", QUERY_PORT))
        socks[s] = iface
    with open(ready_path + ".tmp", "w") as f:
        f.write("ready\n")
    os.rename(ready_path + ".tmp", ready_path)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        readable, _, _ = select.select(list(socks), [], [], 0.5)
        for s in readable:
            data, src, _ifindex, dst = recv_with_pktinfo(s)
            words = data.decode("ascii", "replace").split()
            if len(words) != 3 or words[0] != "probe":
                continue
            answer = "answer %s %s %s %s" % (words[1], socks[s], dst, src[0])
            target = src[0] if words[2] == "unicast" else "255.255.255.255"
            s.sendto(answer.encode(), (target, ANSWER_PORT))


# ---------------------------------------------------------------- host side -------------------

class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("PASS %s" % name)
        else:
            self.failed += 1
            print("FAIL %s%s" % (name, (": " + detail) if detail else ""))
        sys.stdout.flush()
        return ok


def sh(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=10)


def link_names():
    return sorted(os.listdir("/sys/class/net"))


def tx_packets():
    total = 0
    for iface in HOST_LINKS:
        with open("/sys/class/net/%s/statistics/tx_packets" % iface) as f:
            total += int(f.read())
    return total


def check_environment(r):
    env = os.environ
    lab_id = env.get("SCANVALE_LAB_ID", "")
    r.check("environment names the lab",
            env.get("SCANVALE_LAB_HOST_NS") == "svh-" + lab_id
            and env.get("SCANVALE_LAB_NET_NS") == "svn-" + lab_id
            and env.get("SCANVALE_LAB_HOST_ADDRS") == "198.18.1.1 198.18.2.1 198.18.3.1 198.18.4.1",
            repr({k: v for k, v in env.items() if k.startswith("SCANVALE_LAB")}))
    appdata = env.get("APPDATA", "")
    r.check("APPDATA is a fresh empty folder",
            os.path.isdir(appdata) and not os.listdir(appdata) and appdata.startswith("/tmp/"),
            appdata)
    outer = outer_namespace()
    r.check("running in the lab's host-side namespace, not in the one it was started from",
            inside("SCANVALE_LAB_HOST_NS") and outer is not None
            and os.stat(outer).st_ino != os.stat("/proc/self/ns/net").st_ino, str(outer))


def check_topology(r):
    r.check("host side has only lo, sv0, sv1, sv2", link_names() == ["lo", "sv0", "sv1", "sv2"],
            str(link_names()))
    addrs = sh("ip", "-4", "-o", "addr", "show").stdout.split("\n")
    found = sorted((line.split()[1], line.split()[3]) for line in addrs if line.strip())
    want = sorted([("lo", "127.0.0.1/8")] +
                  [(i, a + "/24") for i, (al, _) in HOST_LINKS.items() for a in al])
    r.check("host-side addresses", found == want, str(found))
    net = os.environ["SCANVALE_LAB_NET_NS"]
    for side, cmd in (("host", ["ip", "-4", "route", "show"]),
                      ("network", ["ip", "netns", "exec", net, "ip", "-4", "route", "show"])):
        routes = sh(*cmd).stdout
        r.check("no default route on the %s side" % side,
                "default" not in routes and all("dev sv" in l for l in routes.splitlines() if l),
                routes)


def start_responder(tmp):
    ready = os.path.join(tmp, "responder.ready")
    proc = subprocess.Popen(["ip", "netns", "exec", os.environ["SCANVALE_LAB_NET_NS"],
                             sys.executable, os.path.abspath(__file__), "--responder", ready])
    deadline = time.monotonic() + 10
    while not os.path.exists(ready):
        if proc.poll() is not None or time.monotonic() > deadline:
            raise RuntimeError("responder did not start")
        time.sleep(0.02)
    return proc


def answer_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    s.bind(("0.0.0.0", ANSWER_PORT))
    return s


def collect(sock, tag, seconds):
    """Every answer carrying `tag` that arrives within `seconds`."""
    got = []
    deadline = time.monotonic() + seconds
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return got
        readable, _, _ = select.select([sock], [], [], left)
        if not readable:
            return got
        data, src, ifindex, dst = recv_with_pktinfo(sock)
        words = data.decode("ascii", "replace").split()
        if len(words) == 5 and words[0] == "answer" and words[1] == tag:
            got.append({"iface": words[2], "seen_dst": words[3], "seen_src": words[4],
                        "src": src[0], "ifindex": ifindex, "dst": dst})


def check_broadcast_round_trip(r, listener):
    ifindex = {name: socket.if_nametoindex(name) for name in HOST_LINKS}
    serial = 0
    for iface, (addrs, peer) in HOST_LINKS.items():
        for addr in addrs:
            for mode in ("unicast", "broadcast"):
                serial += 1
                tag = "t%d" % serial
                s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
                s.bind((addr, 0))
                s.sendto(("probe %s %s" % (tag, mode)).encode(), ("255.255.255.255", QUERY_PORT))
                s.close()
                # Wait a little past the first answer, so a copy on a second link would show.
                got = collect(listener, tag, 0.3)
                name = "broadcast from %s reaches %s, %s answer returns on %s" % (
                    addr, peer, mode, iface)
                want_dst = addr if mode == "unicast" else "255.255.255.255"
                ok = (len(got) == 1 and got[0]["iface"] == peer
                      and got[0]["seen_dst"] == "255.255.255.255" and got[0]["seen_src"] == addr
                      and got[0]["ifindex"] == ifindex[iface] and got[0]["dst"] == want_dst)
                r.check(name, ok, str(got))
    # A unicast query to the far end's own address takes the same road.
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("198.18.2.1", 0))
    s.sendto(b"probe u1 unicast", ("198.18.2.254", QUERY_PORT))
    s.close()
    got = collect(listener, "u1", 0.3)
    r.check("unicast query to 198.18.2.254 is answered on sv1",
            len(got) == 1 and got[0]["iface"] == "sv1n" and got[0]["seen_dst"] == "198.18.2.254"
            and got[0]["ifindex"] == ifindex["sv1"], str(got))
    # Without a bound address there is no road for a limited broadcast at all.
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    try:
        s.sendto(b"probe x unicast", ("255.255.255.255", QUERY_PORT))
        err = 0
    except OSError as e:
        err = e.errno
    s.close()
    r.check("unbound limited broadcast is unroutable", err == errno.ENETUNREACH,
            errno.errorcode.get(err, str(err)))


def outer_namespace():
    """The namespace the lab was started from: that of the nearest ancestor outside the lab
    (the first process's namespace is not readable on every machine)."""
    mine = os.stat("/proc/self/ns/net").st_ino
    pid = os.getppid()
    while pid > 1:
        path = "/proc/%d/ns/net" % pid
        try:
            if os.stat(path).st_ino != mine:
                return path
            with open("/proc/%d/stat" % pid) as f:
                pid = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            return None
    return None


def real_addresses():
    """Addresses of this machine's own namespace: read there, never sent from there."""
    outer = outer_namespace()
    if not outer:
        return []
    out = sh("nsenter", "--net=" + outer, "ip", "-4", "-o", "addr", "show").stdout
    addrs = set()
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 4 and fields[2] == "inet" and not fields[3].startswith("127."):
            addrs.add(fields[3].split("/")[0])
    out = sh("nsenter", "--net=" + outer, "ip", "-4", "route", "show", "default").stdout
    for line in out.splitlines():
        fields = line.split()
        if "via" in fields:
            addrs.add(fields[fields.index("via") + 1])
    return sorted(addrs)


def attempt(kind, target, bind_addr=None):
    """Tries to reach target; returns the errno (0 when the kernel let it through)."""
    stype = socket.SOCK_DGRAM if kind != "tcp" else socket.SOCK_STREAM
    s = socket.socket(socket.AF_INET, stype)
    s.settimeout(2)
    try:
        if bind_addr:
            s.bind((bind_addr, 0))
        if kind == "udp-send":
            s.sendto(b"x", (target, QUERY_PORT))
        else:
            s.connect((target, QUERY_PORT))
        return 0
    except OSError as e:
        return e.errno or -1
    finally:
        s.close()


def check_isolation(r):
    targets = real_addresses()
    r.check("found this machine's own addresses to try", bool(targets), str(targets))
    before = tx_packets()
    for target in targets:
        for kind in ("udp-connect", "udp-send", "tcp"):
            for bind_addr in (None, "198.18.1.1"):
                err = attempt(kind, target, bind_addr)
                r.check("%s to %s%s is unreachable" % (
                    kind, target, " from " + bind_addr if bind_addr else ""),
                    err == errno.ENETUNREACH, errno.errorcode.get(err, str(err)))
    after = tx_packets()
    r.check("nothing left the host side while trying", after == before,
            "tx_packets %d -> %d" % (before, after))


def check_guard(r):
    lab_id = os.environ["SCANVALE_LAB_ID"]
    net = os.environ["SCANVALE_LAB_NET_NS"]
    cases = [
        ("a lab that is not this one", ["bash", LAB_SCRIPT, "__guard", "000000", "--",
                                        "echo", "ran"], False),
        ("the network side", ["ip", "netns", "exec", net, "bash", LAB_SCRIPT, "__guard",
                              lab_id, "--", "echo", "ran"], False),
        ("this lab's host side", ["bash", LAB_SCRIPT, "__guard", lab_id, "--", "echo", "ran"],
         True),
    ]
    for what, cmd, allowed in cases:
        p = subprocess.run(cmd, capture_output=True, text=True, timeout=10)
        ran = "ran" in p.stdout
        if allowed:
            r.check("guard lets a command run in " + what, ran and p.returncode == 0, p.stderr)
        else:
            r.check("guard refuses a command in " + what,
                    not ran and p.returncode != 0 and "refusing" in p.stderr, p.stdout + p.stderr)


def inside(namespace_var):
    """True only inside the lab namespace that the variable names, never in the machine's own."""
    name = os.environ.get(namespace_var, "")
    try:
        mine = os.stat("/proc/self/ns/net").st_ino
        if not name or "/" in name or mine != os.stat("/run/netns/" + name).st_ino:
            return False
    except OSError:
        return False
    try:  # not readable on every machine; where it is, it must differ
        return mine != os.stat("/proc/1/ns/net").st_ino
    except OSError:
        return True


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--responder":
        if not inside("SCANVALE_LAB_NET_NS"):
            print("lab_network_test: the responder runs only on a lab's network side")
            return 2
        responder(sys.argv[2])
        return 0
    if not inside("SCANVALE_LAB_HOST_NS"):
        print("lab_network_test: refusing to open sockets outside a lab; run me with "
              "scripts/lab run -- python3 %s" % sys.argv[0])
        return 2
    r = Results()
    check_environment(r)
    check_topology(r)
    with tempfile.TemporaryDirectory() as tmp:
        proc = start_responder(tmp)
        listener = answer_socket()
        try:
            check_broadcast_round_trip(r, listener)
        finally:
            listener.close()
            proc.terminate()
            proc.wait(timeout=5)
    check_isolation(r)
    check_guard(r)
    print("%d passed, %d failed" % (r.passed, r.failed))
    return 0 if r.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
