#!/usr/bin/env bash
# Installs what is missing, builds and starts Pelko.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${PELKO_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${PELKO_BUILD_TYPE:-RelWithDebInfo}
cmake --build "$build" -j"$(nproc)"
if [ -x "$build/src/app/pelko" ]; then
  exec "$build/src/app/pelko" "$@"
fi
echo "Pelko has no application entry point yet: the libraries and tests are built." >&2
