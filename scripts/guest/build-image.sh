#!/usr/bin/env bash
# Builds the guest that runs the 32-bit programs: a Debian amd64 system with
# 32-bit Wine, Xvfb and the ja_JP.UTF-8 locale on an ext4 disk image, Debian's
# own kernel and a tiny initramfs that mounts that disk. A first boot creates
# the 32-bit Wine prefix, so that every later run starts from a booted prefix.
#
#   build-image.sh OUT_DIR
#
# Writes OUT_DIR/vmlinuz, OUT_DIR/initrd.img and OUT_DIR/root.img, then
# OUT_DIR/complete last. Run as root (debootstrap, chroot, device nodes).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"
out=$1
suite=bookworm
guest_packages=(wine wine32:i386 xvfb xauth locales)

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/work"
rootfs="$work/rootfs"
rm -f "$out/complete"
zv_remove_tree "$work"
mkdir -p "$work"

log() { echo "guest-image: [${SECONDS} s] $*"; }

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  [ -z "${binfmt_entry:-}" ] || echo -1 >"$binfmt_entry" 2>/dev/null || true
}
trap cleanup EXIT

# The Debian mirror of the host's own apt sources.
mirror=$(sed -n 's/^URIs: *\([^ ]*debian\/*\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null |
  head -n1)
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
  mirror=$(awk '$1 == "deb" && $3 == "'$suite'" {print $2; exit}' /etc/apt/sources.list)
fi
mirror=${mirror:-http://deb.debian.org/debian}

log "debootstrap $suite from $mirror"
debootstrap --variant=minbase --arch=amd64 "$suite" "$rootfs" "$mirror" >"$work/debootstrap.log" 2>&1 || {
  tail -n 30 "$work/debootstrap.log"
  exit 1
}

# The chroot fetches from the same sources as the host.
rm -f "$rootfs/etc/apt/sources.list"
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  cp /etc/apt/sources.list.d/debian.sources "$rootfs/etc/apt/sources.list.d/"
fi
if [ -f /etc/apt/sources.list ]; then
  grep -E '^deb .*debian' /etc/apt/sources.list >"$rootfs/etc/apt/sources.list" || true
fi
printf '#!/bin/sh\nexit 101\n' >"$rootfs/usr/sbin/policy-rc.d"
chmod 755 "$rootfs/usr/sbin/policy-rc.d"

# Some i386 packages run i386 programs while they install; this host runs only
# 64-bit code, so they go through qemu-i386-static, registered for the run.
i386_runs() {
  local f
  for f in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$f" ] && grep -q '^interpreter .*qemu-i386' "$f" 2>/dev/null && grep -q '^enabled' "$f" && return 0
  done
  return 1
}
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
if ! i386_runs; then
  # Fixed binary (F): the interpreter is opened now, so it works inside the chroot.
  echo ':zelvanoor-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    >/proc/sys/fs/binfmt_misc/register
  binfmt_entry=/proc/sys/fs/binfmt_misc/zelvanoor-i386
fi

for fs in proc sys dev dev/pts; do
  case $fs in
    proc) mount -t proc proc "$rootfs/proc" ;;
    sys) mount -t sysfs sys "$rootfs/sys" ;;
    dev) mount --bind /dev "$rootfs/dev" ;;
    dev/pts) mount -t devpts devpts "$rootfs/dev/pts" ;;
  esac
  mounted+=("$rootfs/$fs")
done

log "installing ${guest_packages[*]}"
chroot "$rootfs" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
  HOME=/root LANG=C.UTF-8 /bin/sh -ec "
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends ${guest_packages[*]}
    echo 'ja_JP.UTF-8 UTF-8' >/etc/locale.gen
    locale-gen
    apt-get clean
    rm -rf /var/lib/apt/lists/*
  " >"$work/install.log" 2>&1 || {
  tail -n 40 "$work/install.log"
  exit 1
}
cleanup
mounted=()
binfmt_entry=

# Debian's kernel has the 32-bit emulation that Wine needs; the virtio and ext4
# drivers it needs to reach the root disk are modules, loaded by the initramfs.
log "kernel and initramfs"
kernel_pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
[ -n "$kernel_pkg" ] || { echo "guest-image: no linux-image package found (apt-get update?)" >&2; exit 1; }
mkdir -p "$work/kernel"
(cd "$work/kernel" && apt-get download -q "$kernel_pkg" >/dev/null 2>&1)
dpkg-deb -x "$work/kernel"/*.deb "$work/kernel/x"
kver=$(ls "$work/kernel/x/lib/modules")
cp "$work/kernel/x/boot/vmlinuz-$kver" "$out/vmlinuz"
depmod -b "$work/kernel/x" "$kver"

initrd="$work/initrd"
mkdir -p "$initrd/bin" "$initrd/dev" "$initrd/proc" "$initrd/sys" "$initrd/newroot" "$initrd/lib/modules"
cp /bin/busybox "$initrd/bin/busybox"
cp "$here/initramfs-init" "$initrd/init"
chmod 755 "$initrd/init"
: >"$initrd/lib/modules/load-order"
for module in virtio_pci virtio_blk crc32c_generic ext4; do
  modprobe -d "$work/kernel/x" -S "$kver" --show-depends "$module" | awk '$1 == "insmod" {print $2}'
done | awk '!seen[$0]++' | while read -r ko; do
  cp "$ko" "$initrd/lib/modules/"
  basename "$ko" >>"$initrd/lib/modules/load-order"
done
(cd "$initrd" && find . | cpio -o -H newc --quiet | gzip -1) >"$out/initrd.img"

# PID 1 of the guest, the same for the first boot and every test run.
install -m 755 "$here/guest-init" "$rootfs/sbin/zelvanoor-init"
mkdir -p "$rootfs/zv"
echo zelvanoor-guest >"$rootfs/etc/hostname"

log "disk image"
mke2fs -q -t ext4 -L zvroot -d "$rootfs" "$out/root.img" 4G
zv_remove_tree "$rootfs"

# First boot: create the 32-bit prefix and start one program in it, on the
# writable image; later runs use the image read-only.
log "first boot: 32-bit Wine prefix"
zv_guest_boot "$out" prepare 900 "$work/first-boot.log" "" || {
  tail -n 40 "$work/first-boot.log"
  exit 1
}
grep -q '^zelvanoor-guest: prefix ready' "$work/first-boot.log" || {
  echo "guest-image: the first boot did not create the prefix" >&2
  tail -n 40 "$work/first-boot.log"
  exit 1
}
zv_remove_tree "$work"
touch "$out/complete"
log "ready in $out"
