#!/bin/sh
# The kernel lane's checks, run inside the guest by /init: the simulated mouse is served
# through /dev/uhid (z7ctl sim uhid) and every other z7ctl command reaches it through the
# kernel's hidraw nodes and hidapi, without --simulate. Exit status 0 when every check passed.
Z=/z7/z7ctl
STATE=/tmp/mouse.state
DATA=/tmp/data
SIM="$Z --simulate $STATE"
HOST="$Z --data-dir $DATA"
VENDOR_CONFIG='"usagePage":65281,"usage":2'
VENDOR_EVENT='"usagePage":65282,"usage":1'
failures=0
server=""

ok() { echo "ok - $1"; }
not_ok() {
  echo "not ok - $1"
  [ -s /tmp/out ] && sed 's/^/#   out: /' /tmp/out | head -5
  [ -s /tmp/err ] && sed 's/^/#   err: /' /tmp/err | head -5
  failures=$((failures + 1))
}
# run SECONDS CMD...: stdout in /tmp/out, stderr in /tmp/err; sets $code and $took (seconds)
run() {
  limit=$1; shift
  t0=$(date +%s)
  timeout "$limit" "$@" >/tmp/out 2>/tmp/err
  code=$?
  took=$(($(date +%s) - t0))
}
expect_exit() {  # expect_exit NAME WANTED
  if [ "$code" = "$2" ]; then ok "$1"; else echo "#   exit $code, wanted $2"; not_ok "$1"; fi
}
# The hidraw node of the device with that product id (1206 or 1205); empty when none.
hidraw_of() {
  for u in /sys/class/hidraw/hidraw*/device/uevent; do
    [ -f "$u" ] || continue
    if grep -qi "HID_ID=0003:000022D4:0000$1" "$u"; then
      n=${u#/sys/class/hidraw/}
      echo "/dev/${n%%/*}"
      return
    fi
  done
}
wait_for_device() {  # wait_for_device PRODUCT: true once its hidraw node exists
  i=0
  while [ $i -lt 100 ]; do
    node=$(hidraw_of "$1")
    [ -n "$node" ] && [ -c "$node" ] && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}
wait_for_no_device() {
  i=0
  while [ $i -lt 100 ]; do
    [ -z "$(hidraw_of "$1")" ] && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}
# Hidraw handles held open in the guest (the uhid server holds none).
hidraw_handles() {
  n=0
  for fd in /proc/[0-9]*/fd/*; do
    case "$(readlink "$fd" 2>/dev/null)" in /dev/hidraw*) n=$((n + 1)) ;; esac
  done
  echo "$n"
}
stored_image() {  # stored_image SLOT: hex of the image the simulated mouse keeps in SLOT
  $SIM --json sim show | sed 's/.*"slots":\[//; s/\].*//' | tr -d '"' |
    cut -d, -f$(($1 + 1)) | tr -cd 0-9a-f
}
check_stored_image() {  # check_stored_image NAME SLOT [--sensor|--lighting]
  $HOST image "$2" | tr -cd 0-9a-f >/tmp/want
  stored_image "$2" >/tmp/have
  if [ "$(wc -c </tmp/want)" -eq 4096 ] && cmp -s /tmp/want /tmp/have; then
    ok "$1"
  else
    echo "#   wanted $(head -c 64 /tmp/want)..., stored $(head -c 64 /tmp/have)..."
    not_ok "$1"
  fi
}

echo "# profile data: slot 1 with two key-sequence buttons"
$HOST profile save >/dev/null &&
  $HOST profile set 1 profileName=Lane cpiX=800,1600,3200 >/dev/null &&
  $HOST button set 1 3 2401 >/dev/null && $HOST button set 1 4 2701 >/dev/null ||
  { echo "not ok - preparing the profile data"; exit 1; }

echo "# the simulated mouse through /dev/uhid"
$SIM sim uhid >/tmp/uhid.log 2>&1 &
server=$!
if wait_for_device 1206; then ok "uhid device published as 22d4:1206"; else
  cat /tmp/uhid.log
  echo "not ok - uhid device published as 22d4:1206"
  exit 1
fi
node=$(hidraw_of 1206)
# 70-z7-uhid-sim.rules matches these paths: the pointer it hides and the node it opens.
uhid_path="/sys/devices/virtual/misc/uhid/0003:22D4:1206."
pointer=""
for n in /sys/class/input/input*/name; do
  grep -q "Kesta Z7" "$n" && pointer=$(readlink -f "${n%/name}")
done
case "$pointer" in
  "$uhid_path"*) ok "the standard mouse collection is an input device under $uhid_path*" ;;
  *) echo "#   input device: '$pointer'"
     not_ok "the standard mouse collection is an input device under $uhid_path*" ;;
esac
case "$(readlink -f "/sys/class/hidraw/${node#/dev/}")" in
  "$uhid_path"*) ok "$node is under $uhid_path*" ;;
  *) not_ok "$node is under $uhid_path*" ;;
esac

run 20 $Z --json devices
expect_exit "devices" 0
config=$(grep -o "{[^}]*${VENDOR_CONFIG}[^}]*}" /tmp/out | wc -l)
event=$(grep -o "{[^}]*${VENDOR_EVENT}[^}]*}" /tmp/out | wc -l)
on_node=$(grep -o "{[^}]*\"path\":\"$node\"[^}]*\"usagePage\":6528[12][^}]*}" /tmp/out | wc -l)
if [ "$config" = 1 ] && [ "$event" = 1 ] && [ "$on_node" = 2 ]; then
  ok "exactly the two vendor collections match, both on $node"
else
  echo "#   config $config, event $event, on $node: $on_node"
  not_ok "exactly the two vendor collections match, both on $node"
fi
if grep -q '"usagePage":1,"usage":2' /tmp/out; then
  not_ok "the standard mouse collection is not listed"
else
  ok "the standard mouse collection is not listed"
fi

run 20 $Z --json info
if [ "$code" = 0 ] &&
  grep -q '{"firmwareVersion":"1.65","activeSlot":0,"deviceCode":"Z7L1"}' /tmp/out; then
  ok "info"
else not_ok "info"; fi

echo "# the doctor as a user at the console: the hidraw node readable, then not"
# A user of our own: root reads every node whatever its mode.
mkdir -p /etc
echo "root:x:0:0::/root:/bin/sh" >/etc/passwd
echo "ann:x:1000:1000::/tmp:/bin/sh" >>/etc/passwd
echo "root:x:0:" >/etc/group
echo "ann:x:1000:" >>/etc/group
mode=$(stat -c %a "$node")
doctor_as_ann() {
  run 30 su -s /bin/sh ann -c "$Z --data-dir /tmp/ann-data --config /tmp/ann.ini --json doctor"
}
finding() {  # finding ID: that finding's JSON object, on one line
  grep -o "{\"id\":\"$1\"[^}]*}" /tmp/out | head -1
}
chmod 0666 "$node"
doctor_as_ann
if [ "$code" = 1 ] && finding mouse.open | grep -q '"verdict":"ok"' &&
  finding mouse.answers | grep -q '"verdict":"ok","summary":"the mouse answers: firmware V1.65' &&
  finding mouse.node | grep -q "$node: owner root, group root, mode 0666; you (ann) may read" &&
  finding udev.rule | grep -q '"verdict":"problem"'; then
  ok "doctor with a readable node: the mouse answers; no udev rule (exit 1)"
else
  echo "#   exit $code"
  not_ok "doctor with a readable node: the mouse answers; no udev rule (exit 1)"
fi
chmod 0600 "$node"
doctor_as_ann
if [ "$code" = 1 ] && finding mouse.open | grep -q '"verdict":"problem"' &&
  finding mouse.open | grep -q "found at $node but may not be opened (permission denied)" &&
  finding mouse.open | grep -q "sudo udevadm control --reload-rules" &&
  finding mouse.node | grep -q "mode 0600; you (ann) may not read and write it" &&
  [ -z "$(finding mouse.answers)" ]; then
  ok "doctor with an unreadable node: permission denied, the node's mode and the rule to install"
else
  echo "#   exit $code"
  not_ok "doctor with an unreadable node: permission denied, the node's mode and the rule to install"
fi
run 30 su -s /bin/sh ann -c "$Z --data-dir /tmp/ann-data --config /tmp/ann.ini doctor"
if [ "$code" = 1 ] && grep -q "advice: install the udev rule" /tmp/out; then
  ok "doctor's text report gives the advice"
else not_ok "doctor's text report gives the advice"; fi
chmod "$mode" "$node"

run 30 $HOST --json apply 1
expect_exit "apply 1 (whole image with key sequences)" 0
check_stored_image "stored image of slot 1 equals z7ctl image 1" 1
run 20 $Z --json info
if grep -q '"activeSlot":1' /tmp/out; then ok "slot 1 active after apply"; else
  not_ok "slot 1 active after apply"; fi

$HOST profile set 1 cpiX=400,1200,4000 pollingRate=2 >/dev/null
run 30 $HOST apply 1 --sensor
expect_exit "apply 1 --sensor" 0
check_stored_image "stored image after the sensor block equals z7ctl image 1" 1
$HOST profile set 1 lightEffect=6 lightColor1=0x00ff00 lightBrightness=3 >/dev/null
run 30 $HOST apply 1 --lighting
expect_exit "apply 1 --lighting" 0
check_stored_image "stored image after the lighting block equals z7ctl image 1" 1

echo "# two programs at once on one hidraw node: their exchanges take turns"
$HOST profile set 2 cpiX=500,1000,2000 profileName=Two >/dev/null
$HOST profile set 1 lightEffect=6 lightColor1=0x3366ff >/dev/null
(timeout 60 $HOST apply 1 >/tmp/a1.out 2>/tmp/a1.err; echo $? >/tmp/a1.code) &
first=$!
(timeout 60 $HOST apply 2 >/tmp/a2.out 2>/tmp/a2.err; echo $? >/tmp/a2.code) &
second=$!
wait $first
wait $second
cat /tmp/a1.err /tmp/a2.err >/tmp/err
if [ "$(cat /tmp/a1.code)" = 0 ] && [ "$(cat /tmp/a2.code)" = 0 ]; then
  ok "two applies at once both end with exit 0"
else
  echo "#   exits $(cat /tmp/a1.code) and $(cat /tmp/a2.code)"
  not_ok "two applies at once both end with exit 0"
fi
check_stored_image "slot 1 after two applies at once equals z7ctl image 1" 1
check_stored_image "slot 2 after two applies at once equals z7ctl image 2" 2
run 30 $HOST apply 1  # slot 1 active again, whichever of the two came last
expect_exit "apply 1 after the two" 0

echo "# listen: a profile switch and a shortcut press from the mouse"
before=$(hidraw_handles)
timeout 40 $Z --json listen --count 2 --seconds 30 --no-actions >/tmp/listen.out 2>/tmp/listen.err &
listener=$!
i=0
while [ $i -lt 100 ] && [ "$(hidraw_handles)" -le "$before" ]; do sleep 0.1; i=$((i + 1)); done
sleep 0.5
$SIM sim event profile 2 >/dev/null
i=0
while [ $i -lt 100 ] && [ "$(wc -l </tmp/listen.out)" -lt 1 ]; do sleep 0.1; i=$((i + 1)); done
# One change of the state file at a time: the server writes the consumed queue back.
$SIM sim event shortcut 5 >/dev/null
wait $listener
code=$?
cp /tmp/listen.out /tmp/out
cp /tmp/listen.err /tmp/err
if [ "$code" = 0 ] && [ "$(sed -n 1p /tmp/out)" = '{"code":1,"value":2}' ] &&
  [ "$(sed -n 2p /tmp/out)" = '{"code":19,"value":5}' ]; then
  ok "listen receives the profile switch and the shortcut report"
else
  echo "#   exit $code"
  not_ok "listen receives the profile switch and the shortcut report"
fi

echo "# a busy mouse"
$SIM sim set busy=3 >/dev/null
run 30 $Z --json info
if [ "$code" = 0 ] && grep -q '"firmwareVersion":"1.65"' /tmp/out; then
  ok "three busy replies are waited out"
else not_ok "three busy replies are waited out"; fi
$SIM sim set busy=1000 >/dev/null
# Each read gives up after ten busy replies; info then shows what it could not read as unknown
# and fails.
run 60 $Z --json info
if [ "$code" = 1 ] && grep -q '"firmwareVersion":"-.--"' /tmp/out && [ "$took" -lt 45 ]; then
  ok "a mouse that stays busy: info ends in ${took}s with the version unknown"
else
  echo "#   exit $code after ${took}s"
  not_ok "a mouse that stays busy: info ends with the version unknown"
fi
$SIM sim set busy=0 >/dev/null

echo "# transfer errors"
# uhid hands every failed transfer to the host as EIO, one of the errors that are retried.
$SIM sim set transportErrors=2 transportError=general >/dev/null
run 30 $Z --json info
if [ "$code" = 0 ] && grep -q '"firmwareVersion":"1.65"' /tmp/out; then
  ok "two failed transfers are retried"
else not_ok "two failed transfers are retried"; fi
$SIM sim set transportErrors=0 >/dev/null

echo "# a mouse that disappears in the middle of an exchange"
$SIM sim set unplugAfter=1 >/dev/null
run 60 $HOST apply 1
if [ "$code" != 0 ] && [ "$code" != 124 ] && [ "$code" != 143 ] &&
  [ "$(wc -l </tmp/err)" = 1 ] && [ "$took" -lt 30 ]; then
  ok "apply ends with exit $code and one line in ${took}s: $(cat /tmp/err)"
else
  echo "#   exit $code after ${took}s"
  not_ok "apply to a mouse that disappears ends with a clear error"
fi
if wait_for_no_device 1206; then ok "the device left the kernel"; else
  not_ok "the device left the kernel"; fi
run 20 $Z info
expect_exit "info without the mouse: no mouse found" 3
$SIM sim set unplugged=0 >/dev/null
if wait_for_device 1206; then ok "the mouse comes back"; else not_ok "the mouse comes back"; fi
run 20 $Z --json info
expect_exit "info after the mouse came back" 0

echo "# boot mode: the device re-enumerates as 22d4:1205"
$SIM sim set mode=boot >/dev/null
if wait_for_device 1205 && wait_for_no_device 1206; then ok "re-enumerated as 22d4:1205"; else
  not_ok "re-enumerated as 22d4:1205"; fi
run 20 $Z --json devices
if [ "$code" = 0 ] && grep -q '"productId":4613,"usagePage":65281,"usage":2,"mode":"boot"' /tmp/out &&
  ! grep -q '"productId":4614' /tmp/out; then
  ok "devices in boot mode: the configuration collection of 22d4:1205"
else not_ok "devices in boot mode: the configuration collection of 22d4:1205"; fi
run 20 $Z --json info
if [ "$code" = 0 ] && grep -q '"mode":"boot"' /tmp/out; then ok "info in boot mode"; else
  not_ok "info in boot mode"; fi
run 20 $HOST apply 1
if [ "$code" = 3 ] && grep -q "boot loader" /tmp/err && grep -q "firmware update" /tmp/err; then
  ok "apply in boot mode names the boot loader and the way out"
else not_ok "apply in boot mode names the boot loader and the way out"; fi
$SIM sim set mode=normal >/dev/null
if wait_for_device 1206; then ok "back in normal mode"; else not_ok "back in normal mode"; fi

echo "# the device process dies while a host listens"
before=$(hidraw_handles)
timeout 40 $Z listen --seconds 30 --no-actions >/tmp/listen.out 2>/tmp/listen.err &
listener=$!
i=0
while [ $i -lt 100 ] && [ "$(hidraw_handles)" -le "$before" ]; do sleep 0.1; i=$((i + 1)); done
t0=$(date +%s)
kill -9 "$server"
wait "$server" 2>/dev/null
wait $listener
code=$?
took=$(($(date +%s) - t0))
cp /tmp/listen.out /tmp/out
cp /tmp/listen.err /tmp/err
if [ "$code" = 3 ] && [ "$(wc -l </tmp/err)" = 1 ] && [ "$took" -lt 10 ]; then
  ok "listen ends with exit 3 in ${took}s: $(cat /tmp/err)"
else
  echo "#   exit $code after ${took}s"
  not_ok "listen ends when the device goes away"
fi
$SIM sim uhid >/tmp/uhid.log 2>&1 &
server=$!
if wait_for_device 1206; then ok "a new server publishes the mouse again"; else
  not_ok "a new server publishes the mouse again"; fi
run 20 $Z --json info
if [ "$code" = 0 ] && grep -q '"activeSlot":1' /tmp/out; then
  ok "the state survived the killed server"
else not_ok "the state survived the killed server"; fi

echo "# boot loader path: one block downloaded through the kernel, 1.65 -> 1.70"
run 60 /z7/z7_kernel_probe boot-download 170
sed 's/^/#   /' /tmp/out
expect_exit "boot loader download with re-enumeration both ways" 0
run 20 $Z --json info
if grep -q '"firmwareVersion":"1.70"' /tmp/out; then ok "info reports firmware 1.70"; else
  not_ok "info reports firmware 1.70"; fi

# FIRMWARE UPDATE: the updater's whole procedure through the kernel: EnterBootloader,
# re-enumeration as 1205, download with read-back, FinishDownload, re-enumeration as 1206.
echo "# z7ctl firmware update from a package made by z7ctl firmware pack, 1.70 -> 1.80"
dd if=/dev/urandom of=/tmp/payload.bin bs=1000 count=3 2>/dev/null
# The marker tells the simulated boot loader the version; a real package goes in as given.
run 20 $Z firmware pack /tmp/payload.bin --version 1.80 --out /tmp/fw --sim-marker
expect_exit "firmware pack" 0
run 20 $Z --json firmware check /tmp/fw
if [ "$code" = 0 ] && grep -q '"state":"file-newer","fileVersion":"1.80","mouseVersion":"1.70"' /tmp/out
then ok "firmware check: the package is newer"; else not_ok "firmware check: the package is newer"; fi
t0=$(date +%s)
timeout 120 $Z --json firmware update /tmp/fw --yes >/tmp/update.out 2>/tmp/update.err &
updater=$!
# The updater keeps the mouse from the switch to the reconnect: another program gives up.
if wait_for_device 1205; then
  run 20 $HOST --device-wait 0 apply 1
  if [ "$code" = 1 ] && grep -q "another program is using the mouse" /tmp/err; then
    ok "apply during the firmware update: another program is using the mouse"
  else not_ok "apply during the firmware update: another program is using the mouse"; fi
else not_ok "the firmware update reached the boot loader"; fi
wait $updater
code=$?
took=$(($(date +%s) - t0))
cp /tmp/update.out /tmp/out
cp /tmp/update.err /tmp/err
if [ "$code" = 0 ] && grep -q '"state":"success"' /tmp/out &&
  grep -q '"mouseVersion":"1.80"' /tmp/out; then
  ok "firmware update through the boot loader in ${took}s"
else
  echo "#   exit $code after ${took}s"
  not_ok "firmware update through the boot loader"
fi
if wait_for_device 1206 && [ -z "$(hidraw_of 1205)" ]; then ok "back in normal mode after the update"
else not_ok "back in normal mode after the update"; fi
run 20 $Z --json info
if [ "$code" = 0 ] && grep -q '"firmwareVersion":"1.80"' /tmp/out; then
  ok "info reports firmware 1.80 after the update"
else not_ok "info reports firmware 1.80 after the update"; fi

kill "$server"
wait "$server"
code=$?
if [ "$code" = 0 ]; then ok "the uhid server stops cleanly"; else
  echo "#   exit $code"; sed 's/^/#   /' /tmp/uhid.log; not_ok "the uhid server stops cleanly"; fi

echo "# $failures failed"
[ "$failures" = 0 ]
