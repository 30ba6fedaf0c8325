#!/usr/bin/env bash
# The program's layering, checked over its #include "..." lines. Lowest layer first:
#   platform < calendar < imaging < alarms < render < notes < app < tools
# A folder includes only from its own layer and the ones below. resources, tests, bench and fuzz
# stand outside the order: they may include anything, and the program includes nothing of
# tests, bench or fuzz.
# Portable code (outside win32/ and native/ folders) includes nothing from a win32/ or native/
# folder: it reaches the platform through the seams (platform/*.h, imaging/glyph_rasterizer.h),
# whose implementations the build links in. The Windows shell and the native side do not
# include each other. tools/ is the native tool and counts as native.
#   check_includes.sh SOURCE_DIR [ALLOWED_LIST]
# ALLOWED_LIST holds known violations, "FILE INCLUDED" a line; an entry that no longer occurs
# is an error too, so that the list only shrinks.
set -u
root=${1:?usage: check_includes.sh SOURCE_DIR [ALLOWED_LIST]}
allowed=${2:-}
cd "$root" || exit 2

layers=(platform calendar imaging alarms render notes app tools)
declare -A rankOf=()
for i in "${!layers[@]}"; do rankOf[${layers[$i]}]=$i; done

# Both set a variable rather than print, so that the loop below starts no processes.
sideOf() {  # sideOf PATH -> side=win32|native|portable
  case "/$1" in
    */win32/*) side=win32 ;;
    */native/*|/tools/*) side=native ;;
    *) side=portable ;;
  esac
}
normalise() {  # normalise PATH -> path without "." and ".." steps
  local part out=()
  local IFS=/
  for part in $1; do
    case "$part" in
      ''|.) ;;
      ..) [ ${#out[@]} -gt 0 ] && unset 'out[${#out[@]}-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  path="${out[*]}"
}

declare -A allow=() seen=()
if [ -n "$allowed" ]; then
  while read -r file included _; do
    case "$file" in ''|'#'*) continue ;; esac
    allow["$file $included"]=1
  done <"$allowed"
fi

failures=0
count=0
while IFS= read -r -d '' file; do
  count=$((count + 1))
  from=${rankOf[${file%%/*}]}
  sideOf "$file"
  fromSide=$side
  while IFS= read -r included; do
    # As the compiler looks: beside the including file first, then from the top of the tree.
    if [ -e "${file%/*}/$included" ]; then normalise "${file%/*}/$included"; else normalise "$included"; fi
    target=$path
    verdict=
    case "$target" in
      tests/*|bench/*|fuzz/*) verdict="the program includes test code" ;;
      *)
        to=${rankOf[${target%%/*}]:-}
        [ -n "$to" ] || continue
        sideOf "$target"
        if [ "$to" -gt "$from" ]; then
          verdict="${layers[$from]} lies below ${layers[$to]}"
        elif [ "$fromSide" = portable ] && [ "$side" != portable ]; then
          verdict="portable code includes a $side part"
        elif [ "$fromSide" != portable ] && [ "$side" != portable ] && [ "$fromSide" != "$side" ]; then
          verdict="the $fromSide side includes the $side side"
        fi
        ;;
    esac
    [ -n "$verdict" ] || continue
    if [ -n "${allow["$file $target"]:-}" ]; then
      seen["$file $target"]=1
      continue
    fi
    echo "$file: includes \"$included\": $verdict"
    failures=$((failures + 1))
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "${layers[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' \
           -o -name '*.cpp' -o -name '*.inc' -o -name '*.rc' \) -print0 2>/dev/null)

for entry in "${!allow[@]}"; do
  [ -n "${seen[$entry]:-}" ] && continue
  echo "allowed but no longer there (take it off $allowed): $entry"
  failures=$((failures + 1))
done

if [ "$failures" -gt 0 ]; then
  echo "$failures layering violation(s) in $count files"
  exit 1
fi
echo "layering holds in $count files"
