#!/usr/bin/env bash
# CTest's emulator for the 64-bit build: runs one Windows program under wine64.
# scripts/test.sh provides the prefix, the X display and a persistent wineserver
# for a whole run; started alone (ctest by hand), this sets up what is missing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1
shift
build_dir=$(cd "$(dirname "$exe")/.." && pwd)
if [ -z "${WINEPREFIX:-}" ]; then
  # shellcheck source=../scripts/wine-env.sh
  . "$here/../scripts/wine-env.sh"
  zv_wine_env "$build_dir"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$exe" "$@"
fi
# Wine's own background processes (services, explorer) may be started by this
# program and live on; they must not inherit CTest's output pipe, or CTest
# waits for them. So the program writes to a file that is shown afterwards.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
/usr/lib/wine/wine64 "$exe" "$@" >"$log" 2>&1 </dev/null || status=$?
cat "$log"
exit $status
