"""The devices' web interfaces, as camera and recorder firmware serves them.

Every device of the site serves HTTP/1.1 on its own address and web port (its "ip" and
"trigger_port"; a port that is not a number means 80). One request per connection: the device
answers and closes. Every request that arrives is recorded byte for byte (proto "http"): the
head and, for a POST, its Content-Length body; a connection closed before its request was
whole is recorded with what came, and a device that closes at once records an empty request.

Options of a device, under "web" in its site entry (all optional):
  "mode":        "normal"   answer (the default)
                 "refuse"   nothing listens: connections are refused
                 "silent"   accept and read the request, never answer, never close
                 "close"    accept and close at once, before reading anything
                 "hangup"   read the request, then close without answering
                 "slow"     answer after "delay_ms" (default 2000)
                 "stream"   a 200 head and then a body without end, as fast as it is read
  "delay_ms":    wait this long before any answer (any mode that answers)
  "keep_alive":  true: stay connected after answering (the client must hang up)
  "auth":        false: no credentials asked. Otherwise, when the device has "credentials"
                 {"id", "password"}, Basic authentication is required on every CGI path and
                 a missing or wrong one gets "HTTP/1.1 401 Unauthorized".
  "firmware":    the version text (default "V1.0.0"), "build_date" (default "Oct 12 2011"),
                 "ptz" (e.g. "P/T/Z"; no PTZ line without it), "platform" (the text of
                 getplatform.cgi, e.g. "A5S55", "Unkown type"; default "GENERIC")
  "fallback":    true: the admin paths (param.cgi, restart.cgi, factorydefault.cgi) answer
                 "503 Service Unavailable" and the device serves listinfo.cgi, reboot.cgi and
                 partialdefault.cgi instead (which others answer 404).
  "digest":      true: "/auth/login" and "/auth/config.set" with Digest authentication
                 (default: true for the projects "DVR" and "NVR"); "realm" (default
                 "DeviceLogin"), "qop" (default "auth"), "thread_id" (default random),
                 "config_set_open": true answers config.set without asking for credentials.
  "default_test": what ".../kesttest/default_test.cgi" does: "hangup" (default: the device
                 resets at once), "silent", or "ok".
  "upload":      how the upload CGIs answer a POST: "ok" (default), "hangup", "invalid"
                 ("OK" and "Invalid File"), "503".
  "raw":         {"/path": "exact reply text"}: for a request to that path (no query) these
                 bytes are sent as they stand, then the connection closes.

The Digest flow: a login without credentials is answered 401 with a challenge (realm, qop,
nonce, opaque); a login whose response checks out is answered 200 with "ID=[thread id]";
config.set?REBOOT&THREAD_ID=... without credentials gets a fresh nonce (never the login's);
with a valid response for that nonce and the right thread id it answers 200 "OK". The check
is RFC 2617 (qop auth: MD5(HA1:nonce:nc:cnonce:qop:HA2)); a repeated nc for a nonce is refused.
"""

import base64
import errno
import hashlib
import os
import random
import socket
import urllib.parse

MAX_HEAD = 65536               # a longer head is cut off and answered 400
MAX_BODY = 64 * 1024 * 1024    # a POST body beyond this is refused (413)
IDLE_LIMIT = 30.0              # a client that sends nothing for this long is dropped
STREAM_CHUNK = 65536

REASONS = {200: "OK", 400: "Bad Request", 401: "Unauthorized", 403: "Forbidden",
           404: "Not Found", 413: "Request Entity Too Large", 500: "Internal Server Error",
           503: "Service Unavailable"}
MODES = ("normal", "refuse", "silent", "close", "hangup", "slow", "stream")

# Modules that serve some requests themselves (web_upgrade.py: the upgrade CGIs, whose
# uploads are streamed to disk rather than held). Each is called as handler(connection,
# request) once a request's head is whole and returns True when it took the request over.
HEAD_HANDLERS = []
UPLOAD_PATHS = ("/cgi-bin/admin/firmwareupgrade.cgi", "/cgi-bin/upload.cgi",
                "/cgi-bin/doupgrade.cgi", "/cgi-bin/admin/restore.cgi",
                "/cgi-bin/restore_config.cgi", "/cgi-bin/admin/beforeupgrade.cgi",
                "/cgi-bin/begintoupgrade.cgi")


def md5(text):
    return hashlib.md5(text.encode("latin-1")).hexdigest()


def web_port(text):
    text = str(text)
    return int(text) if text.isdigit() and 0 < int(text) < 65536 else 80


class Request:
    def __init__(self, head, body):
        self.head = head
        self.body = body
        lines = head.decode("latin-1").split("\r\n")
        parts = lines[0].split(" ")
        self.method = parts[0]
        self.target = parts[1] if len(parts) > 1 else ""
        self.path, _, self.query = self.target.partition("?")
        self.headers = {}
        for line in lines[1:]:
            if ":" in line:
                key, value = line.split(":", 1)
                self.headers.setdefault(key.strip().lower(), value.strip())


def reply(status, body="", headers=()):
    body = body.encode("latin-1") if isinstance(body, str) else body
    lines = ["HTTP/1.1 %d %s" % (status, REASONS.get(status, "Status"))]
    lines += ["%s: %s" % kv for kv in headers]
    lines += ["Server: devsim-web", "Content-Type: text/plain",
              "Content-Length: %d" % len(body), "Connection: close"]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


def parse_digest(value):
    """The parameters of an "Authorization: Digest ..." value, or None."""
    if not value.startswith("Digest "):
        return None
    params, rest = {}, value[len("Digest "):]
    while rest:
        rest = rest.lstrip(" ,")
        name, eq, rest = rest.partition("=")
        if not eq:
            break
        if rest.startswith('"'):
            val, _, rest = rest[1:].partition('"')
        else:
            val, _, rest = rest.partition(",")
        params[name.strip()] = val.strip()
    return params


class WebDevice:
    """One device's web server and the state its Digest login keeps."""

    def __init__(self, sim, device):
        self.sim = sim
        self.device = device
        opts = device.conf.get("web", {})
        if opts is False:
            opts = {"mode": "refuse"}
        self.opts = opts
        self.mode = opts.get("mode", "normal")
        if self.mode not in MODES:
            raise ValueError("device %s: web mode must be one of %s" % (device.name, MODES))
        self.ip = device.values["ip"]
        self.port = web_port(device.values["trigger_port"])
        self.link = device.link
        self.delay = float(opts.get("delay_ms", 2000 if self.mode == "slow" else 0)) / 1000.0
        creds = device.credentials or {}
        self.user = str(creds.get("id", ""))
        self.password = str(creds.get("password", ""))
        self.auth = bool(creds) and opts.get("auth", True) is not False
        proj = device.values.get("proj", "")
        self.digest = bool(opts.get("digest", proj in ("DVR", "NVR")))
        self.realm = str(opts.get("realm", "DeviceLogin"))
        self.qop = str(opts.get("qop", "auth"))
        self.thread_id = str(opts.get("thread_id", random.randint(1, 99999)))
        self.nonces = {}  # nonce -> {"stage": "login"|"config", "nc": last nc seen}
        self.sock = None
        self.connections = set()

    # -- listening -----------------------------------------------------------------------------

    def start(self):
        if self.mode == "refuse":
            return
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind((self.ip, self.port))
        except OSError as e:
            s.close()
            self.sim.log("web: cannot listen on %s:%d (%s)" % (self.ip, self.port, e))
            return
        s.listen(128)
        s.setblocking(False)
        self.sock = s
        self.sim.add_reader(s, self.accept)
        self.sim.on_stop(self.stop)

    def accept(self):
        try:
            conn, peer = self.sock.accept()
        except OSError as e:
            if e.errno not in (errno.EAGAIN, errno.ECONNABORTED):
                self.sim.log("web: accept on %s:%d: %s" % (self.ip, self.port, e))
            return
        if self.mode == "close":
            self.record(peer, b"")
            conn.close()
            return
        self.connections.add(Connection(self, conn, peer))

    def stop(self):
        for c in list(self.connections):
            c.close()
        if self.sock:
            self.sim.remove_reader(self.sock)
            self.sock.close()
            self.sock = None

    def record(self, peer, data):
        self.sim.record("http", self.link, peer, (self.ip, self.port), data)

    # -- answering ----------------------------------------------------------------------------

    def basic_ok(self, request):
        if not self.auth:
            return True
        value = request.headers.get("authorization", "")
        if not value.startswith("Basic "):
            return False
        try:
            given = base64.b64decode(value[6:].strip(), validate=True).decode("latin-1")
        except ValueError:
            return False
        return given == "%s:%s" % (self.user, self.password)

    def unauthorized(self):
        return reply(401, "<html><body>401 Unauthorized</body></html>\r\n",
                     [("WWW-Authenticate", 'Basic realm="%s"' % self.realm)])

    def answer(self, request):
        """The exact bytes to send, None to close without a word, "silent" to say nothing."""
        raw = self.opts.get("raw", {})
        if request.path in raw:
            return raw[request.path].encode("latin-1")
        path = request.path
        if path == "/cgi-bin/kesttest/default_test.cgi":
            kind = self.opts.get("default_test", "hangup")
            if kind == "ok":
                return reply(200, "OK\r\n") if self.basic_ok(request) else self.unauthorized()
            return "silent" if kind == "silent" else None
        if path in ("/auth/login", "/auth/config.set"):
            if not self.digest:
                return reply(404, "Not Found\r\n")
            return self.digest_answer(request)
        if path.startswith("/cgi-bin/") and not self.basic_ok(request):
            return self.unauthorized()
        return self.cgi_answer(request)

    def cgi_answer(self, request):
        o, path, fallback = self.opts, request.path, bool(self.opts.get("fallback"))
        unavailable = reply(503, "<html><body>503 Service Unavailable</body></html>\r\n")
        if path == "/cgi-bin/admin/param.cgi":
            if fallback:
                return unavailable
            query = urllib.parse.parse_qs(request.query)
            group = "root." + query.get("group", ["Properties"])[0]
            lines = [l for l in self.properties() if l.split("=", 1)[0].startswith(group)]
            return reply(200, "".join(l + "\r\n" for l in lines))
        if path in ("/cgi-bin/admin/restart.cgi", "/cgi-bin/admin/factorydefault.cgi"):
            return unavailable if fallback else reply(200, "OK\r\n")
        if path in ("/cgi-bin/listinfo.cgi", "/cgi-bin/reboot.cgi", "/cgi-bin/partialdefault.cgi"):
            if not fallback:
                return reply(404, "Not Found\r\n")
            if path == "/cgi-bin/listinfo.cgi":
                return reply(200, "%s\r\n" % o.get("firmware", "V1.0.0"))
            return reply(200, "OK\r\n")
        if path == "/cgi-bin/admin/getplatform.cgi":
            return reply(200, "%s\r\n" % o.get("platform", "GENERIC"))
        if path in UPLOAD_PATHS:
            kind = o.get("upload", "ok")
            if kind == "hangup":
                return None
            if kind == "invalid":
                return reply(200, "OK\r\nInvalid File\r\n")
            if kind == "503":
                return unavailable
            return reply(200, "OK\r\n")
        return reply(404, "Not Found\r\n")

    def properties(self):
        o = self.opts
        lines = ["root.Properties.Firmware.Version=%s" % o.get("firmware", "V1.0.0"),
                 "root.Properties.Firmware.BuildDate=%s" % o.get("build_date", "Oct 12 2011")]
        if "ptz" in o:
            lines.append("root.Properties.PTZ.PTZ=%s" % o["ptz"])
        lines.append("root.Properties.System.Model=%s" % self.device.values.get("model", ""))
        return lines

    # -- Digest -------------------------------------------------------------------------------

    def challenge(self, stage):
        nonce = os.urandom(16).hex()
        self.nonces[nonce] = {"stage": stage, "nc": 0}
        header = 'Digest realm="%s", qop="%s", nonce="%s", opaque="%s"' % (
            self.realm, self.qop, nonce, md5(self.realm + self.ip))
        return reply(401, "<html><body>401 Unauthorized</body></html>\r\n",
                     [("WWW-Authenticate", header)])

    def digest_ok(self, request, stage):
        params = parse_digest(request.headers.get("authorization", ""))
        if not params:
            return False
        need = ("username", "realm", "nonce", "uri", "response", "qop", "nc", "cnonce")
        if any(k not in params for k in need):
            return False
        state = self.nonces.get(params["nonce"])
        if state is None or state["stage"] != stage:
            return False
        if params.get("algorithm", "MD5") != "MD5" or params["qop"] != "auth":
            return False
        if params["uri"] != request.target or params["realm"] != self.realm:
            return False
        try:
            nc = int(params["nc"], 16)
        except ValueError:
            return False
        if nc <= state["nc"]:
            return False  # a replayed counter
        ha1 = md5("%s:%s:%s" % (self.user, self.realm, self.password))
        ha2 = md5("%s:%s" % (request.method, params["uri"]))
        expected = md5(":".join([ha1, params["nonce"], params["nc"], params["cnonce"],
                                 params["qop"], ha2]))
        if params["username"] != self.user or params["response"] != expected:
            return False
        state["nc"] = nc
        return True

    def digest_answer(self, request):
        if request.path == "/auth/login":
            if not self.digest_ok(request, "login"):
                return self.challenge("login")
            return reply(200, "<html><body>Login OK ID=[%s]</body></html>\r\n" % self.thread_id)
        query = urllib.parse.parse_qs(request.query, keep_blank_values=True)
        if not self.opts.get("config_set_open") and not self.digest_ok(request, "config"):
            return self.challenge("config")
        if query.get("THREAD_ID", [""])[0] != self.thread_id or "REBOOT" not in query:
            return reply(403, "Error: no such thread\r\n")
        return reply(200, "OK\r\n")


class Connection:
    """One accepted connection: read one request, answer it the device's way."""

    def __init__(self, web, sock, peer):
        self.web, self.sim, self.sock, self.peer = web, web.sim, sock, peer
        self.data = bytearray()
        self.request_done = False
        self.closed = False
        self.out = b""
        self.streaming = False
        self.linger = False
        sock.setblocking(False)
        self.sim.add_reader(sock, self.readable)
        self.idle = self.sim.call_later(IDLE_LIMIT, self.give_up)
        self.pending = None

    def give_up(self):
        if not self.request_done and self.data:
            self.web.record(self.peer, bytes(self.data))
        self.close()

    def readable(self):
        try:
            chunk = self.sock.recv(65536)
        except BlockingIOError:
            return
        except OSError:
            chunk = b""
        if not chunk:
            if not self.request_done:
                self.web.record(self.peer, bytes(self.data))
            self.close()
            return
        if self.request_done:
            return  # whatever follows one request is read and dropped
        self.data += chunk
        self.sim.cancel(self.idle)
        self.idle = self.sim.call_later(IDLE_LIMIT, self.give_up)
        self.try_request()

    def try_request(self):
        end = self.data.find(b"\r\n\r\n")
        if end < 0:
            if len(self.data) > MAX_HEAD:
                self.finish(reply(400, "Bad Request\r\n"), bytes(self.data[:MAX_HEAD]))
            return
        head = bytes(self.data[:end + 4])
        request = Request(head, b"")
        for handler in HEAD_HANDLERS:
            if handler(self, request):
                return
        try:
            length = int(request.headers.get("content-length", "0"))
        except ValueError:
            length = 0
        if length > MAX_BODY:
            self.finish(reply(413, "Too Large\r\n"), head)
            return
        if len(self.data) < len(head) + length:
            return  # the body is still coming
        raw = bytes(self.data[:len(head) + length])
        request.body = raw[len(head):]
        try:
            if self.web.mode == "silent":
                out = "silent"
            elif self.web.mode == "hangup":
                out = None
            elif self.web.mode == "stream":
                out = "stream"
            else:
                out = self.web.answer(request)
        except Exception as e:  # a fault here answers 500; it never stops the loop
            self.sim.log("web %s: %s" % (self.web.ip, e))
            out = reply(500, "error\r\n")
        self.finish(out, raw)

    def finish(self, out, raw):
        self.request_done = True
        self.sim.cancel(self.idle)
        self.idle = None
        self.web.record(self.peer, raw)
        if out == "silent":
            return  # keeps reading (and dropping) until the client hangs up
        if out is None:
            self.close()
            return
        if self.web.delay > 0:
            self.pending = self.sim.call_later(self.web.delay, lambda: self.send(out))
        else:
            self.send(out)

    def send(self, out):
        self.pending = None
        if self.closed:
            return
        if out == "stream":
            self.streaming = True
            out = b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n"
        self.out = out
        self.linger = bool(self.web.opts.get("keep_alive"))
        self.sim.add_writer(self.sock, self.writable)

    def writable(self):
        if not self.out and self.streaming:
            self.out = b"stream data without end 0123456789\r\n" * (STREAM_CHUNK // 37)
        try:
            sent = self.sock.send(self.out)
        except BlockingIOError:
            return
        except OSError:
            self.close()
            return
        self.out = self.out[sent:]
        if self.out or self.streaming:
            return
        self.sim.remove_writer(self.sock)
        if not self.linger:
            self.close()

    def close(self):
        if self.closed:
            return
        self.closed = True
        self.sim.cancel(self.idle)
        self.sim.cancel(self.pending)
        self.sim.remove_reader(self.sock)
        self.sim.remove_writer(self.sock)
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()
        self.web.connections.discard(self)


def setup(sim):
    webs = [WebDevice(sim, d) for d in sim.devices if d.link is not None]
    for web in webs:
        sim.claim_address(web.ip, web.link)
    sim.apply_addresses()
    for web in webs:
        web.start()
