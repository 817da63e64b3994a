#!/usr/bin/env bash
# Runs the test suite of a sanitizer build so that every entry of the project's suppression files shows
# whether it is still needed, and in which tests.
#   scripts/check-suppressions.sh BUILD_DIR [OUTPUT_DIR] [-- CTEST_ARGS...]
# BUILD_DIR is a configured and built tree with -DPELKO_TSAN=ON or -DPELKO_SANITIZE=ON; OUTPUT_DIR (a new
# folder under /tmp unless told) keeps each run's JUnit file, ctest's log and the summary. CHECK_JOBS sets
# ctest's -j (4 unless told). scripts/check_suppressions.py reads the runs.
#
# ThreadSanitizer: first the suite runs with the file as it is, as every test run has it, and any report
# there, or any test that fails, fails the check: that is a fault of ours, or of a library not listed.
# The called_from_lib entries hide the locking of the libraries they name, so this is also the run that
# sees our own races best: without them, a library's lock taken on both sides of a race of ours orders
# the two accesses, and the race is reported only now and then.
# Then, to show which entries are still needed: a called_from_lib entry makes the sanitizer ignore the
# interceptors (allocation, copies, locks) its library calls, and the sanitizer never counts how often
# that hid something (print_suppressions lists report suppressions only). So the suite runs once more
# with the called_from_lib entries taken out (any other entry stays, with print_suppressions=1), tests
# failing by design, and every report is put down to the entry of the library that made the intercepted
# call: the frame just below the sanitizer's runtime in one of its access or locking stacks, not any frame
# of that library (our own code run from a library's event loop has the library's frames below it). A
# report no entry would hide is printed whole, and the check fails. Some entries are needed only beside
# others (a lock two libraries share, whose taking one entry hides, is then seen still held where the
# other library ends it): each entry no report was put down to is taken out alone, the others kept, for
# one more run of the suite, and the tests that need it are those with a report that entry would hide; any
# other report of that run is one the file would not hide, printed whole, and the check fails.
# LeakSanitizer: the suite runs with the suppressions in place and print_suppressions=1; each process
# lists the entries it used, the test binaries on their standard error and the programs they start in the
# report folder the test binary prints under the test's name (a test whose child used a suppression then
# fails, which the summary says). The suite should otherwise pass.
# Either way the summary names each entry with the tests where it matched, or as never matched, and the
# check fails when an entry never matched.
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
elif grep -q '^PELKO_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt"; then
  kind=lsan
  file="$here/tests/lsan-suppressions.txt"
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=1"
else
  echo "$build is not a sanitizer build (-DPELKO_TSAN=ON or -DPELKO_SANITIZE=ON)" >&2
  exit 2
fi
reader=(python3 "$here/scripts/check_suppressions.py")

# One run of the suite: run NAME [VARIABLE=VALUE...]; its JUnit file and log are OUTPUT_DIR/NAME.xml and
# .log. Tests may fail; what that means is for the reader to say.
run() {
  local name="$1"
  shift
  local status=0
  env "$@" ctest --test-dir "$build" -j"${CHECK_JOBS:-4}" --timeout 300 --output-junit "$out/$name.xml" \
    --test-output-size-passed 67108864 --test-output-size-failed 67108864 "${ctest_args[@]}" \
    >"$out/$name.log" 2>&1 || status=$?
  grep -E '^[0-9]+% tests passed|^Total Test time' "$out/$name.log" || true
  echo "(ctest exited with $status)"
}
ctest_args=("$@")

echo "Running the $kind suite of $build; output in $out"
verdict=0
: >"$out/summary.txt"
if [ "$kind" = lsan ]; then
  run suite
  "${reader[@]}" lsan "$file" "$out/suite.xml" | tee -a "$out/summary.txt" || verdict=1
  exit "$verdict"
fi

echo "Running the suite with the suppression file as it is"
run as-is TSAN_OPTIONS="${callers_tsan_options%:}"
"${reader[@]}" tsan-as-is "$out/as-is.xml" | tee -a "$out/summary.txt" || verdict=1

echo "Running the suite without the called_from_lib entries"
grep -v '^called_from_lib:' "$file" >"$out/without-libraries.txt"
run without-libraries \
  TSAN_OPTIONS="${callers_tsan_options}suppressions=$out/without-libraries.txt:print_suppressions=1"
"${reader[@]}" tsan-attribute "$file" "$out/without-libraries.xml" "$out/unmatched.txt" |
  tee -a "$out/summary.txt" || verdict=1

# The entries no report was put down to: each is taken out alone.
mapfile -t unmatched <"$out/unmatched.txt"
for entry in "${unmatched[@]}"; do
  name="without-${entry#*:}"
  grep -vxF "$entry" "$file" >"$out/$name.txt"
  echo "Running the suite without $entry alone"
  run "$name" TSAN_OPTIONS="${callers_tsan_options}suppressions=$out/$name.txt"
  "${reader[@]}" tsan-alone "$entry" "$out/$name.xml" | tee -a "$out/summary.txt" || verdict=1
done
exit "$verdict"
