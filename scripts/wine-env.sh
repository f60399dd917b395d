# Sourced by the scripts that run Windows programs of the 64-bit build under Wine.
# zv_wine_env BUILD_DIR  exports a private, booted prefix inside the build tree,
#                        running with ANSI code page 932 as a Japanese Windows does.
# zv_wine_server_start   keeps one wineserver alive for a whole batch of programs.
# zv_wine_server_stop    ends it and every Wine process of the prefix.

ZV_WINE=/usr/lib/wine/wine64
ZV_WINESERVER=/usr/lib/wine/wineserver

zv_wine_env() {
  local build_dir
  build_dir=$(cd "$1" && pwd)
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # A crashing program ends at once instead of waiting in the debugger.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINESERVER=$ZV_WINESERVER
  if [ ! -f "$WINEPREFIX/.zelvanoor-booted" ]; then
    # A half-made prefix (an interrupted boot) is worse than none.
    rm -rf "$WINEPREFIX"
    "$ZV_WINE" wineboot -i >/dev/null 2>&1
    "$ZV_WINESERVER" -w
    touch "$WINEPREFIX/.zelvanoor-booted"
  fi
}

zv_wine_server_start() {
  "$ZV_WINESERVER" -p
  # Start Wine's background processes now, detached from any caller's pipes.
  "$ZV_WINE" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

zv_wine_server_stop() {
  "$ZV_WINESERVER" -k >/dev/null 2>&1 || true
  "$ZV_WINESERVER" -w >/dev/null 2>&1 || true
}
