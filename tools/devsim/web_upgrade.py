"""The devices' upgrade CGIs: the announcement before an upgrade, the uploads of firmware and
configuration files, and the trigger that starts the upgrade after an upload.

It serves, on each device's web server (web.py), these paths:
  /cgi-bin/admin/beforeupgrade.cgi, /cgi-bin/begintoupgrade.cgi   announce (GET)
  /cgi-bin/admin/firmwareupgrade.cgi, /cgi-bin/upload.cgi,
  /cgi-bin/admin/restore.cgi, /cgi-bin/restore_config.cgi        take a file (POST)
  /cgi-bin/doupgrade.cgi                                           start the upgrade (POST)
It also accepts request targets in absolute form ("GET http://198.18.1.20/cgi-bin/... HTTP/1.1"),
as an HTTP/1.1 server must, for every path of the device: getplatform.cgi and param.cgi are
asked that way. (getplatform.cgi answers the "platform" text, param.cgi the "build_date" and
"ptz" of the device's "web" options; both are web.py's.)

An upload's body is never held whole in memory: it is written to a file as it arrives,
<upload dir>/<ip>_<port>_<n>.body for the n-th file sent to that device (n from 1; the
trigger's body, normally empty, is not kept), complete before the request's record line is
written. The record line (proto "http") holds the whole request, as for every request, when
the body is at most RECORD_WHOLE bytes; a bigger upload is recorded with its head only, and
head and file together are the bytes that arrived. An upload that ends before its
Content-Length is left as <...>.partial, its record written when it ended.
The upload dir is the site's "upload_dir", else the folder "uploads" beside the record file.

Options under a device's "web" (all optional):
  "before_upgrade": "ok" (default: 200 "OK"), "deny" (403, no "OK"), "hangup" (close without
                    answering), "503"
  "upload":         how a file is answered once it has arrived whole: "ok" (default: 200 "OK"),
                    "invalid" (200 "OK" and "Invalid File"), "503" ("503 Service Unavailable"),
                    "hangup" (close the connection without a word, as a device that restarts
                    at once)
  "doupgrade":      the same choices for doupgrade.cgi (default "ok")
  "upload_store":   "file" (default: keep the bytes) or "sum" (keep only "<bytes> <md5>" in
                    <...>.sum: for uploads too big to keep)
  "fallback":       (web.py's) older firmware: admin/restore.cgi answers 503 and
                    restore_config.cgi takes the file; without it restore_config.cgi is 404.
Credentials are checked as everywhere on the device (Basic); a refused upload is still read
to its end (and stored) before the 401 goes out.
"""

import hashlib
import os
import time

import web

MAX_UPLOAD = 4 * 1024 * 1024 * 1024   # a body announced beyond this is refused (413)
RECV_CHUNK = 256 * 1024
RECORD_WHOLE = 4 * 1024 * 1024       # bodies up to this size are recorded with their head

ANNOUNCE_PATHS = ("/cgi-bin/admin/beforeupgrade.cgi", "/cgi-bin/begintoupgrade.cgi")
FILE_PATHS = ("/cgi-bin/admin/firmwareupgrade.cgi", "/cgi-bin/upload.cgi",
              "/cgi-bin/admin/restore.cgi", "/cgi-bin/restore_config.cgi")
TRIGGER_PATH = "/cgi-bin/doupgrade.cgi"
ANSWERING_MODES = ("normal", "slow")

_state = {"dir": None, "counts": {}}


def ok():
    return web.reply(200, "OK\r\n")


def unavailable():
    return web.reply(503, "<html><body>503 Service Unavailable</body></html>\r\n")


def answer_kind(kind):
    """The bytes for an answer choice; None closes without a word."""
    if kind == "hangup":
        return None
    if kind == "invalid":
        return web.reply(200, "OK\r\nInvalid File\r\n")
    if kind == "503":
        return unavailable()
    if kind == "deny":
        return web.reply(403, "<html><body>403 Forbidden</body></html>\r\n")
    return ok()


def to_origin_form(request):
    """Turns "http://host[:port]/path?query" into "/path?query" in place."""
    target = request.target
    if not target.lower().startswith("http://"):
        return
    slash = target.find("/", len("http://"))
    request.target = target[slash:] if slash >= 0 else "/"
    request.path, _, request.query = request.target.partition("?")


def file_answer(device, request):
    """What a device answers a whole upload to request.path."""
    opts, fallback = device.opts, bool(device.opts.get("fallback"))
    if not device.basic_ok(request):
        return device.unauthorized()
    if request.path == "/cgi-bin/admin/restore.cgi" and fallback:
        return unavailable()
    if request.path == "/cgi-bin/restore_config.cgi" and not fallback:
        return web.reply(404, "Not Found\r\n")
    return answer_kind(opts.get("upload", "ok"))


def handle_head(conn, request):
    """web.py calls this once a request head is whole; True when this module took it."""
    to_origin_form(request)
    if conn.web.mode not in ANSWERING_MODES:
        return False
    device, path = conn.web, request.path
    if path in ANNOUNCE_PATHS:
        if not device.basic_ok(request):
            conn.finish(device.unauthorized(), request.head)
        else:
            conn.finish(answer_kind(device.opts.get("before_upgrade", "ok")), request.head)
        return True
    if path == TRIGGER_PATH:
        Upload(conn, request, lambda: trigger_answer(device, request), keep=False)
        return True
    if path in FILE_PATHS and request.method == "POST":
        Upload(conn, request, lambda: file_answer(device, request))
        return True
    return False


def trigger_answer(device, request):
    if not device.basic_ok(request):
        return device.unauthorized()
    return answer_kind(device.opts.get("doupgrade", "ok"))


class Upload:
    """Takes a connection over from web.py once the head is read and streams the body to disk."""

    def __init__(self, conn, request, answer, keep=True):
        self.conn, self.sim, self.web = conn, conn.sim, conn.web
        self.head = request.head
        self.answer = answer
        try:
            self.length = int(request.headers.get("content-length", "0"))
        except ValueError:
            self.length = 0
        self.received = 0
        self.last_activity = time.monotonic()
        self.buffer = bytearray(RECV_CHUNK)
        self.store = self.web.opts.get("upload_store", "file")
        self.digest = hashlib.md5()
        self.copy = bytearray()  # the body while it is small enough to be recorded whole
        # web.py's connection keeps the socket, its answer and its close; only reading is ours.
        conn.request_done = True
        self.sim.cancel(conn.idle)
        conn.idle = None
        if self.length > MAX_UPLOAD or self.length < 0:
            conn.finish(web.reply(413, "Too Large\r\n"), self.head)
            return
        self.base = self.next_name() if keep else None
        self.file = None
        if self.base and self.store == "file":
            self.file = open(self.base + ".part", "wb")
        self.take(bytes(conn.data[len(self.head):]))
        conn.data = bytearray()
        if self.done():
            self.complete()
            return
        self.sim.add_reader(conn.sock, self.readable)
        self.timer = self.sim.call_later(web.IDLE_LIMIT, self.check_idle)

    def next_name(self):
        folder = _state["dir"]
        if not folder:
            return None
        key = (self.web.ip, self.web.port)
        n = _state["counts"].get(key, 0) + 1
        _state["counts"][key] = n
        return os.path.join(folder, "%s_%d_%d" % (self.web.ip, self.web.port, n))

    def done(self):
        return self.received >= self.length

    def take(self, data):
        data = data[:self.length - self.received]  # whatever follows the body is dropped
        if not data:
            return
        self.received += len(data)
        if self.copy is not None:
            if self.received <= RECORD_WHOLE:
                self.copy += data
            else:
                self.copy = None
        if self.store == "sum":
            self.digest.update(data)
        if self.file:
            self.file.write(data)

    def readable(self):
        view = memoryview(self.buffer)
        try:
            n = self.conn.sock.recv_into(view)
        except BlockingIOError:
            return
        except OSError:
            n = 0
        if n == 0:
            self.abandon()
            return
        self.last_activity = time.monotonic()
        self.take(view[:n])
        if self.done():
            self.complete()

    def check_idle(self):
        left = self.last_activity + web.IDLE_LIMIT - time.monotonic()
        if self.conn.closed or self.done():
            return
        if left > 0:
            self.timer = self.sim.call_later(left, self.check_idle)
            return
        self.abandon()

    def stop_reading(self):
        self.sim.cancel(getattr(self, "timer", None))
        if not self.conn.closed:
            self.sim.remove_reader(self.conn.sock)

    def keep(self, suffix):
        """Closes the stored file under its final name."""
        if not self.base:
            return
        if self.file:
            self.file.close()
            self.file = None
            os.replace(self.base + ".part", self.base + suffix)
        else:
            with open(self.base + ".sum" + ("" if suffix == ".body" else suffix), "w") as f:
                f.write("%d %s\n" % (self.received, self.digest.hexdigest()))

    def recorded(self):
        return self.head + bytes(self.copy) if self.copy is not None else self.head

    def complete(self):
        self.stop_reading()
        self.keep(".body")
        try:
            out = self.answer()
        except Exception as e:  # a fault here answers 500; it never stops the loop
            self.sim.log("web_upgrade %s: %s" % (self.web.ip, e))
            out = web.reply(500, "error\r\n")
        # The rest of the connection (a late byte, the client's close) is web.py's again.
        self.sim.add_reader(self.conn.sock, self.conn.readable)
        self.conn.finish(out, self.recorded())

    def abandon(self):
        self.stop_reading()
        self.keep(".partial")
        self.web.record(self.conn.peer, self.recorded())
        self.conn.close()


def setup(sim):
    folder = sim.site.get("upload_dir")
    if not folder and sim.record_file:
        folder = os.path.join(os.path.dirname(os.path.abspath(sim.record_file.name)), "uploads")
    if folder:
        os.makedirs(folder, exist_ok=True)
    _state["dir"] = folder
    _state["counts"] = {}
    if handle_head not in web.HEAD_HANDLERS:
        web.HEAD_HANDLERS.append(handle_head)
