#!/usr/bin/env python3
"""HTTP server with fault injection for the network tests.

Binds 127.0.0.1 on free ports (--ports N of them, one by default; each is a
server of its own to the client), prints them on the first line of standard
output and serves until standard input is closed. The path picks
the behaviour:

  /page?n=N&of=M&per=K[&brk=B][&ms=T]  result page N of M with K entries and
                        a next link; page B breaks off half-way; each page
                        answered after T ms
  /status/CODE          that status with a small body
  /redirect?to=PATH     302 to PATH on this server
  /loop                 302 to itself, for ever
  /stall-head           reads the request, never answers
  /stall-body?n=N       head and N body bytes, then silence
  /break?n=N            announces more, sends N bytes, drops the connection
  /huge?mb=N            N MiB body with Content-Length
  /endless              a chunked body that never ends
  /chunked?n=N          N body bytes in chunks of 1,000
  /header-flood         header lines without end
  /slow?n=N&ms=T        N pieces of 100 bytes, T ms apart
  /bytes?n=N            exactly N body bytes ('x' repeated; N=0 is empty)
  /echo                 the request line and headers as the body

With --tls KIND DIR it speaks TLS with the certificate KIND (good, self,
wronghost) that tools/tls_certs.py makes in DIR; DIR/ca.pem is the authority.
"""
import os
import ssl
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit


def result_page(n, of, per, brk, ms):
    parts = ["<html><body>\n"]
    if n < of:
        parts.append('<a class="next" href="/page?n=%d&of=%d&per=%d&brk=%d%s">next</a>\n'
                     % (n + 1, of, per, brk, "&ms=%d" % ms if ms else ""))
    parts.append("<!-- results -->\n")
    for k in range((n - 1) * per + 1, n * per + 1):
        parts.append('<li><a href="http://example.test/doc/%d">Title %d</a><br>Text %d</li>\n'
                     % (k, k, k))
    parts.append("</body></html>\n")
    return "".join(parts).encode("ascii")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def head(self, code, length, extra=()):
        self.send_response(code)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(length))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()

    def body(self, code, data, extra=()):
        self.head(code, len(data), extra)
        self.wfile.write(data)

    def partial(self, data, announced):
        # Sends part of what the head announced, then hangs up.
        self.head(200, announced)
        self.wfile.write(data)
        self.wfile.flush()
        self.connection.shutdown(socket.SHUT_RDWR)
        self.close_connection = True

    def do_GET(self):
        url = urlsplit(self.path)
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        num = lambda key, default: int(q.get(key, default))
        path = url.path
        try:
            if path == "/page":
                n = num("n", 1)
                time.sleep(num("ms", 0) / 1000.0)
                page = result_page(n, num("of", 1), num("per", 10), num("brk", 0), num("ms", 0))
                if n == num("brk", 0):
                    self.partial(page[: len(page) // 2], len(page))
                else:
                    self.body(200, page)
            elif path.startswith("/status/"):
                self.body(int(path[len("/status/"):]), b"<html>status</html>")
            elif path in ("/redirect", "/loop"):
                self.body(302, b"moved", [("Location", q.get("to", "/loop"))])
            elif path == "/stall-head":
                self.hold()
            elif path == "/stall-body":
                self.head(200, num("n", 100) + 100000)
                self.wfile.write(b"y" * num("n", 100))
                self.wfile.flush()
                self.hold()
            elif path == "/break":
                self.partial(b"z" * num("n", 3000), num("n", 3000) + 10000)
            elif path == "/huge":
                self.head(200, num("mb", 100) << 20)
                for _ in range(num("mb", 100) << 4):
                    self.wfile.write(b"h" * 65536)
            elif path in ("/endless", "/chunked"):
                self.send_response(200)
                self.send_header("Transfer-Encoding", "chunked")
                self.end_headers()
                left = num("n", 0) if path == "/chunked" else -1
                while left != 0 and not self.server.closing:
                    piece = 1000 if left < 0 else min(left, 1000)
                    self.wfile.write(b"%x\r\n%s\r\n" % (piece, b"c" * piece))
                    left = left - piece if left > 0 else left
                self.wfile.write(b"0\r\n\r\n")
            elif path == "/header-flood":
                self.send_response(200)
                n = 0
                while not self.server.closing:
                    self.wfile.write(b"X-Flood-%d: %s\r\n" % (n, b"f" * 200))
                    n += 1
            elif path == "/slow":
                self.head(200, num("n", 5) * 100)
                for _ in range(num("n", 5)):
                    self.wfile.write(b"s" * 100)
                    self.wfile.flush()
                    time.sleep(num("ms", 50) / 1000.0)
            elif path == "/bytes":
                self.body(200, b"x" * num("n", 0))
            elif path == "/echo":
                self.body(200, (self.requestline + "\r\n" + str(self.headers)).encode("latin-1"))
            else:
                self.body(404, b"unknown")
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def hold(self):
        # Keeps the connection open, sending nothing, until the peer leaves
        # or the server shuts down.
        self.connection.settimeout(0.2)
        while not self.server.closing:
            try:
                if not self.connection.recv(1024):
                    break
            except socket.timeout:
                continue
            except OSError:
                break
        self.close_connection = True


class Server(ThreadingHTTPServer):
    daemon_threads = True
    closing = False
    request_queue_size = 64

    def handle_error(self, request, client_address):
        pass  # clients hang up on purpose here


if __name__ == "__main__":
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
    print(" ".join(str(s.server_address[1]) for s in servers), flush=True)
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()  # until the test closes our standard input
    for server in servers:
        server.closing = True
    stops = [threading.Thread(target=server.shutdown) for server in servers]
    for stop in stops:
        stop.start()
    for stop in stops:
        stop.join()
