#!/bin/sh
# Black-box checks of "quendler month" and "quendler days".
#   tool_test.sh path/to/quendler
q=$1
failures=0
tab=$(printf '\t')

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect_line OUTPUT_FILE PATTERN_DESCRIPTION EXACT_LINE
has_line() {
  grep -qxF -- "$2" "$1" || fail "$3: line not found: $2"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# days: one line per day, eight fields, the names with a visible \n.
"$q" days 2010 >"$tmp/d2010" || fail "days 2010 exit $?"
[ "$(wc -l <"$tmp/d2010")" -eq 365 ] || fail "days 2010: not 365 lines"
awk -F'\t' 'NF != 8 { bad = 1 } END { exit bad }' "$tmp/d2010" || fail "days 2010: a line without 8 fields"
has_line "$tmp/d2010" "2010-10-31${tab}0${tab}304${tab}43${tab}0${tab}$(awk -F'\t' '$1 == "2010-10-31" { print $6 "\t" $7 }' "$tmp/d2010")${tab}Reformationstag \\nEnde der Sommerzeit " "days 2010"
grep -q "^2010-06-03${tab}4${tab}154${tab}22${tab}0${tab}" "$tmp/d2010" || fail "days 2010: 3 June (Corpus Christi, not free in region 0)"
grep -q "^2010-01-04${tab}1${tab}4${tab}1${tab}0${tab}[0-9]*${tab}[0-9]${tab}\$" "$tmp/d2010" || fail "days 2010: 4 January"

"$q" days 2009 --region 2 >"$tmp/d2009" || fail "days 2009 exit $?"
grep -q "^2009-01-06${tab}2${tab}6${tab}2${tab}1${tab}.*${tab}Dreikönigstag \$" "$tmp/d2009" || fail "days 2009: Epiphany in UTF-8"
grep -q "^2009-02-09${tab}1${tab}40${tab}7${tab}0${tab}14${tab}4${tab}\$" "$tmp/d2009" || fail "days 2009: full moon of 9 February"
grep -q "^2009-01-26${tab}1${tab}26${tab}5${tab}0${tab}0${tab}0${tab}\$" "$tmp/d2009" || fail "days 2009: new moon of 26 January"

"$q" days 2020 --region=3 >"$tmp/d2020" || fail "days 2020 exit $?"
[ "$(wc -l <"$tmp/d2020")" -eq 366 ] || fail "days 2020: not 366 lines"
grep -q "^2020-03-08${tab}0${tab}68${tab}10${tab}1${tab}.*${tab}Internationaler Frauentag \$" "$tmp/d2020" || fail "days 2020: Women's Day in Berlin"
grep -q "^2020-12-31${tab}4${tab}366${tab}53${tab}0${tab}" "$tmp/d2020" || fail "days 2020: 31 December"

"$q" days --help >"$tmp/help" || fail "days --help exit $?"
grep -q 'WeekNumber' "$tmp/help" || fail "days --help does not describe the fields"

# month: the wall calendar with today marked.
QUENDLER_START_TIME="2026-03-12 10:00:00" "$q" month --region 3 >"$tmp/m" || fail "month exit $?"
has_line "$tmp/m" "März 2026" "month"
has_line "$tmp/m" "Feiertage: Deutschland (Berlin)" "month"
has_line "$tmp/m" " KW  Mo   Di   Mi   Do   Fr   Sa   So" "month"
has_line "$tmp/m" "  9                                 1 *" "month"
has_line "$tmp/m" " 11   9   10   11  [12]  13   14 * 15 *" "month"
has_line "$tmp/m" "  8. So  Internationaler Frauentag (Feiertag)" "month"
has_line "$tmp/m" " 20. Fr  Frühlingsanfang" "month"
has_line "$tmp/m" " 29. So  Beginn der Sommerzeit, Palmsonntag" "month"
[ "$(grep -c '\[' "$tmp/m")" -eq 2 ] || fail "month: today marked more than once"

QUENDLER_START_TIME="2026-03-12 10:00:00" "$q" month 2026-04 --region 16 >"$tmp/m4" || fail "month 2026-04 exit $?"
grep -q '\[[ 0-9]' "$tmp/m4" && fail "month 2026-04: today marked in another month"
has_line "$tmp/m4" " 14             1    2    3 *  4 *  5 *" "month 2026-04 (Good Friday, Holy Saturday)"
has_line "$tmp/m4" "  6. Mo  Ostermontag (Feiertag)" "month 2026-04"

# Bad arguments: exit 2 and one German line on stderr.
for args in "month 2026-13" "month 26-03" "month 2026-03 2026-04" "month --region 19" "month --region" \
            "month 1900-01" "days" "days 2100" "days 20x0" "days 2020 --bunt"; do
  # shellcheck disable=SC2086
  "$q" $args >"$tmp/out" 2>"$tmp/err"
  status=$?
  [ $status -eq 2 ] || fail "$args: exit $status, not 2"
  [ "$(wc -l <"$tmp/err")" -eq 1 ] || fail "$args: not one line on stderr"
  grep -q '^quendler: ' "$tmp/err" || fail "$args: message does not start with quendler:"
  [ -s "$tmp/out" ] && fail "$args: wrote to stdout"
done
"$q" month 2026-13 2>"$tmp/err"
grep -qxF 'quendler: ungültiger Monat "2026-13" (erwartet JJJJ-MM)' "$tmp/err" || fail "month 2026-13 message: $(cat "$tmp/err")"

[ $failures -eq 0 ] || exit 1
echo "all tool checks passed"
