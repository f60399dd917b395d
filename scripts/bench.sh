#!/usr/bin/env bash
# The benchmark command: builds both architectures, then runs zvbench of the
# 64-bit build under Wine with one X display and one wineserver, and prints
# its table after a line naming the date and the machine. About two minutes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_root=${ZV_BUILD_ROOT:-$root/build}
if [ "${1:-}" != "--inside-display" ]; then
  if ! "$root/scripts/build.sh" >&2; then
    # The benchmark needs only its own program, the reference host and the two
    # deliverables of the 64-bit build; a broken unrelated target does not stop it.
    echo "bench.sh: the full build failed; building what the benchmark needs" >&2
    cmake --build "$build_root/win64" -j "$(nproc)" --target zvbench zelvanoor_reference_host >&2
  fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display "$@"
fi
shift
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
zv_wine_env "$build_root/win64"
zv_wine_server_start
trap zv_wine_server_stop EXIT
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) x $cpu, $(uname -sr), $("$ZV_WINE" --version)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
cd "$build_root/win64/bin"
# Wine's background processes must not hold this script's output open.
log=$(mktemp)
trap 'rm -f "$log"; zv_wine_server_stop' EXIT
status=0
"$ZV_WINE" zvbench.exe "$@" >"$log" </dev/null || status=$?
cat "$log"
exit $status
