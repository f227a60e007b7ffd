#!/bin/sh
# Screenshots of the real main window on a simulated mouse (attached, detached, profile menu,
# help balloon, tray menu, a page) under a virtual X server, with the drag, hide and show checks.
#   skin/app_screenshots.sh [build folder] [output folder]
set -eu
build=${1:-build}
out=${2:-$build/app-shots}
ninja -C "$build" z7-app-shots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/skin/z7-app-shots" "$out"
echo "screenshots in $out"
