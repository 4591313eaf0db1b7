#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz (clang, with the
# address and undefined-behaviour sanitizers) and runs each one for the given
# number of seconds (default 60), all at the same time. A crash, a sanitizer
# report, a broken invariant, an input that runs too long or takes too much
# memory fails the run; the input is kept in build-fuzz/findings/ and the
# report is printed. New inputs found on the way stay in build-fuzz/corpus/
# and are picked up by the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

./scripts/install-deps.sh
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQB_FUZZ=ON -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)" --target fuzzers

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
targets=(record_format decadal_reader data_set_loader free_form)
findings="$build/findings"
rm -rf "$findings"
mkdir -p "$findings"

# The bundled data sets, whole, once through each reader before fuzzing: too
# large to mutate quickly, they are checked as they stand.
seeds="$build/bundled"
rm -rf "$seeds"
mkdir -p "$seeds/decadal_reader" "$seeds/data_set_loader" "$seeds/free_form"
for f in examples/data/*.rwl examples/data/*.crn; do cp "$f" "$seeds/decadal_reader/"; done
for f in examples/data/*.rwl; do { echo 1; cat "$f"; } >"$seeds/data_set_loader/$(basename "$f")"; done
for f in examples/data/*.crn; do { echo 2; cat "$f"; } >"$seeds/data_set_loader/$(basename "$f")"; done
{ echo "4|0|36|NA"; cat examples/data/co021.csv; } >"$seeds/data_set_loader/co021.csv"
cp examples/data/co021.csv "$seeds/free_form/"

failed=()
for t in decadal_reader data_set_loader free_form; do
  if ! "$build/fuzz/${t}_fuzzer" -timeout=60 -rss_limit_mb=2048 -artifact_prefix="$findings/$t-" \
      "$seeds/$t"/* >"$findings/$t-bundled.log" 2>&1; then
    failed+=("$t-bundled")
  fi
done

pids=()
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  # New inputs go to the first folder only, so the project's seeds stay as they are.
  timeout $((seconds + 300)) "$build/fuzz/${t}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/$t-" "${dict[@]}" "$build/corpus/$t" "fuzz/corpus/$t" \
    >"$findings/$t.log" 2>&1 &
  pids+=($!)
done
for i in "${!targets[@]}"; do
  wait "${pids[$i]}" || failed+=("${targets[$i]}")
done

for t in "${targets[@]}"; do
  echo "$t: $(awk '/^stat::number_of_executed_units/ {print $2}' "$findings/$t.log") inputs run"
done
if [ ${#failed[@]} -gt 0 ]; then
  for t in "${failed[@]}"; do
    echo "=== fuzz finding: $t (full log: $findings/$t.log)"
    # The report from its first line to the summary, without libFuzzer's own
    # frames, 40 lines at most. awk stops by itself: a pipe into head would
    # end it by SIGPIPE on a long report, and under pipefail the script would
    # end there, before naming the finding and failing the run.
    awk '/invariant violated|runtime error|ERROR: |Assertion .* failed/ {shown = 1}
         shown && !/fuzzer::|__sanitizer_print|libc_start|in _start|^NOTE|Combine libFuzzer/ {print; if (++lines == 40) exit}
         /^SUMMARY/ {exit}' "$findings/$t.log" || true
    grep -E 'Test unit written|^Base64' "$findings/$t.log" || true
  done
  exit 1
fi
echo "No fuzz findings."
