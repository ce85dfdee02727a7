#!/usr/bin/env bash
# Wine for the Windows build's tests, one prefix per build folder.
#   wine.sh start PREFIX       create the prefix if needed, start an Xvfb screen for Wine (its
#                              name in PREFIX/xvfb.display) and a persistent wineserver
#   wine.sh run PREFIX EXE...  run a Windows program (the CMake emulator), bounded in time
#   wine.sh stop PREFIX        end the wineserver, waiting until it has saved the registry, and
#                              the Xvfb screen
# Wine's helper processes inherit the standard streams of whoever starts them first and never close
# them, which would keep ctest waiting for ever; the server and the helpers are therefore started
# here with every stream on /dev/null, before any test runs.
set -euo pipefail
command=${1:?usage: wine.sh start|run|stop PREFIX ...}
prefix=${2:?usage: wine.sh start|run|stop PREFIX ...}
shift 2
mkdir -p "$prefix"
export WINEPREFIX
WINEPREFIX=$(cd "$prefix" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

# The X display that Wine draws on: Wine picks its graphics driver when the prefix's desktop
# starts, so the display must be there before wineboot and stay for every program after it.
display_file="$WINEPREFIX/xvfb.display"
pid_file="$WINEPREFIX/xvfb.pid"

start_display() {
  command -v Xvfb >/dev/null || return 0
  local out="$WINEPREFIX/xvfb.out"
  rm -f "$out"
  setsid Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp </dev/null >"$out" 2>/dev/null &
  echo $! >"$pid_file"
  for _ in $(seq 100); do
    [ -s "$out" ] && break
    sleep 0.1
  done
  [ -s "$out" ] && echo ":$(head -1 "$out")" >"$display_file"
}

stop_display() {
  if [ -f "$pid_file" ]; then
    kill "$(cat "$pid_file")" 2>/dev/null || true
    rm -f "$pid_file"
  fi
  rm -f "$display_file"
}

[ -f "$display_file" ] && export DISPLAY && DISPLAY=$(cat "$display_file")

case "$command" in
  start)
    if [ ! -f "$display_file" ]; then
      start_display
      [ -f "$display_file" ] && export DISPLAY && DISPLAY=$(cat "$display_file")
    fi
    timeout 60 "$wineserver" -p </dev/null >/dev/null 2>&1
    # The first start builds the prefix (about half a minute); later ones only start the helpers.
    timeout 300 "$wine" wineboot.exe -i </dev/null >/dev/null 2>&1
    ;;
  run)
    # Shorter than ctest's own limit, so that a hung program is ended here, Wine and all.
    exec timeout -k 10 "${VANTARO_WINE_TIMEOUT:-280}" "$wine" "$@"
    ;;
  stop)
    timeout 60 "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    timeout 60 "$wineserver" -w </dev/null >/dev/null 2>&1 || true
    stop_display
    ;;
  *)
    echo "wine.sh: unknown command $command" >&2
    exit 2
    ;;
esac
