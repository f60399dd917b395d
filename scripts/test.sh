#!/usr/bin/env bash
# The test command: installs what is missing, builds both architectures and runs
# every test of the 64-bit build under Wine, with one X display and one
# wineserver for the whole run. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != "--inside-display" ]; then
  "$root/scripts/build.sh"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display "$@"
fi
shift
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
zv_wine_env "${ZV_BUILD_ROOT:-$root/build}/win64"
zv_wine_server_start
trap zv_wine_server_stop EXIT
cd "${ZV_BUILD_ROOT:-$root/build}/win64"
ctest --output-on-failure -j 2 "$@"
