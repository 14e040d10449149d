#!/usr/bin/python3
"""Reads the Quennit window through the accessibility bus (AT-SPI).

  e2e_atspi.py wait-label TEXT SECONDS   wait until a label shows TEXT
  e2e_atspi.py rows SECONDS              print the result list's row count

Runs with the system's Python, which has the GObject bindings.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def window():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "Quennit":
            return app
    return None


def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def find(role, name=None):
    app = window()
    if app is None:
        return None
    for node in walk(app):
        if node.get_role_name() == role and (name is None or node.get_name() == name):
            return node
    return None


def until(seconds, probe):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = probe()
        except gi.repository.GLib.Error:
            found = None
        if found is not None:
            return found
        time.sleep(0.2)
    return None


def main(argv):
    if len(argv) == 4 and argv[1] == "wait-label":
        label = until(float(argv[3]), lambda: find("label", argv[2]))
        return 0 if label is not None else 1
    if len(argv) == 3 and argv[1] == "rows":
        # The first tree is the result list (the status list comes second).
        tree = until(float(argv[2]), lambda: find("tree"))
        if tree is None:
            return 1
        print(Atspi.Table.get_n_rows(tree))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
