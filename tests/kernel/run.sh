#!/usr/bin/env bash
# The kernel lane: boots Debian's packaged kernel under QEMU with a small initramfs (static
# busybox, the HID modules, z7ctl and its shared libraries) and runs guest-lane.sh there: the
# simulated mouse is served through /dev/uhid and z7ctl talks to it through hidraw and hidapi,
# as it would to the real mouse. The guest prints one verdict line on the serial console;
# that line, not QEMU's exit status, decides the result.
#
# Environment: Z7_BUILD_DIR (default build; z7ctl is built there if missing or stale),
# Z7_KERNEL_WORK (downloads and initramfs, default $Z7_BUILD_DIR/kernel-lane),
# Z7_KERNEL_ACCEL (kvm or tcg; default: kvm when it boots, else tcg),
# Z7_KERNEL_TIMEOUT (seconds for the whole guest run, default 240).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${Z7_BUILD_DIR:-$root/build}
work=${Z7_KERNEL_WORK:-$build/kernel-lane}
timeout_s=${Z7_KERNEL_TIMEOUT:-240}
kvm_wait=15
verdict_tag="Z7-LANE-VERDICT"
started=$(date +%s)

log() { echo "kernel lane: $*" >&2; }
die() { log "$*"; exit 1; }

# --- host tools --------------------------------------------------------------------------
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
if ! command -v qemu-system-x86_64 >/dev/null; then
  log "installing qemu-system-x86"
  install_qemu() {
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 install -y -q \
      --no-install-recommends qemu-system-x86 >/dev/null
  }
  install_qemu || { $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 update -q >/dev/null &&
    install_qemu; } || die "cannot install qemu-system-x86"
fi
for tool in gzip strip ldd; do
  command -v "$tool" >/dev/null || die "$tool is missing"
done

# --- kernel and busybox as Debian packages (unpacked, never installed) ---------------------
mkdir -p "$work/debs"
fetch() {  # fetch PACKAGE: the .deb of that exact package name, downloaded once
  local deb
  deb=$(ls "$work/debs/$1"_*.deb 2>/dev/null | head -1 || true)
  if [ -z "$deb" ]; then
    (cd "$work/debs" && apt-get download -q "$1" >/dev/null 2>&1) ||
      { $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 update -q >/dev/null &&
        (cd "$work/debs" && apt-get download -q "$1" >/dev/null); } ||
      die "cannot download $1"
    deb=$(ls "$work/debs/$1"_*.deb | head -1)
  fi
  echo "$deb"
}
# The meta package names the current kernel image; vmlinuz and modules come from that one
# package so that the module version matches the kernel.
kernel_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null |
  awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
[ -n "$kernel_pkg" ] || die "apt knows no linux-image-amd64 (run apt-get update)"
kernel_deb=$(fetch "$kernel_pkg")
busybox_deb=$(fetch busybox-static)

kdir="$work/kernel/$kernel_pkg"
if [ ! -f "$kdir/.done" ]; then
  rm -rf "$kdir" && mkdir -p "$kdir"
  dpkg-deb --fsys-tarfile "$kernel_deb" | tar -x -C "$kdir" --wildcards './boot/vmlinuz-*' \
    './lib/modules/*/kernel/drivers/hid/hid.ko' './lib/modules/*/kernel/drivers/hid/uhid.ko' \
    './lib/modules/*/kernel/drivers/hid/hid-generic.ko'
  touch "$kdir/.done"
fi
vmlinuz=$(ls "$kdir"/boot/vmlinuz-* | head -1)
moddir=$(ls -d "$kdir"/lib/modules/*/kernel/drivers/hid | head -1)
bbdir="$work/busybox"
if [ ! -x "$bbdir/bin/busybox" ]; then
  rm -rf "$bbdir" && mkdir -p "$bbdir"
  dpkg-deb -x "$busybox_deb" "$bbdir"
fi

# --- the program under test --------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZ7_WERROR=ON >/dev/null
fi
cmake --build "$build" --target z7ctl z7_kernel_probe >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; die "building z7ctl failed"; }
z7ctl="$build/src/cli/z7ctl"
probe="$build/tests/z7_kernel_probe"

# --- initramfs ---------------------------------------------------------------------------
rootfs="$work/rootfs"
rm -rf "$rootfs"
mkdir -p "$rootfs"/{bin,dev,proc,sys,tmp,modules,z7}
cp "$bbdir/bin/busybox" "$rootfs/bin/busybox"
cp "$moddir/hid.ko" "$moddir/uhid.ko" "$moddir/hid-generic.ko" "$rootfs/modules/"
strip -o "$rootfs/z7/z7ctl" "$z7ctl"
strip -o "$rootfs/z7/z7_kernel_probe" "$probe"
# Shared libraries at the paths the dynamic loader looks in.
ldd "$z7ctl" | awk '/=> \// {print $3} /^[ \t]*\// {print $1}' | while read -r lib; do
  mkdir -p "$rootfs$(dirname "$lib")"
  cp -L "$lib" "$rootfs$lib"
done
cp "$here/guest-init.sh" "$rootfs/init"
cp "$here/guest-lane.sh" "$rootfs/z7/guest-lane.sh"
chmod +x "$rootfs/init" "$rootfs/z7/guest-lane.sh"
initrd="$work/initrd.gz"
# busybox makes the archive: cpio is seldom installed.
(cd "$rootfs" && find . | "$bbdir/bin/busybox" cpio -o -H newc 2>/dev/null | gzip -1 >"$initrd")

# --- boot ----------------------------------------------------------------------------------
serial="$work/serial.log"
qemu_pid=""
cleanup() { [ -n "$qemu_pid" ] && kill "$qemu_pid" 2>/dev/null || true; }
trap cleanup EXIT

boot() {  # boot ACCEL CPU: starts QEMU in the background, serial console into $serial
  : >"$serial"
  qemu-system-x86_64 -accel "$1" -cpu "$2" -m 768 -smp 1 -display none -monitor none \
    -no-reboot -serial "file:$serial" -kernel "$vmlinuz" -initrd "$initrd" \
    -append "console=ttyS0 panic=-1 quiet loglevel=3" 2>"$work/qemu-$1.log" &
  qemu_pid=$!
}
# Waits until the serial log has PATTERN; false on time-out or when QEMU ended.
wait_for() {
  local pattern=$1 end=$(($(date +%s) + $2))
  while [ "$(date +%s)" -lt "$end" ]; do
    grep -q "$pattern" "$serial" 2>/dev/null && return 0
    kill -0 "$qemu_pid" 2>/dev/null || { grep -q "$pattern" "$serial" 2>/dev/null; return; }
    sleep 0.2
  done
  return 1
}
stop_qemu() { kill "$qemu_pid" 2>/dev/null || true; wait "$qemu_pid" 2>/dev/null || true; qemu_pid=""; }

accel=${Z7_KERNEL_ACCEL:-}
if [ -z "$accel" ] || [ "$accel" = kvm ]; then
  if [ -w /dev/kvm ]; then
    boot kvm host
    # A nested host may accept KVM and then hang the guest: fall back when it does not start.
    if wait_for "z7-guest: started" "$kvm_wait"; then
      accel=kvm
    else
      log "KVM did not start the guest within ${kvm_wait}s ($(head -1 "$work/qemu-kvm.log")); using TCG"
      stop_qemu
    fi
  fi
  [ "$accel" = kvm ] || accel=tcg
fi
if [ -z "$qemu_pid" ]; then
  boot tcg max
fi
log "guest booting ($accel)"
if ! wait_for "^$verdict_tag:" "$timeout_s"; then
  stop_qemu
  cat "$serial" "$work/qemu-$accel.log" >&2
  die "no verdict within ${timeout_s}s"
fi
# Let the guest finish its own lines and power off.
wait_for "z7-guest: done" 10 || true
stop_qemu
sed -n '/z7-guest: started/,$p' "$serial" | tr -d '\r' >&2
elapsed=$(($(date +%s) - started))
if grep -q "^$verdict_tag: PASS" "$serial"; then
  log "passed in ${elapsed}s ($accel)"
  exit 0
fi
die "failed in ${elapsed}s ($accel)"
