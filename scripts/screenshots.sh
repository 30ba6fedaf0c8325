#!/usr/bin/env bash
# Screenshots of the Windows program under Wine: the main window, the note window, the alarm
# window, the working window while the wallpaper is built, the tray icon's tooltip (date and
# busy state), the appointment editor, and the options sheet's pages with the font dialog. It
# runs quendler.exe in a fresh prefix inside a Wine virtual desktop (which has a tray and paints the wallpaper) on
# its own Xvfb, and stops everything again.
#   scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]   (default build/windows, BUILD_DIR/screenshots)
# The Windows build must be done (quendler.exe, probe.exe, zuvi.chm).
set -u
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/windows}")
out=$(realpath -m "${2:-$build/screenshots}")
exe=$build/app/win32/quendler.exe probe_exe=$build/tests/e2e/probe.exe help=$build/app/win32/zuvi.chm
for f in "$exe" "$probe_exe" "$help"; do [ -f "$f" ] || { echo "screenshots: $f is missing (build the windows preset first)" >&2; exit 1; }; done
wine_env=$(pwd)/cmake/wine-env.sh
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
desk_w=7680 desk_h=4320  # large, so that a build lasts long enough to catch its busy state
work=$build/screenshots-work
rm -rf "$work" "$out"; mkdir -p "$work/app" "$out"
# Its own display (numbers from 241 on) and prefix in $work.
export QUENDLER_WINE_DIR=$work QUENDLER_OWN_DISPLAY=1 QUENDLER_SCREEN=${desk_w}x${desk_h}x24 QUENDLER_DISPLAY_FROM=241
cleanup() {
  bash "$wine_env" stop >/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
bash "$wine_env" start >/dev/null || { echo "screenshots: Wine did not start" >&2; exit 1; }
wine_vars=$(bash "$wine_env" env) && eval "$wine_vars"
# Every process of the prefix runs in one virtual desktop (winecfg's "emulate a virtual desktop").
"$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${desk_w}x${desk_h}" /f >/dev/null 2>&1
# German regional date settings, as on the program's usual desktops.
"$WINE" reg add 'HKCU\Control Panel\International' /v iDate /d 1 /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Control Panel\International' /v sDate /d . /f >/dev/null 2>&1
# The desktop takes them at the next start: end the boot's processes and its server (which
# saves the registry), then keep a new server.
"$WINESERVER" -k
"$WINESERVER" -w
"$WINESERVER" -p 30
cp "$exe" "$probe_exe" "$help" "$work/app/"
cd "$work/app"
probe() { "$WINE" probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
shot() { import -window root "$out/$1.png" && echo "screenshot: $out/$1.png"; }
# Crops a rectangle "left top right bottom" (with a margin) out of a screenshot.
crop() {  # crop NAME LEFT TOP RIGHT BOTTOM MARGIN
  local l=$(( $2 - $6 )) t=$(( $3 - $6 )) r=$(( $4 + $6 )) b=$(( $5 + $6 ))
  (( l < 0 )) && l=0; (( t < 0 )) && t=0
  convert "$out/$1.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$out/$1-crop.png"
}
# Where the tray shows our icon: the yellow square of the day number near the bottom right.
tray_icon_centre() {
  /usr/bin/python3 - "$1" <<'PY'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
w, h = img.size
px = img.load()
best = None
for y in range(h - 1, h - 120, -1):
    for x in range(w - 1, w - 400, -1):
        if px[x, y] == (255, 255, 0):
            best = (x, y) if best is None else best
            break
    if best:
        break
if best:
    x, y = best
    print(x - 7, y - 7)
PY
}

# Working window and busy tooltip: the first build runs right after the start. The tray puts
# the icon into the bottom-right corner; the pointer waits there.
tx=$((desk_w - 10)) ty=$((desk_h - 10))
probe cursor "$tx" "$ty" >/dev/null
# Christmas Eve: a named day for the day information.
export QUENDLER_START_TIME=${QUENDLER_START_TIME:-2024-12-24 10:00:00}
"$WINE" quendler.exe >"$work/quendler.log" 2>&1 &
# One screen shows both: the working window and the busy tooltip.
if rect=$(probe working 30); then
  probe hover "$tx" "$ty" >/dev/null
  sleep 1.2
  shot working-window
  read -r l t r b <<<"$rect"; crop working-window "$l" "$t" "$r" "$b" 20
  cp "$out/working-window.png" "$out/tray-tooltip-busy.png"
  crop tray-tooltip-busy "$((desk_w - 420))" "$((desk_h - 120))" "$desk_w" "$desk_h" 0
  probe cursor "$((tx - 300))" "$((ty - 300))" >/dev/null
else
  echo "screenshots: no working window at the start" >&2
fi
sleep 4  # the first build ends

# The tray icon's tooltip with the date.
shot desktop
if pos=$(tray_icon_centre "$out/desktop.png") && [ -n "$pos" ]; then
  read -r tx ty <<<"$pos"
  probe cursor "$tx" "$ty" >/dev/null; sleep 0.3
  probe cursor "$((tx + 1))" "$ty" >/dev/null; sleep 2
  shot tray-tooltip
  crop tray-tooltip "$((desk_w - 420))" "$((desk_h - 120))" "$desk_w" "$desk_h" 0
  probe cursor 10 10 >/dev/null
else
  echo "screenshots: no tray icon found on the desktop" >&2
fi

# The main window, as a second start shows it.
"$WINE" quendler.exe >/dev/null 2>&1
probe expect shown 10 >/dev/null
sleep 1
shot main-window
read -r l t r b <<<"$(probe rect)"; crop main-window "$l" "$t" "$r" "$b" 10
# The note window over it: a new note with a few lines typed in.
probe click 1077 >/dev/null
if rect=$(probe note 10); then
  probe note-type "Einkaufen:"$'\r'"    Brot, Milch"$'\r'"Anrufen: Oma" >/dev/null
  sleep 1
  shot note-window
  read -r l t r b <<<"$rect"; crop note-window "$l" "$t" "$r" "$b" 10
  probe note-click 1107 >/dev/null
  probe note-gone 5 >/dev/null
  # An older, read-only note beside it (the oldest), and paging back to both.
  written=$(find "$WINEPREFIX/drive_c/users" -name 'N_20*.txt' 2>/dev/null | head -n 1)
  if [ -n "$written" ]; then
    folder=$(dirname "$written")
    printf 'Nur zum Lesen:\r\nschreibgesch\xfctzt.' >"$folder/N_20241201_0815a.txt"
    chmod a-w "$folder/N_20241201_0815a.txt"
    probe click 1077 >/dev/null
    if probe note 10 >/dev/null; then
      probe note-click 1103 >/dev/null
      sleep 1
      shot note-older
      crop note-older "$l" "$t" "$r" "$b" 10
      probe note-click 1103 >/dev/null
      sleep 1
      shot note-read-only
      crop note-read-only "$l" "$t" "$r" "$b" 10
      probe note-click 1107 >/dev/null
      probe note-gone 5 >/dev/null
    fi
    chmod u+w "$folder/N_20241201_0815a.txt"
  fi
else
  echo "screenshots: no note window" >&2
fi

# --- The options sheet: each of its five pages, and the font dialog of the desktop-calendar page.
probe click 1073 >/dev/null
if rect=$(probe sheet 10); then
  read -r l t r b <<<"$rect"
  n=0
  for name in allgemein desktopkalender termine notizen hotkeys; do
    probe sheet-page "$n" >/dev/null
    sleep 1.5
    shot "options-$name"
    crop "options-$name" "$l" "$t" "$r" "$b" 10
    n=$((n + 1))
  done
  probe sheet-page 1 >/dev/null
  sleep 1
  probe page-click 1014 >/dev/null
  if font=$(probe window Schriftart 10); then
    sleep 1.5
    shot options-schriftart
    read -r fl ft fr fb <<<"$font"; crop options-schriftart "$fl" "$ft" "$fr" "$fb" 10
    probe dialog Schriftart 2 >/dev/null
  else
    echo "screenshots: no font dialog" >&2
  fi
  sleep 1
  probe sheet-cancel >/dev/null
  probe sheet-gone 5 >/dev/null
else
  echo "screenshots: no options sheet" >&2
fi
probe click 1004 >/dev/null
sleep 2

# The alarm window: two appointments due at 10:00, the program started just before 10:01 so
# that the first check fires them (a one-off with its own picture, then a daily one with the
# alarm picture).
alarm_probe_exe=$build/tests/e2e/alarm_probe.exe
if [ -f "$alarm_probe_exe" ]; then
  cp "$alarm_probe_exe" "$work/app/"
  alarm_probe() { "$WINE" alarm_probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
  mkdir -p "$WINEPREFIX/drive_c/quendler-bilder"
  /usr/bin/python3 - "$WINEPREFIX/drive_c/quendler-bilder/alarm.qtm" <<'PY'
import struct, sys
def record(name, kind, picture, remark):
    r = bytearray(920)
    struct.pack_into("<8H", r, 0, 0, 0, kind, 24, 12, 2024, 10, 0)
    struct.pack_into("<3H", r, 26, 0, 1, picture)
    for offset, text in ((568, remark), (824, name)):
        data = text.encode("cp1252")
        r[offset:offset + len(data)] = data
    return bytes(r)
with open(sys.argv[1], "wb") as f:
    f.write(record("Geschenke abholen", 1, 18,  # slider position 18: the present
                   "Bei Müllers im Laden, bis 12 Uhr geöffnet. Den Abholschein nicht vergessen!"))
    f.write(record("Tabletten", 2, 0, "Eine nach dem Frühstück."))
PY
  "$WINE" reg add 'HKCU\Software\Skorvati\Desktop\Quendler' /v AlarmFile /d 'C:\quendler-bilder\alarm.qtm' /f >/dev/null 2>&1
  QUENDLER_START_TIME="2024-12-24 10:00:55" "$WINE" quendler.exe >"$work/quendler-alarm.log" 2>&1 &
  for name in "Geschenke abholen:alarm-window" "Tabletten:alarm-window-daily"; do
    caption=${name%%:*} shotname=${name##*:}
    if alarm_probe wait "$caption" 40 >/dev/null; then
      sleep 1
      shot "$shotname"
      read -r l t r b <<<"$(alarm_probe rect "$caption")"; crop "$shotname" "$l" "$t" "$r" "$b" 10
      alarm_probe click "$caption" 1091 >/dev/null
      alarm_probe gone "$caption" 5 >/dev/null
    else
      echo "screenshots: no alarm window \"$caption\"" >&2
    fi
  done
  alarm_probe quit >/dev/null
  sleep 2
  # The editor's pictures start from the default, still empty, appointment file.
  "$WINE" reg delete 'HKCU\Software\Skorvati\Desktop\Quendler' /v AlarmFile /f >/dev/null 2>&1
fi
# The appointment editor, in a run of its own with TerminSchutz 1 (so that the protect box
# shows): empty, with one appointment, and with a protected one.
editor_probe_exe=$build/tests/e2e/editor_probe.exe
if [ -f "$editor_probe_exe" ]; then
  cp "$editor_probe_exe" .
  ed() { "$WINE" editor_probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
  "$WINE" reg add 'HKCU\Software\Skorvati\Desktop\Quendler' /v TerminSchutz /t REG_DWORD /d 1 /f >/dev/null 2>&1
  "$WINE" quendler.exe >>"$work/quendler.log" 2>&1 &
  probe wait-window 30 >/dev/null
  sleep 4  # the first build
  probe click 1007 >/dev/null
  if rect=$(ed wait 10); then
    read -r l t r b <<<"$rect"
    sleep 1
    shot editor-empty; crop editor-empty "$l" "$t" "$r" "$b" 10
    ed click 1211
    ed name "Zahnarzt"
    ed slide 4  # the slider position whose picture is the tooth
    ed choose 1061 1
    ed type 1067 "Bohrer mitbringen, Karte nicht vergessen."
    sleep 1
    shot editor-record; crop editor-record "$l" "$t" "$r" "$b" 10
    ed click 1211
    ed name "Geburtstag Oma"
    ed choose 1062 4
    ed slide 1  # the cake
    ed choose 1061 2
    ed type 1063 "C:\\Musik\\Geburtstag.mp3"
    ed type 1067 "Anrufen!"
    ed check 1089
    sleep 1
    shot editor-protected; crop editor-protected "$l" "$t" "$r" "$b" 10
    ed click 2
    ed gone 5 >/dev/null
  else
    echo "screenshots: no appointment editor" >&2
  fi
  probe click 1004 >/dev/null
  sleep 2
else
  echo "screenshots: $editor_probe_exe is missing: no editor screenshots" >&2
fi
# The full screens are large; keep a quarter-size copy of each for viewing.
for f in "$out"/*.png; do
  case "$f" in *-crop.png|*-small.png) ;; *) convert "$f" -resize 25% "${f%.png}-small.png" ;; esac
done
ls "$out"
