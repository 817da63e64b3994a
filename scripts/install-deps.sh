#!/usr/bin/env bash
# Installs the Debian packages the build and its tests need, only when something is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev libgl-dev libxcb1-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb openbox
  # the status item's end-to-end test: a private session bus, and a second process reading the clipboard
  dbus-daemon xclip)
# The end-to-end tests drive the pointer and keyboard of their X server.
packages+=(xdotool)
# The thumbnail end-to-end test takes a screenshot.
packages+=(imagemagick)
# The shell's end-to-end test puts the status icon in a real XEmbed tray host.
packages+=(tint2)
# End-to-end tests find the program's widgets through the accessibility bus.
packages+=(at-spi2-core python3-pyatspi)
# The global pointer's movement on X11: the XInput extension's raw motion events.
packages+=(pkg-config libxcb-xinput-dev)
# Start-up loads the system's font configuration itself, beside the display connection.
packages+=(libfontconfig-dev)
# The panel comparison (scripts/compare-panels.sh) moves the pointer through the XTest extension.
packages+=(libxcb-xtest0-dev)
# The settings window's end-to-end test watches the clipboard's owners and reads the window's frame.
packages+=(libxcb-xfixes0-dev x11-utils)
if [ "${1:-}" = "--list" ]; then
  echo "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
