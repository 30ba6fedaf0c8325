#!/usr/bin/env bash
# End to end under Wine: quendler.exe started on registry settings that are out of range or of
# the wrong type. In each round the program must start, write a wallpaper of the screen's size,
# open and close each of its windows (main window, every page of the options sheet, the
# appointment editor, the note window, the help) and end through "Beenden"; what it saved then
# must load back sane. Screenshots of the main window and the options sheet go to WORK_DIR/shots.
#   hostile_e2e.sh QUENDLER_EXE PROBE_EXE EDITOR_PROBE_EXE HELP_FILE WORK_DIR
set -u
exe=$1 probe_exe=$2 editor_probe_exe=$3 help=$4 work=$5
screen_w=1280 screen_h=800
source "$(dirname "$0")/e2e_common.sh"
e2e_start "$work" "${screen_w}x${screen_h}x24" 241
shots=$work/shots
mkdir -p "$shots"

cp "$exe" "$work/app/quendler.exe"
cp "$probe_exe" "$work/app/probe.exe"
cp "$editor_probe_exe" "$work/app/editor_probe.exe"
cp "$help" "$work/app/zuvi.chm"
cd "$work/app"
probe() { "$WINE" probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
ed() { "$WINE" editor_probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
key='HKCU\Software\Skorvati\Desktop\Quendler'
note_key="$key\\Notiz" hot_key="$key\\Hotkeys"
reg_set() {  # reg_set KEY NAME TYPE DATA
  "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || fail "could not set $2 as $3"
}
dw() { reg_set "$key" "$1" REG_DWORD "$2"; }
sz() { reg_set "$key" "$1" REG_SZ "$2"; }
bmp_size() {
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(54); print("%dx%d %d" % (struct.unpack("<i",d[18:22])[0], abs(struct.unpack("<i",d[22:26])[0]), struct.unpack("<H",d[28:30])[0]))' "$1"
}
repeat() { python3 -c 'import sys; print(sys.argv[1] * int(sys.argv[2]))' "$1" "$2"; }
data_dir() { find "$WINEPREFIX/drive_c/users" -type d -path '*/AppData/Roaming/Skorvati/Desktopkalender' 2>/dev/null | head -1; }
alive() { kill -0 "$app_pid" 2>/dev/null; }
shot() { DISPLAY=$DISPLAY import -window root "$shots/$1.png" 2>/dev/null && echo "screenshot: $shots/$1.png"; }

# Every value of the three keys, checked against what the program accepts (one export of the
# key, read by the checker below). The margins are taken within 0..screen/6, as the options
# page offers them; the hotkeys only after OK, as only the hotkeys page writes them.
check_saved() {  # check_saved ROUND ok|cancel
  local export=$work/$1.reg bad
  "$WINE" reg export "$key" "$(basename "$export")" /y >/dev/null 2>&1 && mv "$(basename "$export")" "$export" \
    || { fail "$1: the key could not be exported"; return; }
  python3 - "$export" "$1" "$2" "$screen_w" "$screen_h" <<'PY'
import re, sys
path, round_, finish, sw, sh = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
raw = open(path, "rb").read()
text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("cp1252")
keys, current = {}, None
for line in text.splitlines():
    if line.startswith("["):
        current = keys.setdefault(line.strip("[]").split("\\Quendler", 1)[-1].lstrip("\\"), {})
    elif current is not None and line.startswith('"'):
        m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if m:
            current[m.group(1).lower()] = m.group(2)
failures = 0
def report(good, what):
    global failures
    print(("ok: " if good else "FAIL: ") + round_ + ": " + what)
    failures += 0 if good else 1
def dword(sub, name, lo, hi):
    data = keys.get(sub, {}).get(name.lower())
    if data is None or not data.startswith("dword:"):
        return report(False, "%s saved as %r" % (name, data))
    v = int(data[6:], 16)
    v = v - (1 << 32) if v >= 1 << 31 else v
    report(lo <= v <= hi, "%s = %d (within %d..%d)" % (name, v, lo, hi))
    return v
def string(sub, name, most):
    data = keys.get(sub, {}).get(name.lower())
    if data is None or not data.startswith('"'):
        return report(False, "%s saved as %r" % (name, data))
    v = data[1:-1].replace("\\\\", "\\").replace('\\"', '"')
    report(1 <= len(v) <= most, "%s of %d characters (at most %d)" % (name, len(v), most))
    return v
def height(sub, what):
    data = keys.get(sub, {}).get("fheight", "")
    v = int(data[6:], 16) if data.startswith("dword:") else None
    if v is not None and v >= 1 << 31: v -= 1 << 32
    report(v is not None and 7 <= abs(v) <= 128, "%s font height %s (magnitude 7..128)" % (what, v))
for name in ("AutoDelete", "Splash", "Mondphasen", "AutoExit", "AutoStart", "Kalenderwoche", "Wochentage"):
    dword("", name, -(1 << 31), (1 << 31) - 1)  # on or off: any dword will do
dword("", "Snooze", 2, 60)
dword("", "x", 0, sw - 1)
dword("", "y", 0, sh - 1)
dword("", "left", 0, sw // 6)
dword("", "right", 0, sw // 6)
dword("", "top", 0, sh // 6)
dword("", "OldDay", 1, 31)
dword("", "HG", 0, 18)
dword("", "Feiertage", 0, 18)
height("", "calendar")
dword("", "FWeight", 0, 1000)
dword("", "FItalic", 0, 255)
string("", "FName", 31)
string("", "AlarmFile", 259)
note_path = string("", "NotePath", 259)
if note_path is not None:
    report(note_path.endswith("\\"), "NotePath ends with its separator")
height("Notiz", "notes")
dword("Notiz", "FWeight", 0, 1000)
dword("Notiz", "FItalic", 0, 255)
string("Notiz", "FName", 31)
if finish == "ok":
    for n in ("00", "01", "02"):
        dword("Hotkeys", "hk%sm" % n, 0, 5)
        dword("Hotkeys", "hk%sv" % n, 0, 59)
        dword("Hotkeys", "hk%sa" % n, 0, 1)
sys.exit(min(failures, 100))
PY
  bad=$?
  failures=$((failures + bad))
}

# One round: start, wallpaper, every window opened and closed, "Beenden", the saved values.
run_round() {
  local round=$1 finish=$2 wallpaper size code
  local data; data=$(data_dir)
  [ -n "$data" ] && rm -f "$data/wallpaper.bmp"
  local began; began=$(date +%s)
  QUENDLER_START_TIME="2024-03-05 10:00:00" "$WINE" quendler.exe >>"$work/quendler.log" 2>&1 &
  app_pid=$!
  wallpaper=
  for _ in $(seq 1 150); do
    wallpaper=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Skorvati/Desktopkalender/wallpaper.bmp' 2>/dev/null | head -1)
    [ -n "$wallpaper" ] && break
    alive || break
    sleep 0.2
  done
  if [ -n "$wallpaper" ]; then
    sleep 0.5
    size=$(bmp_size "$wallpaper")
    [ "$size" = "${screen_w}x${screen_h} 24" ] && ok "$round: wallpaper.bmp of the screen's size ($size)" \
      || fail "$round: wallpaper.bmp is $size"
    convert "$wallpaper" "$shots/$round-wallpaper.png" 2>/dev/null
  else
    fail "$round: no wallpaper.bmp after the start"
  fi
  probe wait-window 20 >/dev/null || { fail "$round: no main window"; return; }

  # The main window, shown from the tray, lies on the screen whatever x and y said.
  probe tray left >/dev/null
  if probe expect shown 5 >/dev/null; then
    read -r l t r b <<<"$(probe rect)"
    (( l >= 0 && t >= 0 && r <= screen_w && b <= screen_h )) && ok "$round: main window shown on the screen ($l $t $r $b)" \
      || fail "$round: main window at $l $t $r $b, off the ${screen_w}x${screen_h} screen"
    sleep 0.5
    shot "$round-main"
  else
    fail "$round: the tray click did not show the main window"
  fi

  # The options sheet, page by page.
  probe click 1073 >/dev/null
  if probe sheet 10 >/dev/null; then
    local opened=0 n
    for n in 0 1 2 3 4; do
      probe sheet-page "$n" >/dev/null && opened=$((opened + 1))
      alive || break
      if [ "$n" = 1 ]; then
        # The margin labels name the margins in use, within what the track bars offer.
        local id most label number
        for id in 1040:$((screen_w / 6)) 1041:$((screen_w / 6)) 1039:$((screen_h / 6)); do
          most=${id#*:} id=${id%%:*}
          label=$(probe page-get "$id"); number=${label##*(}; number=${number%)}
          [[ "$number" =~ ^[0-9]+$ ]] && (( number <= most )) && ok "$round: margin label \"$label\"" \
            || fail "$round: margin label \"$label\", the track bar ends at $most"
        done
        sleep 0.5
        shot "$round-calendar-page"
      fi
    done
    [ "$opened" = 5 ] && ok "$round: all five pages of the options sheet opened" || fail "$round: $opened of five pages opened"
    if [ "$finish" = ok ]; then probe sheet-ok >/dev/null; else probe sheet-cancel >/dev/null; fi
    probe sheet-gone 10 >/dev/null && ok "$round: the sheet closed by $finish" || fail "$round: the sheet stayed open after $finish"
  else
    fail "$round: \"&Optionen\" opened no sheet"
  fi
  alive || { fail "$round: the program ended in the options sheet"; return; }

  # The appointment editor by its button and by hotkey 201, closed by "Abbrechen".
  local way
  for way in button hotkey; do
    if [ "$way" = hotkey ]; then probe hotkey 201 >/dev/null; else probe click 1007 >/dev/null; fi
    if ed wait 20 >/dev/null; then
      ed click 2
      ed gone 10 >/dev/null && ok "$round: the editor opened by $way and closed" || fail "$round: the editor stayed open"
    else
      fail "$round: the editor did not open by $way"
    fi
  done
  # An appointment file that cannot be written (a folder): OK reports it and keeps the editor.
  if [ -n "${editor_save_fails:-}" ]; then
    probe click 1007 >/dev/null
    if ed wait 20 >/dev/null; then
      ed click 1211
      ed click 1
      probe message "Fehler beim Speichern der Termin-Datei!" 10 >/dev/null \
        && ok "$round: OK on an unwritable appointment file said \"Fehler beim Speichern der Termin-Datei!\"" \
        || fail "$round: OK on an unwritable appointment file reported nothing"
      # (The editor is disabled while the message shows; a user clicks on once it has gone.)
      sleep 1
      ed wait 5 >/dev/null && ed click 2
      ed gone 10 >/dev/null || fail "$round: the editor stayed open after the failed save"
    else
      fail "$round: the editor did not open for the failed save"
    fi
  fi
  alive || { fail "$round: the program ended in the editor"; return; }

  # The note window on a new note, with a few characters typed, closed by its icon.
  probe click 1077 >/dev/null
  if probe note 10 >/dev/null; then
    probe note-type "Notiz" >/dev/null
    sleep 0.5
    shot "$round-note"
    probe note-click 1107 >/dev/null
    probe note-gone 10 >/dev/null && ok "$round: the note window opened and closed" || fail "$round: the note window stayed"
  else
    fail "$round: \"&Notiz\" opened no note window"
    shot "$round-no-note"
  fi

  # The help: the file is found (no message box).
  probe click 1072 >/dev/null
  if probe message "Hilfedatei nicht gefunden!" 3 >/dev/null; then fail "$round: help reported its file missing"; else ok "$round: help opened"; fi

  alive && ok "$round: still running after every window" || { fail "$round: the program ended"; return; }
  probe click 1004 >/dev/null
  code=
  for _ in $(seq 1 150); do
    if ! alive; then wait "$app_pid"; code=$?; break; fi
    sleep 0.1
  done
  [ -z "$code" ] && kill "$app_pid" 2>/dev/null
  app_pid=
  [ "$code" = 1 ] && ok "$round: \"Beenden\" ended the program (code 1)" || fail "$round: \"Beenden\" gave '${code:-still running}'"
  echo "$round took $(( $(date +%s) - began )) s"
  check_saved "$round" "$finish"
}

clear_keys() { "$WINE" reg delete "$key" /f >/dev/null 2>&1; }

# --- round 1: everything too large
long300=$(repeat A 300)
clear_keys
for m in left top right; do dw $m 999999; done
dw HG 9999
dw FHeight 2147483647
dw FWeight 2147483647
dw FItalic 0xffffffff
dw Feiertage 99
dw Snooze 100000
dw x 2147483647
dw y 2147483600
dw OldDay 99
sz FName "$long300"
sz AlarmFile 'C:\windows'
sz NotePath "C:\\$(repeat n 400)"
reg_set "$note_key" FHeight REG_DWORD 2147483647
reg_set "$note_key" FWeight REG_DWORD 99999
reg_set "$note_key" FItalic REG_DWORD 0x12345678
reg_set "$note_key" FName REG_SZ "$long300"
for n in 00 01 02; do
  reg_set "$hot_key" hk${n}m REG_DWORD 99
  reg_set "$hot_key" hk${n}v REG_DWORD 99
  reg_set "$hot_key" hk${n}a REG_DWORD 1
done
editor_save_fails=1 run_round large ok

# --- round 2: everything too small or negative; the appointment file 10 MB of noise
noise=$WINEPREFIX/drive_c/noise.qtm
# Random bytes from a fixed seed, so that every run reads the same file. The text fields of each
# record (program path, remark, name: bytes 48..919) hold random printable ASCII: under Wine,
# long random CP1252 text in the editor's fields crashes gdi32 inside the controls, although the
# texts handed over are terminated and within their fields. The numbers stay random.
python3 - "$noise" <<'PY'
import random, sys
noise = bytearray(random.Random(20240305).randbytes(10485760))
text = random.Random(7)
printable = bytes(0x20 + i % 95 for i in range(256))
for record in range(0, len(noise) - 920 + 1, 920):
    noise[record + 48:record + 920] = text.randbytes(872).translate(printable)
open(sys.argv[1], "wb").write(noise)
PY
noise_sum=$(sha256sum <"$noise")
clear_keys
for m in left top right; do dw $m 0xffffffff; done
dw HG 0xffffffff
dw FHeight 0
dw Feiertage 0xfffffffd
dw Snooze 0
dw x 0x80000000
dw y 100
sz FName ''
sz AlarmFile 'C:\noise.qtm'
sz NotePath "C:\\$(repeat m 300)"
reg_set "$note_key" FHeight REG_DWORD 0x80000000
reg_set "$note_key" FWeight REG_DWORD 0xffffffff
reg_set "$note_key" FName REG_SZ ''
for n in 00 01 02; do
  reg_set "$hot_key" hk${n}m REG_DWORD 0xffffffff
  reg_set "$hot_key" hk${n}v REG_DWORD 60
  reg_set "$hot_key" hk${n}a REG_DWORD 0xffffffff
done
run_round small cancel
[ "$(sha256sum <"$noise")" = "$noise_sum" ] && ok "small: the 10 MB appointment file is unchanged" \
  || fail "small: the program rewrote the 10 MB appointment file"

# --- round 3: the wrong types: dwords as strings, strings as dwords, short binaries; an
# appointment file name of 300 characters
clear_keys
for m in left top right HG Snooze x y Feiertage FHeight FWeight AutoExit; do sz $m 5; done
sz Splash 'ja'
for s in FName NotePath; do dw $s 1234; done
sz AlarmFile "C:\\$(repeat a 300).qtm"
reg_set "$key" Kalenderwoche REG_BINARY 01
reg_set "$key" OldDay REG_BINARY 0102030405060708
reg_set "$note_key" FHeight REG_SZ -14
reg_set "$note_key" FName REG_DWORD 7
reg_set "$hot_key" hk00m REG_SZ 4
reg_set "$hot_key" hk00v REG_SZ 44
reg_set "$hot_key" hk00a REG_SZ 1
reg_set "$hot_key" hk01m REG_DWORD 4
reg_set "$hot_key" hk01v REG_BINARY 2c00
reg_set "$hot_key" hk01a REG_DWORD 1
run_round types ok

echo "$failures failure(s)"
[ "$failures" = 0 ]
