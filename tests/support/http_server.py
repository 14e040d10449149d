#!/usr/bin/env python3
"""HTTP server with fault injection for the network tests.

Binds 127.0.0.1 on free ports (--ports N of them, one by default; each is a
server of its own to the client), prints its process id and the ports on
the first line of standard output, and serves until it is sent SIGTERM or
its parent ends. The path picks the behaviour:

  /page?n=N&of=M&per=K[&brk=B][&ms=T][&stay=1][&pad=P][&amp=1][&t=TEXT]
                        result page N of M with K entries and a next link;
                        page B breaks off half-way; each page answered after
                        T ms; with stay the next link leads to the page
                        itself; pad makes the link P bytes longer; with amp
                        links write & as &amp; (as valid HTML does) and a
                        query holding "amp;" is answered 400; TEXT ends
                        every title
  /learn?q=KW[&page=P]  a UTF-8 results page for the learner: 5 entries about
                        KW with server-path links, a next link on page 1
  /status/CODE          that status with a small body
  /redirect?to=PATH     302 to PATH on this server
  /loop                 302 to itself, for ever
  /stall-head           reads the request, never answers
  /stall-body?n=N       head and N body bytes, then silence
  /break?n=N            announces more, sends N bytes, drops the connection
  /bytes?n=N            exactly N body bytes ('x' repeated; N=0 is empty)
  /chunked[?n=N]        N body bytes in chunks of 1,000; without n, no end
  /header-flood         header lines without end
  /slow?n=N&ms=T        N pieces of 100 bytes, T ms apart
  /echo                 the request line and headers as the body
  /gzip?n=N             N body bytes, gzip-encoded although nobody asked
  /two-lengths          two different Content-Length headers
  /proxied              how many requests this process has forwarded as a proxy

It is a forward proxy too, on every port: CONNECT opens a tunnel (refused
with 403 for the host refused.invalid), and a request for a full address
("GET http://host:port/path") is forwarded with a Via header.

With --tls KIND DIR it speaks TLS with the certificate KIND (good, self,
wronghost) that tools/tls_certs.py makes in DIR; DIR/ca.pem is the authority.
"""
import ctypes
import gzip
import os
import selectors
import signal
import socket
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit


PROXIED = [0]


def result_page(n, of, per, brk, ms, stay=None, pad=0, amp="", text=""):
    link = stay or "/page?n=%d&of=%d&per=%d&brk=%d&ms=%d&pad=%d&x=%s" % (
        n + 1, of, per, brk, ms, pad, "p" * pad)
    if amp:
        link = link.replace("&", "&amp;") + "&amp;amp=1"
    more = '<a class="next" href="%s">next</a>\n' % link if n < of else ""
    doc = "?a=%d&amp;b=2" if amp else ""
    entries = "".join(('<li><a href="http://example.test/doc/%d' + doc + '">Title %d%s</a>'
                       '<br>Text %d</li>\n') % ((k, k, k, text, k) if amp else (k, k, text, k))
                      for k in range((n - 1) * per + 1, n * per + 1))
    return ("<html><body>\n%s<!-- results -->\n%s</body></html>\n" % (more, entries)).encode()


def learn_page(kw, raw, page):
    from html import escape
    kw = escape(kw)
    rows = "".join('<li><a href="/doc/%s/%d">%s <b>%s</b> %d</a><p>about %s</p></li>\n'
                   % (raw, page * 10 + i, "Guide", kw, page * 10 + i, kw) for i in range(1, 6))
    more = ('<a rel="next" href="/learn?q=%s&amp;page=2">Next</a>' % raw) if page == 1 else ""
    return ('<html><head><title>Test search</title></head><body><a href="/">Home</a>'
            '<ol id="hits">\n%s</ol>%s<a href="/about">About</a></body></html>'
            % (rows, more)).encode()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def head(self, code, length, extra=()):
        self.send_response(code)
        self.send_header("Content-Length", str(length))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()

    def reply(self, code, body, extra=()):
        self.head(code, len(body), extra)
        self.wfile.write(body)

    def partial(self, data, announced, hang_up):
        # Sends part of what the head announced, then hangs up or falls silent.
        self.head(200, announced)
        self.wfile.write(data)
        self.wfile.flush()
        if hang_up:
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
        else:
            self.hold()

    def do_CONNECT(self):
        host, _, port = self.path.rpartition(":")
        if host == "refused.invalid":
            self.reply(403, b"refused")
            return
        upstream = socket.create_connection((host, int(port)))
        PROXIED[0] += 1
        self.send_response(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        relay(self.connection, upstream)
        self.close_connection = True

    def forward(self):
        # A request for a full address, as a client sends it to its proxy.
        url = urlsplit(self.path)
        upstream = socket.create_connection((url.hostname, url.port or 80))
        PROXIED[0] += 1
        head = "GET %s HTTP/1.1\r\n" % (url.path + ("?" + url.query if url.query else ""))
        for k, v in self.headers.items():
            if k.lower() not in ("proxy-connection", "connection"):
                head += "%s: %s\r\n" % (k, v)
        upstream.sendall((head + "Via: 1.1 test-proxy\r\nConnection: close\r\n\r\n")
                         .encode("latin-1"))
        relay(self.connection, upstream)
        self.close_connection = True

    def do_GET(self):
        if self.path.startswith("http://"):
            self.forward()
            return
        url = urlsplit(self.path)
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        num = lambda key, default: int(q.get(key, default))
        path = url.path
        try:
            if path == "/page":
                n, brk = num("n", 1), num("brk", 0)
                time.sleep(num("ms", 0) / 1000.0)
                if "amp;" in url.query:
                    self.reply(400, b"amp; in the query")
                    return
                page = result_page(n, num("of", 1), num("per", 10), brk, num("ms", 0),
                                   self.path if "stay" in q else None, num("pad", 0),
                                   q.get("amp", ""), q.get("t", ""))
                if n == brk:
                    self.partial(page[: len(page) // 2], len(page), True)
                else:
                    self.reply(200, page)
            elif path == "/learn":
                raw = url.query.split("&")[0][2:]
                self.reply(200, learn_page(q.get("q", ""), raw, num("page", 1)),
                           [("Content-Type", "text/html; charset=UTF-8")])
            elif path.startswith("/status/"):
                self.reply(int(path[len("/status/"):]), b"status")
            elif path in ("/redirect", "/loop"):
                self.reply(302, b"", [("Location", q.get("to", "/loop"))])
            elif path == "/stall-head":
                self.hold()
            elif path in ("/stall-body", "/break"):
                self.partial(b"y" * num("n", 100), num("n", 100) + 10000, path == "/break")
            elif path == "/bytes":
                self.head(200, num("n", 0))
                for left in range(num("n", 0), 0, -65536):
                    self.wfile.write(b"x" * min(left, 65536))
            elif path == "/chunked":
                self.send_response(200)
                self.send_header("Transfer-Encoding", "chunked")
                self.end_headers()
                left = num("n", -1)
                while left != 0:
                    piece = 1000 if left < 0 else min(left, 1000)
                    self.wfile.write(b"%x\r\n%s\r\n" % (piece, b"c" * piece))
                    left = left - piece if left > 0 else left
                self.wfile.write(b"0\r\n\r\n")
            elif path == "/header-flood":
                self.send_response(200)
                while True:
                    self.wfile.write(b"X-Flood: %s\r\n" % (b"f" * 200))
            elif path == "/slow":
                self.head(200, num("n", 5) * 100)
                for _ in range(num("n", 5)):
                    self.wfile.write(b"s" * 100)
                    self.wfile.flush()
                    time.sleep(num("ms", 50) / 1000.0)
            elif path == "/echo":
                self.reply(200, (self.requestline + "\r\n" + str(self.headers)).encode("latin-1"))
            elif path == "/gzip":
                self.reply(200, gzip.compress(b"z" * num("n", 100)), [("Content-Encoding", "gzip")])
            elif path == "/two-lengths":
                self.send_response(200)
                self.send_header("Content-Length", "5")
                self.send_header("Content-Length", "50")
                self.end_headers()
                self.wfile.write(b"x" * 50)
            elif path == "/proxied":
                self.reply(200, str(PROXIED[0]).encode())
            else:
                self.reply(404, b"")
        except OSError:
            self.close_connection = True  # clients hang up on purpose here

    def hold(self):
        # Keeps the connection open, sending nothing, until the client leaves.
        while self.connection.recv(1024):
            pass
        self.close_connection = True


def relay(a, b):
    # Copies bytes both ways until either side hangs up.
    with b:
        sel = selectors.DefaultSelector()
        sel.register(a, selectors.EVENT_READ, b)
        sel.register(b, selectors.EVENT_READ, a)
        while True:
            for key, _ in sel.select(timeout=30):
                data = key.fileobj.recv(65536)
                if not data:
                    return
                key.data.sendall(data)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def handle_error(self, request, client_address):
        pass  # clients hang up on purpose here


if __name__ == "__main__":
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG: end with the test
    args = sys.argv[1:]
    count = 1
    if args[:1] == ["--ports"]:
        count, args = int(args[1]), args[2:]
    servers = [Server(("127.0.0.1", 0), Handler) for _ in range(count)]
    if args[:1] == ["--tls"]:
        sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
        import tls_certs
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*tls_certs.make_cert(args[2], args[1]))
        for server in servers:
            server.socket = context.wrap_socket(server.socket, server_side=True,
                                                do_handshake_on_connect=False)
    print(os.getpid(), *(s.server_address[1] for s in servers), flush=True)
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    servers[0].serve_forever()
