#!/usr/bin/env python3
"""Runs the help page's worked site-definition example through quennit-cli
and compares the outcome with what the page says it is.

    check_help_example.py QUENNIT_CLI PATH/Help/Quennit.html WORK_DIR
"""
import json
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

XHTML = "{http://www.w3.org/1999/xhtml}"


def by_id(root, ident):
    for el in root.iter():
        if el.get("id") == ident:
            return el
    raise SystemExit(f"the help page has no element with id {ident}")


def text_of(el):
    return "".join(el.itertext())


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    cli, page, work = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    work.mkdir(parents=True, exist_ok=True)
    root = ET.parse(page).getroot()

    # The page shows each TAB as a marked arrow; the file needs real TABs,
    # and both files are Shift_JIS like the ones the program reads.
    site_file = text_of(by_id(root, "example-sitefile")).replace("⇥", "\t")
    (work / "SearchSite.ini").write_bytes(site_file.encode("cp932"))
    (work / "page.html").write_bytes(text_of(by_id(root, "example-pagetext")).encode("cp932"))

    run = subprocess.run(
        [cli, "extract", "--sites", str(work / "SearchSite.ini"), "--site", "サンプル検索",
         "--format", "json", str(work / "page.html")],
        capture_output=True, text=True, encoding="utf-8")
    if run.returncode != 0:
        print(f"quennit-cli failed ({run.returncode}): {run.stderr}", file=sys.stderr)
        return 1
    lines = [json.loads(line) for line in run.stdout.splitlines() if line.strip()]
    got = [(r["url"], r["title"], r["text"], r["site"], str(r["order"]))
           for r in lines if "url" in r]
    next_url = next((r["next_url"] for r in lines if "next_url" in r), None)

    table = by_id(root, "example-results")
    rows = table.findall(f"{XHTML}tr")[1:]  # the first row holds the headings
    want = [tuple(text_of(td) for td in row.findall(f"{XHTML}td")) for row in rows]

    failed = False
    if got != want:
        print(f"results differ from the page:\n  page: {want}\n  tool: {got}", file=sys.stderr)
        failed = True
    named = {text_of(code) for code in root.iter(f"{XHTML}code")}
    if next_url is None or next_url not in named:
        print(f"next page {next_url!r} is not the one the page names", file=sys.stderr)
        failed = True

    check = subprocess.run([cli, "check", str(work / "SearchSite.ini")], capture_output=True,
                           text=True, encoding="utf-8")
    if check.returncode != 0:
        print(f"quennit-cli check failed ({check.returncode}): {check.stderr}", file=sys.stderr)
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
