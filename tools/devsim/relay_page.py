"""Relay hosts that list the devices behind them on a web page.

Site entries under "relay_pages", each one host:
  {"ip": "198.18.1.30", "link": 0, "port": 80,
   "page": "table" | "none" | "redirect" | "hang" | "raw" | "huge" | "longline",
   "devices": "all" | ["name", ...],   rows made from the site's devices (table, hang)
   "rows": [["model", "proj", ...], ...],   further rows given cell by cell
   "title": true,                      a head with a title on its own line before the table
   "redirect_to": "/other" or "http://198.18.1.31/device.get?DeviceType=ALL",
   "status": 404, "body": "...",       raw: this status and body, exactly
   "size": 10485760}                   huge: a table page of this many bytes

The page answers GET /device.get?DeviceType=TYPE: the host lists every device whose project
is TYPE, or all of them for ALL. A table is written the way relay hosts write it: the opening
html, body and table tags on the first line, a header row, one row per line starting with
<tr>, and the closing tags on the last line. "none" says "No available items". "redirect"
answers 302 to redirect_to. "hang" sends the head and the rows up to the middle of the last one, and then never finishes.
"""

import urllib.parse

import minihttp

HEADER = ["Model", "Project", "Name", "IP", "Port", "Netmask", "MAC"]
PAGE_KINDS = ("table", "none", "redirect", "hang", "raw", "huge", "longline")


def row_line(cells):
    return "<tr>" + "".join("<td>%s</td>" % c for c in cells) + "</tr>"


class RelayPageHost:
    def __init__(self, sim, conf, index):
        self.sim = sim
        self.conf = conf
        self.ip = conf["ip"]
        self.link = conf.get("link", 0)
        if self.link not in sim.links:
            raise ValueError("relay page %d: no link %r" % (index, self.link))
        self.port = int(conf.get("port", 80))
        self.kind = conf.get("page", "table")
        if self.kind not in PAGE_KINDS:
            raise ValueError("relay page %s: page must be one of %s" % (self.ip, PAGE_KINDS))
        names = conf.get("devices", [])
        if names == "all":
            self.devices = list(sim.devices)
        else:
            by_name = {d.name: d for d in sim.devices}
            missing = [n for n in names if n not in by_name]
            if missing:
                raise ValueError("relay page %s: unknown devices %s" % (self.ip, missing))
            self.devices = [by_name[n] for n in names]

    def start(self):
        self.server = minihttp.HttpServer(self.sim, self.ip, self.port, self.link, self.handle)

    def rows(self, device_type):
        rows = []
        for d in self.devices:
            v = d.values
            if device_type in ("ALL", v.get("proj", "")):
                rows.append([v.get(k, "") for k in ("model", "proj", "name", "ip", "trigger_port",
                                                    "netmask", "mac")])
        rows += self.conf.get("rows", [])
        return rows

    def table_page(self, rows):
        lines = []
        if self.conf.get("title"):
            lines.append("<head><title>Devices</title></head>")
        lines.append("<html><body><table border=1>")
        lines.append(row_line(HEADER))
        lines += [row_line(r) for r in rows]
        lines.append("</table></body></html>")
        return "\r\n".join(lines) + "\r\n"

    def handle(self, request):
        url = urllib.parse.urlsplit(request.path)
        query = urllib.parse.parse_qs(url.query)
        device_type = query.get("DeviceType", ["ALL"])[0]
        if url.path != "/device.get" and self.kind != "redirect":
            return minihttp.Response(404, "<html><body><h1>404 Not Found</h1></body></html>\r\n")
        if self.kind == "table":
            return minihttp.Response(200, self.table_page(self.rows(device_type)))
        if self.kind == "none":
            return minihttp.Response(200, "<html><body>\r\nNo available items\r\n</body></html>\r\n")
        if self.kind == "redirect":
            if url.path != "/device.get":  # where it points on this host: the table
                return minihttp.Response(200, self.table_page(self.rows(device_type)))
            return minihttp.Response(302, "<html><body>moved</body></html>\r\n",
                                     headers=[("Location", self.conf["redirect_to"])])
        if self.kind == "hang":
            # Everything up to the middle of the last row, then silence.
            page = self.table_page(self.rows(device_type))
            last_row = page.rfind("<tr>")
            cut = last_row + (page.find("\r\n", last_row) - last_row) // 2
            return minihttp.Response(200, page[:cut], hang=True)
        if self.kind == "raw":
            return minihttp.Response(int(self.conf.get("status", 200)), self.conf.get("body", ""))
        if self.kind == "longline":
            cells = "".join("<td>%07d</td>" % i for i in range(int(self.conf.get("cells", 80000))))
            body = ("<html><body><table>\r\n" + row_line(HEADER) + "\r\n<tr>" + cells + "</tr>\r\n"
                    + row_line(["LongLine", "IP-Cam", "after", "198.18.1.99", "80",
                                "255.255.255.0", "02:00:00:00:00:99"]) + "\r\n</table></body></html>\r\n")
            return minihttp.Response(200, body)
        return self.huge_page()

    def huge_page(self):
        size = int(self.conf.get("size", 10 * 1024 * 1024))
        head = ("<html><body><table>\r\n" + row_line(HEADER) + "\r\n").encode()
        row = (row_line(["Huge", "IP-Cam", "row", "198.18.1.98", "80", "255.255.255.0",
                         "02:00:00:00:00:98"]) + "\r\n").encode()

        def source(offset, n):
            out = bytearray()
            while len(out) < n:
                pos = offset + len(out)
                if pos < len(head):
                    out += head[pos:pos + n - len(out)]
                else:
                    k = (pos - len(head)) % len(row)
                    out += row[k:k + n - len(out)]
            return bytes(out)

        return minihttp.Response(200, length=size, body_source=source)


def setup(sim):
    hosts = [RelayPageHost(sim, conf, i) for i, conf in enumerate(sim.site.get("relay_pages", []))]
    for host in hosts:
        sim.claim_address(host.ip, host.link)
    sim.apply_addresses()
    for host in hosts:
        host.start()
