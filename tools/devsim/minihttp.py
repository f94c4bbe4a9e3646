"""A small HTTP/1.1 server on the simulator's loop, for the hosts that serve pages: the relay
host's device page and the UPnP devices' description documents.

    server = HttpServer(sim, ip, port, link, handler)
    handler(request) -> Response   request has .method .path .headers .raw .peer

A response is sent and the connection closed; `hang=True` sends the head and the first part of
the body and then neither sends more nor closes (the client's own limit must end it).
"""

import errno
import socket

REQUEST_WAIT = 5.0         # a client that sends no whole request head in this time is dropped
MAX_REQUEST_BYTES = 65536  # a request head longer than this is cut and answered 400
CHUNK = 65536


class Request:
    def __init__(self, raw, peer):
        self.raw = raw
        self.peer = peer
        head = raw.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = head.split("\r\n")
        parts = lines[0].split(" ")
        self.method = parts[0] if parts else ""
        self.path = parts[1] if len(parts) > 1 else ""
        self.headers = {}
        for line in lines[1:]:
            if ":" in line:
                key, value = line.split(":", 1)
                self.headers[key.strip().lower()] = value.strip()


class Response:
    def __init__(self, status=200, body=b"", content_type="text/html", headers=None, hang=False,
                 length=None, body_source=None):
        self.status = status
        self.body = body if isinstance(body, bytes) else body.encode("utf-8")
        self.content_type = content_type
        self.headers = headers or []
        self.hang = hang
        # A body too big to hold: body_source(offset, n) gives the bytes, `length` their count.
        self.length = length
        self.body_source = body_source

    def head(self):
        reasons = {200: "OK", 301: "Moved Permanently", 302: "Found", 400: "Bad Request",
                   404: "Not Found", 500: "Internal Server Error", 503: "Service Unavailable"}
        length = self.length if self.length is not None else len(self.body)
        if self.hang and self.length is None:
            length = len(self.body) + 1000000  # promises more than it will ever send
        lines = ["HTTP/1.1 %d %s" % (self.status, reasons.get(self.status, "Status")),
                 "Content-Type: %s" % self.content_type,
                 "Content-Length: %d" % length,
                 "Connection: close"]
        lines += ["%s: %s" % kv for kv in self.headers]
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


class Connection:
    def __init__(self, server, sock, peer):
        self.server, self.sim, self.sock, self.peer = server, server.sim, sock, peer
        self.received = bytearray()
        self.answered = False
        self.closed = False
        self.out = b""
        self.source = None  # (response, offset) while a generated body is being sent
        sock.setblocking(False)
        self.sim.add_reader(sock, self.readable)
        self.timer = self.sim.call_later(REQUEST_WAIT, self.close)

    def readable(self):
        try:
            chunk = self.sock.recv(CHUNK)
        except BlockingIOError:
            return
        except OSError:
            chunk = b""
        if not chunk:
            if not self.answered and self.received:
                self.server.record(self.peer, bytes(self.received))
            self.close()
            return
        if self.answered:
            return
        self.received += chunk
        if b"\r\n\r\n" in self.received or len(self.received) >= MAX_REQUEST_BYTES:
            self.answer()

    def answer(self):
        self.answered = True
        self.sim.cancel(self.timer)
        raw = bytes(self.received[:MAX_REQUEST_BYTES])
        self.server.record(self.peer, raw)
        if b"\r\n\r\n" not in raw:
            response = Response(400, "bad request\n", "text/plain")
        else:
            try:
                response = self.server.handler(Request(raw, self.peer))
            except Exception as e:  # a handler's fault answers 500, it never stops the loop
                self.sim.log("http handler on %s: %s" % (self.server.ip, e))
                response = Response(500, "error\n", "text/plain")
        self.out = response.head()
        if response.body_source is not None:
            self.source = [response, 0]
        else:
            self.out += response.body
        self.hang = response.hang
        self.sim.add_writer(self.sock, self.writable)

    def refill(self):
        response, offset = self.source
        remaining = response.length - offset
        if remaining <= 0:
            self.source = None
            return
        n = min(CHUNK, remaining)
        self.out += response.body_source(offset, n)
        self.source[1] = offset + n

    def writable(self):
        if not self.out and self.source:
            self.refill()
        if self.out:
            try:
                sent = self.sock.send(self.out)
            except BlockingIOError:
                return
            except OSError:
                self.close()
                return
            self.out = self.out[sent:]
        if self.out or self.source:
            return
        self.sim.remove_writer(self.sock)
        if not self.hang:
            self.close()
        # A hanging answer keeps the connection until the client gives up (read side sees EOF).

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


class HttpServer:
    def __init__(self, sim, ip, port, link, handler):
        self.sim, self.ip, self.port, self.link, self.handler = sim, ip, port, link, handler
        self.connections = []
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((ip, port))
        s.listen(64)
        s.setblocking(False)
        self.sock = s
        sim.add_reader(s, self.accept)
        sim.on_stop(self.stop)

    def record(self, peer, raw):
        self.sim.record("http", self.link, peer, (self.ip, self.port), raw)

    def accept(self):
        try:
            conn, peer = self.sock.accept()
        except OSError as e:
            if e.errno not in (errno.EAGAIN, errno.ECONNABORTED):
                self.sim.log("accept on %s:%d failed: %s" % (self.ip, self.port, e))
            return
        self.connections = [c for c in self.connections if not c.closed]
        self.connections.append(Connection(self, conn, peer))

    def stop(self):
        for c in self.connections:
            c.close()
        self.sim.remove_reader(self.sock)
        self.sock.close()
