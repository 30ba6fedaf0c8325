#!/usr/bin/env bash
# Screenshots of the setup's and the uninstaller's pages under Wine, in a fresh prefix on its
# own Xvfb (display numbers from 236 on): welcome, folder, components (with "Mit Windows
# starten"), finish (with "Die Quendler jetzt starten"), then the uninstaller's confirmation
# and its components page (with "Auch meine Termine und Notizen löschen").
#   scripts/installer_screenshots.sh [BUILD_DIR] [OUT_DIR]   (default build/windows, BUILD_DIR/installer-screenshots)
# The Windows build must be done with makensis installed (dist/quendler-setup-*.exe, probe.exe).
set -u
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/windows}")
out=$(realpath -m "${2:-$build/installer-screenshots}")
setup=$(ls "$build"/dist/quendler-setup-*.exe 2>/dev/null | head -1)
probe_exe=$build/tests/e2e/probe.exe
for f in "$setup" "$probe_exe"; do [ -f "$f" ] || { echo "installer screenshots: ${f:-the setup} is missing" >&2; exit 1; }; done
version=$(basename "$setup" .exe); version=${version#quendler-setup-}
source tests/e2e/e2e_common.sh
e2e_start "$build/installer-screenshots-work" 1024x768x24 236
rm -rf "$out"; mkdir -p "$out"
cp "$probe_exe" "$QUENDLER_WINE_DIR/app/probe.exe"
probe() { (cd "$QUENDLER_WINE_DIR/app" && "$WINE" probe.exe "$@" 2>/dev/null | tr -d '\r'); }
shot() { sleep 1.5; import -display "$DISPLAY" -window root "$out/$1.png" && echo "$out/$1.png"; }
# Enter as real input presses the page's default button (Weiter, Installieren, Fertig stellen);
# the pages change the window's caption, so it cannot be found by its caption again.
next() { probe keys "" 0D >/dev/null; }

caption="Die Quendler $version einrichten"
"$WINE" "$setup" >"$QUENDLER_WINE_DIR/setup.log" 2>&1 &
probe window "$caption" 30 >/dev/null || { echo "installer screenshots: the setup did not open" >&2; exit 1; }
shot 1-willkommen; next
shot 2-zielordner; next
shot 3-komponenten; next
sleep 4   # the files, then the finish page comes by itself
shot 4-fertig; next
sleep 3
local_app=$("$WINE" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
# "Beenden" in the program that the finish page started.
(cd "$QUENDLER_WINE_DIR/app" && "$WINE" probe.exe click 1004 >/dev/null 2>&1)
sleep 2

uncaption="Die Quendler $version entfernen"
"$WINE" "$local_app\\Programs\\Die Quendler\\uninstall.exe" >"$QUENDLER_WINE_DIR/uninstall.log" 2>&1 &
probe window "$uncaption" 30 >/dev/null || { echo "installer screenshots: the uninstaller did not open" >&2; exit 1; }
shot 5-entfernen; next
shot 6-entfernen-komponenten
probe keys "" 1B >/dev/null   # Escape (Abbrechen): the screenshots remove nothing
sleep 1
