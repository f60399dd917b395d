#!/usr/bin/env bash
# Builds both architectures: build/win32 holds the shipped 32-bit deliverables,
# build/win64 the same sources as 64-bit programs that the tests run under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/bootstrap.sh"
build_root=${ZV_BUILD_ROOT:-$root/build}
jobs=$(nproc)
configure() {  # build dir, toolchain, extra arguments
  local dir=$1 toolchain=$2
  shift 2
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
      -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
}
configure "$build_root/win32" toolchain-i686-mingw.cmake
configure "$build_root/win64" toolchain-x86_64-mingw.cmake \
  -DZELVANOOR_DELIVERABLES_DIR="$build_root/win32/bin"
echo "== building 32-bit deliverables (build/win32/bin)"
cmake --build "$build_root/win32" -j "$jobs"
echo "== building 64-bit test build (build/win64/bin)"
cmake --build "$build_root/win64" -j "$jobs"
