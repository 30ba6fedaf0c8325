#!/usr/bin/env bash
# All tests: the native core under ASan/UBSan, then the Windows build under Wine, then the
# fuzz targets of every reader of outside data (scripts/fuzz.sh).
#   scripts/test.sh [native|windows|fuzz]...   (default: all three)
set -u
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(native windows fuzz)
failed=()

run_suite() {
  local preset=$1
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null || return 1
  cmake --build --preset "$preset" || return 1
  echo "=== $preset: tests"
  ctest --preset "$preset"
}

for suite in "${suites[@]}"; do
  if [ "$suite" = fuzz ]; then
    bash scripts/fuzz.sh || failed+=(fuzz)
    continue
  fi
  run_suite "$suite" || failed+=("$suite")
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test suites passed: ${suites[*]}"
