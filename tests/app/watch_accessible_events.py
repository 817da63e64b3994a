#!/usr/bin/python3
"""Watches the accessibility bus as a screen reader does and prints what it is told of elements coming and
going in the program whose accessible name is --application: one line per event,

    add|remove <TAB> the parent's role <TAB> the child's role (empty when it can no longer be asked)

flushed as it comes. Prints "watching" once its listener is registered; a program started after that
line sends these events from its start. Ends after --seconds.
"""

import argparse
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--application", default="")
    parser.add_argument("--seconds", type=float, default=30.0)
    arguments = parser.parse_args()
    try:
        import pyatspi
        from gi.repository import GLib
    except ImportError:
        return 2

    def role(node):
        try:
            return node.getRoleName() if node is not None else ""
        except Exception:  # gone already: a menu deleted as it closed
            return ""

    def changed(event):
        try:
            application = event.host_application
            if arguments.application and (application is None or application.name != arguments.application):
                return
            kind = event.type.minor or ""
            if kind not in ("add", "remove"):
                return
            print("\t".join([kind, role(event.source), role(event.any_data)]), flush=True)
        except Exception as error:
            print("event not read: %s" % error, file=sys.stderr)

    pyatspi.Registry.registerEventListener(changed, "object:children-changed")
    # A screen reader listens for the elements that show and hide as well; some programs tell of an
    # element going only to such a listener.
    pyatspi.Registry.registerEventListener(lambda event: None, "object:state-changed:showing")
    print("watching", flush=True)
    GLib.timeout_add(int(arguments.seconds * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    return 0


if __name__ == "__main__":
    sys.exit(main())
