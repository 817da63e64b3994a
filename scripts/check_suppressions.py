#!/usr/bin/env python3
"""Reads the sanitizer reports of one run of a sanitizer build's suite for scripts/check-suppressions.sh.

  check_suppressions.py tsan-as-is JUNIT
      every ThreadSanitizer report of a run with the suppression file as it is, and every test that failed
      without one; fails when there is any.
  check_suppressions.py tsan-attribute SUPPRESSIONS JUNIT UNMATCHED_FILE
      a run without the file's called_from_lib entries: each report is put down to the entries that would
      have hidden it; the entries no report was put down to go to UNMATCHED_FILE.
  check_suppressions.py tsan-alone ENTRY JUNIT
      a run with every entry but ENTRY: the tests whose reports that entry alone would have hidden.
  check_suppressions.py lsan SUPPRESSIONS JUNIT
      a run with the file as it is: the entries each process said it used.
"""

import re
import sys
import xml.etree.ElementTree as ElementTree
from collections import defaultdict

REPORT = re.compile(r"WARNING: ThreadSanitizer:.*?\n(?:.*\n)*?.*SUMMARY: ThreadSanitizer.*")
# "#3 QObject::event(QEvent*) <null> (libQt6Core.so.6+0x2fa1b4)"; newer runtimes add the build id.
FRAME = re.compile(r"^\s*#(\d+) .*\(([^()\s]+)\+0x[0-9a-f]+\)(?:\s+\(BuildId: [0-9a-f]+\))?\s*$")
# What the sanitizer writes above a stack, known by how it starts: it writes such a line in pieces, so a
# line another thread of the program writes meanwhile may end up in its middle.
ACCESS = r"(?:Previous )?(?:(?:[Aa]tomic )?(?:[Ww]rite|[Rr]ead) of size|(?:[Mm]odifying|[Rr]ead-only) access of)"
HEADING = re.compile(r"^(?:WARNING: ThreadSanitizer:|  (?:" + ACCESS + r"|Mutex M\d+|and:|Location is|Thread T\d+"
                     r"|As if synchronized via sleep|Signal \d+ handler invoked|Cycle in lock order graph))")
# The stacks that end in the call a report is about: an access, the taking of a lock, or what a report
# shows straight under its warning (destroying a locked mutex, and where it was locked). Creation
# stacks of threads, mutexes and heap blocks do not count.
CALLING = re.compile(r"^(?:WARNING: ThreadSanitizer:|  (?:and:|" + ACCESS + r"|Mutex M\d+ (?:previously )?acquired))")


def normalized(output):
    """The output with a report that a failed expectation quoted (escaped, and as a diff) made plain."""
    return re.sub(r"^[-+](?=\s)", "", output.replace("\\n", "\n"), flags=re.M)


def reports(output):
    return REPORT.findall(normalized(output))


def stacks(report):
    """(heading, modules) for each stack of `report`, in order. A stack runs from a frame #0 to the next
    #0: a line between its frames that is not one, such as a warning another thread of the program wrote
    while the report was being written, neither ends it nor becomes its heading."""
    result = []
    heading = ""
    for line in report.splitlines():
        found = FRAME.match(line)
        if found:
            if found.group(1) == "0" or not result:
                result.append((heading, []))
            result[-1][1].append(found.group(2))
        elif HEADING.match(line):
            heading = line
    return result


def callers(report):
    """The modules that made the intercepted calls a report is about: in each access or locking stack
    whose top is the sanitizer's runtime, the frame just below it. A called_from_lib entry makes the
    sanitizer ignore exactly the calls whose caller is in its library; a frame of the library further down
    (our own function run from the library's event loop or bus) does not count."""
    found = set()
    for heading, modules in stacks(report):
        if not CALLING.search(heading) or not modules or not is_runtime(modules[0]):
            continue
        below = [module for module in modules if not is_runtime(module)]
        if below:
            found.add(below[0])
    return found


def is_runtime(module):
    return module.rsplit("/", 1)[-1].startswith(("libtsan", "libclang_rt.tsan"))


def names(pattern, module):
    """Whether a suppression's library pattern names `module`, as the sanitizer matches it: each part
    between '*' found in order, '^' and '$' anchoring."""
    parts = [re.escape(part) for part in pattern.strip("^$").split("*")]
    expression = ("^" if pattern.startswith("^") else "") + ".*".join(parts) + ("$" if pattern.endswith("$") else "")
    return re.search(expression, module) is not None


def entries(suppressions):
    result = []
    for line in open(suppressions):
        line = line.strip()
        if line and not line.startswith("#"):
            result.append(line)
    return result


def tests(junit):
    """(name, failed, output) of each test case of a ctest JUnit file."""
    result = []
    for case in ElementTree.parse(junit).getroot().iter("testcase"):
        output = "".join((node.text or "") for node in case.iter() if node.tag in ("system-out", "failure"))
        failed = case.get("status") == "fail" or case.find("failure") is not None
        result.append((case.get("name"), failed, output))
    return result


def tsan_as_is(junit):
    run = tests(junit)
    problems = []
    for name, failed, output in run:
        found = reports(output)
        for report in found:
            problems.append(f"--- {name}: a report the suppression file does not hide:\n{report}")
        if failed and not found:
            problems.append(f"--- {name}: failed without a report (rerun it alone):\n{output[-2000:]}")
    failed = sum(1 for test in run if test[1])
    print(f"With the suppression file as it is: {len(run)} tests, {failed} failed")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


def tsan_attribute(suppressions, junit, unmatched_file):
    listed = entries(suppressions)
    libraries = [entry.split(":", 1)[1] for entry in listed if entry.startswith("called_from_lib:")]
    matched = defaultdict(set)
    problems, notes = [], []
    run = tests(junit)
    for name, failed, output in run:
        found = reports(output)
        for report in found:
            hiding = {library for library in libraries for caller in callers(report) if names(library, caller)}
            for library in hiding:
                matched["called_from_lib:" + library].add(name)
            if not hiding:
                problems.append(f"--- {name}: a report no entry would hide:\n{report}")
        # Entries of other kinds count their matches themselves (print_suppressions=1).
        for _count, entry in re.findall(r"^(\d+) (\w+:\S+)$", normalized(output), re.M):
            matched[entry].add(name)
        if failed and not found:
            notes.append(f"(note) {name} failed without a report in this run")
    print(f"Without the called_from_lib entries: {len(run)} tests, {sum(1 for test in run if test[1])} failed")
    unmatched = summary(listed, matched, "  (tried alone below)")
    for line in notes + problems:
        print(line)
    with open(unmatched_file, "w") as out:
        out.write("".join(entry + "\n" for entry in unmatched))
    return 1 if problems else 0


def tsan_alone(entry, junit):
    kind, pattern = entry.split(":", 1)
    needing, others = set(), []
    for name, _failed, output in tests(junit):
        for report in reports(output):
            if kind == "called_from_lib" and any(names(pattern, caller) for caller in callers(report)):
                needing.add(name)
            else:
                others.append((name, report))
    if needing:
        print(f"MATCHED   {entry}  beside the others, in {len(needing)} tests: {', '.join(sorted(needing))}")
    else:
        print(f"UNMATCHED {entry}  also beside the others")
    # With every other entry in place, a report this entry would not hide is one the file would not hide.
    for name, report in others:
        print(f"--- {name}: a report no entry would hide (not called from {pattern}):\n{report}")
    return 0 if needing and not others else 1


def lsan(suppressions, junit):
    listed = entries(suppressions)
    matched = defaultdict(set)
    hard, soft = [], []
    run = tests(junit)
    for name, failed, output in run:
        used = r"Suppressions used:\n\s*count\s+bytes\s+template\n((?:\s*\d+\s+\d+\s+\S+\n)*)"
        for block in re.findall(used, output):
            for _count, _size, template in re.findall(r"^\s*(\d+)\s+(\d+)\s+(\S+)$", block, re.M):
                matched["leak:" + template].add(name)
        if failed:
            only_lists = "CHILD SANITIZER REPORT" in output and not re.search(
                r"ERROR: (Address|Leak)Sanitizer|runtime error:", output)
            if only_lists:
                soft.append(f"--- {name}: fails only because a child listed the suppressions it used")
            else:
                hard.append(f"--- {name}: fails:\n{output[-4000:]}")
    print(f"{len(run)} tests, {sum(1 for test in run if test[1])} failed")
    unmatched = summary(listed, matched, "")
    for line in soft + hard:
        print(line)
    return 1 if unmatched or hard else 0


def summary(listed, matched, unmatched_suffix):
    """Prints each entry with the tests where it matched; returns those that matched nowhere."""
    unmatched = []
    for entry in listed:
        where = sorted(matched.get(entry, ()))
        if where:
            more = " ..." if len(where) > 200 else ""
            print(f"MATCHED   {entry}  in {len(where)} tests: {', '.join(where[:200])}{more}")
        else:
            unmatched.append(entry)
            print(f"UNMATCHED {entry}{unmatched_suffix}")
    for entry in sorted(set(matched) - set(listed)):
        print(f"(matched, not in the file) {entry}: {', '.join(sorted(matched[entry])[:8])}")
    return unmatched


def main(argv):
    modes = {"tsan-as-is": tsan_as_is, "tsan-attribute": tsan_attribute, "tsan-alone": tsan_alone, "lsan": lsan}
    if len(argv) < 2 or argv[1] not in modes:
        print(__doc__, file=sys.stderr)
        return 2
    return modes[argv[1]](*argv[2:])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
