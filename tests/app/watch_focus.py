#!/usr/bin/python3
"""Tells each move of the keyboard focus in the running program, as a screen reader hears of it.

Prints "ready" once it listens, then one line each time a widget of the application named --application
gains the focus:
    role <TAB> name <TAB> x <TAB> y <TAB> width <TAB> height <TAB> showing <TAB> whole <TAB> description
with the place in screen coordinates; showing is 1 when the bus calls the widget showing, whole is 1 when
the widget lies inside every widget around it up to its window (a control scrolled out of its page lies
outside the page's view). Runs until it is ended.
"""

import argparse
import sys


def clean(text):
    return " ".join((text or "").split())


def extents(pyatspi, node):
    try:
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (box.x, box.y, box.width, box.height)
    except Exception:
        return None


def inside(inner, outer):
    return (outer[0] <= inner[0] and outer[1] <= inner[1] and inner[0] + inner[2] <= outer[0] + outer[2]
            and inner[1] + inner[3] <= outer[1] + outer[3])


def whole(pyatspi, node, place):
    """Whether `place` lies inside each ancestor with a size, up to the window (a bounded walk)."""
    if place is None or place[2] <= 0 or place[3] <= 0:
        return False
    ancestor = node
    for _ in range(40):
        try:
            ancestor = ancestor.parent
            role = ancestor.getRole() if ancestor is not None else None
        except Exception:
            return False
        if ancestor is None or role == pyatspi.ROLE_APPLICATION:
            return True
        around = extents(pyatspi, ancestor)
        if around is not None and around[2] > 0 and around[3] > 0 and not inside(place, around):
            return False
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--application", default="", help="the application's accessible name")
    arguments = parser.parse_args()
    try:
        import pyatspi
    except ImportError:
        return 2

    def gained(event):
        if not event.detail1:
            return
        node = event.source
        try:
            if arguments.application and node.getApplication().name != arguments.application:
                return
            role, name = node.getRoleName(), clean(node.name)
            description = clean(node.description)
            showing = node.getState().contains(pyatspi.STATE_SHOWING)
        except Exception as error:  # the widget may have gone already
            print("lookup failed: %s" % error, file=sys.stderr)
            return
        place = extents(pyatspi, node)
        columns = [role, name] + [str(v) for v in (place or (0, 0, 0, 0))]
        columns += [str(int(showing)), str(int(whole(pyatspi, node, place))), description]
        print("\t".join(columns), flush=True)

    pyatspi.Registry.registerEventListener(gained, "object:state-changed:focused")
    print("ready", flush=True)
    pyatspi.Registry.start()
    return 0


if __name__ == "__main__":
    sys.exit(main())
