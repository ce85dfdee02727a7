#!/usr/bin/env bash
# Wine for the Windows build's tests, one prefix per build folder.
#   wine.sh start PREFIX       create the prefix if needed, start a persistent wineserver
#   wine.sh run PREFIX EXE...  run a Windows program (the CMake emulator), bounded in time
#   wine.sh stop PREFIX        end the wineserver, waiting until it has saved the registry
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

case "$command" in
  start)
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
    ;;
  *)
    echo "wine.sh: unknown command $command" >&2
    exit 2
    ;;
esac
