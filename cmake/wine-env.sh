#!/usr/bin/env bash
# Starts and stops what the Windows programs run in here: a virtual X display (unless DISPLAY is
# set) and a Wine prefix with a persistent wineserver, all kept under $QUENDLER_WINE_DIR. The
# test fixture (wine.start, wine.stop), the end-to-end test and the screenshots start Wine so.
#   wine-env.sh start | stop | env
# env prints the shell assignments a caller evaluates to run Wine programs in that prefix:
#   wine_vars=$(bash cmake/wine-env.sh env) && eval "$wine_vars"
# QUENDLER_OWN_DISPLAY=1 starts an Xvfb even when DISPLAY is set; QUENDLER_SCREEN is its
# screen (default 1920x1080x24); QUENDLER_DISPLAY_FROM the first display number to try
# (default 91; callers that may run at the same time start from different numbers).
set -u
dir=${QUENDLER_WINE_DIR:?QUENDLER_WINE_DIR must name the Wine state folder}
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$dir/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

# Takes the first free display number from QUENDLER_DISPLAY_FROM on. Another start may take
# the same number at the same moment; the Xvfb that loses ends at once, and the next is tried.
start_xvfb() {
  local first=${QUENDLER_DISPLAY_FROM:-91} n pid
  for ((n = first; n < first + 70; n++)); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${QUENDLER_SCREEN:-1920x1080x24}" -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      echo "$pid" >"$dir/xvfb.pid"
      echo ":$n" >"$dir/display"
      return 0
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  echo "no free X display number from $first on" >&2
  return 1
}

case "${1:-}" in
  start)
    mkdir -p "$dir"
    if [ -n "${DISPLAY:-}" ] && [ -z "${QUENDLER_OWN_DISPLAY:-}" ]; then
      echo "$DISPLAY" >"$dir/display"
    else
      start_xvfb || exit 1
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
  env)
    printf 'export WINEPREFIX=%q WINEDEBUG=%q WINEDLLOVERRIDES=%q\n' "$WINEPREFIX" "$WINEDEBUG" "$WINEDLLOVERRIDES"
    if [ -f "$dir/display" ]; then printf 'export DISPLAY=%q\n' "$(cat "$dir/display")"; fi
    ;;
  *) echo "usage: wine-env.sh start|stop|env" >&2; exit 2 ;;
esac
