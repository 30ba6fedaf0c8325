#!/usr/bin/env bash
# quendler image info|convert|resize on pictures that ImageMagick wrote; ImageMagick reads the
# results back.  tool_image_test.sh QUENDLER PICTURE_DIR WORK_DIR
set -u
tool=$1 pictures=$2 work=$3
mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }

info=$("$tool" image info "$pictures/bmp3_8.bmp") || fail "info exit $?"
[ "$info" = $'Format: BMP\nBreite: 37\nHöhe: 23' ] || fail "info printed: $info"

"$tool" image convert "$pictures/bmp_source.png" "$work/converted.bmp" || fail "convert exit $?"
cmp -s <(/usr/bin/convert "$work/converted.bmp" rgb:-) <(/usr/bin/convert "$pictures/bmp_source.png" rgb:-) ||
  fail "converted pixels differ"

"$tool" image resize "$pictures/bmp3_24.bmp" "$work/resized.bmp" 74 46 || fail "resize exit $?"
[ "$(/usr/bin/identify -format '%w %h' "$work/resized.bmp")" = "74 46" ] || fail "resized size"

# A failure names the operation, the code and its meaning, and leaves an existing file alone.
echo keep > "$work/kept.bmp"
err=$("$tool" image convert "$pictures/bmp5_24.bmp" "$work/kept.bmp" 2>&1) && fail "V5 header accepted"
case "$err" in *"IS40_ReadImage"*"Fehler 6"*"BMP"*) ;; *) fail "message: $err" ;; esac
[ "$(cat "$work/kept.bmp")" = keep ] || fail "failed convert touched the target"
"$tool" image resize a b 0 1 2>/dev/null; [ $? -eq 2 ] || fail "bad size not a usage error"
echo "tool image commands ok"
