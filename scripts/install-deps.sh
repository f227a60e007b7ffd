#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, test and run the configurator.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libhidapi-dev libudev-dev libx11-dev libxtst-dev libglib2.0-dev libglib2.0-bin
  libarchive-dev nettle-dev
  xvfb xauth fonts-wqy-microhei
  qt6-translations-l10n
  dbus-daemon at-spi2-core python3-pyatspi
  desktop-file-utils appstream
  g++-mingw-w64-x86-64-posix wine64 wine googletest
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
