#!/usr/bin/env python3
"""Checks the bundled help page: well-formed XHTML, self-contained, every
link leads somewhere inside it, and its worked site-definition example, run
through quennit-cli, gives the results and next page the page shows.

    check_help.py QUENNIT_CLI PATH/Help/Quennit.html WORK_DIR
"""
import json
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

X = "{http://www.w3.org/1999/xhtml}"
EXTERNAL = {"img", "script", "link", "iframe", "object", "embed", "video", "audio", "source"}


def text_of(el):
    return "".join(el.itertext())


def problems(cli, root, work):
    found = [] if root.get("lang") == "ja" and root.find(f"{X}head/{X}title") is not None \
        else ['no title or not lang="ja"']
    ids = {el.get("id"): el for el in root.iter() if el.get("id") is not None}
    links = [el.get("href") for el in root.iter() if el.get("href") is not None]
    found += [f"<{el.tag}> pulls in an outside resource" for el in root.iter()
              if el.tag.replace(X, "") in EXTERNAL or el.get("src") is not None]
    found += [f'link "{h}" has no target' for h in links if h[:1] != "#" or h[1:] not in ids]
    if not links:
        found.append("no internal links (table of contents missing?)")

    # The page shows each TAB as a marked arrow; the files are Shift_JIS.
    sites, page = work / "SearchSite.ini", work / "page.html"
    sites.write_bytes(text_of(ids["example-sitefile"]).replace("⇥", "\t").encode("cp932"))
    page.write_bytes(text_of(ids["example-pagetext"]).encode("cp932"))
    run = subprocess.run([cli, "extract", "--sites", sites, "--site", "サンプル検索", "--format",
                          "json", page], capture_output=True, text=True, encoding="utf-8")
    lines = [json.loads(line) for line in run.stdout.splitlines()]
    got = [(r["url"], r["title"], r["text"], r["site"], str(r["order"])) for r in lines
           if "url" in r]
    want = [tuple(text_of(td) for td in row.findall(f"{X}td"))
            for row in ids["example-results"].findall(f"{X}tr")[1:]]
    if run.returncode != 0 or got != want:
        found.append(f"example results differ:\n  page: {want}\n  tool: {got} {run.stderr}")
    named = {text_of(code) for code in root.iter(f"{X}code")}
    if not any(r.get("next_url") in named for r in lines):
        found.append("the example's next page is not the one the page names")
    if subprocess.run([cli, "check", sites], capture_output=True).returncode != 0:
        found.append("quennit-cli check refuses the example")
    return found


if __name__ == "__main__":
    cli, path, work = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    work.mkdir(parents=True, exist_ok=True)
    found = problems(cli, ET.parse(path).getroot(), work)
    print("".join(f"{path}: {line}\n" for line in found), end="", file=sys.stderr)
    sys.exit(1 if found else 0)
