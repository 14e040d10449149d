#!/usr/bin/env python3
"""End-to-end tests of `quennit-cli search` against the local demo sites.

  search_cli_test.py PATH-TO-quennit-cli
"""
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import demo_server  # noqa: E402

CLI = None
ENV = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}


class SearchCliTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.sites = os.path.join(cls.tmp.name, "SearchSite.ini")
        cls.server = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, "tools", "demo_server.py"), "--port", "0",
             "--write-ini", cls.sites, "--stdin-stop"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        cls.port = int(cls.server.stdout.readline())

    @classmethod
    def tearDownClass(cls):
        cls.server.stdin.close()
        cls.server.wait(timeout=30)
        cls.tmp.cleanup()

    def run_cli(self, *args, timeout=60):
        return subprocess.run([CLI, "search", *args], capture_output=True, env=ENV,
                              timeout=timeout)

    def write_sites(self, text):
        path = os.path.join(self.tmp.name, "custom.ini")
        with open(path, "wb") as f:
            f.write(text.encode("cp932"))
        return path

    def test_demo_search_lists_every_site_in_order(self):
        r = self.run_cli("--sites", self.sites, "検索")
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        rows = [l.split("\t") for l in r.stdout.decode().splitlines()]
        self.assertEqual(len(rows), 8 + 6 + 30)
        self.assertEqual(rows[0], ["127.0.0.1:%d/sjis/doc/1.html" % self.port, "検索 の解説 その1",
                                   "検索について説明するデモ文書 1 件目です。",
                                   demo_server.SJIS_SITE, "10"])
        self.assertEqual(rows[8][0], "127.0.0.1:%d/euc/doc/1.html" % self.port)
        self.assertEqual(rows[8][1], "検索 の資料 1")
        self.assertEqual([r[4] for r in rows[14:]], [str(10 * i) for i in range(1, 31)])
        err = r.stderr.decode().splitlines()
        self.assertEqual(err[-1], "検索が完了しました")
        self.assertIn(demo_server.SJIS_SITE + " : サーバーへ接続しました", err)
        self.assertEqual(err.count(demo_server.PAGED_SITE + " : 要求を送信しました"), 3)

    def test_json_lines_and_group(self):
        r = self.run_cli("--sites", self.sites, "--group", "ページ", "--format", "json", "a b")
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        rows = [json.loads(l) for l in r.stdout.decode().splitlines()]
        self.assertEqual([(r["site"], r["order"]) for r in rows],
                         [(demo_server.PAGED_SITE, 10 * i) for i in range(1, 31)])
        self.assertEqual(rows[0]["title"], "a b 第1位")

    def test_failed_sites_are_reported(self):
        path = self.write_sites(
            "HOST_ID\tなし\x1b]0;\x07\nHOST_ADDR\t127.0.0.1:%d\nHOST_URL_FORMAT\t/nothing?%%s\n"
            "HOST_ID\t拒否\nHOST_ADDR\t127.0.0.1:%d\nHOST_URL_FORMAT\t/x?%%s\n"
            % (self.port, closed_port()))
        r = self.run_cli("--sites", path, "--retry", "1", "kw")
        self.assertEqual((r.returncode, r.stdout), (0, b""))
        # Error lines are composed like the window's status line, and a site
        # name can't drive the terminal.
        err = r.stderr.decode().splitlines()
        self.assertIn("なし\\x1b]0;\\x07 : ERROR エラー応答を受信しました。(URL Not Found)", err)
        self.assertNotIn(b"\x1b", r.stderr)
        self.assertIn("拒否 : ERROR 送信処理がタイムアウトしました", err)
        self.assertEqual(err[-1], "検索が完了しました")
        # The summary: one line per site asked, after the completion line.
        r = self.run_cli("--sites", path, "--retry", "1", "--multi", "--jobs", "2", "--summary",
                         "kw")
        err = r.stderr.decode().splitlines()
        self.assertEqual(err[-3], "検索が完了しました")
        self.assertRegex(err[-2], r"^なし\\x1b\]0;\\x07 : 0 results, 0 pages, [0-9.]+ s, 接続を終了")
        self.assertRegex(err[-1], r"^拒否 : 0 results, 0 pages, [0-9.]+ s, ERROR 送信処理が")

    def test_ctrl_c_stops_the_search(self):
        # A server that takes the connection and never answers.
        hold = socket.create_server(("127.0.0.1", 0))
        path = self.write_sites("HOST_ID\t止\nHOST_ADDR\t127.0.0.1:%d\nHOST_URL_FORMAT\t/?%%s\n"
                                % hold.getsockname()[1])
        p = subprocess.Popen([CLI, "search", "--sites", path, "--timeout", "0", "kw"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=ENV)
        seen = b""
        while "要求を送信しました".encode() not in seen:
            line = p.stderr.readline()
            self.assertTrue(line, seen.decode())
            seen += line
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=20)
        hold.close()
        self.assertEqual(p.returncode, 130)
        self.assertNotIn("検索が完了しました", (seen + err).decode())


def closed_port():
    with socket.create_server(("127.0.0.1", 0)) as s:
        return s.getsockname()[1]


if __name__ == "__main__":
    CLI = os.path.abspath(sys.argv.pop(1))
    unittest.main()
