#!/usr/bin/env bash
# Builds zuvi.chm: the sources are UTF-8, the help file's pages and popup texts are
# Windows-1252 (the code page the help viewer reads them in).
#   build_chm.sh SOURCE_DIR STAGING_DIR OUTPUT_FILE
set -eu
src=$1 stage=$2 out=$3
rm -rf "$stage"
mkdir -p "$stage/html"
for f in zuvi.hhp zuvi.hhc popups.txt $(cd "$src" && ls html/*); do
  case "$f" in
    *.html|*.hhc|*.txt) iconv -f UTF-8 -t CP1252 "$src/$f" > "$stage/$f" ;;
    *) cp "$src/$f" "$stage/$f" ;;
  esac
done
(cd "$stage" && chmcmd --no-html-scan zuvi.hhp >chmcmd.log 2>&1) || { cat "$stage/chmcmd.log" >&2; exit 1; }
[ -s "$stage/zuvi.chm" ] || { echo "chmcmd wrote no zuvi.chm" >&2; exit 1; }
cp "$stage/zuvi.chm" "$out"
