#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs one program under Wine in the test prefix.
wine_vars=$(bash "$(dirname "$0")/wine-env.sh" env) || exit 1
eval "$wine_vars"
exec ${WINE:-/usr/lib/wine/wine64} "$@"
