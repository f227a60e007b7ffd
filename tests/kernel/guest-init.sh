#!/bin/busybox sh
# /init of the kernel lane's initramfs: mounts the kernel file systems, loads the HID
# modules, runs the lane and powers off. Everything it prints goes to the serial console.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
# Kernel messages would break the lane's lines on the console.
echo 1 >/proc/sys/kernel/printk
echo "z7-guest: started $(uname -r)"

verdict="FAIL module"
if insmod /modules/hid.ko && insmod /modules/uhid.ko && insmod /modules/hid-generic.ko; then
  if sh /z7/guest-lane.sh; then verdict=PASS; else verdict="FAIL lane"; fi
fi
echo "Z7-LANE-VERDICT: $verdict"
echo "z7-guest: done"
sync
poweroff -f
