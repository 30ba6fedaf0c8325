#!/usr/bin/env bash
# End to end under Wine: the setup and the portable zip, in a fresh prefix on its own display.
#   installer_e2e.sh SETUP_EXE ZIP QUENDLER_EXE HELP_FILE PROBE_EXE VERSION WORK_DIR
# Silent install (files, uninstall entry, Start menu, autostart), the installed program writes
# its wallpaper, a silent install over the running program ends it through its own exit (so a
# setting changed in the running program is kept), replaces the files and starts it again, the
# silent uninstall removes program, entry and Run value and keeps the data folder; the zip
# holds the program and the help file only and runs from an unpacked copy.
set -u
setup=$1 zip=$2 exe=$3 help=$4 probe_exe=$5 version=$6 work=$7
source "$(dirname "$0")/e2e_common.sh"
e2e_start "$work" "1280x800x24" 231

cp "$probe_exe" "$work/app/probe.exe"
probe() { (cd "$work/app" && "$WINE" probe.exe "$@" 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}"); }
reg_data() {  # reg_data KEY NAME -> the value's data (blanks kept), empty when missing
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" '{ line = $0; sub(/^ +/, "", line)
                     if (index(line, n " ") == 1) { rest = substr(line, length(n) + 1)
                       sub(/^ +REG_[A-Z_]+ +/, "", rest); print rest } }'
}
reg_has_key() { "$WINE" reg query "$1" >/dev/null 2>&1; }
unix_path() { "$WINE" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
wait_gone() {  # wait_gone SECONDS PATH... -> 0 when none of the paths exists any more
  local limit=$1 p left; shift
  for _ in $(seq 1 $((limit * 5))); do
    left=0
    for p in "$@"; do [ -e "$p" ] && left=1; done
    [ $left = 0 ] && return 0
    sleep 0.2
  done
  return 1
}

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Skorvati Die Quendler'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value='Skorvati Desktopkalender'
settings_key='HKCU\Software\Skorvati\Desktop\Quendler'

local_app=$("$WINE" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
roaming=$("$WINE" cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
win_dir="$local_app\\Programs\\Die Quendler"
dir=$(unix_path "$win_dir")
data_parent=$(unix_path "$roaming\\Skorvati\\Desktopkalender")
data=$data_parent/Die\ Quendler
wallpaper=$data_parent/wallpaper.bmp
link=$(unix_path "$roaming\\Microsoft\\Windows\\Start Menu\\Programs")/Die\ Quendler.lnk
[ -n "$local_app" ] && [ -n "$dir" ] || { echo "FAIL: no LOCALAPPDATA in the prefix"; exit 1; }

case "$(basename "$setup")" in
  "quendler-setup-$version.exe") ok "setup is named for version $version" ;;
  *) fail "setup is named $(basename "$setup"), expected quendler-setup-$version.exe" ;;
esac

# --- silent install into a fresh prefix
timeout 120 "$WINE" "$setup" /S >"$work/setup1.log" 2>&1
rc=$?
[ $rc = 0 ] && ok "silent setup ended with 0" || fail "silent setup ended with $rc"
for f in quendler.exe zuvi.chm uninstall.exe; do
  [ -s "$dir/$f" ] || fail "$win_dir\\$f is missing"
done
cmp -s "$exe" "$dir/quendler.exe" && cmp -s "$help" "$dir/zuvi.chm" &&
  ok "program and help file installed into $win_dir" || fail "installed files differ from the built ones"
python3 - "$dir/quendler.exe" "$version" <<'EOF' && ok "version resource and options page say $version" || fail "version resource or options page lack $version"
import re, sys
data = open(sys.argv[1], "rb").read()
u = lambda text: re.escape(text.encode("utf-16-le"))
# Each value's name, one or two NULs (alignment), the value with its NUL.
ok = all(re.search(u(name) + b"(\0\0){1,2}" + u(sys.argv[2] + "\0"), data) for name in ("FileVersion", "ProductVersion"))
# The general options page's title and version text.
ok = ok and ("Desktopkalender, Version " + sys.argv[2] + "\0").encode("cp1252") in data
sys.exit(0 if ok else 1)
EOF
[ -e "$link" ] && ok "Start menu entry" || fail "no Start menu entry at $link"

[ "$(reg_data "$uninstall_key" DisplayName)" = "Die Quendler" ] && ok "uninstall entry under HKCU" || fail "uninstall entry DisplayName is '$(reg_data "$uninstall_key" DisplayName)'"
[ "$(reg_data "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is '$(reg_data "$uninstall_key" DisplayVersion)', expected $version"
[ "$(reg_data "$uninstall_key" Publisher)" = Skorvati ] || fail "Publisher is '$(reg_data "$uninstall_key" Publisher)'"
[ "$(reg_data "$uninstall_key" DisplayIcon)" = "$win_dir\\quendler.exe,0" ] || fail "DisplayIcon is '$(reg_data "$uninstall_key" DisplayIcon)'"
[ "$(reg_data "$uninstall_key" UninstallString)" = "\"$win_dir\\uninstall.exe\"" ] || fail "UninstallString is '$(reg_data "$uninstall_key" UninstallString)'"
[ "$(reg_data "$uninstall_key" QuietUninstallString)" = "\"$win_dir\\uninstall.exe\" /S" ] || fail "QuietUninstallString is '$(reg_data "$uninstall_key" QuietUninstallString)'"
size=$(reg_data "$uninstall_key" EstimatedSize)
[ -n "$size" ] && [ $((size)) -gt 100 ] && ok "EstimatedSize $((size)) KB" || fail "EstimatedSize is '$size'"
reg_has_key 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Skorvati Die Quendler' &&
  fail "setup wrote an uninstall entry for the whole machine"
[ "$(reg_data "$run_key" "$run_value")" = "\"$win_dir\\quendler.exe\"" ] &&
  ok "autostart value holds the quoted path" || fail "autostart value is '$(reg_data "$run_key" "$run_value")'"
[ "$(reg_data "$settings_key" AutoStart)" = 0x1 ] || fail "the AutoStart setting is '$(reg_data "$settings_key" AutoStart)', expected 0x1"

# --- the installed program starts and writes its wallpaper
"$WINE" "$dir/quendler.exe" >"$work/quendler1.log" 2>&1 &
app_pid=$!
for _ in $(seq 1 150); do [ -s "$wallpaper" ] && break; sleep 0.2; done
[ -s "$wallpaper" ] && ok "the installed program wrote wallpaper.bmp" || fail "no wallpaper.bmp from the installed program"
probe wait-window 20 >/dev/null || fail "the installed program's window did not come"
[ -d "$data" ] && ok "data folder $roaming\\Skorvati\\Desktopkalender\\Die Quendler" || fail "no data folder"

# --- install again over the running program; a setting changed in it is kept
for _ in $(seq 1 30); do [ -n "$(reg_data "$settings_key" Mondphasen)" ] && break; sleep 0.3; done
moon_before=$(reg_data "$settings_key" Mondphasen)
probe tray right >/dev/null   # toggles the moon phase in the running program (saved at its exit)
sleep 1
want_moon=$(( ! moon_before ))
changed_before=$(stat -c %Z "$dir/quendler.exe")
sleep 1.1
timeout 120 "$WINE" "$setup" /S >"$work/setup2.log" 2>&1
rc=$?
[ $rc = 0 ] && ok "silent setup over the running program ended with 0" || fail "second setup ended with $rc"
if kill -0 "$app_pid" 2>/dev/null; then
  fail "the running program was not ended by the second setup"
else
  ok "the second setup ended the running program"
fi
app_pid=
[ "$(stat -c %Z "$dir/quendler.exe")" -gt "$changed_before" ] && cmp -s "$exe" "$dir/quendler.exe" &&
  ok "quendler.exe replaced" || fail "quendler.exe was not written again"
moon_after=$(reg_data "$settings_key" Mondphasen)
[ -n "$moon_before" ] && [ "$((moon_after))" = "$want_moon" ] &&
  ok "the setting changed in the running program is kept (Mondphasen $moon_before -> $moon_after)" ||
  fail "Mondphasen is '$moon_after' after the upgrade, expected $want_moon (was '$moon_before')"
[ "$(reg_data "$run_key" "$run_value")" = "\"$win_dir\\quendler.exe\"" ] || fail "the upgrade lost the autostart value"
probe wait-window 20 >/dev/null && ok "the silent upgrade started the program again" || fail "no program running after the upgrade"

# --- silent uninstall: program, entry, Run value gone; the data folder and its files stay
head -c 920 /dev/urandom >"$data/alarm.qtm"
printf 'Notiz vor dem Entfernen\r\n' >"$data/N_20240305_1200A.txt"
cp "$data/alarm.qtm" "$work/alarm.qtm.before"
timeout 60 "$WINE" "$dir/uninstall.exe" /S >"$work/uninstall.log" 2>&1
# The uninstaller runs on from a copy of itself in the temporary folder.
wait_gone 60 "$dir/quendler.exe" "$dir/uninstall.exe" "$dir/zuvi.chm" "$dir" &&
  ok "no program file and no program folder left" || fail "left in $win_dir: $(ls -A "$dir" 2>/dev/null | tr '\n' ' ')"
for _ in $(seq 1 50); do reg_has_key "$uninstall_key" || break; sleep 0.2; done
reg_has_key "$uninstall_key" && fail "the uninstall entry is still there" || ok "uninstall entry removed"
[ -z "$(reg_data "$run_key" "$run_value")" ] && ok "autostart value removed" || fail "the Run value is still there"
[ -e "$link" ] && fail "the Start menu entry is still there" || ok "Start menu entry removed"
probe wait-window 1 >/dev/null && fail "the program still runs after the uninstall" || ok "the uninstaller ended the program"
cmp -s "$work/alarm.qtm.before" "$data/alarm.qtm" && [ -s "$data/N_20240305_1200A.txt" ] &&
  ok "data folder kept with its appointment file and note" || fail "the data folder lost files: $(ls -A "$data" 2>/dev/null | tr '\n' ' ')"
reg_has_key "$settings_key" && ok "settings kept" || fail "the settings key was removed"

# --- the portable zip
listing=$(python3 -c 'import sys, zipfile; print("|".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())) + "|")' "$zip")
[ "$listing" = "Die Quendler/quendler.exe|Die Quendler/zuvi.chm|" ] && ok "the zip holds the program and the help file only" ||
  fail "the zip holds: $listing"
mkdir -p "$work/portable"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/portable"
cmp -s "$exe" "$work/portable/Die Quendler/quendler.exe" && cmp -s "$help" "$work/portable/Die Quendler/zuvi.chm" ||
  fail "the zip's files differ from the built ones"
rm -f "$wallpaper"
"$WINE" "$work/portable/Die Quendler/quendler.exe" >"$work/portable.log" 2>&1 &
app_pid=$!
for _ in $(seq 1 150); do [ -s "$wallpaper" ] && break; sleep 0.2; done
[ -s "$wallpaper" ] && probe wait-window 20 >/dev/null && ok "the unpacked program runs and writes its wallpaper" ||
  fail "the program from the zip did not write its wallpaper"
probe click 1004 >/dev/null
for _ in $(seq 1 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$app_pid" 2>/dev/null && fail "the unpacked program did not end on Beenden" || app_pid=

echo "installer e2e: $failures failure(s)"
[ "$failures" = 0 ]
