#!/usr/bin/env bash
# Whole-process wall time and peak memory of the list-file program per data
# set and configuration.
#
#   scripts/benchmark.sh [BUILD_DIR] [--runs N] [--huge]
#
# BUILD_DIR (default build/) holds a Release build of Quellbard_v47b_batch.
# Data sets: ca533 and co021 (examples/data), ca535 and swed334 (from
# QB_LARGE_DATA, default ../shared/data next to the project; skipped when
# missing) and two synthetic sites of 2000 series x 1399 years made by
# scripts/make-synthetic-set.py, one of 50- to 600-year series (syn2000) and a
# heavier one of 30-year to whole-span series (syn2000long); --huge adds 2999
# series x 3000 years with every series covering every year (minutes per run:
# one run unless --runs is given).
# Configurations: RCS (answers "datasets.txt 1 r - -2") and the age-dependent
# spline (curve option 8, "datasets.txt 1 r - 8"); every later answer is
# empty and so takes the default. Plots go to the null device.
# Each cell: median wall time of N runs (default 7) and the largest peak
# resident memory of those runs; "calls / iterations" are the engine calls
# (one per convergence retry) and the signal-free iterations they made.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=build
runs=7
runs_given=0
huge=0
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; runs_given=1; shift 2 ;;
    --huge) huge=1; shift ;;
    -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) build=$1; shift ;;
  esac
done
program=$(cd "$build" && pwd)/Quellbard_v47b_batch
[ -x "$program" ] || { echo "no $program" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }
large_data=${QB_LARGE_DATA:-$root/../shared/data}

work=$(mktemp -d "${TMPDIR:-/tmp}/qb-benchmark.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLPLOT_DEV=null
export LC_ALL=C  # a decimal point in the timings

# Data sets as "name path".
sets=("ca533 $root/examples/data/ca533.rwl" "co021 $root/examples/data/co021.rwl")
for f in ca535 swed334; do
  if [ -f "$large_data/$f.rwl" ]; then
    sets+=("$f $large_data/$f.rwl")
  else
    echo "($large_data/$f.rwl not found: skipped)" >&2
  fi
done
python3 "$root/scripts/make-synthetic-set.py" 2000 1399 --lengths 50 600 >"$work/syn2000.rwl"
sets+=("syn2000 $work/syn2000.rwl")
python3 "$root/scripts/make-synthetic-set.py" 2000 1399 >"$work/syn2000long.rwl"
sets+=("syn2000long $work/syn2000long.rwl")
if [ $huge = 1 ]; then
  python3 "$root/scripts/make-synthetic-set.py" 2999 3000 --full >"$work/full2999.rwl"
  sets+=("full2999 $work/full2999.rwl")
fi

# run_once DIR ANSWERS: one run in DIR; prints "seconds kilobytes".
run_once() {
  local dir=$1 answers=$2 start end
  rm -rf "$dir/out" && mkdir -p "$dir/out"
  cp "$dir/data.rwl" "$dir/out/data.rwl"
  echo data.rwl >"$dir/out/datasets.txt"
  {
    for a in $answers; do [ "$a" = - ] && echo || echo "$a"; done
    yes '' | head -n 2000
  } >"$dir/answers.txt"
  start=$EPOCHREALTIME
  (cd "$dir/out" && /usr/bin/time -f %M -o "$dir/memory" "$program" <"$dir/answers.txt" >"$dir/transcript.txt" 2>&1) || true
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v m="$(tail -n 1 "$dir/memory")" 'BEGIN {printf "%.4f %d\n", e - s, m}'
}

# measure NAME ANSWERS N: "median-seconds peak-MB calls iterations".
measure() {
  local name=$1 answers=$2 n=$3 dir times=() peak=0 line
  dir=$work/$name.$(echo "$answers" | tr -c 'a-z0-9\n' _)
  mkdir -p "$dir"
  cp "$work/$name.src" "$dir/data.rwl"
  for ((i = 0; i < n; i++)); do
    line=$(run_once "$dir" "$answers")
    times+=("${line% *}")
    [ "${line#* }" -gt "$peak" ] && peak=${line#* }
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{t[NR] = $1} END {print t[int((NR + 1) / 2)]}')
  # One engine call per "CONSTANT ADDED" line; every call ends with the
  # iteration it stopped at.
  local calls iterations
  calls=$(grep -c 'CONSTANT ADDED TO ALL MEASUREMENTS' "$dir/transcript.txt" || true)
  iterations=$(grep -E 'NOT MONOTONIC DECREASING, ITER:|Final iteration with convergence|Maximum iterations used without converging' "$dir/transcript.txt" |
    grep -oE '[0-9]+ *$' | awk '{s += $1} END {print s + 0}')
  printf '%.2f %d %s %s\n' "$median" $((peak / 1024)) "$calls" "$iterations"
}

printf '| data set (series x years) | RCS | peak memory, RCS | curve 8 | engine calls / iterations with curve 8 | peak memory, curve 8 |\n'
printf '|---|---|---|---|---|---|\n'
for entry in "${sets[@]}"; do
  name=${entry%% *}
  path=${entry#* }
  cp "$path" "$work/$name.src"
  n=$runs
  [ "$name" = full2999 ] && [ $runs_given = 0 ] && n=1
  read -r rcs_time rcs_peak _ _ < <(measure "$name" "datasets.txt 1 r - -2" "$n")
  read -r spl_time spl_peak spl_calls spl_iter < <(measure "$name" "datasets.txt 1 r - 8" "$n")
  # Size as the program reports it: series and years of the set.
  size=$(grep -m1 'Total series read in:' "$work/$name.datasets_txt_1_r___8/transcript.txt" | awk '{print $5 " x " $8}')
  printf '| %s (%s) | %s s | %s MB | %s s | %s / %s | %s MB |\n' "$name" "$size" \
    "$rcs_time" "$rcs_peak" "$spl_time" "$spl_calls" "$spl_iter" "$spl_peak"
done
