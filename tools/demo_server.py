#!/usr/bin/env python3
"""Local demo search sites for Quennit (loopback only, standard library only).

Serves made-up search sites that answer any keyword with generated
result pages:
  /sjis/search?q=KW        Shift_JIS, 8 results, links with their host
  /euc/find?kw=KW          EUC-JP, 6 results, links as paths on this server
  /paged/s?q=KW&page=P     Shift_JIS, 10 results a page, a next-page link
                           (&pages=N pages in all, 3 by default)
  /utf8/search?q=KW        UTF-8 over HTTPS (with --tls-dir), 5 results,
                           characters outside Shift_JIS, links as paths
and /__stats with the number of requests and the time spent answering them.

  demo_server.py [--port PORT] [--write-ini FILE] [--tls-dir DIR]

--tls-dir makes a throw-away authority (DIR/ca.pem, to be trusted through
QUENNIT_CA_FILE) and a certificate for 127.0.0.1, and serves the same sites
over HTTPS on the next port (PORT + 1, or a free one for --port 0).

Prints the port it listens on as its first line, then serves until killed
or until its standard input is closed (with --stdin-stop). --write-ini writes
a matching SearchSite.ini (Shift_JIS) for that port and goes on serving.
"""
import argparse
import json
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote_to_bytes

DEFAULT_PORT = 8631

SJIS_SITE = "デモ検索 (Shift_JIS)"
EUC_SITE = "デモ検索 (EUC-JP)"
PAGED_SITE = "デモ検索 (ページ送り)"
UTF8_SITE = "デモ検索 (UTF-8, HTTPS)"


def site_file(port, paged_sites=None, tls_port=None):
    """The SearchSite.ini text (str) for a server on port: the three demo
    sites (four with tls_port), or only the given (name, pages) paging sites."""
    addr = "127.0.0.1:%d" % port
    lines = [
        "# Demo sites of tools/demo_server.py; all of them on this computer.",
        "SITE_FILE_VER\t\tdemo-1",
        "",
    ]
    if not paged_sites:
        lines += demo_sites(addr)
    for name, pages in paged_sites or [(PAGED_SITE, 3)]:
        lines += [
            "HOST_ID\t\t" + name,
            "HOST_ADDR\t\t" + addr,
            "HOST_URL_FORMAT\t/paged/s?q=%%s&pages=%d&page=1" % pages,
            "HOST_GROUP\t\tページ",
            "HOST_MAXCOUNT\t\t%d" % (pages * 10),
            "T_SEARCH\t\t<a class=\"next\" href=\"",
            "T_NEXTURL\t\t\">",
            "STARTWORD\t\t<ol>",
            "SEARCH\t\t<li><a href=\"http://",
            "URL\t\t\">",
            "TITLE\t\t</a>",
            "SEARCH\t\t<span>",
            "TEXT\t\t</span>",
            "",
        ]
    if tls_port and not paged_sites:
        lines += utf8_site("https://127.0.0.1:%d" % tls_port)
    return "\n".join(lines)


def demo_sites(addr):
    return [
        "HOST_ID\t\t" + SJIS_SITE,
        "HOST_ADDR\t\t" + addr,
        "HOST_URL_FORMAT\t/sjis/search?q=%s",
        "HOST_GROUP\t\tデモ",
        "HOST_MAXCOUNT\t\t20",
        "STARTWORD\t\t<!-- results -->",
        "SEARCH\t\t<div class=\"r\">",
        "SEARCH\t\thref=\"http://",
        "URL\t\t\">",
        "TITLE\t\t</a>",
        "SEARCH\t\t<p>",
        "TEXT\t\t</p>",
        "R_DEL\t\t<b>",
        "R_DEL\t\t</b>",
        "",
        "HOST_ID\t\t" + EUC_SITE,
        "HOST_ADDR\t\t" + addr,
        "HOST_URL_FORMAT\t/euc/find?kw=%s",
        "HOST_GROUP\t\tデモ",
        "HOST_KANJI\t\tEUC-JP",
        "HOST_LINKDV\t\tLOCAL",
        "SEARCH\t\t<dt><a href=\"",
        "URL\t\t\">",
        "TITLE\t\t</a>",
        "SEARCH\t\t<dd>",
        "TEXT\t\t</dd>",
        "",
    ]


def utf8_site(addr):
    # The markers are Shift_JIS like the rest of the file: the page is
    # converted before they are looked for.
    return [
        "HOST_ID\t\t" + UTF8_SITE,
        "HOST_ADDR\t\t" + addr,
        "HOST_URL_FORMAT\t/utf8/search?q=%s",
        "HOST_GROUP\t\tデモ",
        "HOST_KANJI\t\tUTF-8",
        "HOST_LINKDV\t\tLOCAL",
        "STARTWORD\t\t<h2>検索結果</h2>",
        "SEARCH\t\t<li><a href=\"",
        "URL\t\t\">",
        "TITLE\t\t</a>",
        "SEARCH\t\t<p>",
        "TEXT\t\t</p>",
        "",
    ]


def query(raw):
    """Query parameters as raw bytes ('+' is a blank), keys as text."""
    out = {}
    for part in raw.split("&"):
        key, _, value = part.partition("=")
        out[key] = unquote_to_bytes(value.replace("+", " "))
    return out


def html_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def sjis_page(kw, host):
    rows = []
    for i in range(1, 9):
        rows.append(
            '<div class="r"><a href="http://%s/sjis/doc/%d.html">%s の解説 その%d</a>'
            "<p><b>%s</b>について説明するデモ文書 %d 件目です。</p></div>" % (host, i, kw, i, kw, i))
    return ('<html><head><meta charset="Shift_JIS"><title>デモ検索</title></head><body>\n'
            "<h1>「%s」の検索結果</h1>\n<!-- results -->\n%s\n</body></html>\n"
            % (kw, "\n".join(rows))).encode("cp932", "replace")


def euc_page(kw):
    rows = []
    for i in range(1, 7):
        rows.append('<dt><a href="/euc/doc/%d.html">%s の資料 %d</a></dt>'
                    "<dd>EUC-JP のサイトから届いた「%s」の説明です。</dd>" % (i, kw, i, kw))
    return ('<html><head><meta charset="EUC-JP"></head><body>\n<dl>\n%s\n</dl>\n</body></html>\n'
            % "\n".join(rows)).encode("euc_jp", "replace")


def utf8_page(kw):
    rows = []
    for i in range(1, 6):
        rows.append('<li><a href="/utf8/doc/%d.html">%s と𠮷野の話 %d 🍣</a>'
                    "<p>UTF-8 のサイトから届いた「%s」の説明です 😀。</p></li>" % (i, kw, i, kw))
    return ('<html><head><meta charset="UTF-8"></head><body>\n<h1>「%s」🔍</h1>\n'
            "<h2>検索結果</h2>\n<ul>\n%s\n</ul>\n</body></html>\n"
            % (kw, "\n".join(rows))).encode("utf-8")


def paged_page(kw, raw_kw, page, pages, host):
    parts = ['<html><head><meta charset="Shift_JIS"></head><body>\n']
    if page < pages:
        parts.append('<a class="next" href="/paged/s?q=%s&pages=%d&page=%d">次へ</a>\n'
                     % (raw_kw, pages, page + 1))
    parts.append("<ol>\n")
    for i in range(1, 11):
        k = (page - 1) * 10 + i
        parts.append('<li><a href="http://%s/paged/doc/%d.html">%s 第%d位</a>'
                     "<span>%d ページ目の %d 件目</span></li>\n" % (host, k, kw, k, page, i))
    parts.append("</ol>\n</body></html>\n")
    return "".join(parts).encode("cp932", "replace")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        started = time.perf_counter()
        path, _, raw = self.path.partition("?")
        q = query(raw)
        # Result links point back at this server, so opening one shows a page.
        host = "127.0.0.1:%d" % self.server.server_address[1]
        if path == "/sjis/search":
            body = sjis_page(html_escape(q.get("q", b"").decode("cp932", "replace")), host)
        elif path == "/euc/find":
            body = euc_page(html_escape(q.get("kw", b"").decode("euc_jp", "replace")))
        elif path == "/utf8/search":
            body = utf8_page(html_escape(q.get("q", b"").decode("utf-8", "replace")))
        elif path == "/paged/s":
            raw_kw = dict(p.partition("=")[::2] for p in raw.split("&")).get("q", "")
            body = paged_page(html_escape(q.get("q", b"").decode("cp932", "replace")), raw_kw,
                              int(q.get("page", b"1") or 1), int(q.get("pages", b"3") or 3),
                              host)
        elif path == "/__stats":
            with self.server.lock:
                body = json.dumps({"requests": self.server.requests,
                                   "busy_s": self.server.busy}).encode()
        elif "/doc/" in path:
            body = ('<html><head><meta charset="UTF-8"><title>デモ文書</title></head>'
                    "<body><p>Quennit のデモサイトの文書です (%s)。</p></body></html>\n"
                    % html_escape(path)).encode("utf-8")
        else:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        with self.server.lock:
            self.server.requests += 1
            self.server.busy += time.perf_counter() - started


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, *args):
        super().__init__(*args)
        self.lock = threading.Lock()
        self.requests = 0
        self.busy = 0.0

    def handle_error(self, request, client_address):
        pass


def start_tls(folder, port):
    """Serves the sites over HTTPS on port (0: a free one); returns it."""
    import ssl
    import tls_certs
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(*tls_certs.make_cert(folder, "good"))
    server = Server(("127.0.0.1", port), Handler)
    server.socket = context.wrap_socket(server.socket, server_side=True,
                                        do_handshake_on_connect=False)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    ap = argparse.ArgumentParser(description="Quennit demo search sites on 127.0.0.1")
    ap.add_argument("--port", type=int, default=DEFAULT_PORT, help="0 picks a free port")
    ap.add_argument("--write-ini", metavar="FILE", help="write a matching SearchSite.ini")
    ap.add_argument("--paged-sites", type=int, default=0, metavar="N",
                    help="with --write-ini: N paging sites of 2 pages instead of the demo set")
    ap.add_argument("--stdin-stop", action="store_true", help="stop when stdin is closed")
    ap.add_argument("--tls-dir", metavar="DIR",
                    help="also serve over HTTPS, with an authority made in DIR")
    args = ap.parse_args()

    server = Server(("127.0.0.1", args.port), Handler)
    port = server.server_address[1]
    tls_port = start_tls(args.tls_dir, port + 1 if args.port else 0) if args.tls_dir else None
    if args.write_ini:
        paged = [("ページ送り %d" % (i + 1), 2) for i in range(args.paged_sites)]
        text = site_file(port, paged, tls_port)
        with open(args.write_ini, "wb") as f:
            f.write(text.encode("cp932"))
    print(port, flush=True)
    if args.stdin_stop:
        threading.Thread(target=server.serve_forever, daemon=True).start()
        sys.stdin.read()
        server.shutdown()
    else:
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
