#!/usr/bin/env bash
# End to end under Wine: the appointment editor of quendler.exe, in a fresh prefix on its own
# virtual display. "&Termine / Alarm" and hotkey 201 open it; appointments are created,
# renamed, protected (TerminSchutz 1), deleted and saved, and the .qtm file is read back.
#   editor_e2e.sh QUENDLER_EXE PROBE_EXE EDITOR_PROBE_EXE WORK_DIR
set -u
exe=$1 probe_exe=$2 editor_probe_exe=$3 work=$4
source "$(dirname "$0")/e2e_common.sh"
e2e_start "$work" 1280x800x24 191

cp "$exe" "$work/app/quendler.exe"
cp "$probe_exe" "$work/app/probe.exe"
cp "$editor_probe_exe" "$work/app/editor_probe.exe"
cd "$work/app"
probe() { "$WINE" probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
ed() { "$WINE" editor_probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
key='HKCU\Software\Skorvati\Desktop\Quendler'
qtm() { find "$WINEPREFIX/drive_c/users" -path '*/Skorvati/Desktopkalender/*alarm.qtm' 2>/dev/null | head -1; }
# The records of the file, one a line: name|kind|day.month.year|protected|remark
records() {
  local file; file=$(qtm)
  [ -n "$file" ] || { echo "(no file)"; return; }
  python3 - "$file" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
if len(data) % 920:
    print("(length %d)" % len(data))
for k in range(len(data) // 920):
    r = data[k * 920:(k + 1) * 920]
    _, prot, kind, day, month, year = struct.unpack_from("<6H", r, 0)
    text = lambda o, n: r[o:o + n].split(b"\0")[0].decode("cp1252")
    print("%s|%d|%d.%d.%d|%d|%s" % (text(824, 96), kind, day, month, year, prot, text(568, 256)))
PY
}
start_program() {
  QUENDLER_START_TIME="2024-03-05 10:00:00" "$WINE" quendler.exe >>"$work/quendler.log" 2>&1 &
  app_pid=$!
  probe wait-window 30 >/dev/null || fail "the main window did not come"
  sleep 2  # the first tick and the first wallpaper build
}
stop_program() {
  probe click 1004 >/dev/null
  for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  wait "$app_pid" 2>/dev/null
  app_pid=
}
open_editor() {  # open_editor button|hotkey
  if [ "$1" = hotkey ]; then probe hotkey 201 >/dev/null; else probe click 1007 >/dev/null; fi
  ed wait 10 >/dev/null
}

start_program
# --- "&Termine / Alarm": a new appointment, renamed, with a remark and a kind; saved by OK
if open_editor button; then
  ok "\"&Termine / Alarm\" opened the editor"
  ed visible 1089 >/dev/null && fail "the protect box shows without TerminSchutz" || ok "no protect box without TerminSchutz"
  ed enabled 1212 >/dev/null && fail "\"&Löschen\" usable with an empty table"
  ed click 1211
  [ "$(ed names)" = "(neu)" ] && ok "\"&Neu\" made \"(neu)\"" || fail "after \"&Neu\" the names are '$(ed names)'"
  ed name Zahnarzt
  ed type 1067 "Bohrer mitbringen"
  ed choose 1062 4
  ed click 1
  ed gone 5 >/dev/null && ok "OK closed the editor" || fail "the editor stayed after OK"
  [ "$(records)" = "Zahnarzt|4|5.3.2024|0|Bohrer mitbringen" ] && ok "alarm.qtm holds the yearly \"Zahnarzt\" with its remark" \
    || fail "alarm.qtm holds '$(records)'"
else
  fail "\"&Termine / Alarm\" opened no editor"
fi

# --- hotkey 201: a second one, then Cancel drops a third
if open_editor hotkey; then
  ok "hotkey 201 opened the editor"
  ed click 1211
  ed name Geburtstag
  ed click 1
  ed gone 5 >/dev/null
  open_editor button
  ed click 1211
  ed click 2
  ed gone 5 >/dev/null && ok "\"Abbrechen\" closed the editor" || fail "the editor stayed after \"Abbrechen\""
else
  fail "hotkey 201 opened no editor"
fi
expected=$'Geburtstag|1|5.3.2024|0|\nZahnarzt|4|5.3.2024|0|Bohrer mitbringen'
[ "$(records)" = "$expected" ] && ok "both saved in name order; the cancelled one is not there" || fail "alarm.qtm holds '$(records)'"
stop_program

# --- TerminSchutz 1: the box shows; a protected record cannot be deleted
"$WINE" reg add "$key" /v TerminSchutz /t REG_DWORD /d 1 /f >/dev/null 2>&1
start_program
if open_editor button; then
  ed visible 1089 >/dev/null && ok "TerminSchutz 1 shows the protect box" || fail "no protect box with TerminSchutz 1"
  ed check 1089
  ed enabled 1212 >/dev/null && fail "\"&Löschen\" usable on a protected record" || ok "a protected record offers no \"&Löschen\""
  ed click 1212
  ed choose 1068 1
  ed click 1212
  [ "$(ed names)" = "Geburtstag" ] && ok "\"&Löschen\" took the unprotected \"Zahnarzt\" only" || fail "names after deleting: '$(ed names)'"
  ed click 1
  ed gone 5 >/dev/null
  [ "$(records)" = "Geburtstag|1|5.3.2024|1|" ] && ok "alarm.qtm holds the protected \"Geburtstag\" alone" \
    || fail "alarm.qtm holds '$(records)'"
else
  fail "no editor after the restart"
fi
stop_program

echo "$failures failure(s)"
[ "$failures" = 0 ]
