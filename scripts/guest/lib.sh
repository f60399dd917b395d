# Sourced by the guest scripts.

# zv_remove_tree DIR
# Removes DIR, first undoing any mount left inside it by an interrupted image
# build (a chroot's /dev is the host's own), and never crossing into another
# file system.
zv_remove_tree() {
  local dir mounts
  [ -e "$1" ] || return 0
  dir=$(cd "$1" && pwd -P)
  mounts=$(awk -v d="$dir/" 'index($2 "/", d) == 1 {print $2}' /proc/mounts | sort -r)
  local m
  for m in $mounts; do
    umount -l "$m" 2>/dev/null || true
  done
  rm -rf --one-file-system "$dir"
}

# zv_guest_boot IMAGE_DIR MODE TIMEOUT_S LOG [PAYLOAD_IMG [SHOW]]
# Boots the guest of IMAGE_DIR under full-system emulation (no KVM here) and
# waits until it powers itself off, at most TIMEOUT_S seconds. The serial
# console goes to LOG, and to stdout as well when SHOW is 1. In mode "run" the
# root disk is used read-only (writes go to a throw-away overlay) and the
# payload disk is the second disk; mode "prepare" writes to the root disk.
# Returns 124 on time-out.
zv_guest_boot() {
  local image=$1 mode=$2 limit=$3 log=$4 payload=${5:-} show=${6:-0}
  local root_drive="file=$image/root.img,format=raw,if=virtio,cache=unsafe"
  local drives=()
  if [ "$mode" = run ]; then
    root_drive+=",snapshot=on"
  fi
  drives+=(-drive "$root_drive")
  if [ -n "$payload" ]; then
    drives+=(-drive "file=$payload,format=raw,if=virtio,cache=unsafe")
  fi
  # -smap off: with it, every 32-bit Wine process dies on a kernel page fault
  # at an iret under this emulator.
  rm -f "$log.status"
  {
    timeout -k 10 "$limit" qemu-system-x86_64 -accel tcg -cpu max,-smap -m 4096 -smp 2 \
      -nodefaults -display none -monitor none -serial stdio -no-reboot \
      -kernel "$image/vmlinuz" -initrd "$image/initrd.img" "${drives[@]}" \
      -append "console=ttyS0 panic=-1 quiet loglevel=3 zv.mode=$mode" </dev/null 2>&1
    echo $? >"$log.status"
  } | tr -d '\r' | if [ "$show" = 1 ]; then tee "$log"; else cat >"$log"; fi || true
  local status
  status=$(cat "$log.status" 2>/dev/null || echo 1)
  rm -f "$log.status"
  return "$status"
}
