#!/usr/bin/env python3
"""quennit-cli end to end; its path is the argument (QUENNIT_SANITIZED=1 under sanitizers)."""
import base64
import json
import os
import re
import resource
import signal
import socket
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

ENV = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}

# The extraction example: two entries and a next page; two more sites for
# the description. Site files are written with '|' for TAB, in Shift_JIS.
SITES = ("SITE_FILE_VER|1.05\nHOST_ID|検索\nHOST_ADDR|pagehost\nHOST_URL_FORMAT|/find?kw=%s\n"
         "STARTWORD|<dl>\nT_SEARCH|class=next href=\nT_NEXTURL|>\nSEARCH|<dt><a href=http://\n"
         "URL|>\nTITLE|</a>\nSEARCH|<dd>\nTEXT|<br>\nR_DEL|<b>\nR_DEL|</b>\nHOST_ID|B\nHOST_ID|C\n"
         "HOST_KANJI|utf-8\nHOST_ADDR|https://h:8443\n")
PAGE = ("<p>1-2</p><a class=next href=/find?p=2>next</a><dl><dt><a href=http://pagehost/a>Alpha"
        "</a><dd>First <b>hit</b><br><dt><a href=http://pagehost/b>日本\\x</a><dd>Se\tcond<br></dl>")
MANY = ("SEARCH|<p>\nHOST_ID|A\nHOST_ADDR|h\nHOST_URL_FORMAT|/q?%d\n" + "SEARCH|x\n" * 31
        + "HOST_ID|A\nHOST_ADDR|ftp://h/x\nHOST_URL_FORMAT|/q?%s&p=100%\n")
CTRL = "HOST_ID|A\x1b]0;t\x07\nHOST_GROUP|\x1b[2J\nT_NEXTURL|>\nSEARCH|<a>\nURL|>\nTITLE|<\n"


TMP = tempfile.TemporaryDirectory()


def cli(args, **kw):
    return subprocess.run(f"{CLI} {args}", shell=True, capture_output=True, env=ENV, **kw)


def write(name, text):
    path = os.path.join(TMP.name, name)
    with open(path, "wb") as f:
        f.write(text if isinstance(text, bytes) else text.replace("|", "\t").encode("cp932"))
    return path


class CheckExtractTest(unittest.TestCase):
    # The help page: well-formed, self-contained (every reference leads inside it),
    # and its worked example (a TAB shown as an arrow) gives the results and
    # the next page the page shows.
    def test_help_page_and_its_example(self):
        root = ET.parse(os.path.join(ROOT, "resources", "Help", "Quennit.html")).getroot()
        ids = {el.get("id"): el for el in root.iter() if el.get("id") is not None}
        refs = [v for el in root.iter() for k, v in el.items() if k in ("href", "src", "data")]
        self.assertTrue(refs and all(v[:1] == "#" and v[1:] in ids for v in refs
                                     if not v.startswith("data:")), refs)
        # The screenshot is docs/add_site.png, embedded.
        with open(os.path.join(ROOT, "docs", "add_site.png"), "rb") as shot:
            self.assertEqual(ids["addsite-shot"].get("src"),
                             "data:image/png;base64," + base64.b64encode(shot.read()).decode())
        text = {el: "".join(el.itertext()) for el in root.iter()}
        sites = write("help.ini", text[ids["example-sitefile"]].replace("⇥", "\t").encode("cp932"))
        page = write("help.html", text[ids["example-pagetext"]].encode("cp932"))
        r = cli(f"extract --sites {sites} --site サンプル検索 {page}")
        rows = ids["example-results"].findall("{*}tr")[1:]
        self.assertEqual(r.stdout.decode(), "".join(
            "\t".join(text[td] for td in row.findall("{*}td")) + "\n" for row in rows))
        self.assertIn(r.stderr.decode().removeprefix("next: ").rstrip("\n"),
                      {text[code] for code in root.iterfind(".//{*}code")})

    # 100,000 sites of one line each (1.1 MB): memory follows the content, not
    # the 90 rule slots a site may have (once 600 MB for extract, 1.4 GB for check).
    @unittest.skipIf(os.environ.get("QUENNIT_SANITIZED"), "sanitizers change the memory figures")
    def test_many_bare_sites_take_little_memory(self):
        sites = write("s.ini", "".join(f"HOST_ID|site {i}\n" for i in range(1, 100001)))
        self.assertEqual(cli(f"check {sites}").returncode, 0)
        self.assertEqual(cli(f"extract --sites {sites} --site 100000 {sites}").returncode, 0)
        # KiB, the largest finished child so far (the others are small)
        self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, 100 * 1024)

    # Each run: its exit code and the texts it must show, in the first line of
    # stderr for a failure, else anywhere in stdout followed by stderr. Any
    # control character of a page, a site file or an argument reaches the
    # terminal escaped (ESC, BEL, BS and DEL here).
    def test_runs_show_their_texts_and_exit_codes(self):
        sites, ctrl = write("sites.ini", SITES), write("ctrl.ini", CTRL)
        page = write("page.html", PAGE)
        ctrl_page = write("ctrl.html", "\x1b[2J><a>\x1b]8;;x\x07>T\b\x7f<")
        utf8 = write("utf8.ini", "HOST_ID|U\nHOST_KANJI|UTF-8\nSEARCH|<li>\nURL|>\nTITLE|<\n")
        utf8_page = write("utf8.html", "<li>/a?x=1&amp;y=2>𠮷 caf&eacute; 😀<".encode())
        stale = write("stale.ini", "HOST_ID|X\nSTARTWORD|<dl>\nENDWORD|</dl>\nSEARCH|<\n"
                      "SEARCH|<dt>\nURL|>\n")
        euc_page = write("euc.html", "<meta http-equiv=Content-Type content='text/html; "
                         "charset=EUC-JP'><dl>")
        sjis_site = write("sjis.ini", "HOST_ID|S\nHOST_ADDR|127.0.0.1:1\nHOST_URL_FORMAT|/?%s\n")
        fifo = os.path.join(TMP.name, "fifo")  # would block a reader for ever
        os.mkfifo(fifo)
        cases = [
            (0, f"extract --sites {sites} --site 検索 {page}",
             "pagehost/a\tAlpha\tFirst hit\t検索\t10\npagehost/b\t日本\\\\x\tSe cond\t検索\t20\n"
             "next: /find?p=2\n"),
            (0, f"check --format json {sites}",
             '{"version":"1.05","site_count":3,"sites":[{"number":1,"name":"検索","group":"",'
             '"server":"pagehost","scheme":"http","url_format":"/find?kw=%s","kanji":2,'
             '"max_count":40,"link_mode":"","start_word":"<dl>","page_rules":[["T_SEARCH",',
             '"warnings":["site 2 \\"B\\": never requested (no HOST_ADDR)","site 3 \\"C\\": '
             'never requested (no HOST_URL_FORMAT)"]}\n'),
            # Likely mistakes, a byte-order mark and CR-only line ends are warned about.
            (0, "check " + write("many.ini", MANY), "0 page, 30 entry, 0 clean-up",
             "line 1: 'SEARCH' stands before", "line 35: site 1 \"A\": rule 'SEARCH' is beyond",
             "has no %s", "site 1 \"A\": request format has '%d'", "has '%', which",
             "scheme 'ftp://'", "path ('/x')", 'site 2 "A": same name as site 1', "Warnings (8)"),
            (0, "check " + write("b.ini", b"\xef\xbb\xbfHOST_ID\tLost\nURL\t>\nHOST_ID\tB\r\r\n"),
             "Sites:     1\n", "starts with a UTF-8 byte-order mark", '"Lost": that site is lost',
             "line 2: 'URL' stands before", "line 3: a CR that ends no line", "Warnings (5)"),
            (0, f"extract --sites {ctrl} --site 1 {ctrl_page}",
             "\\x1b]8;;x\\x07\tT\\x08\\x7f\t\tA\\x1b]0;t\\x07\t10\nnext: \\x1b[2J\n"),
            (0, f"extract --format json --sites {ctrl} --site 1 {ctrl_page}",
             '{"site":"A\\u001b]0;t\\u0007","url":"\\u001b]8;;x\\u0007","title":"T\\b\\u007f",'
             '"text":"","order":10}\n{"next_url":"\\u001b[2J"}\n'),
            (0, f"check {ctrl}", "[1] A\\x1b]0;t\\x07\n  group:          \\x1b[2J\n"),
            # A site file saved as UTF-8, and keys followed by spaces, in plain words.
            (0, "check " + write("u8.ini", "#\nHOST_ID\t検索\n".encode()),
             "line 2: the file is saved as UTF-8", "save it as Shift_JIS", "Warnings (2)"),
            (0, "check " + write("sp.ini", "HOST_ID    A\nHOST_ADDR   |h\nHOST_ID|B\n"),
             "line 1: 'HOST_ID' is followed by spaces: a key must be followed by a TAB",
             "line 2: 'HOST_ADDR' is followed", "Warnings (3)"),
            # The site doctor on saved pages: what the page gives and why.
            (0, f"extract --explain --sites {sites} --site 検索 {page}",
             "[1] 検索: ok\n    no charset declared (read as Shift_JIS)\n    STARTWORD found\n"
             "    2 entries\n    next page /find?p=2\n    first entry: Alpha <pagehost/a>\n"),
            (0, f"extract --explain --sites {stale} --site 1 {euc_page}",
             "[1] X: PROBLEM\n  ! charset EUC-JP (<meta>), but the site is read as Shift_JIS: set "
             "HOST_KANJI EUC-JP\n    STARTWORD found\n  ! ENDWORD \"</dl>\" not found, so the "
             "entries run to the page's end\n  ! 0 entries: entry rule 2 (SEARCH \"<dt>\") never "
             "occurs after STARTWORD\n    no next page\n"),
            (0, f"extract --explain --format json --sites {stale} --site 1 {euc_page}",
             '"ok":false,"charset":"EUC-JP","charset_from":"meta","kanji":"Shift_JIS",'
             '"charset_mismatch":true,"start_word":"found","end_word":"missing","entries":0,'
             '"missing_rule":{"number":2,"key":"SEARCH","value":"<dt>"},"next_url":"",'),
            # A UTF-8 page keeps every character; references are decoded.
            (0, f"extract --format json --sites {utf8} --site 1 {utf8_page}",
             '"url":"/a?x=1&y=2","title":"𠮷 café 😀"'),
            # Only a UTF-8 site can be asked for what Shift_JIS lacks.
            (0, f"search --sites {sjis_site} 😀", "S : ERROR キーワードをこのサイトの文字コードで表せません",
             "キーワードを表せる文字コードのサイトがないため、検索しませんでした"),
            (1, f"extract --sites {ctrl} --site '\x1b[2J' {page}", "no site '\\x1b[2J'"),
            (2, f"extract --sites {sites} --site", "--site"),
            # The next-page capture is over 2,047 bytes: only the next page is lost.
            (0, f"extract --sites {sites} --site 1 "
             + write("long.html", "class=next href=" + "p" * 3000 + ">"), "2,048 bytes or longer, so"),
            (1, f"extract --sites {sites} --site 1 {fifo}", "not a regular file"),
            (1, f"search --sites {TMP.name}/none kw", "No such file"),
            (1, f"check {TMP.name}", "Is a directory"),
            (2, "search --jobs 4 kw", "--jobs"),  # only with --multi
            (2, "search --multi --jobs 33 kw", "33"),
            (2, "check --format yaml", "yaml"),
            (2, "check --format", "--format"),
            (2, "", "subcommand is required"),
            # Help goes to standard output.
            (0, "--help", "usage: quennit-cli [OPTIONS] SUBCOMMAND"),
            (0, "check --help", "--format text|json"),
            (0, "extract -h", "--site NAME|NUMBER"),
            (0, "search --help", "--timeout SECONDS", "idle limit of sending and receiving"),
        ]
        for code, args, *texts in cases:
            with self.subTest(args):
                r = cli(args)
                out, err = r.stdout.decode(), r.stderr.decode()
                self.assertEqual(r.returncode, code, err)
                shown = out + err if code == 0 else err.split("\n")[0]
                self.assertEqual([text for text in texts if text not in shown], [])
                # A usage error shows the usage after its message.
                self.assertEqual("\nusage: quennit-cli" in err, code == 2)
                self.assertIsNone(re.search("[\x00-\x08\x0b-\x1f\x7f]", out + err))
                if code == 0 and "json" in args:
                    [json.loads(line) for line in out.splitlines()]


class SearchTest(unittest.TestCase):
    def test_demo_sites_and_a_failing_one(self):
        sites = os.path.join(TMP.name, "SearchSite.ini")
        with subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "demo_server.py"),
                               "--port", "0", "--write-ini", sites, "--stdin-stop"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True) as server:
            port = int(server.stdout.readline())
            with open(sites, "a", encoding="cp932") as f:
                f.write(f"HOST_ID\tなし\x1b]0;\x07\nHOST_ADDR\t127.0.0.1:{port}\n"
                        "HOST_URL_FORMAT\t/nothing?%s\n")
            r = cli(f"search --sites {sites} --summary 検索", timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        # Demo sites of 8 and 6 results and one of 30 over several pages.
        rows = [l.split("\t") for l in r.stdout.decode().splitlines()]
        self.assertEqual(rows[0], [f"127.0.0.1:{port}/sjis/doc/1.html", "検索 の解説 その1",
                                   "検索について説明するデモ文書 1 件目です。", "デモ検索 (Shift_JIS)", "10"])
        self.assertEqual(rows[8][:2], [f"127.0.0.1:{port}/euc/doc/1.html", "検索 の資料 1"])
        self.assertEqual([r[4] for r in rows[14:]], [str(10 * i) for i in range(1, 31)])
        # Error lines are composed like the window's status line, and a site
        # name can't drive the terminal. The summary: one line per site asked,
        # after the completion line.
        err = r.stderr.decode().splitlines()
        self.assertIn("なし\\x1b]0;\\x07 : ERROR エラー応答を受信しました。(URL Not Found)", err)
        self.assertEqual(err[-5], "検索が完了しました")
        # A site's last error, not the closing that followed it.
        self.assertRegex(err[-1], r"^なし\\x1b\]0;\\x07 : 0 results, 0 pages, [0-9.]+ s, "
                         r"ERROR エラー応答を受信しました。\(URL Not Found\)$")

    # The site doctor asks each site of the shared test server once: one
    # that works, one whose entry rule no longer matches, one read as
    # Shift_JIS but served as UTF-8, and one that is gone.
    def test_site_doctor(self):
        with subprocess.Popen([sys.executable, os.path.join(ROOT, "tests", "support",
                                                             "http_server.py")],
                              stdout=subprocess.PIPE, text=True) as server:
            port = server.stdout.readline().split()[1]
            page = f"HOST_ADDR|127.0.0.1:{port}\nHOST_URL_FORMAT|/page?per=3&of=2&q=%s&type="
            rules = "SEARCH|<li><a href=\"http://\nURL|\">\nTITLE|</a>\n"
            sites = write("doctor.ini", (
                f"HOST_ID|ok\n{page}text/html%%3B+charset%%3DShift_JIS\nSTARTWORD|<!-- results -->"
                f"\nT_SEARCH|class=\"next\" href=\"\nT_NEXTURL|\"\n{rules}"
                f"HOST_ID|stale\n{page}\nSTARTWORD|<!-- results -->\nSEARCH|<dt>\n"
                f"HOST_ID|utf8\n{page}text/html;charset=utf-8\n{rules}"
                f"HOST_ID|gone\nHOST_ADDR|127.0.0.1:{port}\nHOST_URL_FORMAT|/status/404?%s\n"))
            r = cli(f"check --fetch 検索 {sites}", timeout=60)
            j = cli(f"check --format json --fetch 検索 {sites}", timeout=60)
            server.terminate()
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        self.assertEqual(r.stdout.decode().splitlines(), [
            "[1] ok: ok; HTTP 200; charset Shift_JIS (HTTP header), as HOST_KANJI; STARTWORD found;"
            " 3 entries; next page /page?n=2&of=2&per=3&brk=0&ms=0&pad=0&x=",
            "[2] stale: PROBLEM; HTTP 200; no charset declared (read as Shift_JIS); STARTWORD found;"
            ' 0 entries: entry rule 1 (SEARCH "<dt>") never occurs after STARTWORD; no next page',
            "[3] utf8: PROBLEM; HTTP 200; charset utf-8 (HTTP header), but the site is read as "
            "Shift_JIS: set HOST_KANJI UTF-8; 3 entries; no next page",
            "[4] gone: PROBLEM; HTTP 404: ERROR エラー応答を受信しました。(URL Not Found)"])
        self.assertEqual([(s["ok"], s["status"]) for s in map(json.loads, j.stdout.splitlines())],
                         [(True, 200), (False, 200), (False, 200), (False, 404)])

    def test_ctrl_c_stops_the_search(self):
        # The server takes the connection and never answers.
        with socket.create_server(("127.0.0.1", 0)) as hold:
            path = write("stop.ini", "HOST_ID|止\nHOST_ADDR|127.0.0.1:%d\nHOST_URL_FORMAT|/?%%s\n"
                         % hold.getsockname()[1])
            p = subprocess.Popen([CLI, "search", "--sites", path, "--timeout", "0", "kw"],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=ENV)
            for line in p.stderr:  # output ending first fails on the exit code
                if "要求を送信しました".encode() in line:
                    break
            p.send_signal(signal.SIGINT)
            err = p.communicate(timeout=20)[1]
        self.assertEqual(p.returncode, 130)
        self.assertNotIn("検索が完了しました".encode(), err)
        # Ctrl-C once the completion line is out: the search has completed.
        with socket.create_server(("127.0.0.1", 0)) as refuse:
            port = refuse.getsockname()[1]
        path = write("done.ini", "HOST_ID|済\nHOST_ADDR|127.0.0.1:%d\nHOST_URL_FORMAT|/?%%s\n" % port)
        p = subprocess.Popen([CLI, "search", "--sites", path, "--summary", "kw"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=ENV)
        for line in p.stderr:
            if "検索が完了しました".encode() in line:
                p.send_signal(signal.SIGINT)
                break
        err = p.communicate(timeout=20)[1].decode()
        self.assertEqual(p.returncode, 0)
        self.assertRegex(err, r"済 : 0 results, 0 pages")


class LearnTest(unittest.TestCase):
    def test_learn_from_saved_pages_json_and_append(self):
        help_text = cli("learn --help").stdout.decode()
        for option in ("--second ", "--page ", "--second-page ", "--example ", "--name ", "--group ",
                       "--max ", "--append ", "--format ", "--timeout "):
            self.assertIn(option, help_text)
        rows = "".join('<li><a href="http://x.test/%d">kw %d</a><p>t</p></li>' % (i, i)
                       for i in range(4))
        page = write("l1.html", ("<title>Find</title><ol>%s</ol>" % rows).encode())
        page2 = write("l2.html", ("<ol>%s</ol>" % rows.replace("kw", "zz")).encode())
        args = f"learn --page {page} --second-page {page2} --second zz --name 学習 --group G"
        r = cli(f"{args} --format json http://x.test/s?q=kw kw")
        out = json.loads(r.stdout)
        self.assertEqual(out["block"][0], {"key": "HOST_ID", "value": "学習"})
        self.assertEqual([p["count"] for p in out["proof"]], [4, 4])
        sites = write("learned.ini", b"HOST_ID\tOld\n")
        self.assertEqual(cli(f"{args} --append {sites} http://x.test/s?q=kw kw").returncode, 0)
        before = open(sites, "rb").read()
        self.assertTrue(before.startswith(b"HOST_ID\tOld\n\n# "))
        r = cli(f"{args} --append {sites} http://x.test/s?q=kw kw")
        self.assertEqual((r.returncode, open(sites, "rb").read()), (1, before))
        self.assertEqual(cli(f"{args} http://x.test/s?q=other kw").returncode, 2)
        self.assertEqual(cli(f"learn --page {TMP.name} http://x.test/s?q=kw kw").returncode, 1)


if __name__ == "__main__":
    CLI = os.path.abspath(sys.argv.pop(1))
    unittest.main()
