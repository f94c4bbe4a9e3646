"""Relays: hosts that answer a flag 02 search query for devices they know about.

  "udp"       answers a flag 02 datagram (sent to its address, or broadcast on its link) with one
              reply datagram per device, unicast to the asker's port 6667.
  "tcp"       accepts on its address, port 6666, reads the flag 02 query, sends ONE Base64 text of
              the complement of its devices' packages laid back to back (each ending in NUL) and
              closes.
  "tcp-hang"  accepts and reads, but neither answers nor closes.
"""

import base64
import errno
import socket

import control

QUERY_WAIT = 3.0  # a TCP client that sends no whole query in this time is dropped unanswered
MAX_QUERY_BYTES = 65536


class Relay:
    def __init__(self, conf, index, sim):
        self.conf = conf
        self.kind = conf.get("kind", "udp")
        if self.kind not in ("udp", "tcp", "tcp-hang"):
            raise ValueError("relay %d: kind must be udp, tcp or tcp-hang" % index)
        self.ip = conf["ip"]
        self.link = conf.get("link", 0)
        if self.link not in sim.links:
            raise ValueError("relay %s: no link %r" % (self.ip, self.link))
        self.delay = float(conf.get("delay_ms", 0)) / 1000.0
        names = conf.get("devices", ["all"])
        if names == "all" or "all" in names:
            self.devices = [d for d in sim.devices if not d.silent]
        else:
            by_name = {d.name: d for d in sim.devices}
            missing = [n for n in names if n not in by_name]
            if missing:
                raise ValueError("relay %s: unknown devices %s" % (self.ip, missing))
            self.devices = [by_name[n] for n in names if not by_name[n].silent]

    def answer_bytes(self):
        """The TCP answer: Base64 of the complemented packages, each with its NUL."""
        if "raw_answer" in self.conf:
            return self.conf["raw_answer"].encode("latin-1")
        plain = b"".join(t + b"\0" for t in (d.package_text() for d in self.devices) if t)
        return base64.b64encode(control.complement(plain))


class UdpRelays:
    def __init__(self, sim, relays):
        self.sim = sim
        self.relays = relays
        sim.control.on_flag(2, self.query)

    def query(self, link, src, dst, _text):
        for relay in self.relays:
            if relay.link != link.index:
                continue
            if dst not in (relay.ip, control.BROADCAST) and dst not in link.broadcasts:
                continue
            for device in relay.devices:
                self.sim.call_later(relay.delay, lambda r=relay, d=device: self.sim.control.send(
                    r.link, r.ip, (src[0], control.REPLY_PORT), d.payload()))


class TcpConnection:
    def __init__(self, sim, relay, sock, peer):
        self.sim, self.relay, self.sock, self.peer = sim, relay, sock, peer
        self.received = bytearray()
        self.recorded = False
        self.out = b""
        self.closed = False
        sock.setblocking(False)
        sim.add_reader(sock, self.readable)
        self.timer = sim.call_later(QUERY_WAIT, self.query_timeout)

    def record(self):
        if not self.recorded:
            self.recorded = True
            self.sim.record("tcp", self.relay.link, self.peer, (self.relay.ip, control.CONTROL_PORT),
                            bytes(self.received))

    def readable(self):
        try:
            chunk = self.sock.recv(65536)
        except BlockingIOError:
            return
        except OSError:
            chunk = b""
        if not chunk:  # the client is done (or gone)
            if not self.recorded:
                self.query_complete()
            if self.relay.kind == "tcp-hang" or not self.out:
                self.close()
            else:
                self.sim.remove_reader(self.sock)
            return
        if self.recorded:
            return  # after the query, anything more is read and ignored
        self.received += chunk[: MAX_QUERY_BYTES - len(self.received)]
        plain = control.decode_wire(bytes(self.received))
        # The client sends no terminator of its own; the package's NUL tells it is whole.
        if b"\0" in plain or len(self.received) >= MAX_QUERY_BYTES:
            self.query_complete(control.split_packages(plain))

    def query_complete(self, texts=None):
        self.sim.cancel(self.timer)
        self.record()
        if texts is None:
            texts = control.split_packages(control.decode_wire(bytes(self.received)))
        if self.relay.kind == "tcp-hang":
            return  # hold the connection open, say nothing
        if texts and control.package_flag(texts[0]) == 2:
            self.sim.call_later(self.relay.delay, self.start_answer)
        else:
            self.close()

    def query_timeout(self):
        self.timer = None
        if self.relay.kind == "tcp-hang":
            self.record()
            return
        self.record()
        self.close()

    def start_answer(self):
        if self.closed:
            return
        self.out = self.relay.answer_bytes()
        self.sim.add_writer(self.sock, self.writable)

    def writable(self):
        try:
            sent = self.sock.send(self.out)
        except BlockingIOError:
            return
        except OSError:
            self.close()
            return
        self.out = self.out[sent:]
        if not self.out:
            self.close()

    def close(self):
        if self.closed:
            return
        self.closed = True
        self.sim.cancel(self.timer)
        self.sim.remove_reader(self.sock)
        self.sim.remove_writer(self.sock)
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()

    def flush(self):
        """At shutdown: whatever arrived is still recorded."""
        if self.received and not self.recorded:
            self.record()


class TcpRelay:
    def __init__(self, sim, relay):
        self.sim = sim
        self.relay = relay
        self.connections = []
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((relay.ip, control.CONTROL_PORT))
        s.listen(64)
        s.setblocking(False)
        self.sock = s
        sim.add_reader(s, self.accept)
        sim.on_stop(self.stop)

    def accept(self):
        try:
            conn, peer = self.sock.accept()
        except OSError as e:
            if e.errno not in (errno.EAGAIN, errno.ECONNABORTED):
                self.sim.log("accept on %s failed: %s" % (self.relay.ip, e))
            return
        self.connections = [c for c in self.connections if not c.closed]
        self.connections.append(TcpConnection(self.sim, self.relay, conn, peer))

    def stop(self):
        for c in self.connections:
            c.flush()
            c.close()
        self.sim.remove_reader(self.sock)
        self.sock.close()


def setup(sim):
    relays = [Relay(conf, i, sim) for i, conf in enumerate(sim.site.get("relays", []))]
    for relay in relays:
        sim.claim_address(relay.ip, relay.link)
    sim.apply_addresses()
    UdpRelays(sim, [r for r in relays if r.kind == "udp"])
    for relay in relays:
        if relay.kind != "udp":
            TcpRelay(sim, relay)
