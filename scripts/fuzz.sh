#!/usr/bin/env bash
# Builds the libFuzzer targets of the image readers with clang and runs each for a while
# over seed corpora made from the test pictures. A crash, a leak, a sanitizer finding or a
# time-out fails the run; the input that caused it is kept under build/fuzz/artifacts/.
#   scripts/fuzz.sh [seconds per target]   (default 20)
set -u
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build/fuzz

echo "=== fuzz: configure and build (clang, libFuzzer, ASan + UBSan)"
cmake -S fuzz -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
cmake --build "$build" -j2 --target fuzz_psd fuzz_bmp fuzz_image || exit 1

echo "=== fuzz: seed corpora"
pictures=$build/pictures
if [ ! -f "$pictures/pictures.txt" ] || [ tests/imaging/make_pictures.py -nt "$pictures/pictures.txt" ]; then
  /usr/bin/python3 tests/imaging/make_pictures.py "$pictures" || exit 1
fi
if [ -f tests/imaging/make_bmp_pictures.py ] && [ ! -d "$build/bmp_pictures" ]; then
  /usr/bin/python3 tests/imaging/make_bmp_pictures.py "$build/bmp_pictures" >/dev/null || exit 1
fi
mkdir -p "$build/seeds/psd" "$build/seeds/bmp" "$build/seeds/image" "$build/artifacts"
cp "$pictures"/*.psd "$build/seeds/psd/"
cp "$pictures"/*.bmp "$build/seeds/bmp/"
[ -d "$build/bmp_pictures" ] && find "$build/bmp_pictures" -name '*.bmp' -exec cp {} "$build/seeds/bmp/" \;
for f in "$pictures"/*; do
  case "$f" in *.rgb|*.txt|*/source.png|*/wide.png) ;; *) cp "$f" "$build/seeds/image/" ;; esac
done
# Regression inputs: every crash or hang found so far, replayed first.
for t in psd bmp image; do cp fuzz/regressions/* "$build/seeds/$t/" 2>/dev/null; done

failed=()
for target in psd bmp image; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  echo "=== fuzz: fuzz_$target for $seconds s"
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 \
      -max_len=262144 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$corpus" "$build/seeds/$target" 2>"$build/fuzz_$target.log"
  status=$?
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$build/fuzz_$target.log"
  if [ $status -ne 0 ]; then
    tail -40 "$build/fuzz_$target.log"
    failed+=("fuzz_$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FUZZ FAILED: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
echo "All fuzz targets ran clean."
