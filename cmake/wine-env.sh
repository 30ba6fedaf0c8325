#!/usr/bin/env bash
# Starts and stops what the Windows tests run in: a virtual X display (unless DISPLAY is set)
# and a Wine prefix with a persistent wineserver, all kept under $QUENDLER_WINE_DIR.
#   wine-env.sh start | stop
set -u
dir=${QUENDLER_WINE_DIR:?QUENDLER_WINE_DIR must name the Wine state folder}
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$dir"

free_display() {
  local n
  for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then echo "$n"; return 0; fi
  done
  return 1
}

case "${1:-}" in
  start)
    if [ -n "${DISPLAY:-}" ] && [ -z "${QUENDLER_OWN_DISPLAY:-}" ]; then
      echo "$DISPLAY" > "$dir/display"
    else
      n=$(free_display) || { echo "no free X display number" >&2; exit 1; }
      Xvfb ":$n" -screen 0 ${QUENDLER_SCREEN:-1920x1080x24} -nolisten tcp >"$dir/xvfb.log" 2>&1 &
      echo $! > "$dir/xvfb.pid"
      echo ":$n" > "$dir/display"
      for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    export DISPLAY=$(cat "$dir/display")
    # The persistent server must not hold on to the caller's output (ctest waits for it).
    "$WINESERVER" -p >"$dir/wineserver.log" 2>&1 </dev/null
    "$WINE" wineboot.exe -i >"$dir/wineboot.log" 2>&1
    echo "Wine ready on $DISPLAY in $WINEPREFIX"
    ;;
  stop)
    "$WINESERVER" -k 2>/dev/null || true
    if [ -f "$dir/xvfb.pid" ]; then
      kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
      rm -f "$dir/xvfb.pid"
    fi
    echo "Wine stopped"
    ;;
  *) echo "usage: wine-env.sh start|stop" >&2; exit 2 ;;
esac
