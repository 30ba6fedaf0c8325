#!/usr/bin/env bash
# quendler notes from the outside: the listing (pattern without regard to case, sort, read-only
# bit, sizes) and one note's text in UTF-8.
#   tool_test.sh QUENDLER
set -u
q=$1
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
tab=$(printf '\t')

printf 'Gr\xfc\xdfe\r\nzweite Zeile \x80' >"$dir/N_20090928_1405b.txt"   # CP1252
printf 'eins' >"$dir/n_20090928_1405a.TXT"
printf '' >"$dir/N_20100101_0000a.txt"
head -c 20000 /dev/zero | tr '\0' 'w' >"$dir/N_20081231_2359z.txt"
for other in N_19990928_1405a.txt N_20090928_1405.txt N_20090928_1405ab.txt notes.txt; do
  printf 'x' >"$dir/$other"
done
mkdir "$dir/N_20090928_1405c.txt"
chmod a-w "$dir/N_20090928_1405b.txt"

out=$("$q" notes "$dir") || fail "notes exit $?"
expected="N_20081231_2359z.txt${tab}2008-12-31 23:59${tab}z${tab}0${tab}20000
n_20090928_1405a.TXT${tab}2009-09-28 14:05${tab}a${tab}0${tab}4
N_20090928_1405b.txt${tab}2009-09-28 14:05${tab}b${tab}1${tab}21
N_20100101_0000a.txt${tab}2010-01-01 00:00${tab}a${tab}0${tab}0"
[ "$out" = "$expected" ] || fail "listing:
$out"

[ "$("$q" notes "$dir" --show 2)" = "$(printf 'Grüße\r\nzweite Zeile €')" ] || fail "show 2 not in UTF-8"
"$q" notes "$dir" --show 1 >"$dir/../quendler-notes-out.$$" || fail "show 1 exit $?"
[ "$(cat "$dir/../quendler-notes-out.$$")" = eins ] || fail "show 1"
rm -f "$dir/../quendler-notes-out.$$"
# The window shows the first 16383 characters of a longer note.
[ "$("$q" notes "$dir" --show 0 | wc -c)" -eq 16383 ] || fail "show 0: not cut at 16383"
cmp -s <(head -c 20000 /dev/zero | tr '\0' 'w') "$dir/N_20081231_2359z.txt" || fail "long note changed"

# An empty folder lists nothing; no note N, a missing folder and bad calls fail.
mkdir "$dir/leer"
[ -z "$("$q" notes "$dir/leer")" ] || fail "empty folder"
"$q" notes "$dir" --show 4 >/dev/null 2>&1 && fail "show 4 of 4 notes succeeded"
"$q" notes "$dir/fehlt" >/dev/null 2>&1 && fail "missing folder succeeded"
for args in "" "--show" "--show x" "--show -1" "--bogus" "$dir $dir"; do
  "$q" notes $args >/dev/null 2>"$dir/err"
  [ $? -eq 2 ] || fail "notes $args: exit code"
  [ "$(wc -l <"$dir/err")" -eq 1 ] || fail "notes $args: message"
done
"$q" notes --help | grep -q 'Dateiname' || fail "help"
echo "notes tool: ok"
