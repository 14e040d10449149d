#!/usr/bin/env python3
"""Checks the bundled help page: well-formed (it is written as XHTML so that
an XML parser can check it), self-contained, and every link inside it leads
somewhere.

    check_help.py PATH/Help/Quennit.html
"""
import sys
import xml.etree.ElementTree as ET

XHTML = "{http://www.w3.org/1999/xhtml}"
# Elements that would pull something in from outside the page.
EXTERNAL = {"img", "script", "link", "iframe", "object", "embed", "video", "audio", "source"}


def problems(path):
    try:
        tree = ET.parse(path)
    except ET.ParseError as err:
        return [f"not well-formed: {err}"]
    root = tree.getroot()
    found = []
    if root.tag != XHTML + "html":
        found.append(f"root element is {root.tag}, not an XHTML html element")
    if root.get("lang") != "ja":
        found.append('the page is not marked lang="ja"')
    if root.find(f"{XHTML}head/{XHTML}title") is None:
        found.append("the page has no title")

    ids, links = {}, []
    for el in root.iter():
        name = el.tag.replace(XHTML, "")
        if name in EXTERNAL:
            found.append(f"<{name}> pulls in an outside resource")
        if el.get("src") is not None:
            found.append(f"<{name} src=...> pulls in an outside resource")
        if name == "style" and "url(" in (el.text or ""):
            found.append("the style sheet loads an outside resource")
        if el.get("id") is not None:
            ident = el.get("id")
            if ident in ids:
                found.append(f'id "{ident}" is used twice')
            ids[ident] = el
        if el.get("href") is not None:
            links.append(el.get("href"))

    for href in links:
        if not href.startswith("#"):
            found.append(f'link "{href}" leaves the page')
        elif href[1:] not in ids:
            found.append(f'link "{href}" has no target')
    if not links:
        found.append("the page has no internal links (table of contents missing?)")
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = problems(sys.argv[1])
    for line in found:
        print(f"{sys.argv[1]}: {line}", file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
