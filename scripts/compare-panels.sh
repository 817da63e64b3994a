#!/usr/bin/env bash
# Measures Pelko beside a bare Qt bar (plain, and with titled buttons that fade on hover), tint2 and (when
# installed) lxqt-panel, in interleaved rounds, each program on a 1920x1080 X server of its own with a
# session bus of its own under openbox: the time from start to the map of its panel window, the processor
# time spent until then, and its processor share while the pointer sweeps along the middle of its bar at
# 60 moves a second for 10 seconds. Each round starts one program further along the list than the round
# before, so the order turns round by round. Processor time is the scheduler's count in nanoseconds,
# child processes included; the load average of the machine is printed beside every figure. The server,
# the bus and the window manager of each run are ended after it.
#   scripts/compare-panels.sh [ROUNDS]   (default 5)
#   PANEL_COMPARE_MAP_ONLY=1 scripts/compare-panels.sh [ROUNDS]   (the map alone: no sweep)
#   PANEL_COMPARE_BUILD=DIR scripts/compare-panels.sh [ROUNDS]   (that build tree rather than build/; it
#     must be an optimised one without sanitizers)
#   PANEL_COMPARE_DISPLAYS=FIRST-LAST scripts/compare-panels.sh [ROUNDS]   (the X servers' display
#     numbers, 400-900 unless told; a number with a lock file /tmp/.X<n>-lock or a socket
#     /tmp/.X11-unix/X<n>, a file or abstract one, is someone else's and skipped)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"
scripts/install-deps.sh
# Only for measuring: neither panel is needed to build or test Pelko.
for tool in tint2 lxqt-panel; do
  command -v "$tool" >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$tool" >/dev/null 2>&1 || true
done
# The usual build (or the one PANEL_COMPARE_BUILD names) when it is an optimised one without sanitizers;
# else a build of its own, since a sanitizer or an unoptimised build would measure something else.
build="${PANEL_COMPARE_BUILD:-build}"
if [ -f "$build/CMakeCache.txt" ] &&
  grep -qE '^(PELKO_SANITIZE|PELKO_TSAN):BOOL=ON$|^CMAKE_BUILD_TYPE:STRING=(Debug)?$' "$build/CMakeCache.txt"; then
  if [ -n "${PANEL_COMPARE_BUILD:-}" ]; then
    echo "$build is a sanitizer or unoptimised build: it would measure something else" >&2
    exit 2
  fi
  build="build-compare"
fi
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j4 --target pelko pelko_bare_panel pelko_panel_compare >/dev/null

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/config/pelko" "$home/run" "$home/dock"
chmod 700 "$home/run"
# A returning user: no first-run guide in front of the bar.
cat > "$home/config/pelko/com.pelko.app.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>PelkoOnboardingComplete</key><true/></dict></plist>
PLIST
user="HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"  # for the window manager
# NAME/WM_CLASS=COMMAND: the map measured is that of the program's dock window of that class.
programs=("bare-qt/pelko_bare_panel=$user $build/bench/panels/pelko_bare_panel"
  "bare-buttons/pelko_bare_panel=$user $build/bench/panels/pelko_bare_panel --buttons" "tint2/tint2=$user tint2")
command -v lxqt-panel >/dev/null && programs+=("lxqt-panel/lxqt-panel=$user lxqt-panel")
programs+=("pelko/pelko=$user PELKO_SIM_DOCK_DIR=$home/dock $build/src/app/pelko")
"$build"/bench/panels/pelko_panel_compare "$rounds" "${programs[@]}"
