#!/usr/bin/env bash
# The main job, start to end on a fresh machine: build, let the reference host
# serve the demo project through the output plug-in, decode frames of its
# reference AVI in a second process through Video for Windows, show the
# pictures and the speed, and end the run so that nothing stays registered.
# Runs the 64-bit build under Wine (this machine runs 64-bit code only).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_root=${ZV_BUILD_ROOT:-$root/build}

if [ "${1:-}" != "--inside-display" ]; then
  echo "== 1. building (scripts/build.sh; installs what is missing on first use)"
  "$root/scripts/build.sh"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display "$@"
fi
shift

# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
bin=$build_root/win64/bin
demo=$build_root/demo
sheet_frames="0,43,86,129,172,215,258,299"

winpath() { local p=$1; echo "Z:${p//\//\\}"; }
wine_run() { "$ZV_WINE" "$@"; }
registered() {
  wine_run reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32' /v vidc.ZVNR \
    >/dev/null 2>&1
}

echo "== 2. preparing Wine (private prefix in ${build_root#"$root"/}/win64/wineprefix, code page 932)"
zv_wine_env "$build_root/win64"
zv_wine_server_start
host_pid=
cleanup() {
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then
    kill "$host_pid" 2>/dev/null || true
  fi
  zv_wine_server_stop
}
trap cleanup EXIT

rm -rf "$demo"
mkdir -p "$demo/frames"
ready=ZelvanoorDemoReady-$$
stop=ZelvanoorDemoStop-$$

echo "== 3. the reference host outputs the demo project through zelvanoor.zvo"
echo "   (it registers the codec, writes the reference AVI, then serves frames)"
wine_run "$bin/zvhost.exe" --plugin "$(winpath "$bin/zelvanoor.zvo")" \
  --output "$(winpath "$demo/demo.avi")" --ready-event "$ready" --stop-event "$stop" \
  >"$demo/host.log" 2>&1 </dev/null &
host_pid=$!

echo "== 4. a second process (zvclient) decodes the reference AVI through Video for Windows"
status=0
wine_run "$bin/zvclient.exe" "$(winpath "$demo/demo.avi")" --wait-event "$ready" \
  --frames "$sheet_frames" --bmp "$(winpath "$demo/frames")" --verify </dev/null |
  tr -d '\r' | sed 's/^/   /' || status=1
echo "   -- every frame once, for speed:"
wine_run "$bin/zvclient.exe" "$(winpath "$demo/demo.avi")" --frames all --verify \
  --done-event "$stop" </dev/null | tr -d '\r' | tee "$demo/speed.log" | sed 's/^/   /' ||
  status=1
if [ "$status" -ne 0 ]; then
  # The client sets the stop event on its way out, even after a failure.
  echo "demo: the client failed; host log: $demo/host.log" >&2
fi

echo "== 5. ending the run"
host_status=0
wait "$host_pid" || host_status=$?
host_pid=
tr -d '\r' <"$demo/host.log" | grep -E '^(project|RunOutput|frames served)' | sed 's/^/   host: /'
if registered; then
  echo "   codec registration vidc.ZVNR: STILL PRESENT" >&2
  status=1
else
  echo "   codec registration vidc.ZVNR: removed"
fi
[ "$host_status" -eq 0 ] || { echo "   the host exited with status $host_status" >&2; status=1; }

echo "== 6. the pictures"
if command -v ffmpeg >/dev/null; then
  ffmpeg -loglevel error -y -pattern_type glob -i "$demo/frames/frame_*.bmp" \
    -vf "scale=320:-1,tile=4x2:padding=4:margin=4" -frames:v 1 "$demo/contact_sheet.png"
  echo "   contact sheet of 8 decoded frames: $demo/contact_sheet.png"
fi
echo "   decoded frames as BMP files:       $demo/frames/"
echo "   reference AVI (tokens and audio):  $demo/demo.avi ($(stat -c %s "$demo/demo.avi") bytes)"
fps=$(sed -n 's/.*: \([0-9.]*\) frames per second.*/\1/p' "$demo/speed.log")
echo "   decoding speed across processes:   ${fps:-?} frames per second (640x360, 24-bit)"

if [ "$status" -eq 0 ]; then
  echo "== done: the host's frames were decoded in another process, and the run ended cleanly"
else
  echo "== FAILED (see above)" >&2
fi
exit "$status"
