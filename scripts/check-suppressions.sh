#!/usr/bin/env bash
# Runs the test suite of a sanitizer build so that every entry of the project's suppression files shows
# whether it is still needed, and in which tests.
#   scripts/check-suppressions.sh BUILD_DIR [OUTPUT_DIR] [-- CTEST_ARGS...]
# BUILD_DIR is a configured and built tree with -DPELKO_TSAN=ON or -DPELKO_SANITIZE=ON; OUTPUT_DIR (a new
# folder under /tmp unless told) keeps the run's JUnit file, ctest's log and the summary. CHECK_JOBS sets
# ctest's -j (4 unless told).
#
# ThreadSanitizer: a called_from_lib entry makes the sanitizer ignore the interceptors (allocation, copies,
# locks) the library calls, and it never counts how often that hid something: print_suppressions lists
# report suppressions only. So the suite runs once with the called_from_lib entries taken out (any other
# entry stays, with print_suppressions=1), and every report is put down to the entries that would have
# hidden it: those naming the library that called the sanitizer's interceptor in one of its access stacks.
# Tests fail in this run by design. A report no entry would hide is printed whole: that is a fault of
# ours, or of a library not listed, and the script then fails. Some entries are needed only beside
# others (a lock two libraries share, whose taking one entry hides, is then seen still held where the
# other library ends it): each entry no report was put down to is taken out alone, the others kept, for
# one more run of the suite, and the tests that need it are those with a report whose stacks hold a frame
# of that library; a report without one is not put down to the entry: with every other entry in place it
# is one the file would not hide, printed whole, and the script then fails.
# LeakSanitizer: the suite runs with the suppressions in place and print_suppressions=1; each process
# lists the entries it used, the test binaries on their standard error and the programs they start in the
# report folder the test binary prints under the test's name (a test whose child used a suppression then
# fails, which the summary says). The suite should otherwise pass.
# Either way the summary names each entry with the tests where it matched, or as never matched, and the
# script fails when an entry never matched.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
  echo "usage: $0 BUILD_DIR [OUTPUT_DIR] [-- CTEST_ARGS...]" >&2
  exit 2
fi
build="$(cd "$1" && pwd)"
shift
out=""
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
  out="$1"
  shift
fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
[ -n "$out" ] || out="$(mktemp -d /tmp/check-suppressions.XXXXXX)"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

callers_tsan_options="${TSAN_OPTIONS:+$TSAN_OPTIONS:}"
if grep -q '^PELKO_TSAN:BOOL=ON$' "$build/CMakeCache.txt"; then
  kind=tsan
  file="$here/tests/tsan-suppressions.txt"
  grep -v '^called_from_lib:' "$file" >"$out/without-libraries.txt"
  export TSAN_OPTIONS="${callers_tsan_options}suppressions=$out/without-libraries.txt:print_suppressions=1"
elif grep -q '^PELKO_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt"; then
  kind=lsan
  file="$here/tests/lsan-suppressions.txt"
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=1"
else
  echo "$build is not a sanitizer build (-DPELKO_TSAN=ON or -DPELKO_SANITIZE=ON)" >&2
  exit 2
fi

echo "Running the $kind suite of $build; output in $out"
status=0
ctest --test-dir "$build" -j"${CHECK_JOBS:-4}" --timeout 300 --output-junit "$out/junit.xml" \
  --test-output-size-passed 67108864 --test-output-size-failed 67108864 "$@" >"$out/ctest.log" 2>&1 ||
  status=$?
grep -E '^[0-9]+% tests passed|^Total Test time' "$out/ctest.log" || true
echo "(ctest exited with $status)"

verdict=0
python3 - "$kind" "$file" "$out/junit.xml" "$out/unmatched.txt" <<'EOF' | tee "$out/summary.txt" || verdict=1
import re
import sys
import xml.etree.ElementTree as ElementTree
from collections import defaultdict

kind, suppressions, junit, unmatched_file = sys.argv[1:5]
entries = []
for line in open(suppressions):
    line = line.strip()
    if line and not line.startswith("#"):
        entries.append(line)

tests = []  # (name, status, output)
for case in ElementTree.parse(junit).getroot().iter("testcase"):
    output = "".join((node.text or "") for node in case.iter() if node.tag in ("system-out", "failure"))
    failed = case.get("status") == "fail" or case.find("failure") is not None
    tests.append((case.get("name"), failed, output))

matched = defaultdict(set)
problems = []
frame = re.compile(r"^\s*#(\d+) .*\(([^()+]+)\+0x[0-9a-f]+\)\s*$")

if kind == "tsan":
    libraries = [e.split(":", 1)[1] for e in entries if e.startswith("called_from_lib:")]
    for name, failed, output in tests:
        # A helper's report may also be quoted by a failed expectation: escaped, and as a diff.
        output = re.sub(r"^[-+](?=\s)", "", output.replace("\\n", "\n"), flags=re.M)
        for report in re.findall(r"WARNING: ThreadSanitizer:.*?\n(?:.*\n)*?.*SUMMARY: ThreadSanitizer.*", output):
            # An access or locking stack (after a "Write of size" or "Mutex M1 acquired here" line, or
            # straight under the warning) that starts in the sanitizer's runtime is an interceptor call;
            # the first module after the runtime called it, and that library's entry would have hidden
            # the access. Creation stacks of threads and mutexes do not count.
            callers = set()
            stack, heading = [], ""
            for line in report.splitlines() + [""]:
                found = frame.match(line)
                if found:
                    stack.append(found.group(2).rsplit("/", 1)[-1])
                    continue
                if stack and stack[0].startswith("libtsan") and re.search(
                        r"(?i)(read|write) of size|acquired here|WARNING: ThreadSanitizer", heading):
                    callers.update([m for m in stack if not m.startswith("libtsan")][:1])
                stack = []
                if line.strip():
                    heading = line
            hiding = {lib for lib in libraries for caller in callers if lib in caller}
            for lib in hiding:
                matched["called_from_lib:" + lib].add(name)
            if not hiding:
                problems.append((name, report))
        for count, entry in re.findall(r"^(\d+) (\w+:\S+)$", output, re.M):
            matched[entry].add(name)
        if failed and "WARNING: ThreadSanitizer" not in output:
            problems.append((name, "failed without a report (rerun it alone):\n" + output[-2000:]))
else:
    for name, failed, output in tests:
        for block in re.findall(r"Suppressions used:\n\s*count\s+bytes\s+template\n((?:\s*\d+\s+\d+\s+\S+\n)*)", output):
            for count, size, template in re.findall(r"^\s*(\d+)\s+(\d+)\s+(\S+)$", block, re.M):
                matched["leak:" + template].add(name)
        if failed:
            only_lists = "CHILD SANITIZER REPORT" in output and not re.search(
                r"ERROR: (Address|Leak)Sanitizer|runtime error:", output)
            problems.append((name, "fails only because a child listed the suppressions it used" if only_lists
                             else "fails:\n" + output[-4000:]))

print(f"{len(tests)} tests, {sum(1 for t in tests if t[1])} failed")
unmatched = []
for entry in entries:
    names = sorted(matched.get(entry, ()))
    if names:
        print(f"MATCHED   {entry}  in {len(names)} tests: {', '.join(names[:200])}{' ...' if len(names) > 200 else ''}")
    else:
        unmatched.append(entry)
        print(f"UNMATCHED {entry}" + ("  (tried alone below)" if kind == "tsan" else ""))
for entry in sorted(set(matched) - set(entries)):
    print(f"(matched, not in the file) {entry}: {', '.join(sorted(matched[entry])[:8])}")
for name, text in problems:
    print(f"--- {name}: " + (text if text.startswith("failed") or kind != "tsan"
                             else "a report no entry would hide:\n" + text))
hard = [p for p in problems if kind == "tsan" or not p[1].startswith("fails only because")]
open(unmatched_file, "w").write("".join(entry + "\n" for entry in unmatched))
sys.exit(1 if (unmatched and kind != "tsan") or hard else 0)
EOF

# ThreadSanitizer entries that no report was put down to: each is taken out alone.
if [ "$kind" = tsan ]; then
  while read -r entry; do
    [ -n "$entry" ] || continue
    alone="$out/without-${entry#*:}"
    grep -vxF "$entry" "$file" >"$alone.txt"
    echo "Running the suite without $entry alone"
    TSAN_OPTIONS="${callers_tsan_options}suppressions=$alone.txt" \
      ctest --test-dir "$build" -j"${CHECK_JOBS:-4}" --timeout 300 --output-junit "$alone.xml" \
      --test-output-size-failed 67108864 "$@" >"$alone.log" 2>&1 || true
    python3 - "$entry" "$alone.xml" <<'EOF' | tee -a "$out/summary.txt" || verdict=1
import re
import sys
import xml.etree.ElementTree as ElementTree

entry, junit = sys.argv[1:3]
kind, pattern = entry.split(":", 1)
frame = re.compile(r"^\s*#\d+ .*\(([^()+]+)\+0x[0-9a-f]+\)\s*$")


def holds(report):
    # A report is the entry's only when one of its frames is in that library (for another kind of entry,
    # names what its pattern names): a report of something else that this run shows as well does not make
    # the entry needed.
    for line in report.splitlines():
        found = frame.match(line)
        if not found:
            continue
        if kind == "called_from_lib":
            if pattern in found.group(1).rsplit("/", 1)[-1]:
                return True
        elif pattern.replace("*", "") in line:
            return True
    return False


names, others = set(), []
for case in ElementTree.parse(junit).getroot().iter("testcase"):
    output = "".join((node.text or "") for node in case.iter() if node.tag in ("system-out", "failure"))
    # A helper's report may also be quoted by a failed expectation: escaped, and as a diff.
    output = re.sub(r"^[-+](?=\s)", "", output.replace("\\n", "\n"), flags=re.M)
    for report in re.findall(r"WARNING: ThreadSanitizer:.*?\n(?:.*\n)*?.*SUMMARY: ThreadSanitizer.*", output):
        if holds(report):
            names.add(case.get("name"))
        else:
            others.append((case.get("name"), report))
if names:
    print(f"MATCHED   {entry}  beside the others, in {len(names)} tests: {', '.join(sorted(names))}")
else:
    print(f"UNMATCHED {entry}  also beside the others")
# With every other entry in place, a report that is not this entry's is one the file would not hide.
for name, report in others:
    print(f"--- {name}: a report no entry would hide (no frame of {pattern}):\n{report}")
sys.exit(0 if names and not others else 1)
EOF
  done <"$out/unmatched.txt"
fi
exit "$verdict"
