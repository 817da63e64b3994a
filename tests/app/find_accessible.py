#!/usr/bin/python3
"""Finds widgets of the running program through the accessibility bus, as a screen reader sees them.

Prints one line per widget whose role and name match (an empty argument matches any):
    role <TAB> name <TAB> x <TAB> y <TAB> width <TAB> height <TAB> showing (1 or 0)
with the place in screen coordinates. Looks again until something matches or --seconds pass, then exits
0 when something matched and 1 when nothing did. --check only tells whether the bindings can be loaded.
--parent NAME keeps only the widgets whose parent is named NAME.

--details adds four columns: the widget's states and its actions (each a comma-separated list of names
as the bus gives them, "checked", "Toggle"), its value as current/minimum/maximum/step (empty when it
has none), and its description (white space run together, as for the name). --action NAME then does
that action on every widget that matches, as a screen reader would.

--after reads the details of each widget once its action has changed them, not before: the bridge answers
an action before the program carries it out, so they are read again until they differ from those read
just before the action, the widget goes away, or --seconds pass.
"""

import argparse
import sys
import time


def widgets(node, depth=0):
    # A deep or cyclic tree from a faulty bridge must not keep the test waiting.
    if node is None or depth > 40:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for index in range(min(count, 2000)):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        yield from widgets(child, depth + 1)


def describe(pyatspi, node):
    try:
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        place = (extents.x, extents.y, extents.width, extents.height)
    except Exception:
        place = (0, 0, 0, 0)
    try:
        showing = node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        showing = False
    return place, showing


def details(pyatspi, node):
    try:
        states = ",".join(pyatspi.stateToString(state).lower() for state in node.getState().getStates())
    except Exception:
        states = ""
    try:
        action = node.queryAction()
        actions = ",".join(action.getName(index) for index in range(action.nActions))
    except Exception:
        actions = ""
    try:
        value = node.queryValue()
        number = "%g/%g/%g/%g" % (value.currentValue, value.minimumValue, value.maximumValue,
                                  value.minimumIncrement)
    except Exception:
        number = ""
    try:
        description = clean(node.description)
    except Exception:
        description = ""
    return [states, actions, number, description]


def inside(node, name):
    try:
        return node.parent is not None and clean(node.parent.name) == name
    except Exception:
        return False


def act(node, name):
    try:
        action = node.queryAction()
        for index in range(action.nActions):
            if action.getName(index) == name:
                return action.doAction(index)
    except Exception as error:
        print("action failed: %s" % error, file=sys.stderr)
    return False


def details_after(pyatspi, node, before, deadline):
    """The widget's details once they differ from `before`; the last ones read when they never do."""
    latest = before
    while True:
        now = details(pyatspi, node)
        gone = not now[0] or "defunct" in now[0].split(",")
        if not gone:
            latest = now
        if gone or latest != before or time.monotonic() >= deadline:
            return latest
        time.sleep(0.02)


def clean(text):
    return " ".join((text or "").split())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--role", default="")
    parser.add_argument("--name", default="")
    parser.add_argument("--application", default="", help="the application's accessible name")
    parser.add_argument("--seconds", type=float, default=5.0)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--details", action="store_true")
    parser.add_argument("--action", default="")
    parser.add_argument("--parent", default="", help="only widgets inside a widget of this name")
    parser.add_argument("--after", action="store_true")
    arguments = parser.parse_args()
    try:
        import pyatspi
    except ImportError:
        return 2
    if arguments.check:
        return 0

    deadline = time.monotonic() + arguments.seconds
    while True:
        found = []
        try:
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                application = desktop.getChildAtIndex(index)
                if application is None:
                    continue
                if arguments.application and application.name != arguments.application:
                    continue
                for node in widgets(application):
                    try:
                        role, name = node.getRoleName(), clean(node.name)
                    except Exception:
                        continue
                    if arguments.role and role != arguments.role:
                        continue
                    if arguments.name and name != arguments.name:
                        continue
                    if arguments.parent and not inside(node, arguments.parent):
                        continue
                    place, showing = describe(pyatspi, node)
                    columns = [role, name] + [str(v) for v in place] + [str(int(showing))]
                    if arguments.details and not arguments.after:
                        columns += details(pyatspi, node)
                    if arguments.action:
                        before = details(pyatspi, node) if arguments.after else None
                        act(node, arguments.action)
                        if arguments.after:
                            columns += details_after(pyatspi, node, before,
                                                     time.monotonic() + arguments.seconds)
                    found.append("\t".join(columns))
        except Exception as error:  # the program may be between two states of its tree
            print("lookup failed: %s" % error, file=sys.stderr)
        if found or time.monotonic() >= deadline:
            break
        time.sleep(0.1)
    for line in found:
        print(line)
    return 0 if found else 1


if __name__ == "__main__":
    sys.exit(main())
