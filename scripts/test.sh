#!/usr/bin/env bash
# Builds and runs every test: the normal build (warnings are errors), the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target for a short time.
# Then the kernel lane (z7ctl against the simulated mouse through the Linux HID stack in a QEMU
# guest; Z7_SKIP_KERNEL=1 skips it) and the Windows lane (MinGW-w64 build, tests under Wine;
# Z7_SKIP_WINDOWS=1 skips it).
# FUZZ_SECONDS (default 10) sets the time per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}
# Tests that need an X server (clipboard paste, screenshots) get a virtual one when available.
xrun=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then xrun=(xvfb-run -a); fi

echo "== build and test [${SECONDS}s]"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZ7_WERROR=ON -DZ7_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
"${xrun[@]}" ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300

echo "== end to end (the real program over AT-SPI on the simulated mouse) [${SECONDS}s]"
tests/e2e/run.sh build

echo "== desktop integration [${SECONDS}s]"
desktop-file-validate packaging/*.desktop
appstreamcli validate --no-net packaging/*.metainfo.xml
staged=$(mktemp -d)
cmake --install build --prefix "$staged" >/dev/null
for f in share/applications/com.kesta.Z7Config.desktop share/metainfo/com.kesta.Z7Config.metainfo.xml \
    share/icons/hicolor/scalable/apps/com.kesta.Z7Config.svg bin/kesta-z7; do
  [ -e "$staged/$f" ] || { echo "cmake --install did not put $f in place" >&2; exit 1; }
done
rm -rf "$staged"

echo "== sanitizers [${SECONDS}s]"
# Line tables are all a sanitizer's report needs, and they build faster than full debug
# information.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZ7_WERROR=ON -DZ7_SANITIZE=ON \
  -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DZ7_GUI=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "${xrun[@]}" ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600

echo "== fuzz (${fuzz_seconds}s per target) [${SECONDS}s]"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DZ7_FUZZ=ON -DZ7_TESTS=OFF -DZ7_GUI=OFF >/dev/null
cmake --build build-fuzz -j"$jobs"
# One fuzzer per core at a time.
fuzz_one() {
  local target=$1 name corpus seeds=()
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  [ -d "$root/fuzz/seeds/${name#fuzz_}" ] && seeds=("$root/fuzz/seeds/${name#fuzz_}")
  if "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 "$corpus" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
    echo "-- $name: $(tail -1 "build-fuzz/$name.log")"
  else
    echo "-- $name: FINDING"; tail -40 "build-fuzz/$name.log"; return 1
  fi
}
export -f fuzz_one
export root fuzz_seconds
targets=(build-fuzz/fuzz/fuzz_*)
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1"' _ {}
fuzz_total=${#targets[@]}
echo "fuzz: $fuzz_total targets ran without findings"

if [ "${Z7_SKIP_KERNEL:-0}" != 1 ]; then
  echo "== kernel lane (QEMU, uhid, hidraw) [${SECONDS}s]"
  Z7_BUILD_DIR="$root/build" bash tests/kernel/run.sh
fi

if [ "${Z7_SKIP_WINDOWS:-0}" != 1 ]; then
  echo "== Windows build under Wine [${SECONDS}s]"
  Z7_HOST_Z7CTL=build/src/cli/z7ctl bash scripts/test-windows.sh
fi
echo "all lanes passed in ${SECONDS}s"
