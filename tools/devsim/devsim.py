#!/usr/bin/env python3
"""devsim: plays a whole site of network video devices on the network side of a lab.

  ip netns exec "$SCANVALE_LAB_NET_NS" python3 tools/devsim/devsim.py \\
      --site SITE.json --record REC.jsonl --ready READYFILE

One process, one event loop. This file loads the site, finds the lab's links, gives the site's
addresses to the links, records what arrives and runs the loop; the protocols live in modules
listed in MODULES, each with a setup(sim) that opens its sockets through the Sim below.
It runs only on the network side of a lab made by scripts/lab. See README.md for the site file.
"""

import argparse
import base64
import heapq
import ipaddress
import json
import os
import selectors
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import control  # noqa: E402
import relay  # noqa: E402
import relay_page  # noqa: E402
import upnp  # noqa: E402
import web  # noqa: E402
import web_upgrade  # noqa: E402

# Every protocol module of the simulator, in the order their setup runs. A new module (web
# interface, relay page, UPnP, ...) is a file with a setup(sim) function, added here.
MODULES = (control, relay, relay_page, upnp, web, web_upgrade)

LINK_IFACES = {0: "sv0n", 1: "sv1n", 2: "sv2n"}


class Link:
    """One segment of the lab, as seen from the network side."""

    def __init__(self, index, iface, ifindex, addrs):
        self.index = index
        self.iface = iface
        self.ifindex = ifindex
        self.addresses = set()
        self.networks = []
        self.broadcasts = set()
        self.primary = None
        for local, prefix in addrs:
            self.addresses.add(local)
            if prefix < 32:
                net = ipaddress.IPv4Network("%s/%d" % (local, prefix), strict=False)
                self.networks.append(net)
                self.broadcasts.add(str(net.broadcast_address))
                self.primary = self.primary or local


def lab_network_side():
    """The name of the lab network-side namespace this process is in, or None."""
    try:
        mine = os.stat("/proc/self/ns/net")
        for name in os.listdir("/run/netns"):
            if name.startswith("svn-"):
                st = os.stat("/run/netns/" + name)
                if (st.st_ino, st.st_dev) == (mine.st_ino, mine.st_dev):
                    return name
    except OSError:
        pass
    return None


def read_links():
    out = subprocess.run(["ip", "-j", "-4", "addr", "show"], capture_output=True, text=True,
                         check=True, timeout=10).stdout
    by_name = {entry["ifname"]: entry for entry in json.loads(out)}
    links = {}
    for index, iface in LINK_IFACES.items():
        entry = by_name.get(iface)
        if entry is None:
            raise RuntimeError("interface %s is missing: not a lab network side" % iface)
        addrs = [(a["local"], a["prefixlen"]) for a in entry.get("addr_info", [])
                 if a.get("family") == "inet"]
        links[index] = Link(index, iface, entry["ifindex"], addrs)
    return links


class Sim:
    def __init__(self, site, record_path, verbose):
        self.site = site
        self.verbose = verbose
        self.links = read_links()
        self.devices = [control.Device(conf, i) for i, conf in enumerate(site.get("devices", []))]
        self.selector = selectors.DefaultSelector()
        self.callbacks = {}  # fd -> {"r": fn, "w": fn}
        self.socks = {}
        self.timers = []
        self.timer_seq = 0
        self.stop_hooks = []
        self.stopping = False
        self.pending_addrs = []
        self.added_addrs = []
        self.control = None
        self.record_file = open(record_path, "a", buffering=1) if record_path else None

    # -- log and record --------------------------------------------------------------------

    def log(self, line):
        print("devsim: " + line, file=sys.stderr, flush=True)

    def record(self, proto, link, src, dst, data):
        if self.verbose:
            self.log("%s link %s %s:%d -> %s:%d %d bytes" % (proto, link, src[0], src[1], dst[0],
                                                              dst[1], len(data)))
        if not self.record_file:
            return
        line = json.dumps({"t": round(time.monotonic(), 6), "proto": proto, "link": link,
                           "src": "%s:%d" % (src[0], src[1]), "dst": "%s:%d" % (dst[0], dst[1]),
                           "data_b64": base64.b64encode(bytes(data)).decode("ascii")})
        self.record_file.write(line + "\n")
        self.record_file.flush()

    # -- addresses ---------------------------------------------------------------------------

    def is_local(self, ip):
        return any(ip in link.addresses for link in self.links.values())

    def claim_address(self, ip, link_index):
        """Gives a site address to a link's interface, so the host side reaches it (inside the
        link's subnets) and it can stand as the source of what that address sends."""
        if link_index not in self.links:
            return
        try:
            ipaddress.IPv4Address(ip)
        except ValueError:
            return
        link = self.links[link_index]
        if ip not in link.addresses and (ip, link_index) not in self.pending_addrs:
            self.pending_addrs.append((ip, link_index))

    def _ip_batch(self, lines):
        if lines:
            subprocess.run(["ip", "-force", "-batch", "-"], input="\n".join(lines) + "\n",
                           capture_output=True, text=True, timeout=30)

    def apply_addresses(self):
        pending, self.pending_addrs = self.pending_addrs, []
        self._ip_batch(["address add %s/32 dev %s" % (ip, self.links[n].iface) for ip, n in pending])
        fresh = read_links()
        for ip, n in pending:
            if ip in fresh[n].addresses:
                self.links[n].addresses.add(ip)
                self.added_addrs.append((ip, n))
            else:
                self.log("could not add %s to %s" % (ip, self.links[n].iface))

    def remove_addresses(self):
        self._ip_batch(["address del %s/32 dev %s" % (ip, self.links[n].iface)
                        for ip, n in self.added_addrs])
        self.added_addrs = []

    # -- the loop ----------------------------------------------------------------------------

    def _register(self, sock):
        fd = sock.fileno()
        cbs = self.callbacks.get(fd, {})
        mask = (selectors.EVENT_READ if "r" in cbs else 0) | (
            selectors.EVENT_WRITE if "w" in cbs else 0)
        registered = fd in self.socks
        if mask and registered:
            self.selector.modify(sock, mask)
        elif mask:
            self.selector.register(sock, mask)
            self.socks[fd] = sock
        else:
            if registered:
                self.selector.unregister(sock)
                del self.socks[fd]
            self.callbacks.pop(fd, None)

    def _set(self, sock, kind, fn):
        if sock.fileno() < 0:
            return
        cbs = self.callbacks.setdefault(sock.fileno(), {})
        if fn:
            cbs[kind] = fn
        else:
            cbs.pop(kind, None)
        self._register(sock)

    def add_reader(self, sock, fn):
        self._set(sock, "r", fn)

    def remove_reader(self, sock):
        self._set(sock, "r", None)

    def add_writer(self, sock, fn):
        self._set(sock, "w", fn)

    def remove_writer(self, sock):
        self._set(sock, "w", None)

    @staticmethod
    def now():
        return time.monotonic()

    def call_later(self, delay, fn):
        self.timer_seq += 1
        timer = [time.monotonic() + max(0.0, delay), self.timer_seq, fn, False]
        heapq.heappush(self.timers, timer)
        return timer

    def cancel(self, timer):
        if timer:
            timer[3] = True

    def on_stop(self, fn):
        self.stop_hooks.append(fn)

    def _run_due_timers(self):
        now = time.monotonic()
        while self.timers and self.timers[0][0] <= now:
            timer = heapq.heappop(self.timers)
            if not timer[3]:
                timer[2]()

    def run(self):
        # A signal writes to this pair, so a stop request wakes the loop at once.
        wake_r, wake_w = socket.socketpair()
        wake_r.setblocking(False)
        wake_w.setblocking(False)
        signal.set_wakeup_fd(wake_w.fileno(), warn_on_full_buffer=False)
        self.add_reader(wake_r, lambda: self._drain(wake_r))
        try:
            self._loop()
        finally:
            signal.set_wakeup_fd(-1)
            self.remove_reader(wake_r)
            wake_r.close()
            wake_w.close()

    @staticmethod
    def _drain(sock):
        try:
            sock.recv(4096)
        except BlockingIOError:
            pass

    def _loop(self):
        while not self.stopping:
            wait = 0.2  # bounds how long a stop request waits
            if self.timers:
                wait = min(wait, max(0.0, self.timers[0][0] - time.monotonic()))
            for key, mask in self.selector.select(wait):
                cbs = self.callbacks.get(key.fd, {})
                if mask & selectors.EVENT_READ and "r" in cbs:
                    cbs["r"]()
                cbs = self.callbacks.get(key.fd, {})
                if mask & selectors.EVENT_WRITE and "w" in cbs:
                    cbs["w"]()
            self._run_due_timers()

    def shutdown(self):
        for fn in self.stop_hooks:
            try:
                fn()
            except Exception as e:  # a module's trouble must not keep the others from closing
                self.log("stop: %s" % e)
        for sock in list(self.socks.values()):
            try:
                self.selector.unregister(sock)
            except (KeyError, ValueError):
                pass
            sock.close()
        if self.control:
            for sock in self.control.socks.values():
                sock.close()
        self.remove_addresses()
        if self.record_file:
            self.record_file.close()


def write_ready(path, sim):
    info = {"pid": os.getpid(), "devices": len(sim.devices),
            "links": {str(n): link.iface for n, link in sim.links.items()}}
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w") as f:
        json.dump(info, f)
        f.write("\n")
    os.rename(tmp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description="device simulator for the lab network side")
    parser.add_argument("--site", required=True, help="site file (JSON)")
    parser.add_argument("--record", help="append one JSON line per datagram/connection received")
    parser.add_argument("--ready", help="written once every socket listens")
    parser.add_argument("--verbose", action="store_true", help="log every datagram to stderr")
    args = parser.parse_args(argv)

    namespace = lab_network_side()
    if not namespace:
        print("devsim: refusing to run outside a lab's network side; start it with\n"
              "  ip netns exec \"$SCANVALE_LAB_NET_NS\" python3 %s ..." % sys.argv[0],
              file=sys.stderr)
        return 2
    with open(args.site) as f:
        site = json.load(f)

    stop = {"sim": None}

    def on_signal(_signum, _frame):
        if stop["sim"]:
            stop["sim"].stopping = True
        else:
            sys.exit(0)

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    sim = Sim(site, args.record, args.verbose)
    stop["sim"] = sim
    try:
        for device in sim.devices:
            if device.link is not None:
                sim.claim_address(device.values["ip"], device.link)
        sim.apply_addresses()
        for module in MODULES:
            module.setup(sim)
        sim.apply_addresses()
        if args.ready:
            write_ready(args.ready, sim)
        sim.run()
    finally:
        sim.shutdown()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (ValueError, KeyError, RuntimeError, OSError) as e:
        print("devsim: %s" % e, file=sys.stderr)
        sys.exit(1)
