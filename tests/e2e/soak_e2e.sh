#!/usr/bin/env bash
# End to end under Wine: three days of quendler.exe in about three minutes. The program's clock
# starts at 20:00 on 28 February 2024 and runs 1440 times as fast as real time (a day a
# minute), over the leap day into March. The appointment file holds one daily alarm at 06:00
# whose "Programm starten" runs alarm_marker.exe, which appends its lines to marker.txt; it is
# marked fired on the first day, so it is due on each of the three days after.
#   soak_e2e.sh QUENDLER_EXE SOAK_PROBE_EXE MARKER_EXE WORK_DIR
# Checks:
#   - every wallpaper build: the file is written under a temporary name and moved over
#     wallpaper.bmp, and an inotify watch on its folder records each move, so none is missed;
#     each build is matched to the OldDay the program saved for it: one build per day;
#   - the daily alarm: one more marker start and the record's lastFiredDay on today, each day;
#   - GDI objects (the process's handle table, read by soak_probe.exe) and memory (VmRSS and
#     VmData of the Wine process from /proc: Wine's GetProcessMemoryInfo answers no private
#     bytes and its working set is VmRSS), sampled at each simulated noon: no growth from the
#     second day to the third beyond a small tolerance.
# Everything it starts (Xvfb, wineserver, the program, the watch) is stopped again.
set -u
exe=$1 probe_exe=$2 marker_exe=$3 work=$4
for f in "$exe" "$probe_exe" "$marker_exe"; do [ -f "$f" ] || { echo "FAIL: $f is missing"; exit 1; }; done
source "$(dirname "$0")/e2e_common.sh"
e2e_start "$work" 1280x800x24 251

# A tick of 300 ms is 7.2 minutes of this clock: every day still gets some 200 ticks, and the
# minute changes at each, so the alarm check runs at each; it rarely meets 06:00 itself, but a
# daily alarm fires at the first check once its time has been reached.
rate=1440            # simulated seconds per real second: a day takes 60 s
day_seconds=60
gdi_tolerance=0      # objects more on the third noon than on the second (the readings are exact)
memory_tolerance=1024  # KB more on the third noon than on the second

drive=$WINEPREFIX/drive_c
mkdir -p "$drive/quendler-soak"
cp "$marker_exe" "$drive/quendler-soak/marker.exe"
cp "$exe" "$work/app/quendler.exe"
cp "$probe_exe" "$work/app/soak_probe.exe"
cd "$work/app"
probe() { "$WINE" soak_probe.exe "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
file=$drive/quendler-soak/soak.qtm marker=$drive/quendler-soak/marker.txt

# The handle table must be readable and count exactly on this Wine, or the GDI figures mean
# nothing.
if selfcheck=$(probe self); then
  ok "the GDI handle table counts objects made and deleted ($selfcheck)"
else
  fail "the GDI handle table does not count as expected ($selfcheck)"
fi

key='HKCU\Software\Skorvati\Desktop\Quendler'
"$WINE" reg add "$key" /v AlarmFile /d 'C:\quendler-soak\soak.qtm' /f >/dev/null 2>&1
"$WINE" reg add "$key" /v AutoExit /t REG_DWORD /d 0 /f >/dev/null 2>&1
reg_value() { "$WINE" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'; }

# Day of the year of 28 February 2024, and the three days after it.
doy() { date -u -d "$1" +%-j; }
days=(2024-02-28 2024-02-29 2024-03-01 2024-03-02)
python3 - "$file" "$(doy "${days[0]}")" <<'PY'
import struct, sys
r = bytearray(920)
# lastFiredDay, lastFiredYear, kind 2 (daily), day, month, year, 06:00; action 3
struct.pack_into("<8H", r, 0, int(sys.argv[2]), 2024, 2, 28, 2, 2024, 6, 0)
struct.pack_into("<3H", r, 26, 0, 3, 0)
for offset, text in ((48, r"C:\quendler-soak\marker.exe C:\quendler-soak\marker.txt"), (824, "Täglich")):
    data = text.encode("cp1252")
    r[offset:offset + len(data)] = data
open(sys.argv[1], "wb").write(bytes(r))
PY
fired_day() { python3 -c 'import struct,sys; print("%d/%d" % struct.unpack_from("<2H", open(sys.argv[1],"rb").read(), 0))' "$file"; }
firings() {
  if [ -f "$marker" ]; then tr -d '\r' <"$marker" | grep -c '^C:\\quendler-soak\\marker.txt$'; else echo 0; fi
}

# The data folder exists before the program starts, so that the watch sees the first build too.
appdata=$(find "$drive/users" -maxdepth 3 -type d -path '*/AppData/Roaming' | head -1)
folder=$appdata/Skorvati/Desktopkalender
mkdir -p "$folder"
events=$work/builds.log
: >"$events"
python3 - "$folder" "$events" <<'PY' &
# Every move onto or write of wallpaper.bmp, one line each with the time it was seen.
import ctypes, os, struct, sys, time
libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init()
IN_CLOSE_WRITE, IN_MOVED_TO = 0x8, 0x80
if fd < 0 or libc.inotify_add_watch(fd, sys.argv[1].encode(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0:
    sys.exit("inotify failed")
out = open(sys.argv[2], "a", buffering=1)
print("watching", file=out)
while True:
    data = os.read(fd, 65536)
    k = 0
    while k < len(data):
        wd, mask, cookie, length = struct.unpack_from("iIII", data, k)
        name = data[k + 16:k + 16 + length].split(b"\0")[0].decode()
        k += 16 + length
        if name.lower() == "wallpaper.bmp":
            print("%.3f %s" % (time.time(), "moved" if mask & IN_MOVED_TO else "written"), file=out)
PY
watch_pid=$!
trap 'kill "$watch_pid" 2>/dev/null; e2e_cleanup' EXIT
for _ in $(seq 1 50); do grep -q watching "$events" && break; sleep 0.1; done
grep -q watching "$events" || fail "the watch on the data folder did not start"

QUENDLER_START_TIME="${days[0]} 20:00:00" QUENDLER_CLOCK_RATE=$rate "$WINE" quendler.exe >"$work/quendler.log" 2>&1 &
app_pid=$!
launched=$(date +%s.%N)

# Each build as it comes: when, and the OldDay saved for it (the worker hands the day back
# before it composes; the next tick saves it).
builds=()  # "SECONDS-AFTER-LAUNCH OLDDAY moved|written", one per build
build_lines=0
take_builds() {
  local line t kind n
  n=$(grep -vc watching "$events")
  while [ "$build_lines" -lt "$n" ]; do
    build_lines=$((build_lines + 1))
    line=$(grep -v watching "$events" | sed -n "${build_lines}p")
    t=${line%% *} kind=${line##* }
    sleep 0.3
    builds+=("$(awk -v a="$t" -v b="$launched" 'BEGIN { printf "%.1f", a - b }') $(reg_value OldDay) $kind")
    echo "build $build_lines at ${builds[-1]%% *} s after the launch: OldDay ${builds[-1]#* }"
  done
}
# Waits up to SECONDS for the build count to reach N, taking builds meanwhile.
wait_builds() {
  local n=$1 until=$(( $(date +%s) + $2 ))
  while [ "$(date +%s)" -lt "$until" ]; do
    take_builds
    [ "${#builds[@]}" -ge "$n" ] && return 0
    sleep 0.2
  done
  take_builds
  [ "${#builds[@]}" -ge "$n" ]
}
# Waits until that moment (seconds since the epoch), taking builds meanwhile.
wait_until() {
  while awk -v now="$(date +%s.%N)" -v end="$1" 'BEGIN { exit !(now < end) }'; do
    take_builds
    sleep 0.2
  done
}

# --- the first build, on the evening of the first day; its four hours take ten seconds, so
# that it is told apart from the midnight build
wait_builds 1 40 || fail "no wallpaper build within 40 s of the start"
# --- the first midnight: its build is the anchor of the days that follow
if wait_builds 2 25; then
  first_midnight=$(awk -v a="$(grep -v watching "$events" | sed -n 2p | cut -d' ' -f1)" 'BEGIN { printf "%.3f", a }')
else
  fail "no build at the first midnight"
  first_midnight=$(date +%s.%N)
fi

declare -a noon_gdi noon_rss noon_data
# The smallest of five readings a third of a second apart: the tray's picture is remade at
# every minute of the clock, several times a second here, and its few objects live meanwhile.
# What stays behind shows in the smallest reading as much as in any.
min_of() { tr ' ' '\n' | grep -v '^$' | sort -n | head -1; }
proc_kb() { awk -v f="$1:" '$1 == f { print $2 }' "/proc/$app_pid/status" 2>/dev/null; }
for n in 1 2 3; do
  # About 03:00 of day n: the new day has begun, the alarm's 06:00 has not come yet.
  wait_until "$(awk -v m="$first_midnight" -v n="$n" -v d="$day_seconds" 'BEGIN { printf "%.3f", m + (n - 1) * d + 7.5 }')"
  early=$(firings)
  [ "$early" = $((n - 1)) ] && ok "day $n: the daily alarm waits for its time (still $early at about 03:00)" \
    || fail "day $n: the daily alarm's program had been started $early times by about 03:00, expected $((n - 1))"
  # Near noon of day n: the midnight build came a little after 00:00, so 28 s later is about
  # 11:30 — after the alarm of 06:00 had its turn, before the next midnight.
  wait_until "$(awk -v m="$first_midnight" -v n="$n" -v d="$day_seconds" 'BEGIN { printf "%.3f", m + (n - 1) * d + 28 }')"
  take_builds
  fired=$(firings) last=$(fired_day)
  gdis= rsss= datas= sample=
  for _ in 1 2 3 4 5; do
    if one=$(probe sample); then
      sample=$one
      gdis+=" $(sed -n 's/.*gdi=\([0-9]*\).*/\1/p' <<<"$one")"
    else
      fail "day $n: the probe could not sample the program ($one)"
    fi
    rsss+=" $(proc_kb VmRSS)" datas+=" $(proc_kb VmData)"
    sleep 0.3
  done
  noon_gdi[n]=$(min_of <<<"$gdis") noon_rss[n]=$(min_of <<<"$rsss") noon_data[n]=$(min_of <<<"$datas")
  : "${noon_gdi[n]:=0}" "${noon_rss[n]:=0}" "${noon_data[n]:=0}"
  echo "day $n (${days[n]}) noon: builds so far ${#builds[@]}, alarm firings $fired, lastFired $last;" \
    "GDI readings$gdis; VmRSS KB$rsss; VmData KB$datas; last probe: $sample"
  [ "${#builds[@]}" = $((n + 1)) ] && ok "day $n: ${#builds[@]} builds by noon (one per day so far)" \
    || fail "day $n: ${#builds[@]} builds by noon, expected $((n + 1))"
  [ "$fired" = "$n" ] && ok "day $n: the daily alarm started its program once more ($fired in all)" \
    || fail "day $n: the daily alarm's program was started $fired times in all, expected $n"
  [ "$last" = "$(doy "${days[n]}")/2024" ] && ok "day $n: the record is marked fired today ($last)" \
    || fail "day $n: the record's lastFiredDay/Year is $last, expected $(doy "${days[n]}")/2024"
done

# --- the evening of the third day: nothing more
wait_until "$(awk -v m="$first_midnight" -v d="$day_seconds" 'BEGIN { printf "%.3f", m + 2 * d + 48 }')"
take_builds
[ "${#builds[@]}" = 4 ] && ok "four builds in all: the first evening and three midnights" \
  || fail "${#builds[@]} builds in all, expected 4"
expected_days="$(date -d "${days[0]}" +%-d) $(date -d "${days[1]}" +%-d) $(date -d "${days[2]}" +%-d) $(date -d "${days[3]}" +%-d)"
got_days=$(for b in "${builds[@]}"; do b=${b#* }; printf '%d ' "${b%% *}"; done)
[ "$got_days" = "$expected_days " ] && ok "one build for each day, in order (OldDay $got_days)" \
  || fail "the builds were for the days '$got_days', expected '$expected_days'"
kinds=$(for b in "${builds[@]}"; do printf '%s ' "${b##* }"; done)
[ "$kinds" = "moved moved moved moved " ] || fail "the wallpaper was not always moved over complete: '$kinds'"
[ "$(firings)" = 3 ] && ok "the daily alarm fired three times in three days" \
  || fail "the daily alarm fired $(firings) times in three days"

# --- flat from the second day to the third
echo "noon figures (day 1 2 3): GDI ${noon_gdi[1]} ${noon_gdi[2]} ${noon_gdi[3]}," \
  "VmRSS KB ${noon_rss[1]} ${noon_rss[2]} ${noon_rss[3]}, VmData KB ${noon_data[1]} ${noon_data[2]} ${noon_data[3]}"
if [ "${noon_gdi[2]}" -gt 0 ]; then
  [ $(( noon_gdi[3] - noon_gdi[2] )) -le $gdi_tolerance ] && ok "GDI objects flat (${noon_gdi[2]} -> ${noon_gdi[3]})" \
    || fail "GDI objects grew from ${noon_gdi[2]} to ${noon_gdi[3]} in a day"
else
  fail "no GDI count on the second day"
fi
for figure in rss data; do
  declare -n values=noon_$figure
  name=$([ $figure = rss ] && echo VmRSS || echo VmData)
  if [ "${values[2]}" -gt 0 ]; then
    [ $(( values[3] - values[2] )) -le $memory_tolerance ] && ok "$name flat (${values[2]} -> ${values[3]} KB)" \
      || fail "$name grew from ${values[2]} to ${values[3]} KB in a day"
  else
    fail "no $name figure on the second day"
  fi
  unset -n values
done

probe quit >/dev/null
for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end on \"Beenden\"" || app_pid=
echo "run time $(awk -v a="$launched" -v b="$(date +%s.%N)" 'BEGIN { printf "%.0f", b - a }') s from the program's start"

echo "$failures failure(s)"
[ "$failures" = 0 ]
