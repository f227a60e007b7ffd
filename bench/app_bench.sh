#!/bin/sh
# The desktop application on the simulated mouse under a virtual X server:
#   - start-up: process start to the first painted main window (median of RUNS),
#   - peak memory of those runs (median of the peak RSS),
#   - idle: CPU time and thread wake-ups over IDLE seconds with the listener running.
#   bench/app_bench.sh [build folder] [runs] [idle seconds]
# The program prints its start-up time at the first paint when Z7_LAUNCH_NS holds the
# launcher's clock (date +%s%N); Z7_EXIT_AFTER_PAINT ends it there.
set -eu
build=${1:-build-release}
runs=${2:-7}
idle=${3:-10}
prog=$(cd "$build" && pwd)/src/gui/kesta-z7
[ -x "$prog" ] || { echo "no $prog; build kesta-z7 first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
chmod 700 "$work/run"

cat > "$work/inner.sh" <<'INNER'
#!/bin/sh
set -eu
prog=$1 work=$2 runs=$3 idle=$4
export XDG_CONFIG_HOME="$work/cfg" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: > "$work/paint"; : > "$work/rss"
i=0
while [ "$i" -lt "$runs" ]; do
    Z7_LAUNCH_NS=$(date +%s%N) Z7_EXIT_AFTER_PAINT=1 /usr/bin/time -f '%M' -o "$work/one" \
        "$prog" --simulate "$work/sim.state" | awk '/first paint/ { print $3 }' >> "$work/paint"
    cat "$work/one" >> "$work/rss"
    i=$((i + 1))
done
echo "start-up to first paint, ms (runs: $(tr '\n' ' ' < "$work/paint")): median $(median < "$work/paint")"
echo "peak RSS, MB: median $(median < "$work/rss" | awk '{ printf "%.1f", $1 / 1024 }')"

"$prog" --simulate "$work/sim.state" > /dev/null 2>&1 &
pid=$!
sleep 3
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
switches() {
    cat /proc/"$pid"/task/*/status | awk '/ctxt_switches/ { n += $2 } END { print n }'
}
t0=$(ticks); s0=$(switches)
sleep "$idle"
t1=$(ticks); s1=$(switches)
threads=$(ls /proc/"$pid"/task | wc -l)
kill "$pid"; wait "$pid" 2>/dev/null || true
hz=$(getconf CLK_TCK)
echo "idle over ${idle} s with the listener running ($threads threads):" \
     "CPU $(echo "$t0 $t1 $hz $idle" | awk '{ printf "%.2f", ($2 - $1) / $3 / $4 * 100 }') %," \
     "$(echo "$s0 $s1 $idle" | awk '{ printf "%.1f", ($2 - $1) / $3 }') wake-ups/s"
INNER
xvfb-run -a -s "-screen 0 1280x800x24" sh "$work/inner.sh" "$prog" "$work" "$runs" "$idle"

# The lighting page's preview animates only while the page is on screen (needs python3-pyatspi).
if /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" \
        /usr/bin/python3 "$(dirname "$0")/page_idle.py" --build "$build" --seconds "$idle"
fi
