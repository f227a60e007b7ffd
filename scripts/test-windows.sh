#!/usr/bin/env bash
# Cross-builds the core, the Windows platform layer, z7ctl.exe and the core tests with
# MinGW-w64 and runs the test executables under Wine (a throw-away prefix); then checks that
# z7ctl.exe stores the same image bytes in the simulated mouse as the host's z7ctl.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends g++-mingw-w64-x86-64-posix wine64 wine googletest
fi
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" -DZ7_GUI=OFF -DZ7_WERROR=ON >/dev/null
cmake --build build-win -j"$(nproc)"

export WINEPREFIX; WINEPREFIX=$(mktemp -d /tmp/z7-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wineboot -i >/dev/null 2>&1 || true
ctest --test-dir build-win --output-on-failure --timeout 600

# The host's z7ctl for the comparison: Z7_HOST_Z7CTL when the caller has built one.
host_z7ctl=${Z7_HOST_Z7CTL:-}
if [ -z "$host_z7ctl" ]; then
  cmake -S . -B build-host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZ7_GUI=OFF \
    -DZ7_TESTS=OFF -DZ7_WERROR=ON >/dev/null
  cmake --build build-host -j"$(nproc)" --target z7ctl
  host_z7ctl=build-host/src/cli/z7ctl
fi
scripts/compare-sim-image.sh "$host_z7ctl" build-win/src/cli/z7ctl.exe
