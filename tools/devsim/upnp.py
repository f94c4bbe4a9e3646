"""UPnP root devices: SSDP answers on 239.255.255.250:1900 and description documents over HTTP.

Site entries under "upnp_devices", each one root device:
  {"ip": "198.18.1.50", "link": 0, "port": 49152,
   "udn": "uuid:...", "device_type": "urn:schemas-upnp-org:device:Basic:1",
   "friendly_name": ..., "manufacturer": ..., "manufacturer_url": ..., "model_description": ...,
   "model_name": ..., "model_number": ..., "model_url": ..., "serial_number": ..., "upc": ...,
   "presentation_url": "http://198.18.1.50/",     left out of the document when absent
   "icons": [{"mimetype": "image/gif", "width": 32, "height": 32, "depth": 8, "url": "/i.gif"}],
   "services": [{"type": "urn:schemas-upnp-org:service:X:1", "id": "urn:upnp-org:serviceId:X"}],
   "children": [{... the same device fields, nested as deep as wanted ...}],
   "description_raw": "...",  served instead of a built document (a malformed one, say)
   "pad_bytes": 0,            a comment of this many bytes inside the document (a huge one)
   "delay_ms": 10,            before the SSDP answer
   "silent": false}           never answers a search

A device answers an M-SEARCH that reaches its link for "ssdp:all", "upnp:rootdevice", its UDN
or its device type, by unicast from its own address to the asker, and serves its document at
http://ip:port/description.xml, its icons and its services' SCPD documents.
"""

import socket
import struct
from xml.sax.saxutils import escape

import minihttp

SSDP_GROUP = "239.255.255.250"
SSDP_PORT = 1900
IP_PKTINFO = 8
SO_BINDTODEVICE = getattr(socket, "SO_BINDTODEVICE", 25)
DESCRIPTION_PATH = "/description.xml"
# The smallest GIF there is: one transparent pixel.
GIF_1X1 = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00"
           b"\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")

TEXT_ELEMENTS = (("device_type", "deviceType"), ("friendly_name", "friendlyName"),
                 ("manufacturer", "manufacturer"), ("manufacturer_url", "manufacturerURL"),
                 ("model_description", "modelDescription"), ("model_name", "modelName"),
                 ("model_number", "modelNumber"), ("model_url", "modelURL"),
                 ("serial_number", "serialNumber"), ("udn", "UDN"), ("upc", "UPC"))


def device_element(conf, depth=0):
    pad = "  " * (depth + 1)
    out = [pad + "<device>"]
    for key, element in TEXT_ELEMENTS:
        if key in conf:
            out.append("%s  <%s>%s</%s>" % (pad, element, escape(str(conf[key])), element))
    if conf.get("icons"):
        out.append(pad + "  <iconList>")
        for icon in conf["icons"]:
            out.append(pad + "    <icon><mimetype>%s</mimetype><width>%d</width><height>%d</height>"
                       "<depth>%d</depth><url>%s</url></icon>"
                       % (escape(icon["mimetype"]), icon["width"], icon["height"], icon["depth"],
                          escape(icon["url"])))
        out.append(pad + "  </iconList>")
    if conf.get("services"):
        out.append(pad + "  <serviceList>")
        for n, service in enumerate(conf["services"]):
            base = "/service%d_%d" % (depth, n)
            out.append(pad + "    <service><serviceType>%s</serviceType><serviceId>%s</serviceId>"
                       "<SCPDURL>%s.xml</SCPDURL><controlURL>%s/control</controlURL>"
                       "<eventSubURL>%s/event</eventSubURL></service>"
                       % (escape(service["type"]), escape(service.get("id", service["type"])),
                          base, base, base))
        out.append(pad + "  </serviceList>")
    if conf.get("children"):
        out.append(pad + "  <deviceList>")
        for child in conf["children"]:
            out += device_element(child, depth + 2)
        out.append(pad + "  </deviceList>")
    if "presentation_url" in conf:
        out.append("%s  <presentationURL>%s</presentationURL>"
                   % (pad, escape(conf["presentation_url"])))
    out.append(pad + "</device>")
    return out


def description_document(conf):
    lines = ['<?xml version="1.0"?>', '<root xmlns="urn:schemas-upnp-org:device-1-0">',
             "  <specVersion><major>1</major><minor>0</minor></specVersion>"]
    pad = int(conf.get("pad_bytes", 0))
    if pad:
        lines.append("  <!--" + "p" * pad + "-->")
    lines += device_element(conf)
    lines.append("</root>")
    return "\n".join(lines) + "\n"


SCPD = ('<?xml version="1.0"?>\n<scpd xmlns="urn:schemas-upnp-org:service-1-0">'
        "<specVersion><major>1</major><minor>0</minor></specVersion>"
        "<actionList/><serviceStateTable/></scpd>\n")


class UpnpDevice:
    def __init__(self, conf, index, sim):
        self.conf = conf
        self.ip = conf["ip"]
        self.link = conf.get("link", 0)
        if self.link not in sim.links:
            raise ValueError("upnp device %d: no link %r" % (index, self.link))
        self.port = int(conf.get("port", 49152))
        self.udn = conf.get("udn", "uuid:devsim-upnp-%04d" % index)
        conf.setdefault("udn", self.udn)
        self.fill_defaults(conf, self.udn)
        self.device_type = conf["device_type"]
        self.delay = float(conf.get("delay_ms", 10)) / 1000.0
        self.silent = bool(conf.get("silent", False))
        self.location = "http://%s:%d%s" % (self.ip, self.port, DESCRIPTION_PATH)
        self.icon_paths = set()
        self.collect_icons(conf)

    @staticmethod
    def fill_defaults(conf, udn):
        # A device element without a type or UDN is not one a control point will count.
        conf.setdefault("device_type", "urn:schemas-upnp-org:device:Basic:1")
        conf.setdefault("udn", udn)
        for n, child in enumerate(conf.get("children", [])):
            UpnpDevice.fill_defaults(child, "%s-child%d" % (conf["udn"], n))

    def collect_icons(self, conf):
        for icon in conf.get("icons", []):
            self.icon_paths.add(icon["url"])
        for child in conf.get("children", []):
            self.collect_icons(child)

    def answers_for(self, st):
        if st == "ssdp:all":
            return ["upnp:rootdevice", self.udn, self.device_type]
        if st in ("upnp:rootdevice", self.udn, self.device_type):
            return [st]
        return []

    def response(self, st):
        usn = self.udn if st == self.udn else "%s::%s" % (self.udn, st)
        return ("HTTP/1.1 200 OK\r\n"
                "CACHE-CONTROL: max-age=1800\r\n"
                "EXT:\r\n"
                "LOCATION: %s\r\n"
                "SERVER: Linux/6 UPnP/1.0 devsim/1.0\r\n"
                "ST: %s\r\n"
                "USN: %s\r\n"
                "\r\n" % (self.location, st, usn)).encode("ascii")

    def handle(self, request):
        path = request.path.split("?", 1)[0]
        if path == DESCRIPTION_PATH:
            if "description_raw" in self.conf:
                return minihttp.Response(200, self.conf["description_raw"], "text/xml")
            return minihttp.Response(200, description_document(self.conf),
                                     'text/xml; charset="utf-8"')
        if path in self.icon_paths:
            return minihttp.Response(200, GIF_1X1, "image/gif")
        if path.startswith("/service") and path.endswith(".xml"):
            return minihttp.Response(200, SCPD, "text/xml")
        return minihttp.Response(404, "not found\n", "text/plain")


def parse_search(data):
    """The ST and MX of an M-SEARCH, or None for anything else."""
    try:
        text = data.decode("latin-1")
    except UnicodeDecodeError:
        return None
    lines = text.split("\r\n")
    if not lines or not lines[0].upper().startswith("M-SEARCH"):
        return None
    headers = {}
    for line in lines[1:]:
        if ":" in line:
            key, value = line.split(":", 1)
            headers[key.strip().upper()] = value.strip()
    if headers.get("MAN", "").strip('"') != "ssdp:discover" or "ST" not in headers:
        return None
    return headers["ST"], headers.get("MX", "1")


class SsdpResponder:
    def __init__(self, sim, devices):
        self.sim = sim
        self.devices = devices
        self.socks = {}

    def open(self):
        # Every link listens, so a search is recorded even where no device answers it.
        for link in self.sim.links.values():
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.setsockopt(socket.SOL_SOCKET, SO_BINDTODEVICE, link.iface.encode())
            s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
            s.bind(("0.0.0.0", SSDP_PORT))
            mreqn = struct.pack("4s4si", socket.inet_aton(SSDP_GROUP), bytes(4), link.ifindex)
            s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, mreqn)
            s.setblocking(False)
            self.socks[link.index] = s
            self.sim.add_reader(s, lambda s=s, link=link: self.readable(s, link))
        self.sim.on_stop(self.stop)

    def readable(self, sock, link):
        for _ in range(256):
            try:
                data, anc, _flags, src = sock.recvmsg(65536, socket.CMSG_SPACE(12))
            except BlockingIOError:
                return
            dst = SSDP_GROUP
            for level, kind, payload in anc:
                if level == socket.IPPROTO_IP and kind == IP_PKTINFO and len(payload) >= 12:
                    dst = socket.inet_ntoa(payload[8:12])
            self.sim.record("udp", link.index, src, (dst, SSDP_PORT), data)
            search = parse_search(data)
            if not search:
                continue
            st, _mx = search
            for device in self.devices:
                if device.link != link.index or device.silent:
                    continue
                for target in device.answers_for(st):
                    self.sim.call_later(device.delay, lambda d=device, t=target, s=src:
                                        self.send(d, s, d.response(t)))

    def send(self, device, dest, data):
        link = self.sim.links[device.link]
        sock = self.socks[device.link]
        pktinfo = struct.pack("i4s4s", link.ifindex, socket.inet_aton(device.ip), bytes(4))
        try:
            sock.sendmsg([data], [(socket.IPPROTO_IP, IP_PKTINFO, pktinfo)], 0, dest)
        except OSError as e:
            self.sim.log("ssdp answer to %s:%d failed: %s" % (dest[0], dest[1], e))

    def stop(self):
        for s in self.socks.values():
            self.sim.remove_reader(s)
            s.close()
        self.socks = {}


def setup(sim):
    devices = [UpnpDevice(conf, i, sim)
               for i, conf in enumerate(sim.site.get("upnp_devices", []))]
    if not devices:
        return
    for device in devices:
        sim.claim_address(device.ip, device.link)
    sim.apply_addresses()
    for device in devices:
        minihttp.HttpServer(sim, device.ip, device.port, device.link, device.handle)
    SsdpResponder(sim, devices).open()

