#!/usr/bin/env bash
# Builds the libFuzzer targets of every reader of outside data with clang (fuzz/) and runs them
# over seed corpora: the test pictures for the image readers, the inputs fuzz/make_seeds.py
# writes for the others. First every input under fuzz/regressions/<target>/ is replayed once
# with its target. A crash, a leak, a sanitizer finding, a broken property or a time-out fails
# the run; the input that caused it is kept under build/fuzz/artifacts/.
#   scripts/fuzz.sh [seconds per target]   (default 12: CI's short run)
#   scripts/fuzz.sh --long MINUTES [--runs N] [TARGET...]
#                                           every target (or those named, e.g. notes help) for
#                                           that many minutes — or until it has run N inputs,
#                                           whichever comes first — two at a time, the corpus
#                                           kept under build/fuzz/corpus/<target>
set -u
cd "$(dirname "$0")/.."
build=build/fuzz
targets=(psd bmp image appointments settings settings_file notes help)

long=0
runs_limit=0
if [ "${1:-}" = "--long" ]; then
  long=1
  minutes=${2:-}
  case "$minutes" in
    ''|*[!0-9]*|0) echo "usage: scripts/fuzz.sh --long MINUTES (a whole number, at least 1)" >&2; exit 2 ;;
  esac
  seconds=$((minutes * 60))
  shift 2
  if [ "${1:-}" = "--runs" ]; then
    runs_limit=${2:-}
    case "$runs_limit" in
      ''|*[!0-9]*|0) echo "usage: scripts/fuzz.sh --long MINUTES --runs N (a whole number, at least 1)" >&2; exit 2 ;;
    esac
    shift 2
  fi
  if [ $# -gt 0 ]; then
    for named in "$@"; do
      case " ${targets[*]} " in *" $named "*) ;; *) echo "no fuzz target '$named' (${targets[*]})" >&2; exit 2 ;; esac
    done
    targets=("$@")
  fi
else
  seconds=${1:-12}
  case "$seconds" in
    ''|*[!0-9]*|0) echo "usage: scripts/fuzz.sh [seconds per target, at least 1]" >&2; exit 2 ;;
  esac
fi

# The longest input each target is given (the appointment file: a dozen records). The long run
# keeps the pictures at 64 KiB, which still holds every header and a whole small picture, so
# that millions of inputs go through in reasonable time.
max_len() {
  case "$1" in
    psd|bmp|image) [ $long -eq 1 ] && echo 65536 || echo 262144 ;;
    appointments) echo 11046 ;;
    help) echo 1200 ;;
    *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

echo "=== fuzz: configure and build (clang, libFuzzer, ASan + UBSan)"
cmake -S fuzz -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
cmake --build "$build" -j2 --target fuzz_all || exit 1

echo "=== fuzz: replaying fuzz/regressions"
failed=()
for target in "${targets[@]}"; do
  folder=fuzz/regressions/$target
  [ -d "$folder" ] || continue
  inputs=("$folder"/*)
  [ -e "${inputs[0]}" ] || continue
  if "$build/fuzz_$target" -timeout=10 -rss_limit_mb=3072 "${inputs[@]}" >"$build/replay_$target.log" 2>&1; then
    echo "fuzz_$target: ${#inputs[@]} regression inputs clean"
  else
    tail -30 "$build/replay_$target.log"
    failed+=("fuzz_$target (regressions)")
  fi
done

echo "=== fuzz: seed corpora"
pictures=$build/pictures
if [ ! -f "$pictures/pictures.txt" ] || [ tests/imaging/make_pictures.py -nt "$pictures/pictures.txt" ]; then
  /usr/bin/python3 tests/imaging/make_pictures.py "$pictures" || exit 1
fi
if [ -f tests/imaging/make_bmp_pictures.py ] && [ ! -d "$build/bmp_pictures" ]; then
  /usr/bin/python3 tests/imaging/make_bmp_pictures.py "$build/bmp_pictures" >/dev/null || exit 1
fi
rm -rf "$build/seeds"
mkdir -p "$build/seeds/psd" "$build/seeds/bmp" "$build/seeds/image" "$build/artifacts"
cp "$pictures"/*.psd "$build/seeds/psd/"
cp "$pictures"/*.bmp "$build/seeds/bmp/"
[ -d "$build/bmp_pictures" ] && find "$build/bmp_pictures" -name '*.bmp' -exec cp {} "$build/seeds/bmp/" \;
for f in "$pictures"/*; do
  case "$f" in *.rgb|*.txt|*/source.png|*/wide.png) ;; *) cp "$f" "$build/seeds/image/" ;; esac
done
/usr/bin/python3 fuzz/make_seeds.py "$build/seeds" || exit 1
# Past findings seed their target's corpus too.
for target in "${targets[@]}"; do
  [ -d "fuzz/regressions/$target" ] && cp fuzz/regressions/"$target"/* "$build/seeds/$target/" 2>/dev/null
done

# Runs one target for $seconds; its log is $build/fuzz_<target>.log.
run_target() {
  local target=$1 corpus=$build/corpus/$1 runs=-1
  [ "$runs_limit" -gt 0 ] && runs=$runs_limit
  mkdir -p "$corpus"
  "$build/fuzz_$target" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=3072 \
    -max_len="$(max_len "$target")" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$corpus" "$build/seeds/$target" \
    >"$build/fuzz_$target.log" 2>&1
}

# What a finished run tells: executions, rate, new units, and a finding if there was one.
report_target() {
  local target=$1 status=$2 log=$build/fuzz_$1.log
  local runs rate added
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  added=$(sed -n 's/^stat::new_units_added: *//p' "$log")
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$target: ${runs:-?} executions (${rate:-?}/s), ${added:-0} new units, no findings"
  else
    echo "fuzz_$target: ${runs:-?} executions, FINDING:"
    grep -E '^(SUMMARY|==[0-9]+==ERROR|fuzz property violated)|runtime error|Test unit written' "$log" | head -8
    tail -40 "$log"
    failed+=("fuzz_$target")
  fi
}

if [ $long -eq 1 ]; then
  limit="$minutes min"
  [ "$runs_limit" -gt 0 ] && limit="$limit or $runs_limit inputs"
  echo "=== fuzz: ${targets[*]}, each for $limit, two at a time"
  # Two lanes: as soon as one target ends, the next one starts.
  declare -A running=()
  next=0
  while [ $next -lt ${#targets[@]} ] || [ ${#running[@]} -gt 0 ]; do
    while [ ${#running[@]} -lt 2 ] && [ $next -lt ${#targets[@]} ]; do
      run_target "${targets[$next]}" &
      running[$!]=${targets[$next]}
      next=$((next + 1))
    done
    wait -n -p ended "${!running[@]}"
    status=$?
    report_target "${running[$ended]}" $status
    unset "running[$ended]"
  done
else
  for target in "${targets[@]}"; do
    echo "=== fuzz: fuzz_$target for $seconds s"
    run_target "$target"
    report_target "$target" $?
  done
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "FUZZ FAILED: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
echo "All fuzz targets ran clean."
