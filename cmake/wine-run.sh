#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs one program under Wine in the test prefix.
dir=${QUENDLER_WINE_DIR:?QUENDLER_WINE_DIR must name the Wine state folder}
export WINEPREFIX=$dir/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
exec ${WINE:-/usr/lib/wine/wine64} "$@"
