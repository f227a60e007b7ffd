#!/bin/sh
# Screenshots of the sensor page ("ADVANCED SETTINGS") and the pointer page ("BASIC SETTINGS") in
# the real window on a simulated mouse, under a virtual X server.
#   skin/sensor_screenshots.sh [build folder] [output folder]
set -eu
build=${1:-build}
out=${2:-$build/sensor-shots}
ninja -C "$build" z7-sensor-shots
mkdir -p "$out"
# The plain X server's pointer control, never the desktop settings of whoever runs this.
env -u XDG_CURRENT_DESKTOP GSETTINGS_BACKEND=memory \
    xvfb-run -a -s "-screen 0 1280x800x24" "$build/skin/z7-sensor-shots" "$out"
echo "screenshots in $out"
