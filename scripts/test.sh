#!/usr/bin/env bash
# The test command: installs what is missing, builds both architectures, runs
# every test of the 64-bit build under Wine (one X display and one wineserver
# for the whole run), then the 32-bit build's tests under 32-bit Wine in the
# emulated guest (scripts/guest-test.sh).
#
#   scripts/test.sh            everything
#   scripts/test.sh ARGS...    the 64-bit suite only, ARGS passed to ctest
#   ZV_GUEST=0 scripts/test.sh the 64-bit suite only
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != "--inside-display" ]; then
  "$root/scripts/build.sh"
  status=0
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display "$@" || status=$?
  if [ $# -eq 0 ] && [ "${ZV_GUEST:-1}" != 0 ]; then
    echo "== 32-bit build in the emulated guest"
    ZV_GUEST_SKIP_BUILD=1 "$root/scripts/guest-test.sh" || status=$?
  fi
  exit $status
fi
shift
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
zv_wine_env "${ZV_BUILD_ROOT:-$root/build}/win64"
zv_wine_server_start
trap zv_wine_server_stop EXIT
cd "${ZV_BUILD_ROOT:-$root/build}/win64"
ctest --output-on-failure -j 2 "$@"
