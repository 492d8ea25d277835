#!/usr/bin/python3
"""Walks the wizard with the Enter key as a screen-reader user would, and listens to what a
screen reader hears: the focus, name and description events of the accessibility bus.

usage: walk.py <program>   (in the working directory the program reads ds.conf from, on an X
display and a session bus with the accessibility bus; walk.sh sets all of that up)

On each page the focus must land on a named control, never on Reset or a bare page, and the
page's status must be heard: in the description of the focused control or of its page as the
focus arrives, or, on the Paths page, as the verdict changes while a user types."""
import os
import subprocess
import sys

import pyatspi
from gi.repository import GLib

STEP_SECONDS = 30
RETURN, SPACE, BACKSPACE, X = 0xFF0D, 0x20, 0xFF08, 0x78
# Per step: the focus awaited (role, name), where its status is heard (the focus's description,
# its page's, or a change of the focus's description since the last keys), a text of that
# status, and the keys then pressed.
STEPS = [
    ("Welcome", "radio button", "Retail Version", "focus", "please select which variant",
     [RETURN]),
    ("Gather", "push button", "Continue", "focus", "UT3 found; ", [RETURN]),
    ("Paths", "text", "Path to UT3.exe:", "focus", "The specified location appears to be valid",
     [X]),
    ("Paths, a letter typed", "text", "Path to UT3.exe:", "change",
     "The specified file does not exist.", [BACKSPACE]),
    ("Paths, the letter taken back", "text", "Path to UT3.exe:", "change",
     "The specified location appears to be valid", [RETURN]),
    ("Ready", "radio button", "Desktop and Start Menu", "page", "The installed files will use",
     [RETURN]),
    ("Copy", "push button", "Continue", "focus", "Finished copying", [RETURN]),
    # The first extra opens a web page: Space clears it, so that Close opens nothing.
    ("Final", "check box", "Visit the website of The Duskmere", "page",
     "Important Note for Windows Vista Users", [SPACE, RETURN]),
]


def read(accessible, what):
    """A name, description or role as the screen reader gets it; empty once the object is gone."""
    try:
        return (accessible.getRoleName() if what == "role" else getattr(accessible, what)) or ""
    except Exception:
        return ""


def page_of(accessible):
    """The nearest named container: the page around a control, the window around the buttons."""
    try:
        parent = accessible.parent
        while parent is not None and not read(parent, "name"):
            parent = parent.parent
        return parent
    except Exception:
        return None


class Heard:
    """What a screen reader was told, in order, written out as it comes."""

    def append(self, line):
        print(line, flush=True)


class Walk:
    def __init__(self, program):
        self.heard = Heard()
        self.failure = None
        self.focus = None
        self.changes = []  # the focus's descriptions since the last keys
        self.step_index = -1  # -1: the window has not been made active yet
        self.ticks = 0
        self.process = subprocess.Popen([program], env=dict(
            os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb"))

    def stop(self, failure=None):
        if failure and self.failure is None:
            self.failure = failure
        pyatspi.Registry.stop()
        return False

    def on_focus(self, event):
        if not event.detail1:
            return
        if event.source != self.focus:
            self.changes = []
        self.focus = event.source
        role, name = read(event.source, "role"), read(event.source, "name")
        page = page_of(event.source)
        self.heard.append("focus: %s %r (%r) in %r (%r)" % (
            role, name, read(event.source, "description"), read(page, "name"),
            read(page, "description")))
        if not name:
            self.stop("the focus landed on a %s without a name" % role)
        elif role in ("filler", "panel"):
            self.stop("the focus landed on the bare page %r" % name)
        elif name == "Reset":
            self.stop("the focus landed on Reset")

    def on_change(self, event):
        # The event names the object only (Qt sends no text with it): read what it says now.
        what = event.type.split("-")[-1]
        text = read(event.source, what)
        if what == "description" and event.source == self.focus:
            self.changes.append(text)
        self.heard.append("%s: %s %r: %r" % (what, read(event.source, "role"),
                                             read(event.source, "name"), text))

    def tick(self):
        """Goes on with the walk, every fifth of a second, until it ends."""
        try:
            return self.step()
        except Exception as error:  # a fault of the walk itself must end it too
            return self.stop("the walk broke down: %r" % error)

    def step(self):
        if self.failure is not None:
            return False
        if self.step_index == len(STEPS):
            if self.process.poll() is None:
                return self.wait("the wizard did not end on Close")
            if self.process.returncode != 0:
                return self.stop("the wizard ended with exit code %d" % self.process.returncode)
            return self.stop()
        if self.process.poll() is not None:
            return self.stop("the wizard ended early, exit code %d" % self.process.returncode)
        if self.step_index < 0:
            return self.activate()
        title, role, name, holder, status, keys = STEPS[self.step_index]
        focus = self.focus
        if read(focus, "role") != role or read(focus, "name") != name:
            return self.wait("%s: no focus on the %s %r" % (title, role, name))
        if holder == "change":
            heard = " ".join(self.changes)
        else:
            heard = read(focus if holder == "focus" else page_of(focus), "description")
        if status not in heard:
            return self.wait("%s: the status %r was not heard" % (title, status))
        self.heard.append("== %s: pressing %s" % (title, ", ".join(map(hex, keys))))
        self.changes = []
        for key in keys:
            pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_SYM)
        self.step_index += 1
        self.ticks = 0
        return True

    def activate(self):
        """Makes the window active, as a window manager would (Xvfb runs none): a click on the
        logo, which takes no focus itself."""
        for application in pyatspi.Registry.getDesktop(0):
            for window in application:
                if read(window, "name") != "The Duskmere Setup":
                    continue
                logo = pyatspi.findDescendant(window, lambda a: read(a, "role") == "image")
                if logo is None:
                    break
                box = logo.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                pyatspi.Registry.generateMouseEvent(box.x + box.width // 2,
                                                    box.y + box.height // 2, "b1c")
                self.step_index = 0
                return True
        return self.wait("the wizard's window did not show")

    def wait(self, failure):
        self.ticks += 1
        return True if self.ticks < STEP_SECONDS * 5 else self.stop(failure)


def main():
    walk = Walk(sys.argv[1])
    pyatspi.Registry.registerEventListener(walk.on_focus, "object:state-changed:focused")
    pyatspi.Registry.registerEventListener(walk.on_change,
                                           "object:property-change:accessible-name",
                                           "object:property-change:accessible-description")
    GLib.timeout_add(200, walk.tick)
    GLib.timeout_add_seconds(200, lambda: walk.stop("the walk took too long"))
    pyatspi.Registry.start()
    if walk.process.poll() is None:
        walk.process.kill()
    if walk.failure:
        print("FAIL: " + walk.failure)
        return 1
    print("== on every page the focus was named and the status heard")
    return 0


if __name__ == "__main__":
    sys.exit(main())
