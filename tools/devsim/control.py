"""The control protocol as a device sees it.

Queries and commands arrive on UDP 6666 as Base64 text of the byte-wise complement of a
comma-separated package and its NUL. A device answers a search query (flag 00) with a flag 01
package describing itself, sent to port 6667 of the asker or as a limited broadcast.

This module owns one UDP socket per link (bound to the link's interface), records every datagram,
and hands each decoded package to the handlers registered for its flag; other modules (the UDP
relay, later the set-network handling) register their own flags with `on_flag`.
"""

import base64
import ipaddress
import socket
import struct
import sys

CONTROL_PORT = 6666
REPLY_PORT = 6667
BROADCAST = "255.255.255.255"

IP_PKTINFO = 8  # Linux value; the socket module does not export it
SO_BINDTODEVICE = getattr(socket, "SO_BINDTODEVICE", 25)

FIELDS = ("model", "proj", "name", "ip", "trigger_port", "netmask", "gateway", "dns", "mac",
          "dev", "note", "idpw", "vendor")
DEFAULT_TOKEN = "Kestrilon"
_ALPHABET = set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")


# ----------------------------------------------------------------------------- wire form -----

def complement(data):
    return bytes(255 - b for b in data)


def encode_wire(text):
    """Package text (str or bytes) -> the Base64 characters that travel."""
    if isinstance(text, str):
        text = text.encode("latin-1")
    return base64.b64encode(complement(text + b"\0"))


def decode_wire(data):
    """What travels -> the unscrambled bytes. Like a device's firmware it is lenient: characters
    outside the alphabet are skipped, '=' ends the text, a ragged tail is dropped."""
    chars = bytearray()
    for b in data:
        if b == ord("="):
            break
        if b in _ALPHABET:
            chars.append(b)
    chars = chars[: len(chars) - len(chars) % 4] if len(chars) % 4 == 1 else chars
    chars += b"=" * (-len(chars) % 4)
    try:
        return complement(base64.b64decode(bytes(chars)))
    except ValueError:
        return b""


def split_packages(plain):
    """Decoded bytes -> the package texts they hold (each ended by NUL; an empty one stops)."""
    texts = []
    for part in plain.split(b"\0"):
        if not part:
            break
        texts.append(part)
    return texts


def package_flag(text):
    """The flag of a package text as an int, or None when it has none."""
    fields = text.split(b",")
    if len(fields) < 2:
        return None
    flag = fields[1].split(b"\n")[0].strip()
    return int(flag) if flag.isdigit() else None


# ----------------------------------------------------------------------------- devices -------

class Device:
    """One device of the site file and the reply it gives."""

    def __init__(self, conf, index):
        self.conf = conf
        self.index = index
        self.values = {f: str(conf.get(f, "")) for f in FIELDS}
        self.name = str(conf.get("id", conf.get("name", "device%d" % index)))
        self.token = str(conf.get("token", DEFAULT_TOKEN))
        self.link = conf.get("link", 0)
        self.reply = conf.get("reply", "unicast")
        self.delay = float(conf.get("delay_ms", 0)) / 1000.0
        self.duplicates = int(conf.get("duplicates", 0))
        self.duplicate_gap = float(conf.get("duplicate_gap_ms", 0)) / 1000.0
        self.silent = bool(conf.get("silent", False))
        self.credentials = conf.get("credentials", {})
        flood = conf.get("flood")
        if isinstance(flood, int):
            flood = {"count": flood}
        self.flood = flood
        if self.reply not in ("unicast", "broadcast"):
            raise ValueError("device %s: reply must be unicast or broadcast" % self.name)
        if self.link is not None and self.link not in (0, 1, 2):
            raise ValueError("device %s: link must be 0, 1, 2 or null" % self.name)

    def package_text(self, values=None):
        """The flag 01 package text (bytes), or None for a device that sends raw bytes."""
        conf = self.conf
        if "reply_text" in conf:
            return conf["reply_text"].encode("latin-1")
        if "raw_reply" in conf or "raw_reply_b64" in conf:
            return None
        values = dict(values or self.values)
        fields = [self.token, "01"] + [values[f] for f in FIELDS]
        text = ",".join(fields)
        size = int(conf.get("oversize", 0))
        if size > len(text):
            # Lengthen one field rather than append, so the package stays well formed and a cut
            # shows as the loss of the fields that follow it.
            pad_field = conf.get("oversize_field", "note")
            values[pad_field] += "x" * (size - len(text))
            text = ",".join([self.token, "01"] + [values[f] for f in FIELDS])
        return text.encode("latin-1")

    def payload(self, values=None):
        """The exact bytes of one reply datagram."""
        conf = self.conf
        if "raw_reply" in conf:
            return conf["raw_reply"].encode("latin-1")
        if "raw_reply_b64" in conf:
            return base64.b64decode(conf["raw_reply_b64"])
        return encode_wire(self.package_text(values))

    def flood_values(self, k):
        """The fields of the k-th reply of a flood: the device's own, with address, MAC and name
        made distinct."""
        values = dict(self.values)
        base = int(ipaddress.IPv4Address(self.flood.get("ip_base", "198.19.0.1")))
        values["ip"] = str(ipaddress.IPv4Address((base + k) & 0xFFFFFFFF))
        values["mac"] = "02:5A:%02X:%02X:%02X:%02X" % (
            (k >> 24) & 255, (k >> 16) & 255, (k >> 8) & 255, k & 255)
        values["name"] = "%s-%05d" % (values["name"] or "flood", k)
        return values


def in_networks(ip, networks):
    try:
        addr = ipaddress.IPv4Address(ip)
    except ValueError:
        return False
    return any(addr in net for net in networks)


# ----------------------------------------------------------------------------- the listener --

class ControlPort:
    """UDP 6666 on every link; dispatches decoded packages by flag."""

    def __init__(self, sim):
        self.sim = sim
        self.handlers = {}  # flag -> [callable(link, src, dst, text)]
        self.socks = {}     # link index -> socket

    def on_flag(self, flag, handler):
        self.handlers.setdefault(flag, []).append(handler)

    def open(self):
        for link in self.sim.links.values():
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.setsockopt(socket.SOL_SOCKET, SO_BINDTODEVICE, link.iface.encode())
            s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
            s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
            s.setblocking(False)
            s.bind(("0.0.0.0", CONTROL_PORT))
            self.socks[link.index] = s
            self.sim.add_reader(s, lambda s=s, link=link: self._readable(s, link))

    def _readable(self, sock, link):
        for _ in range(256):  # drain, but let timers run between bursts
            try:
                data, anc, _flags, src = sock.recvmsg(65536, socket.CMSG_SPACE(12))
            except BlockingIOError:
                return
            dst = None
            for level, kind, payload in anc:
                if level == socket.IPPROTO_IP and kind == IP_PKTINFO and len(payload) >= 12:
                    dst = socket.inet_ntoa(payload[8:12])
            self.sim.record("udp", link.index, src, (dst or "0.0.0.0", CONTROL_PORT), data)
            for text in split_packages(decode_wire(data))[:1]:
                flag = package_flag(text)
                for handler in self.handlers.get(flag, []):
                    handler(link, src, dst, text)

    def send(self, link_index, source_ip, dest, data):
        """Sends one datagram out of a link from `source_ip` (when it is one of ours).
        Returns False when the socket buffer is full, so a flood can try again later."""
        link = self.sim.links[link_index]
        sock = self.socks[link_index]
        spec_dst = source_ip if self.sim.is_local(source_ip) else link.primary
        pktinfo = struct.pack("i4s4s", link.ifindex, socket.inet_aton(spec_dst), bytes(4))
        try:
            sock.sendmsg([data], [(socket.IPPROTO_IP, IP_PKTINFO, pktinfo)], 0, dest)
        except BlockingIOError:
            return False
        except OSError as e:
            self.sim.log("send to %s:%d on link %d failed: %s" % (dest[0], dest[1], link_index, e))
        return True


# ----------------------------------------------------------------------------- device answers --

class DeviceAnswers:
    """Flag 00: each device on the link the query came in on answers for itself."""

    def __init__(self, sim, port):
        self.sim = sim
        self.port = port
        port.on_flag(0, self.query)

    def _addressed_to(self, device, link, dst):
        # A device hears broadcasts on its segment and datagrams sent to its own address.
        return (dst in (None, BROADCAST, device.values["ip"])
                or dst in link.broadcasts)

    def query(self, link, src, dst, _text):
        for device in self.sim.devices:
            if device.link != link.index or device.silent:
                continue
            if not self._addressed_to(device, link, dst):
                continue
            dest = self.destination(device, link, src)
            if device.flood:
                self.sim.call_later(device.delay, lambda d=device, dest=dest: Flood(
                    self.sim, self.port, d, dest).next_batch())
                continue
            payload = device.payload()
            for copy in range(1 + device.duplicates):
                self.sim.call_later(
                    device.delay + copy * device.duplicate_gap,
                    lambda d=device, dest=dest, p=payload: self.port.send(
                        d.link, d.values["ip"], dest, p))

    def destination(self, device, link, src):
        # A device configured for another subnet has no road to the asker: broadcast only.
        if device.reply == "broadcast" or not in_networks(device.values["ip"], link.networks):
            return (BROADCAST, REPLY_PORT)
        return (src[0], REPLY_PORT)


class Flood:
    """Many distinct replies from one device, paced in small bursts so that a reader that keeps
    up loses none of them."""

    def __init__(self, sim, port, device, dest):
        self.sim, self.port, self.device, self.dest = sim, port, device, dest
        self.count = int(device.flood.get("count", 4500))
        self.burst = max(1, int(device.flood.get("burst", 10)))
        self.gap = float(device.flood.get("gap_ms", 1)) / 1000.0
        self.next = 0
        self.start = None

    def next_batch(self):
        if self.start is None:
            self.start = self.sim.now()
        end = min(self.count, self.next + self.burst)
        while self.next < end:
            payload = self.device.payload(self.device.flood_values(self.next))
            if not self.port.send(self.device.link, self.device.values["ip"], self.dest, payload):
                break  # socket buffer full: the rest of this burst goes next time
            self.next += 1
        if self.next < self.count:
            # Paced against the start, so the loop's own overhead does not slow the rate.
            due = self.start + self.gap * (self.next // self.burst)
            self.sim.call_later(due - self.sim.now(), self.next_batch)


def setup(sim):
    port = ControlPort(sim)
    port.open()
    sim.control = port
    DeviceAnswers(sim, port)
    for device in sim.devices:
        if (device.link is not None and device.reply == "unicast"
                and not in_networks(device.values["ip"], sim.links[device.link].networks)
                and not device.flood):
            print("devsim: %s is not in link %d's subnets and answers by broadcast"
                  % (device.name, device.link), file=sys.stderr)
    # Set-network commands (flag 03) arrive on this same port.
    import setnetwork  # noqa: E402  (it imports this module)
    setnetwork.setup(sim)
