#!/usr/bin/env bash
# The layering check on a small made-up tree: sound includes pass, and each kind of break is
# reported on its own line and fails the run.
#   check_includes_test.sh CHECK_SCRIPT
set -u
check=${1:?usage: check_includes_test.sh CHECK_SCRIPT}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

file() {  # file PATH INCLUDED... : a source that includes the given headers
  mkdir -p "$work/$(dirname "$1")"
  local path=$1
  shift
  : >"$work/$path"
  for h in "$@"; do echo "#include \"$h\"" >>"$work/$path"; done
}
# The sound shape: each layer on the ones below, the seams portable, the two sides apart.
file platform/clock.h
file platform/win32/clock.cpp platform/clock.h
file calendar/dates.cpp platform/clock.h
file imaging/glyphs.h platform/clock.h
file imaging/win32/gdi.h
file imaging/win32/gdi.cpp gdi.h imaging/glyphs.h
file imaging/native/freetype.h
file imaging/native/freetype.cpp freetype.h ../glyphs.h
file render/compose.cpp imaging/glyphs.h calendar/dates.h
file app/settings.h render/compose.h
file app/win32/main.cpp app/settings.h imaging/win32/gdi.h
file tools/main.cpp app/settings.h imaging/native/freetype.h
file tests/app/settings_test.cpp app/settings.h app/win32/main.h tests/support/files.h

out=$(bash "$check" "$work") || fail "the sound tree failed: $out"

expect_break() {  # expect_break FILE INCLUDED MESSAGE
  file "$1" "$2"
  if out=$(bash "$check" "$work"); then
    fail "$1 including $2 passed"
  elif ! grep -qF "$1: includes \"$2\": $3" <<<"$out"; then
    fail "$1 including $2: expected \"$3\", got: $out"
  fi
  rm "$work/$1"
}
expect_break calendar/bad.cpp imaging/glyphs.h "calendar lies below imaging"
expect_break render/win32/job.cpp app/settings.h "render lies below app"
expect_break platform/bad.h ../tools/main.h "platform lies below tools"
expect_break imaging/bad.cpp imaging/native/freetype.h "portable code includes a native part"
expect_break imaging/bad.cpp win32/gdi.h "portable code includes a win32 part"
expect_break imaging/win32/bad.cpp ../native/freetype.h "the win32 side includes the native side"
expect_break tools/bad.cpp app/win32/main.h "the native side includes the win32 side"
expect_break app/bad.cpp tests/support/files.h "the program includes test code"

# A known break passes only while it is listed, and a listed one that is gone fails.
file render/compose.h app/settings.h
printf '# known\nrender/compose.h app/settings.h\n' >"$work/allowed.txt"
out=$(bash "$check" "$work" "$work/allowed.txt") || fail "a listed break failed: $out"
rm "$work/render/compose.h"
if out=$(bash "$check" "$work" "$work/allowed.txt"); then
  fail "a listed break that is gone passed"
elif ! grep -qF "no longer there" <<<"$out"; then
  fail "a listed break that is gone: $out"
fi

echo "$failures failure(s)"
[ "$failures" = 0 ]
