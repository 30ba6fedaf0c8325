# What every end-to-end script under Wine starts with, sourced by e2e.sh, alarms_e2e.sh and
# editor_e2e.sh:
#   e2e_start WORK_DIR SCREEN DISPLAY_FROM
# empties WORK_DIR (with an app/ folder in it), starts Xvfb of size SCREEN on its own display
# (numbers from DISPLAY_FROM on, apart from the other runs') and a fresh prefix in WORK_DIR, and
# stops both again when the script ends, with the program if `app_pid` names it. `ok` and
# `fail` report checks; `failures` counts the failed ones.
wine_env=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/wine-env.sh
WINE=${WINE:-/usr/lib/wine/wine64}
failures=0
app_pid=

ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

e2e_cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  bash "$wine_env" stop >/dev/null
  wait 2>/dev/null
}

e2e_start() {
  local work=$1 screen=$2 from=$3
  rm -rf "$work"
  mkdir -p "$work/app"
  export QUENDLER_WINE_DIR=$work QUENDLER_OWN_DISPLAY=1 QUENDLER_SCREEN=$screen QUENDLER_DISPLAY_FROM=$from
  trap e2e_cleanup EXIT
  bash "$wine_env" start >/dev/null || { echo "FAIL: Wine did not start"; exit 1; }
  local vars
  vars=$(bash "$wine_env" env) && eval "$vars"
}
