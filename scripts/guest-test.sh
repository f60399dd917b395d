#!/usr/bin/env bash
# The 32-bit test command: runs every test program of the 32-bit build (the
# shipped zelvanoor plug-in and Zelvanoor.vcm themselves) under 32-bit Wine in
# an emulated x86-64 guest, since this machine runs 64-bit code only.
#
#   scripts/guest-test.sh [REGEX]   REGEX picks test names (like ctest -R)
#
# Installs what is missing, builds both architectures, builds the guest image
# when the cache has none for the current guest scripts, then boots the guest
# once with the 32-bit build on a second disk. Prints the guest's summary and
# exits with its status.
#
# Environment:
#   ZV_BUILD_ROOT          build root (default: build)
#   ZV_GUEST_CACHE         where guest images are kept
#                          (default: ~/.cache/zelvanoor-guest)
#   ZV_GUEST_TIMEOUT       bound of the whole guest run in seconds (default 2400)
#   ZV_GUEST_TEST_TIMEOUT  caps every test program's own limit (seconds)
#   ZV_GUEST_WINEDEBUG     WINEDEBUG for the test programs (default -all)
#   ZELVANOOR_TIME_SCALE   factor for the tests' own waits in the guest (default 8)
#   ZV_GUEST_SKIP_BUILD=1  use the 32-bit build as it is
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
guest_dir="$root/scripts/guest"
filter=${1:-}
build_root=${ZV_BUILD_ROOT:-$root/build}
cache_root=${ZV_GUEST_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelvanoor-guest}
limit=${ZV_GUEST_TIMEOUT:-2400}
time_scale=${ZELVANOOR_TIME_SCALE:-8}

# shellcheck source=guest/lib.sh
. "$guest_dir/lib.sh"

t_begin=$(date +%s)
t_stage=$t_begin
times=()
stage_done() {
  local now
  now=$(date +%s)
  times+=("$1 $((now - t_stage)) s")
  t_stage=$now
}

if [ "$(id -u)" -ne 0 ]; then
  echo "guest-test: needs root (debootstrap, chroot, binfmt_misc)" >&2
  exit 2
fi

# Host packages: the emulator and what builds the guest image.
packages=(qemu-system-x86 debootstrap busybox-static qemu-user-static kmod e2fsprogs cpio gzip python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "guest-test: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
stage_done packages

if [ "${ZV_GUEST_SKIP_BUILD:-0}" != 1 ]; then
  "$root/scripts/build.sh"
fi
win32="$build_root/win32"
[ -f "$win32/CTestTestfile.cmake" ] || { echo "guest-test: no 32-bit build in $win32" >&2; exit 2; }
win32=$(cd "$win32" && pwd)
stage_done build

# The image depends only on the files that go into it or boot it.
key=$(cat "$guest_dir/build-image.sh" "$guest_dir/initramfs-init" "$guest_dir/guest-init" \
  "$guest_dir/lib.sh" | sha256sum | cut -c1-16)
image="$cache_root/$key"
mkdir -p "$cache_root"
image_state=cached
{
  # One builder at a time; a second caller waits for it and uses its image.
  flock -w 1800 9 || { echo "guest-test: the image cache stays locked" >&2; exit 1; }
  if [ ! -f "$image/complete" ]; then
    image_state=built
    echo "guest-test: building the guest image in $image (a few minutes)"
    zv_remove_tree "$image"
    "$guest_dir/build-image.sh" "$image"
    # Older images are of older guest scripts: nothing uses them any more.
    for old in "$cache_root"/*/; do
      [ "${old%/}" = "$image" ] || zv_remove_tree "${old%/}"
    done
  fi
} 9>"$cache_root/lock"
stage_done "image ($image_state)"

# The payload disk: the 32-bit build's programs and DLLs, the test list and
# the runner, seen in the guest at the host's own absolute paths.
run_dir="$build_root/guest"
payload="$run_dir/payload"
rm -rf "$run_dir"
mkdir -p "$payload/win32"
cp -a "$win32/bin" "$payload/win32/bin"
(cd "$win32" && find . -name wineprefix -prune -o -type d -print) | while read -r d; do
  mkdir -p "$payload/win32/$d"
done
python3 "$guest_dir/test-list.py" "$win32" "$root" "$payload/tests.list" "$run_dir/sources"
printf '%s %s\n' "$win32" win32 >"$payload/paths"
while read -r top; do
  [ -n "$top" ] || continue
  mkdir -p "$payload/src"
  cp -a "$root/$top" "$payload/src/$top"
  printf '%s %s\n' "$root/$top" "src/$top" >>"$payload/paths"
done <"$run_dir/sources"
cp "$guest_dir/run-tests.sh" "$payload/run.sh"
{
  printf 'export ZELVANOOR_TIME_SCALE=%q\n' "$time_scale"
  printf 'filter=%q\n' "$filter"
  printf 'export WINEDEBUG=%q\n' "${ZV_GUEST_WINEDEBUG:--all}"
  printf 'limit_cap=%q\n' "${ZV_GUEST_TEST_TIMEOUT:-}"
} >"$payload/settings"
size_mb=$(($(du -sm "$payload" | cut -f1) + 256))
mke2fs -q -t ext4 -L zvpayload -d "$payload" "$run_dir/payload.img" "${size_mb}M" >/dev/null
echo "guest-test: $(grep -c '^zv_test' "$payload/tests.list" || true) test programs for the guest"
stage_done payload

boot_status=0
zv_guest_boot "$image" run "$limit" "$run_dir/console.log" "$run_dir/payload.img" 1 || boot_status=$?
stage_done "guest run"

debugfs -R "rdump /results $run_dir" "$run_dir/payload.img" >/dev/null 2>&1 || true
status=1
if [ "$boot_status" -eq 124 ]; then
  echo "guest-test: the guest did not finish within $limit s" >&2
elif [ ! -f "$run_dir/results/status" ]; then
  echo "guest-test: the guest left no result (qemu status $boot_status), see $run_dir/console.log" >&2
else
  status=$(cat "$run_dir/results/status")
fi

echo "guest-test: logs in $run_dir/results"
echo "guest-test: times: ${times[*]/%/,} total $(($(date +%s) - t_begin)) s" | sed 's/,,/,/g; s/, total/; total/'
if [ -f "$run_dir/results/summary" ]; then
  tail -n 1 "$run_dir/results/summary"
fi
exit "$status"
