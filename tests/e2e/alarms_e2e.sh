#!/usr/bin/env bash
# End to end under Wine: the alarms of quendler.exe. The program starts at 10:00:30 on
# 5 March 2024 with Snooze 2 and an appointment file of five records due at 10:00:
#   A Programm  einmalig, "Programm starten": a program in a folder with a blank, one argument
#   B Klang     einmalig, "Sound abspielen" (no sound is played: the switch is off)
#   C Einmal    einmalig, "Hinweis" with a picture: answered "OK"
#   D Wecker    täglich, "Hinweis": Escape, back after two minutes, then "OK"
#   E Morgen    einmalig, tomorrow: stays as it is
#   alarms_e2e.sh QUENDLER_EXE ALARM_PROBE_EXE MARKER_EXE WORK_DIR
# Everything it starts (Xvfb, wineserver, the program) is stopped again.
set -u
exe=$1 probe_exe=$2 marker_exe=$3 work=$4
for f in "$exe" "$probe_exe" "$marker_exe"; do [ -f "$f" ] || { echo "FAIL: $f is missing"; exit 1; }; done
source "$(dirname "$0")/e2e_common.sh"
e2e_start "$work" 1280x800x24 201

drive=$WINEPREFIX/drive_c
mkdir -p "$drive/quendler-alarme" "$drive/quendler alarme"
cp "$marker_exe" "$drive/quendler alarme/marker prog.exe"
cp "$exe" "$work/app/quendler.exe"
cp "$probe_exe" "$work/app/alarm_probe.exe"
cd "$work/app"
probe() { "$WINE" alarm_probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
file=$drive/quendler-alarme/alarm.qtm marker=$drive/quendler-alarme/marker.txt

key='HKCU\Software\Skorvati\Desktop\Quendler'
"$WINE" reg add "$key" /v Snooze /t REG_DWORD /d 2 /f >/dev/null 2>&1
"$WINE" reg add "$key" /v AlarmFile /d 'C:\quendler-alarme\alarm.qtm' /f >/dev/null 2>&1

# The records as the editor writes them: 920 bytes, texts in the ANSI code page.
python3 - "$file" <<'PY'
import struct, sys
def record(name, kind, day, action, picture=0, path="", remark=""):
    r = bytearray(920)
    struct.pack_into("<8H", r, 0, 0, 0, kind, day, 3, 2024, 10, 0)
    struct.pack_into("<3H", r, 26, 0, action, picture)
    for offset, text in ((48, path), (568, remark), (824, name)):
        data = text.encode("cp1252")
        r[offset:offset + len(data)] = data
    return bytes(r)
program = r'"C:\quendler alarme\marker prog.exe" C:\quendler-alarme\marker.txt'
with open(sys.argv[1], "wb") as f:
    f.write(record("A Programm", 1, 5, 3, path=program))
    f.write(record("B Klang", 1, 5, 2, path=r"C:\quendler-alarme\klang.mp3"))
    f.write(record("C Einmal", 1, 5, 1, picture=4, remark="Einmaliger Termin"))
    f.write(record("D Wecker", 2, 5, 1, remark="Aufstehen!"))
    f.write(record("E Morgen", 1, 6, 3, path=program.replace("marker.txt", "morgen.txt")))
PY
# One line per record: name, kind, lastFiredDay, snoozeLeft.
records() {
  python3 - "$file" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
for k in range(0, len(data), 920):
    r = data[k:k + 920]
    last, _, kind = struct.unpack_from("<3H", r, 0)
    snooze = struct.unpack_from("<H", r, 26)[0]
    print("%s|%d|%d|%d" % (r[824:920].split(b"\0")[0].decode("cp1252"), kind, last, snooze))
PY
}
record_of() { records | grep "^$1|"; }

# --- start in minute 0: the first check comes with minute 1, at 10:01
QUENDLER_START_TIME="2024-03-05 10:00:30" "$WINE" quendler.exe >"$work/quendler.log" 2>&1 &
app_pid=$!
start=$(date +%s)
since() { echo $(( $(date +%s) - start )); }
if shown=$(probe wait "C Einmal" 50); then
  took=$(since)
  [ "$took" -ge 20 ] && ok "the first alarm window came at the check of 10:01 (${took} s after the start)" \
    || fail "an alarm window came ${took} s after a start at 10:00:30, before 10:01"
  expected=$'C Einmal\n05.03.2024 10:00\\n\\nEinmaliger Termin\nEinmaliger Termin\nSnooze (2 Minuten)\ntopmost\npicture'
  [ "$shown" = "$expected" ] && ok "its caption, texts, Snooze (2 Minuten), topmost, picture" \
    || fail "the alarm window shows: '$shown'"
else
  fail "no alarm window within 50 s of a start at 10:00:30"
fi

# Before the window: the program alarm started its program with the one argument.
for _ in $(seq 1 50); do [ -s "$marker" ] && break; sleep 0.2; done
if [ -s "$marker" ]; then
  got=$(tr -d '\r' <"$marker")
  [ "$got" = $'1\nC:\\quendler-alarme\\marker.txt' ] && ok "\"Programm starten\" opened the quoted program with its one argument" \
    || fail "the started program got: '$got'"
else
  fail "the program of \"A Programm\" was not started"
fi

probe click "C Einmal" 1091 >/dev/null
probe gone "C Einmal" 5 >/dev/null || fail "\"OK\" did not close the window"
if probe wait "D Wecker" 10 >/dev/null; then
  probe key "D Wecker" esc >/dev/null
  probe gone "D Wecker" 5 >/dev/null && ok "the second alarm came after the first; Escape closed it" \
    || fail "Escape did not close the alarm window"
else
  fail "no window for the daily alarm after the first was answered"
fi
snoozed=$(since)

# Saved once the check has gone through all records.
expected=$'A Programm|0|65|0\nB Klang|0|65|0\nC Einmal|0|65|0\nD Wecker|2|0|2\nE Morgen|1|0|0'
for _ in $(seq 1 25); do [ "$(records)" = "$expected" ] && break; sleep 0.2; done
if [ "$(records)" = "$expected" ]; then
  ok "saved: program and sound alarms and the one answered OK are \"aus\", the snoozed one re-armed with 2 minutes"
else
  fail "the file after the first alarms: $(records | tr '\n' ' ')"
fi
[ -e "$drive/quendler-alarme/morgen.txt" ] && fail "tomorrow's alarm started its program today"

# --- snooze: not at 10:02, back at 10:03 (the start plus 150 s)
[ "$snoozed" -lt 100 ] || fail "the first alarms took until ${snoozed} s after the start"
if probe none "D Wecker" $((140 - $(since))); then
  ok "the snoozed alarm stayed away at 10:02"
  if probe wait "D Wecker" 60 >/dev/null; then
    back=$(since)
    ok "the snoozed alarm came back at 10:03 (${back} s after the start)"
    probe click "D Wecker" 1091 >/dev/null
    probe gone "D Wecker" 5 >/dev/null || fail "\"OK\" did not close the window"
    for _ in $(seq 1 25); do [ "$(record_of "D Wecker")" = "D Wecker|2|65|0" ] && break; sleep 0.2; done
    [ "$(record_of "D Wecker")" = "D Wecker|2|65|0" ] && ok "\"OK\" left the daily alarm daily, fired today, no snooze" \
      || fail "the daily alarm after \"OK\": '$(record_of "D Wecker")'"
  else
    fail "the snoozed alarm did not come back by 10:04"
  fi
else
  fail "the snoozed alarm came back already at 10:02"
fi

probe quit >/dev/null
for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end on \"Beenden\"" || app_pid=

echo "$failures failure(s)"
[ "$failures" = 0 ]
