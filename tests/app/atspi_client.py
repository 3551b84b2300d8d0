#!/usr/bin/env python3
"""Reads an application through the desktop accessibility bus, as a screen reader does.

Usage: atspi_client.py APP_NAME SECONDS AWAITED_TEXT

Prints one line per accessible object of the application's windows ("NODE role|name|text"),
then "READY" once it listens for the changes of a status bar; then "EVENT type|name|text" for
each change of one, and "END" soon after one brought AWAITED_TEXT. Gives up after SECONDS in
all ("TIMEOUT ..." and exit status 2).
"""
import sys
import time

import pyatspi
from gi.repository import GLib

app_name, seconds, awaited = sys.argv[1], float(sys.argv[2]), sys.argv[3]
deadline = time.monotonic() + seconds


def say(*words):
    print(*words, flush=True)


def give_up(what):
    say("TIMEOUT", what)
    sys.exit(2)


def find_application():
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == app_name and app.childCount > 0:
                return app
        time.sleep(0.2)
    give_up("no application named " + app_name)


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, -1)
    except NotImplementedError:
        return ""


def dump(node, depth=0, seen=[0]):
    seen[0] += 1
    if seen[0] > 5000 or depth > 40 or time.monotonic() > deadline:
        return
    say("NODE %s|%s|%s" % (node.getRoleName(), node.name, text_of(node).replace("\n", " ")))
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            dump(child, depth + 1)


dump(find_application())

loop = GLib.MainLoop()


def on_change(event):
    source = event.source
    if source is not None and source.getRole() == pyatspi.ROLE_STATUS_BAR:
        data = event.any_data if isinstance(event.any_data, str) else text_of(source)
        say("EVENT %s|%s|%s" % (event.type, source.name, data))
        if awaited in data:
            GLib.timeout_add(500, loop.quit)  # the other announcements of the same change


pyatspi.Registry.registerEventListener(on_change, "object:text-changed", "object:property-change:accessible-value")
timed_out = []
GLib.timeout_add(int(max(0.0, deadline - time.monotonic()) * 1000), lambda: timed_out.append(1) or loop.quit())
say("READY")
loop.run()
if timed_out:
    give_up("no announcement of " + awaited)
say("END")
