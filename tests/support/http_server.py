#!/usr/bin/env python3
"""HTTP server with fault injection for the network tests.

Binds 127.0.0.1 on a free port, prints the port on the first line of
standard output and serves until standard input is closed (or it is killed).
The path picks the behaviour:

  /page?n=N&of=M&per=K[&brk=B]  result page N of M with K entries and a next
                        link; page B breaks off half-way
  /status/CODE          that status with a small body
  /redirect?to=PATH     302 to PATH on this server
  /loop                 302 to itself, for ever
  /stall-head           reads the request, never answers
  /stall-body?n=N       head and N body bytes, then silence
  /break?n=N            announces more, sends N bytes, drops the connection
  /huge?mb=N            N MiB body with Content-Length
  /endless              chunked body without end
  /empty                200 with an empty body
  /chunked?n=N&size=S   N chunks of S bytes
  /slow?n=N&ms=T        N chunks of 100 bytes, T ms apart
  /header-flood         headers without end
  /bytes?n=N            exactly N body bytes ('x' repeated), no links
  /echo                 the request line and headers as the body
"""
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit


def result_page(n, of, per, brk=0):
    parts = ["<html><body>\n"]
    if n < of:
        parts.append('<a class="next" href="/page?n=%d&of=%d&per=%d&brk=%d">next</a>\n' % (n + 1, of, per, brk))
    parts.append("<!-- results -->\n")
    for i in range(per):
        k = (n - 1) * per + i + 1
        parts.append('<li><a href="http://example.test/doc/%d">Title %d</a><br>Text %d</li>\n' % (k, k, k))
    parts.append("</body></html>\n")
    return "".join(parts).encode("ascii")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def head(self, code, length=None, extra=()):
        self.send_response(code)
        self.send_header("Content-Type", "text/html")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()

    def body(self, code, data, extra=()):
        self.head(code, len(data), extra)
        self.wfile.write(data)

    def do_GET(self):
        url = urlsplit(self.path)
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        num = lambda key, default: int(q.get(key, default))
        path = url.path
        try:
            if path == "/page":
                n = num("n", 1)
                page = result_page(n, num("of", 1), num("per", 10), num("brk", 0))
                if n == num("brk", 0):
                    # Breaks off after about half of the page.
                    self.head(200, len(page))
                    self.wfile.write(page[: len(page) // 2])
                    self.wfile.flush()
                    self.connection.shutdown(socket.SHUT_RDWR)
                    self.close_connection = True
                else:
                    self.body(200, page)
            elif path.startswith("/status/"):
                self.body(int(path[len("/status/"):]), b"<html>status</html>")
            elif path == "/redirect":
                self.body(302, b"moved", [("Location", q.get("to", "/page"))])
            elif path == "/loop":
                self.body(302, b"again", [("Location", "/loop")])
            elif path == "/stall-head":
                self.hold()
            elif path == "/stall-body":
                n = num("n", 100)
                self.head(200, n + 100000)
                self.wfile.write(b"y" * n)
                self.wfile.flush()
                self.hold()
            elif path == "/break":
                n = num("n", 3000)
                self.head(200, n + 10000)
                self.wfile.write(b"z" * n)
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)
                self.close_connection = True
            elif path == "/huge":
                total = num("mb", 100) * 1024 * 1024
                self.head(200, total)
                block = b"h" * 65536
                sent = 0
                while sent < total:
                    self.wfile.write(block)
                    sent += len(block)
            elif path == "/endless":
                self.head(200, None, [("Transfer-Encoding", "chunked")])
                chunk = b"e" * 8192
                while True:
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
            elif path == "/empty":
                self.body(200, b"")
            elif path == "/chunked":
                n, size = num("n", 5), num("size", 700)
                self.head(200, None, [("Transfer-Encoding", "chunked")])
                for i in range(n):
                    data = bytes([ord("a") + i % 26]) * size
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))
                    self.wfile.flush()
                self.wfile.write(b"0\r\n\r\n")
            elif path == "/slow":
                n, ms = num("n", 5), num("ms", 50)
                self.head(200, n * 100)
                for _ in range(n):
                    self.wfile.write(b"s" * 100)
                    self.wfile.flush()
                    time.sleep(ms / 1000.0)
            elif path == "/header-flood":
                self.send_response(200)
                i = 0
                while True:
                    self.send_header("X-Flood-%d" % i, "f" * 200)
                    self.flush_headers()
                    i += 1
            elif path == "/bytes":
                self.body(200, b"x" * num("n", 0))
            elif path == "/echo":
                text = self.requestline + "\r\n" + str(self.headers)
                self.body(200, text.encode("latin-1"))
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


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()  # until the test closes our standard input
    server.closing = True
    server.shutdown()


if __name__ == "__main__":
    main()
