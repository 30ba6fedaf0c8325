#!/usr/bin/env bash
# The native commands from the outside: quendler wallpaper and quendler appointments.
#   tool_test.sh QUENDLER WORKDIR
set -u
q=$1
dir=$2
mkdir -p "$dir"
fail() { echo "FAIL: $*"; exit 1; }

# 1280 x 1024 with the default margins, June 2010 (1st a Tuesday, 30 days: moved down a row).
# The designed cell of 175 would run past the right edge; 169 is the widest that fits.
out=$("$q" wallpaper --date 2010-06-15 --size 1280x1024 --seed 1 --out "$dir/w.bmp" --layout --cells) ||
  fail "wallpaper exit $?"
mapfile -t lines <<<"$out"
[ "${lines[0]}" = "$dir/w.bmp" ] || fail "path line: ${lines[0]}"
[ "${lines[1]}" = "-7 96 70 169 146 15 21 -102" ] || fail "layout line: ${lines[1]}"
[ ${#lines[@]} -eq 8 ] || fail "expected 8 lines, got ${#lines[@]}"
for i in 2 3 4 5 6 7; do
  [[ "${lines[$i]}" =~ ^-?[0-9]+(\ -?[0-9]+){6}$ ]] || fail "cells line $i: ${lines[$i]}"
done
# Today (15 June, row 4 column 2) holds the month picture; the bottom-right corner is empty.
row4=(${lines[5]})
[ "${row4[1]}" = 1000 ] || fail "today's cell: ${lines[5]}"
row6=(${lines[7]})
[ "${row6[6]}" = -1 ] || fail "corner: ${lines[7]}"
size=$(stat -c %s "$dir/w.bmp")
[ "$size" = $((54 + 3840 * 1024)) ] || fail "file size $size"
# The same seed gives the same sheet.
"$q" wallpaper --date 2010-06-15 --size 1280x1024 --seed 1 --out "$dir/w2.bmp" >/dev/null || fail "second run"
cmp -s "$dir/w.bmp" "$dir/w2.bmp" || fail "same seed, different picture"

# A taskbar 40 px high on 1920 x 1080: the six rows end above it (72 + 6 x 161 = 1038).
line=$("$q" wallpaper --date 2026-12-09 --size 1920x1080 --bottom 1040 --out "$dir/b.bmp" --layout | tail -n 1)
[ "$line" = "-7 119 72 187 161 22 22 -112" ] || fail "layout above the taskbar: $line"
# Margins from a larger monitor or a broken store are used clamped; the calendar font is not
# shrunk for them and nothing is said about it.
printf 'left=2000\nright=2000\ntop=-1\n' >"$dir/wide.ini"
out=$("$q" wallpaper --date 2026-12-09 --size 1920x1080 --settings "$dir/wide.ini" --out "$dir/c.bmp" --layout 2>"$dir/err") ||
  fail "clamped margins: exit $?"
[ "$(echo "$out" | tail -n 1)" = "-7 389 42 182 157 22 22 -109" ] || fail "clamped margins: $(echo "$out" | tail -n 1)"
[ ! -s "$dir/err" ] || fail "clamped margins: $(cat "$dir/err")"
printf 'right=999999\n' >"$dir/right.ini"
"$q" wallpaper --date 2026-12-09 --size 1366x768 --settings "$dir/right.ini" --out "$dir/c.bmp" >/dev/null 2>"$dir/err" ||
  fail "right=999999: exit $?"
[ ! -s "$dir/err" ] || fail "right=999999: $(cat "$dir/err")"

# --out FILE.png writes a PNG of the same pixels (read back by ImageMagick, a reader of its own).
"$q" wallpaper --date 2010-06-15 --size 1280x1024 --seed 1 --out "$dir/w.PNG" >/dev/null || fail "png run"
[ "$(head -c 8 "$dir/w.PNG" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "no PNG signature"
diff=$(compare -metric AE "$dir/w.bmp" "$dir/w.PNG" null: 2>&1) || true
[ "$diff" = 0 ] || fail "PNG differs from the BMP: $diff"
[ ! -e "$dir/w.PNG.tmp" ] || fail "temporary PNG left behind"

# Bad arguments: exit 2 with one line.
for args in "--date 2010-02-30" "--size 10x10" "--seed -1" "--bogus" "--date" "--bottom 0" "--bottom 1081" "--bottom x"; do
  "$q" wallpaper $args --out "$dir/x.bmp" >/dev/null 2>"$dir/err"
  [ $? -eq 2 ] || fail "wallpaper $args: exit code"
  [ "$(wc -l <"$dir/err")" -eq 1 ] || fail "wallpaper $args: message"
done
# Without the pictures (an empty resource folder) the background is missing: nothing is written.
mkdir -p "$dir/empty"
rm -f "$dir/none.bmp"
QUENDLER_RESOURCES="$dir/empty" "$q" wallpaper --out "$dir/none.bmp" >/dev/null 2>&1
[ $? -eq 1 ] || fail "missing background: exit code"
[ ! -e "$dir/none.bmp" ] || fail "missing background: file written"

# An appointment file of two records: a yearly one on 24 December with picture 3, and an
# old appointment that is off (kind 0), which AutoDelete drops.
python3 - "$dir/t.qtm" <<'PY'
import struct, sys
def rec(name, kind, d, m, y, picture, remark=b""):
    b = bytearray(920)
    struct.pack_into('<8H', b, 0, 0, 0, kind, d, m, y, 18, 30)
    struct.pack_into('<3H', b, 26, 0, 1, picture)
    b[568:568 + len(remark)] = remark
    b[824:824 + len(name)] = name
    return bytes(b)
open(sys.argv[1], 'wb').write(rec(b"Bescherung", 4, 24, 12, 2000, 3, b"Zeile 1\r\nZeile 2")
                               + rec(b"Alt \xe4", 0, 3, 1, 2009, 1))
PY
printf 'AutoDelete=1\n' >"$dir/auto.txt"
out=$("$q" appointments "$dir/t.qtm" --date 2010-12-01 --pictures 2010-12) || fail "appointments exit"
expected=$'0\tBescherung\tjährlich\t24.12.2000\t18:30\tHinweis\t3\t\tZeile 1\\r\\nZeile 2\t0\t0\n1\tAlt ä\taus\t03.01.2009\t18:30\tHinweis\t1\t\t\t0\t0'
[ "$(head -2 <<<"$out")" = "$expected" ] || fail "records: $out"
[ "$(grep -c . <<<"$out")" -eq 33 ] || fail "expected 2 records and 31 days"
grep -qx $'24.12.2010\t7' <<<"$out" || fail "picture of 24 December"
grep -qx $'23.12.2010\t0' <<<"$out" || fail "no picture on 23 December"
out=$("$q" appointments "$dir/t.qtm" --settings "$dir/auto.txt" --date 2010-12-01) || fail "with AutoDelete"
[ "$(grep -c . <<<"$out")" -eq 1 ] || fail "AutoDelete kept: $out"
"$q" appointments "$dir/missing.qtm" >/dev/null 2>&1
[ $? -eq 1 ] || fail "missing file: exit code"
echo "tool checks passed"
