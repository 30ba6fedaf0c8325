#!/usr/bin/env bash
# End to end under Wine: quendler.exe in a fresh prefix on its own virtual display, with the
# program's clock set shortly before midnight.
#   e2e.sh QUENDLER_EXE PROBE_EXE HELP_FILE WORK_DIR
# Everything it starts (Xvfb, wineserver, the program) is stopped again.
set -u
exe=$1 probe_exe=$2 help=$3 work=$4
screen_w=1600 screen_h=900
source "$(dirname "$0")/e2e_common.sh"
e2e_start "$work" "${screen_w}x${screen_h}x24" 171

cp "$exe" "$work/app/quendler.exe"
cp "$probe_exe" "$work/app/probe.exe"
cp "$help" "$work/app/zuvi.chm"
cd "$work/app"
probe() { "$WINE" probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
reg_value() {  # reg_value KEY NAME -> the value's data as reg prints it
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { print $3 }'
}
bmp_size() {
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(54); print("%dx%d %d" % (struct.unpack("<i",d[18:22])[0], abs(struct.unpack("<i",d[22:26])[0]), struct.unpack("<H",d[28:30])[0]))' "$1"
}
mtime() { stat -c %Y.%y "$1" 2>/dev/null; }
key='HKCU\Software\Skorvati\Desktop\Quendler'

# --- first start, 25 seconds before midnight
QUENDLER_START_TIME="2024-03-05 23:59:35" "$WINE" quendler.exe >"$work/quendler.log" 2>&1 &
app_pid=$!
start=$(date +%s)
wallpaper=
for _ in $(seq 1 100); do
  wallpaper=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Skorvati/Desktopkalender/wallpaper.bmp' 2>/dev/null | head -1)
  [ -n "$wallpaper" ] && break
  sleep 0.2
done
for _ in $(seq 1 20); do [ "$(reg_value "$key" OldDay)" = 0x5 ] && break; sleep 0.3; done
if [ -n "$wallpaper" ]; then
  size=$(bmp_size "$wallpaper")
  [ "$size" = "${screen_w}x${screen_h} 24" ] && ok "wallpaper.bmp written with the screen size ($size)" \
    || fail "wallpaper.bmp is $size, expected ${screen_w}x${screen_h} 24"
else
  fail "no wallpaper.bmp after the start"
fi
[ "$(reg_value "$key" OldDay)" = 0x5 ] && ok "registry holds OldDay 5" || fail "OldDay is '$(reg_value "$key" OldDay)', expected 0x5"
for name in AutoDelete Splash Mondphasen AutoExit AutoStart Snooze x y left top right HG Kalenderwoche \
            Wochentage Feiertage FHeight FWeight FItalic FName AlarmFile NotePath; do
  [ -n "$(reg_value "$key" "$name")" ] || fail "registry lacks $name"
done
[ "$(reg_value "$key" FName)" = Verdana ] && ok "settings saved with their defaults" || fail "FName is '$(reg_value "$key" FName)'"
installed=$("$WINE" reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | tr -d '\r' | grep -i wallpaper.bmp)
[ -n "$installed" ] && ok "wallpaper installed (${installed##* })" || fail "the desktop's Wallpaper value does not name wallpaper.bmp"
if probe visible >/dev/null; then fail "the main window is visible after the start"; else ok "the main window stays hidden"; fi

# --- midnight: exactly one rebuild
first=$(mtime "$wallpaper")
[ $(( $(date +%s) - start )) -lt 24 ] || fail "the start took too long to watch midnight"
while [ $(( $(date +%s) - start )) -lt 25 ]; do sleep 0.2; done
rebuilt=
for _ in $(seq 1 50); do
  [ "$(reg_value "$key" OldDay)" = 0x6 ] && [ "$(mtime "$wallpaper")" != "$first" ] && { rebuilt=1; break; }
  sleep 0.2
done
if [ -n "$rebuilt" ]; then
  after=$(mtime "$wallpaper")
  sleep 3
  [ "$(mtime "$wallpaper")" = "$after" ] && ok "midnight rebuilt the wallpaper once (OldDay 6)" \
    || fail "the wallpaper was written again after the midnight build"
else
  fail "no rebuild after midnight (OldDay '$(reg_value "$key" OldDay)')"
fi

# --- a second start hands over and shows the window
QUENDLER_START_TIME="2024-03-06 00:00:20" timeout 30 "$WINE" quendler.exe >/dev/null 2>&1
second=$?
[ "$second" = 1 ] && ok "second start ended with code 1" || fail "second start ended with code $second"
# (Without a window manager Wine takes up to two seconds to hide a window, hence the waits.)
probe expect shown 5 >/dev/null && ok "the second start showed the main window" || fail "main window not shown after the second start"
probe tray left >/dev/null
probe expect hidden 5 >/dev/null && ok "a tray click hides it again" || fail "tray click did not hide the window"
probe tray left >/dev/null
probe expect shown 5 >/dev/null && ok "a tray click shows it" || fail "tray click did not show the window"

# --- help: the file opens; a missing file is reported
probe click 1072 >/dev/null
if probe message "Hilfedatei nicht gefunden!" 3 >/dev/null; then fail "help reported missing although zuvi.chm is there"; else ok "help opened zuvi.chm"; fi
mv zuvi.chm zuvi.chm.away
probe click 1072 >/dev/null
probe message "Hilfedatei nicht gefunden!" 10 >/dev/null && ok "missing zuvi.chm gives \"Hilfedatei nicht gefunden!\"" \
  || fail "no \"Hilfedatei nicht gefunden!\" without zuvi.chm"
mv zuvi.chm.away zuvi.chm

# --- notes: hotkey 202 and "&Notiz" open the note window on a new note
# (The note folder is the data folder; no other note files are in the fresh prefix.)
note_files() { find "$WINEPREFIX/drive_c/users" -name 'N_20*.txt' 2>/dev/null | sort; }
probe hotkey 202 >/dev/null
if probe note 10 >/dev/null; then
  probe note-type abc >/dev/null
  sleep 0.5
  probe note-click 1107 >/dev/null
  probe note-gone 5 && ok "hotkey 202 opened the note window; the close icon closed it" || fail "the note window did not close"
  written=$(note_files)
  if [ "$(echo "$written" | grep -c .)" = 1 ] && [ "$(cat "$written")" = abc ] && [ "$(stat -c %s "$written")" = 3 ]; then
    ok "typing abc and closing left one note of those 3 bytes ($(basename "$written"))"
  else
    fail "after typing abc the notes are: '$written'"
  fi
else
  fail "hotkey 202 opened no note window"
fi
probe click 1077 >/dev/null
if probe note 10 >/dev/null; then
  probe note-click 1107 >/dev/null
  probe note-gone 5 >/dev/null
  [ "$(note_files | grep -c .)" = 1 ] && ok "\"&Notiz\" opened the note window; closed at once it left no file" \
    || fail "opening and closing the note window changed the notes: '$(note_files)'"
else
  fail "\"&Notiz\" opened no note window"
fi

# äöüß€ typed into a new note are stored as their code page 1252 bytes and read back the same.
probe click 1077 >/dev/null
if probe note 10 >/dev/null; then
  probe note-type-hex e4f6fcdf80 >/dev/null
  sleep 0.5
  probe note-click 1107 >/dev/null
  probe note-gone 5 >/dev/null
  newest=$(note_files | tail -n 1)
  stored=$(od -An -tx1 "$newest" 2>/dev/null | tr -d ' \n')
  [ "$stored" = e4f6fcdf80 ] && ok "\"äöüß€\" was saved as the five bytes e4 f6 fc df 80" \
    || fail "\"äöüß€\" was saved as '$stored' in '$newest'"
  probe click 1077 >/dev/null
  if probe note 10 >/dev/null; then
    probe note-click 1103 >/dev/null
    sleep 0.5
    shown=$(probe note-text)
    [ "$shown" = e4f6fcdf80 ] && ok "Back from a new note shows it again as \"äöüß€\"" || fail "the note read back as '$shown'"
    probe note-click 1107 >/dev/null
    probe note-gone 5 >/dev/null
    [ "$(od -An -tx1 "$newest" | tr -d ' \n')" = e4f6fcdf80 ] || fail "reading the note changed it"
  else
    fail "the note window did not open a third time"
  fi
else
  fail "\"&Notiz\" opened no note window for the umlauts"
fi

# Text typed into a note is on disk within a minute while the window stays open.
probe click 1077 >/dev/null
if probe note 10 >/dev/null; then
  before=$(note_files | grep -c .)
  probe note-type Minute >/dev/null
  saved=
  for _ in $(seq 1 70); do
    sleep 1
    if note_files | xargs -r -d '\n' grep -lx Minute >/dev/null 2>&1; then saved=1; break; fi
  done
  probe note >/dev/null && still_open=1 || still_open=
  [ -n "$saved" ] && [ -n "$still_open" ] && ok "typed text was saved within a minute with the note window open" \
    || fail "typed text not on disk after 70 s (notes before: $before, now: $(note_files | grep -c .))"
  probe note-click 1107 >/dev/null
  probe note-gone 5 >/dev/null
fi

# --- Options sheet: every page opens; OK stores and Cancel restores, read back from the registry
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
hot_key="$key\\Hotkeys" note_key="$key\\Notiz"
autostart() { "$WINE" reg query "$run_key" /v 'Skorvati Desktopkalender' 2>/dev/null | tr -d '\r' | grep -c 'Skorvati Desktopkalender'; }
sheet_closed() { probe sheet-gone 5 >/dev/null || fail "the options sheet did not close"; }
probe click 1073 >/dev/null
if probe sheet 10 >/dev/null; then
  [ "$(autostart)" = 1 ] && ok "the general page wrote the autostart entry" || fail "no autostart entry with the sheet open"
  probe page-click 1003 >/dev/null
  sleep 0.5
  [ "$(autostart)" = 0 ] && ok "unchecking \"automatisch &starten \" removed the autostart entry at once" \
    || fail "the autostart entry is still there after unchecking"
  opened=0
  for n in 1 2 3 4; do probe sheet-page "$n" >/dev/null && opened=$((opened + 1)); done
  [ "$opened" = 4 ] && ok "all five pages of the sheet open" || fail "only $opened of the pages 2..5 opened"
  probe sheet-page 1 >/dev/null
  probe page-track 1051 120 >/dev/null
  probe page-track 1053 70 >/dev/null
  probe page-track 1052 5 >/dev/null
  probe page-select 1079 9 >/dev/null
  probe page-click 1010 >/dev/null
  probe sheet-cancel >/dev/null
  sheet_closed
  [ "$(reg_value "$key" left)" = 0x32 ] && [ "$(reg_value "$key" top)" = 0x1e ] && [ "$(reg_value "$key" HG)" = 0x0 ] \
    && [ "$(reg_value "$key" Feiertage)" = 0x0 ] && [ "$(reg_value "$key" Kalenderwoche)" = 0x1 ] \
    && ok "Cancel left margins, background, region and week numbers as stored" \
    || fail "after Cancel: left $(reg_value "$key" left) top $(reg_value "$key" top) HG $(reg_value "$key" HG) region $(reg_value "$key" Feiertage)"
else
  fail "\"&Optionen\" opened no options sheet"
fi

probe click 1073 >/dev/null
if probe sheet 10 >/dev/null; then
  [ "$(autostart)" = 1 ] && ok "opening the sheet again wrote the autostart entry back (AutoStart still set)" \
    || fail "the autostart entry was not written back"
  probe sheet-page 1 >/dev/null
  probe page-track 1051 120 >/dev/null
  probe page-select 1079 9 >/dev/null
  probe page-click 1010 >/dev/null
  probe sheet-page 2 >/dev/null
  probe page-text 1076 'C:\termine-neu.qtm' >/dev/null
  probe page-track 1222 10 >/dev/null
  probe sheet-page 4 >/dev/null
  probe page-select 1093 4 >/dev/null
  probe page-select 1094 44 >/dev/null
  probe page-click 1092 >/dev/null
  probe sheet-ok >/dev/null
  sheet_closed
  [ "$(reg_value "$key" left)" = 0x78 ] && [ "$(reg_value "$key" Feiertage)" = 0x9 ] && [ "$(reg_value "$key" Kalenderwoche)" = 0x0 ] \
    && ok "OK stored margin, region and week numbers" \
    || fail "after OK: left $(reg_value "$key" left) region $(reg_value "$key" Feiertage) weeks $(reg_value "$key" Kalenderwoche)"
  [ "$(reg_value "$key" AlarmFile)" = 'C:\termine-neu.qtm' ] && [ "$(reg_value "$key" Snooze)" = 0xa ] \
    && ok "OK stored the appointment file and the snooze time" \
    || fail "after OK: AlarmFile '$(reg_value "$key" AlarmFile)' Snooze $(reg_value "$key" Snooze)"
  # Read for a few seconds: on a busy machine a first reading once missed values that were there
  # a moment later.
  hotkey_stored() { [ "$(reg_value "$hot_key" hk00m)" = 0x4 ] && [ "$(reg_value "$hot_key" hk00v)" = 0x2c ] && [ "$(reg_value "$hot_key" hk00a)" = 0x1 ]; }
  for _ in $(seq 1 25); do hotkey_stored && break; sleep 0.2; done
  hotkey_stored && ok "OK stored hotkey 200 as Alt+Strg and \"K \"" || fail "hotkey 200 stored as $(reg_value "$hot_key" hk00m)/$(reg_value "$hot_key" hk00v)/$(reg_value "$hot_key" hk00a)"
  # The rebuild that OK asked for, then Ctrl+Alt+K as real key presses: one more.
  sleep 4
  before=$(mtime "$wallpaper")
  probe keys ca 4b >/dev/null
  pressed=
  for _ in $(seq 1 50); do [ "$(mtime "$wallpaper")" != "$before" ] && { pressed=1; break; }; sleep 0.2; done
  [ -n "$pressed" ] && ok "Ctrl+Alt+K rebuilt the wallpaper" || fail "Ctrl+Alt+K did not rebuild the wallpaper"
fi

# Fonts are saved when their dialog is accepted; cancelling the sheet then keeps them, and puts
# back the margin moved before.
probe click 1073 >/dev/null
if probe sheet 10 >/dev/null; then
  probe sheet-page 1 >/dev/null
  probe page-track 1051 10 >/dev/null
  [ "$(probe page-get 1040)" = '&links (10)' ] || fail "the left margin did not move to 10 ('$(probe page-get 1040)')"
  probe page-click 1014 >/dev/null
  probe font-ok 20 10 >/dev/null || fail "no font dialog with 20 points on the desktop-calendar page"
  for _ in $(seq 1 25); do [ "$(reg_value "$key" left)" = 0xa ] && break; sleep 0.2; done
  [ "$(reg_value "$key" left)" = 0xa ] || fail "the font's OK did not save the record (left $(reg_value "$key" left))"
  probe sheet-page 3 >/dev/null
  probe page-click 1014 >/dev/null
  probe font-ok 16 10 >/dev/null || fail "no font dialog with 16 points on the notes page"
  sleep 1
  probe sheet-cancel >/dev/null
  sheet_closed
  [ "$(reg_value "$key" FHeight)" = 0xffffffe5 ] && [ "$(reg_value "$note_key" FHeight)" = 0xffffffeb ] \
    && ok "both fonts kept after Cancel (-27 and -21 pixels)" \
    || fail "fonts after Cancel: calendar $(reg_value "$key" FHeight), notes $(reg_value "$note_key" FHeight)"
  # (The sheet saves once more after its window has gone.)
  for _ in $(seq 1 15); do [ "$(reg_value "$key" left)" = 0x78 ] && break; sleep 0.2; done
  [ "$(reg_value "$key" left)" = 0x78 ] && ok "Cancel after a font took back the margin in the registry too" \
    || fail "left is $(reg_value "$key" left) after Cancel, expected 0x78"
fi

# --- Beenden: exit code 1 and the settings saved (the window's place among them)
read -r left top _ _ <<<"$(probe rect)"
"$WINE" reg delete "$key" /v x /f >/dev/null 2>&1
probe click 1004 >/dev/null
code=
for _ in $(seq 1 100); do
  if ! kill -0 "$app_pid" 2>/dev/null; then wait "$app_pid"; code=$?; break; fi
  sleep 0.1
done
app_pid=
[ "$code" = 1 ] && ok "\"Beenden\" ended the program with code 1" || fail "\"Beenden\" gave exit code '${code:-still running}'"
saved_x=$(reg_value "$key" x)
[ -n "$saved_x" ] && [ $((saved_x)) -eq "$left" ] && [ $(($(reg_value "$key" y))) -eq "$top" ] \
  && ok "settings saved at the end (x $left, y $top)" || fail "x/y not saved at the end (x '$saved_x', window $left $top)"
[ "$(reg_value "$key" OldDay)" = 0x6 ] && ok "OldDay 6 kept" || fail "OldDay '$(reg_value "$key" OldDay)' at the end"

echo "$failures failure(s)"
[ "$failures" = 0 ]
