#!/bin/sh
# Runs every end-to-end check (tests/e2e/check_*.py) against the programs of a build folder,
# each under its own session bus (for AT-SPI) and virtual X server.
#   tests/e2e/run.sh [build folder]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
for program in "$build/src/gui/kesta-z7" "$build/src/cli/z7ctl"; do
    [ -x "$program" ] || { echo "no $program: build it first" >&2; exit 2; }
done
# Debian's pyatspi belongs to the system Python, whatever python3 the PATH finds first.
python=/usr/bin/python3
"$python" -c 'import pyatspi' 2>/dev/null ||
    { echo "python3-pyatspi is missing (scripts/install-deps.sh)" >&2; exit 2; }
status=0
for check in "$here"/check_*.py; do
    echo "-- $(basename "$check")"
    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" \
        "$python" "$check" --build "$build" || status=1
done
exit $status
