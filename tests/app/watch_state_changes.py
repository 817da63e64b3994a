#!/usr/bin/python3
"""Watches the accessibility bus as a screen reader does and prints each change of one state of the
elements of the program whose accessible name is --application: one line per event,

    the element's role <TAB> its name <TAB> 1 (the state came) or 0 (it went)

flushed as it comes, for the state named by --state ("checked"). Prints "watching" once its listener is
registered. Ends after --seconds.
"""

import argparse
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--application", default="")
    parser.add_argument("--state", default="checked")
    parser.add_argument("--seconds", type=float, default=30.0)
    arguments = parser.parse_args()
    try:
        import pyatspi
        from gi.repository import GLib
    except ImportError:
        return 2

    def changed(event):
        try:
            application = event.host_application
            if arguments.application and (application is None or application.name != arguments.application):
                return
            source = event.source
            name = " ".join((source.name or "").split())
            print("\t".join([source.getRoleName(), name, str(int(event.detail1 != 0))]), flush=True)
        except Exception as error:
            print("event not read: %s" % error, file=sys.stderr)

    pyatspi.Registry.registerEventListener(changed, "object:state-changed:" + arguments.state)
    print("watching", flush=True)
    GLib.timeout_add(int(arguments.seconds * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    return 0


if __name__ == "__main__":
    sys.exit(main())
