#!/usr/bin/env bash
# The portable zip: quendler.exe and zuvi.chm in a folder "Die Quendler", nothing else (no
# folder entries, no extra attributes). Both files carry the program's modification time, so
# the same program gives the same zip.
#   make_zip.sh QUENDLER_EXE HELP_FILE OUT.zip
set -eu
exe=$1 help=$2 out=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/Die Quendler" "$(dirname "$out")"
cp "$exe" "$stage/Die Quendler/quendler.exe"
cp "$help" "$stage/Die Quendler/zuvi.chm"
touch -r "$exe" "$stage/Die Quendler/quendler.exe" "$stage/Die Quendler/zuvi.chm"
rm -f "$out.tmp"
(cd "$stage" && zip -q -X -D "$out.tmp" "Die Quendler/quendler.exe" "Die Quendler/zuvi.chm")
mv -f "$out.tmp" "$out"
