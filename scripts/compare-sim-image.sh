#!/usr/bin/env bash
# Edits a profile, applies it to a simulated mouse and prints what the mouse stored, once with
# the host's z7ctl and once with the Windows z7ctl.exe under Wine; the two must agree byte for
# byte (code page, byte order and struct layout all end up in the image).
# Usage: compare-sim-image.sh HOST_Z7CTL WINDOWS_Z7CTL_EXE
set -euo pipefail
host=$(realpath "$1")
windows=$(realpath "$2")

run_case() {  # run_case DIR COMMAND...: the edits, the applies and the stored images
  local dir=$1; shift
  local cmd=("$@")
  (
    cd "$dir"
    z7() { "${cmd[@]}" --data-dir data --config c.ini "$@"; }
    z7 profile set 1 "profileName=游戏配置一" cpiX=400,800,1600 cpiY=400,800,1600 \
      pollingRate=2 lightColor1=0x123456 lightSleep=5 >/dev/null
    z7 library add textblock "问候" "你好，世界" >/dev/null
    z7 library add hotkey "复制" 0x43 --ctrl >/dev/null
    z7 library add bindkey 0x41 "按A" >/dev/null
    z7 button set 1 3 1002 >/dev/null
    z7 button set 1 4 3067 >/dev/null
    z7 button set 1 5 6002 >/dev/null
    z7 profile set 2 "profileName=Zweites Profil" lightColor2=0xABCDEF >/dev/null
    z7 --simulate S --virtual-time apply 1 >/dev/null
    z7 --simulate S --virtual-time apply 2 >/dev/null
    z7 --simulate S --json sim show | tr -d '\r'
  )
}

work=$(mktemp -d /tmp/z7-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/host" "$work/windows"
run_case "$work/host" "$host" >"$work/host.json"
run_case "$work/windows" wine "$windows" >"$work/windows.json"

# The edits must have reached the mouse: slot 1 carries its name in GBK.
if ! grep -q 'd3cecfb7c5e4d6c3d2bb' "$work/host.json"; then
  echo "compare-sim-image: the host build did not store the edited profile" >&2
  exit 1
fi
if ! cmp -s "$work/host.json" "$work/windows.json"; then
  echo "compare-sim-image: the Windows build stored other bytes than the host build" >&2
  diff <(tr ',' '\n' <"$work/host.json") <(tr ',' '\n' <"$work/windows.json") | head -20 >&2
  exit 1
fi

# Each build reads the mouse state the other one wrote, and the profile files it saved.
show() {  # show DIR COMMAND...
  local dir=$1; shift
  (cd "$dir" && "$@" --data-dir data --config c.ini --simulate S --json sim show | tr -d '\r')
}
profile() {  # profile DIR COMMAND...
  local dir=$1; shift
  (cd "$dir" && "$@" --data-dir data --config c.ini --json image 1 | tr -d '\r')
}
for pair in "host windows" "windows host"; do
  read -r writer reader <<<"$pair"
  if [ "$reader" = host ]; then reading=("$host"); else reading=(wine "$windows"); fi
  if ! cmp -s <(show "$work/$writer" "${reading[@]}") "$work/host.json" ||
     ! cmp -s <(profile "$work/$writer" "${reading[@]}") <(profile "$work/host" "$host"); then
    echo "compare-sim-image: the $reader build reads the $writer build's files differently" >&2
    exit 1
  fi
done
echo "compare-sim-image: same images from both builds, and each reads the other's files"
