#!/usr/bin/env bash
# quendler alarms from the outside: a span over the March summer-time Sunday, snoozing, --write.
#   tool_test.sh QUENDLER WORKDIR
set -u
q=$1
dir=$2
mkdir -p "$dir"
fail() { echo "FAIL: $*"; exit 1; }

# Records at the documented offsets: name, kind, day, month, year, hour, minute, action, path.
records() {
  python3 - "$@" <<'PY'
import struct, sys
out = open(sys.argv[1], "wb")
for line in sys.argv[2:]:
    name, kind, d, m, y, h, mi, action, path = line.split(",")
    r = bytearray(920)
    struct.pack_into("<8H", r, 0, 0, 0, int(kind), int(d), int(m), int(y), int(h), int(mi))
    struct.pack_into("<H", r, 28, int(action))
    r[48:48 + len(path)] = path.encode("cp1252")
    r[824:824 + len(name)] = name.encode("cp1252")
    out.write(r)
PY
}
T=$'\t'
file=$dir/alarm.qtm
records "$file" "Zahnarzt,1,20,12,2025,8,0,1," "Wecker,2,1,1,2001,7,30,1," \
  "Sonntag,11,1,1,2001,2,30,2,C:\\wecker.mp3" "Miete,3,31,1,2001,9,0,3,\"C:\\Bank Programm\\b.exe\" /x" ||
  fail "records"
cp "$file" "$dir/before.qtm"

# The first check is in minute 1 (the program starts with minute 0 as the last one); the
# dentist of last December is due at once; 02:30 on 29 March never comes, 03:00 fires it.
out=$("$q" alarms "$file" --from "2026-03-28 07:00" --to "2026-03-31 09:00") || fail "exit $?"
expected="2026-03-28 07:01${T}Zahnarzt${T}einmalig${T}Hinweis
2026-03-28 07:30${T}Wecker${T}täglich${T}Hinweis
2026-03-29 03:00${T}Sonntag${T}Sonntag${T}Sound abspielen
2026-03-29 07:30${T}Wecker${T}täglich${T}Hinweis
2026-03-30 07:30${T}Wecker${T}täglich${T}Hinweis
2026-03-31 07:30${T}Wecker${T}täglich${T}Hinweis
2026-03-31 09:00${T}Miete${T}monatlich${T}Programm starten"
[ "$out" = "$expected" ] || fail "span over summer time:
$out"
cmp -s "$file" "$dir/before.qtm" || fail "the file changed without --write"

# "Snooze" with Snooze=10: each alarm comes back ten checks later.
printf 'Snooze=10\n' >"$dir/s.ini"
out=$("$q" alarms "$file" --from "2026-03-30 07:00" --to "2026-03-30 08:00" --settings "$dir/s.ini" --answer snooze) ||
  fail "snooze exit $?"
got=$(echo "$out" | cut -f1,2 | tr '\t' ' ' | tr '\n' ',')
[ "$got" = "2026-03-30 07:01 Zahnarzt,2026-03-30 07:11 Zahnarzt,2026-03-30 07:21 Zahnarzt,2026-03-30 07:30 Wecker,2026-03-30 07:31 Zahnarzt,2026-03-30 07:40 Wecker,2026-03-30 07:41 Zahnarzt,2026-03-30 07:50 Wecker,2026-03-30 07:51 Zahnarzt,2026-03-30 08:00 Wecker," ] ||
  fail "snooze: $got"

# The last Sunday of October shows 02:00..02:59 twice; the alarm fires at the first 02:30 only.
records "$dir/oct.qtm" "Nacht,2,1,1,2001,2,30,0," || fail "records"
out=$("$q" alarms "$dir/oct.qtm" --from "2026-10-25 01:00" --to "2026-10-25 02:30") || fail "october exit $?"
[ "$out" = "2026-10-25 02:30${T}Nacht${T}täglich${T}(nichts)" ] || fail "october: $out"

# --write: sorted by name, the answered one-time appointment is off, the others remember the day.
"$q" alarms "$file" --from "2026-03-28 07:00" --to "2026-03-31 09:00" --write >/dev/null || fail "write exit $?"
list=$("$q" appointments "$file" --date 2026-03-31 | cut -f2,3,10 | tr '\t' ' ' | tr '\n' ',')
[ "$list" = "Miete monatlich 90,Sonntag Sonntag 88,Wecker täglich 90,Zahnarzt aus 87," ] || fail "written: $list"

# Bad calls are refused with the usage exit code.
"$q" alarms "$file" --from "2026-03-28 07:00" >/dev/null 2>&1; [ $? = 2 ] || fail "missing --to"
"$q" alarms "$file" --from "2026-03-28 07:00" --to "2026-03-27 07:00" >/dev/null 2>&1; [ $? = 2 ] || fail "reversed span"
"$q" alarms "$file" --from "2026-03-28 07:00" --to "2026-03-29 07:00" --answer vielleicht >/dev/null 2>&1
[ $? = 2 ] || fail "bad answer"
"$q" alarms --help | grep -q "JJJJ-MM-TT HH:MM" || fail "help"
# The argument loop the subcommands share: each bad call gets its own German line.
refused() {  # EXPECTED-MESSAGE ARGS...
  local expected=$1 err
  shift
  err=$("$q" "$@" 2>&1 >/dev/null)
  [ $? = 2 ] && [ "$err" = "quendler: $expected" ] || fail "$* answered \"$err\""
}
refused "nur eine Termin-Datei angeben" alarms "$file" "$file" --from "2026-03-28 07:00" --to "2026-03-28 08:00"
refused "--from ohne Wert" alarms "$file" --to "2026-03-28 08:00" --from
refused 'unbekannte Angabe "--schreiben" für alarms' alarms "$file" --schreiben
refused 'unbekannte Angabe "datei.qtm" für wallpaper' wallpaper datei.qtm
refused "nur einen Ordner angeben" notes "$dir" "$dir"
refused "--show ohne Wert" notes "$dir" --show
refused "appointments braucht eine Termin-Datei" appointments --date 2026-03-28
"$q" appointments --help | grep -q -- "--pictures JJJJ-MM" || fail "appointments help"
echo "alarms tool tests passed"
