#!/usr/bin/env python3
"""What scripts/check_suppressions.py makes of ThreadSanitizer reports: which library's entry would hide
each, read from the frame that made the intercepted call."""

import contextlib
import io
import os
import sys
import tempfile
import unittest
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import check_suppressions  # noqa: E402

# Our timer task on the main thread, run by Qt's event delivery, against a write of another thread of ours.
OUR_TIMER_RACE = """\
==================
WARNING: ThreadSanitizer: data race (pid=4242)
  Write of size 4 at 0x7ffd1c2e4a10 by main thread:
    #0 operator() /work/tests/planted/PlantedRaceTest.cpp:24 (test_planted_race+0x1a2b3)
    #1 QtPrivate::QFunctorSlotObject<...>::impl(int, QtPrivate::QSlotObjectBase*, QObject*, void**, bool*) qobjectdefs_impl.h:443 (test_planted_race+0x1b2c3)
    #2 <null> <null> (libQt6Core.so.6+0x2f1e45)
    #3 QTimer::timeout(QTimer::QPrivateSignal) <null> (libQt6Core.so.6+0x2fd1a0)
    #4 QObject::event(QEvent*) <null> (libQt6Core.so.6+0x2e3b3a)
    #5 QApplicationPrivate::notify_helper(QObject*, QEvent*) <null> (libQt6Widgets.so.6+0x18d8ae)
    #6 main /work/tests/support/TestMain.cpp:70 (test_planted_race+0x1c3d4)

  Previous write of size 4 at 0x7ffd1c2e4a10 by thread T3:
    #0 operator() /work/tests/planted/PlantedRaceTest.cpp:28 (test_planted_race+0x1a3c4)
    #1 std::thread::_State_impl<...>::_M_run() std_thread.h:244 (test_planted_race+0x1a4d5)
    #2 <null> <null> (libstdc++.so.6+0xd44a2)

  Location is stack of main thread.

  Thread T3 (tid=4250, finished) created by main thread at:
    #0 pthread_create ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1001 (libtsan.so.2+0x5e686)
    #1 std::thread::_M_start_thread(...) <null> (libstdc++.so.6+0xd4578)
    #2 operator() PlantedRaceTest.cpp:27 (test_planted_race+0x1a1b2)

SUMMARY: ThreadSanitizer: data race /work/tests/planted/PlantedRaceTest.cpp:24 in operator()
==================
"""

# A copy libQt6Core makes on the bus thread against a free libQt6DBus makes on the main thread; the heap
# block was allocated by libdbus, whose entry that does not make it hide the race.
LIBRARY_COPY_RACE = """\
==================
WARNING: ThreadSanitizer: data race (pid=77)
  Read of size 8 at 0x7b0c00001230 by thread T2 (mutexes: write M0):
    #0 memcpy ../../../../src/libsanitizer/sanitizer_common/sanitizer_common_interceptors.inc:827 (libtsan.so.2+0x62b8a)
    #1 QByteArray::QByteArray(char const*, long long) <null> (libQt6Core.so.6+0x11a2b3)
    #2 pelko::Reader::take() /work/src/Reader.cpp:40 (pelko+0x4a5b6)

  Previous write of size 8 at 0x7b0c00001230 by main thread:
    #0 free ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:725 (libtsan.so.2+0x4c1d2)
    #1 <null> <null> (libQt6DBus.so.6+0x5e6f7) (BuildId: 0a1b2c3d)
    #2 pelko::Bus::reply() /work/src/Bus.cpp:12 (pelko+0x4b6c7)

  Location is heap block of size 64 at 0x7b0c00001200 allocated by main thread:
    #0 malloc ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:666 (libtsan.so.2+0x4b3a1)
    #1 dbus_malloc <null> (libdbus-1.so.3+0x3c4d5)

  Mutex M0 (0x7b0800000040) created at:
    #0 pthread_mutex_init ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1295 (libtsan.so.2+0x5a1b2)
    #1 <null> <null> (libglib-2.0.so.0+0x9c8d7)

SUMMARY: ThreadSanitizer: data race (libQt6Core.so.6+0x11a2b3) in QByteArray::QByteArray(char const*, long long)
==================
"""


def interrupted(report, after_line):
    """`report` with a line the program wrote while it was being written, after the line `after_line`
    starts with."""
    lines = report.splitlines(keepends=True)
    at = next(i for i, line in enumerate(lines) if line.startswith(after_line)) + 1
    return "".join(lines[:at] + ["This plugin does not support raise()\n"] + lines[at:])


# X's display lock, locked through libxcb and seen still held when libX11 destroys it; the lock's own
# stack follows under "and:".
DESTROY_OF_A_LOCKED_MUTEX = """\
==================
WARNING: ThreadSanitizer: destroy of a locked mutex (pid=901)
    #0 pthread_mutex_destroy ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1340 (libtsan.so.2+0x5c3d4)
    #1 XCloseDisplay <null> (libX11.so.6+0x2a3b4)
    #2 pelko::X11RawMotion::~X11RawMotion() /work/src/platform/real/X11RawMotion.cpp:88 (pelko+0x6a7b8)

  and:
    #0 pthread_mutex_lock ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1342 (libtsan.so.2+0x5e3a1)
    #1 <null> <null> (libxcb.so.1+0x1f2e3)
    #2 _XLockDisplay <null> (libX11.so.6+0x4b5c6)

  Mutex M12 (0x7b3800000100) created at:
    #0 pthread_mutex_init ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1295 (libtsan.so.2+0x5a1b2)
    #1 XInitThreads <null> (libX11.so.6+0x4a1b2)

SUMMARY: ThreadSanitizer: destroy of a locked mutex (libX11.so.6+0x2a3b4) in XCloseDisplay
==================
"""

LOCK_ORDER_INVERSION = """\
==================
WARNING: ThreadSanitizer: lock-order-inversion (potential deadlock) (pid=55)
  Cycle in lock order graph: M3 (0x7b1000000018) => M4 (0x7b1000000058) => M3

  Mutex M4 acquired here while holding mutex M3 in thread T1:
    #0 pthread_mutex_lock ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1342 (libtsan.so.2+0x5e3a1)
    #1 <null> <null> (libdbus-1.so.3+0x3a2b1)

  Mutex M3 previously acquired by the same thread here:
    #0 pthread_mutex_lock ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1342 (libtsan.so.2+0x5e3a1)
    #1 pelko::Queue::push() /work/src/Queue.cpp:20 (pelko+0x5a6b7)

  Mutex M4 (0x7b1000000058) created at:
    #0 pthread_mutex_init ../../../../src/libsanitizer/tsan/tsan_interceptors_posix.cpp:1295 (libtsan.so.2+0x5a1b2)
    #1 <null> <null> (libQt6Core.so.6+0x9c8d7)

SUMMARY: ThreadSanitizer: lock-order-inversion (potential deadlock) (libdbus-1.so.3+0x3a2b1)
==================
"""


class CallersTest(unittest.TestCase):
    def test_a_report_is_put_down_to_the_modules_that_made_its_intercepted_calls(self):
        cases = [
            ("our timer task run from Qt's event delivery", OUR_TIMER_RACE, set()),
            ("a copy and a free made by two libraries", LIBRARY_COPY_RACE, {"libQt6Core.so.6", "libQt6DBus.so.6"}),
            ("a line written between a heading and its first frame",
             interrupted(LIBRARY_COPY_RACE, "  Read of size"), {"libQt6Core.so.6", "libQt6DBus.so.6"}),
            ("a line written between a stack's first two frames",
             interrupted(LIBRARY_COPY_RACE, "    #0 memcpy"), {"libQt6Core.so.6", "libQt6DBus.so.6"}),
            ("a line written between the runtime's frame and ours",
             interrupted(interrupted(OUR_TIMER_RACE, "    #0 operator()"), "    #3 QTimer"), set()),
            ("a destroyed locked mutex and where it was locked", DESTROY_OF_A_LOCKED_MUTEX,
             {"libX11.so.6", "libxcb.so.1"}),
            ("a line written into the middle of a heading",
             LIBRARY_COPY_RACE.replace("by thread T2 (mutexes", "by thread T2This plugin does not support raise()\n (mutexes"),
             {"libQt6Core.so.6", "libQt6DBus.so.6"}),
            ("a lock order of one library's lock and ours", LOCK_ORDER_INVERSION, {"libdbus-1.so.3", "pelko"}),
        ]
        for name, report, expected in cases:
            with self.subTest(name):
                self.assertEqual(check_suppressions.callers(report), expected)

    def test_a_report_interrupted_by_a_line_of_the_program_is_found_whole(self):
        output = "Pelko: started\n" + interrupted(LIBRARY_COPY_RACE, "    #1 QByteArray") + "Pelko: quit\n"
        found = check_suppressions.reports(output)
        self.assertEqual(len(found), 1)
        self.assertIn("This plugin does not support raise()", found[0])
        self.assertTrue(found[0].endswith("in QByteArray::QByteArray(char const*, long long)"))

    def test_a_report_quoted_by_a_failed_expectation_is_read_as_the_helper_printed_it(self):
        quoted = "Value of: errors\\n" + "".join(
            "+" + line + "\\n" for line in DESTROY_OF_A_LOCKED_MUTEX.splitlines())
        found = check_suppressions.reports(quoted)
        self.assertEqual(len(found), 1)
        self.assertEqual(check_suppressions.callers(found[0]), {"libX11.so.6", "libxcb.so.1"})


def junit(folder, cases):
    """A ctest JUnit file of (name, failed, output) cases in `folder`; its path."""
    path = os.path.join(folder, "run.xml")
    with open(path, "w") as out:
        out.write("<testsuite>")
        for name, failed, output in cases:
            out.write(f'<testcase name="{name}" status="{"fail" if failed else "run"}">'
                      f"<system-out>{escape(output)}</system-out></testcase>")
        out.write("</testsuite>")
    return path


class VerdictTest(unittest.TestCase):
    def verdict(self, mode, *arguments):
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            status = check_suppressions.main(["check_suppressions.py", mode, *arguments])
        return status, printed.getvalue()

    def test_a_run_with_the_file_as_it_is_fails_on_any_report_or_failed_test(self):
        cases = [
            ("a report of a library", [("BusTest.Reads", True, LIBRARY_COPY_RACE)], 1),
            ("a failure without a report", [("BarTest.Shows", True, "Expected: 3\nWhich is: 4\n")], 1),
            ("passing tests", [("BarTest.Shows", False, "[ OK ]\n"), ("BusTest.Reads", False, "")], 0),
        ]
        for name, tests, expected in cases:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                status, printed = self.verdict("tsan-as-is", junit(folder, tests))
                self.assertEqual(status, expected, printed)

    def test_an_entry_taken_out_alone_is_needed_only_by_the_reports_its_library_called(self):
        cases = [
            ("called_from_lib:libX11.so.6", [DESTROY_OF_A_LOCKED_MUTEX], 0, "MATCHED   called_from_lib:libX11.so.6"),
            ("called_from_lib:libQt6Core.so.6", [OUR_TIMER_RACE], 1, "UNMATCHED called_from_lib:libQt6Core.so.6"),
            ("called_from_lib:libX11.so.6", [DESTROY_OF_A_LOCKED_MUTEX, OUR_TIMER_RACE], 1,
             "a report no entry would hide (not called from libX11.so.6)"),
        ]
        for entry, found, expected, line in cases:
            with self.subTest(entry=entry, reports=len(found)), tempfile.TemporaryDirectory() as folder:
                status, printed = self.verdict("tsan-alone", entry, junit(folder, [("XTest.Ends", True, "".join(found))]))
                self.assertEqual(status, expected, printed)
                self.assertIn(line, printed)

    def test_each_entry_is_named_with_the_tests_whose_reports_its_library_called(self):
        with tempfile.TemporaryDirectory() as folder:
            suppressions = os.path.join(folder, "suppressions.txt")
            with open(suppressions, "w") as out:
                out.write("# why\ncalled_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6DBus.so.6\n"
                          "called_from_lib:libdbus-1.so.3\ncalled_from_lib:libX11.so.6\n")
            unmatched = os.path.join(folder, "unmatched.txt")
            run = junit(folder, [("BusTest.Reads", True, LIBRARY_COPY_RACE),
                                 ("BusTest.Replies", True, LIBRARY_COPY_RACE),
                                 ("TimerTest.Fires", True, OUR_TIMER_RACE)])
            status, printed = self.verdict("tsan-attribute", suppressions, run, unmatched)
            self.assertEqual(status, 1)
            self.assertIn("MATCHED   called_from_lib:libQt6Core.so.6  in 2 tests: BusTest.Reads, BusTest.Replies\n",
                          printed)
            self.assertIn("MATCHED   called_from_lib:libQt6DBus.so.6  in 2 tests", printed)
            self.assertIn("--- TimerTest.Fires: a report no entry would hide:", printed)
            with open(unmatched) as found:
                self.assertEqual(found.read(), "called_from_lib:libdbus-1.so.3\ncalled_from_lib:libX11.so.6\n")


class NamesTest(unittest.TestCase):
    def test_a_library_pattern_names_a_module_as_the_sanitizer_matches_it(self):
        cases = [
            ("libQt6Core.so.6", "libQt6Core.so.6", True),
            ("libQt6Core.so.6", "/usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2", True),
            ("libQt6Core.so.6", "libQt6DBus.so.6", False),
            ("libX11.so.6", "libX11-xcb.so.1", False),
            ("libQt6*.so.6", "libQt6Gui.so.6", True),
            ("^libxcb", "libxcb-xfixes.so.0", True),
            ("^libxcb", "/lib/libxcb.so.1", False),
            ("libxcb.so.1$", "libxcb.so.1.1.0", False),
        ]
        for pattern, module, expected in cases:
            with self.subTest(pattern=pattern, module=module):
                self.assertEqual(check_suppressions.names(pattern, module), expected)


if __name__ == "__main__":
    unittest.main()
