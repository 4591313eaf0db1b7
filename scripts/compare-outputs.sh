#!/usr/bin/env bash
# Runs two builds of the programs over the bundled data in several
# configurations and compares every output file and console transcript byte
# for byte.
#
#   scripts/compare-outputs.sh OLD_BUILD_DIR NEW_BUILD_DIR [--large]
#
# Each build directory holds Quellbard_v47b_batch and Quellbard_v45_v2e-1.
# --large adds runs over ca535 and swed334 (from QB_LARGE_DATA, default
# ../shared/data next to the project). Exit status 0 when nothing differs.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ $# -lt 2 ]; then
  echo "usage: $0 OLD_BUILD_DIR NEW_BUILD_DIR [--large]" >&2
  exit 2
fi
old=$(cd "$1" && pwd) || exit 2
new=$(cd "$2" && pwd) || exit 2
large=0
[ "${3:-}" = "--large" ] && large=1
large_data=${QB_LARGE_DATA:-$root/../shared/data}

work=$(mktemp -d "${TMPDIR:-/tmp}/qb-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLPLOT_DEV=null

differences=0

# run NAME PROGRAM DATA_DIR "FILES" "ANSWERS"
#   FILES: data files copied into the working folder (for the list-file
#   program they also make up datasets.txt, in order); ANSWERS: the first
#   console answers, one per word ('-' for an empty answer); every later
#   answer is empty and so takes the default.
run() {
  local name=$1 program=$2 data=$3 files=$4 answers=$5
  for side in old new; do
    local dir=$work/$side/$name bin
    [ $side = old ] && bin=$old || bin=$new
    mkdir -p "$dir"
    : >"$dir/datasets.txt"
    for f in $files; do
      cp "$data/$f" "$dir/"
      echo "$f" >>"$dir/datasets.txt"
    done
    [ "$program" = Quellbard_v45_v2e-1 ] && rm "$dir/datasets.txt"
    (
      cd "$dir" || exit 1
      { for a in $answers; do [ "$a" = - ] && echo || echo "$a"; done
        yes '' | head -n 2000; } |
        timeout 900 "$bin/$program" >transcript.txt 2>&1
      echo "exit $?" >>transcript.txt
    )
  done
  if diff -r "$work/old/$name" "$work/new/$name" >"$work/$name.diff" 2>&1; then
    echo "same      $name ($(ls "$work/new/$name" | wc -l) files)"
  else
    echo "DIFFERENT $name:"
    head -n 20 "$work/$name.diff" | sed 's/^/    /'
    differences=$((differences + 1))
  fi
}

ex=$root/examples/data
sets="ca533.rwl cana209.rwl co021.rwl nm580.rwl"
batch=Quellbard_v47b_batch
inter=Quellbard_v45_v2e-1

run rcs-window51         $batch "$ex" "$sets" "datasets.txt 1 r - -2"
run rcs-arithmetic-no-window $batch "$ex" "$sets" "datasets.txt 1 r - -2 - - 1 0"
# The answers before "T" reach the first "Different RCS detrending?" question
# (plot menus included); the robust lowess regional curve of half the length follows.
run rcs-lowess           $batch "$ex" "$sets" "datasets.txt 1 r - -2 - - - - - - - - T -4 -50"
run spline8-retries      $batch "$ex" "$sets" "datasets.txt 1 r - 8"
run spline8-no-window    $batch "$ex" "$sets" "datasets.txt 1 r - 8 - - 0"
run friedman             $batch "$ex" "$sets" "datasets.txt 1 r - -5"
run residuals-power      $batch "$ex" "$sets" "datasets.txt 1 s t - 8"
run censored-negexp      $batch "$ex" "$sets" "datasets.txt 1 r 2 300 1"
run spline-percent       $batch "$ex" "$sets" "datasets.txt 1 r - -67 - 0 3 0.001"
run missing-value        $batch "$ex" "wa082.rwl" "datasets.txt 1 r"
run chronology-layout    $batch "$ex" "tucson1.crn" "datasets.txt 2 r - 6"
run interactive-rcs      $inter "$ex" "ca533.rwl" "ca533.rwl 1 r - -2"
run interactive-spline8  $inter "$ex" "co021.rwl" "co021.rwl 1 s t - 8"

if [ $large = 1 ]; then
  for f in ca535.rwl swed334.rwl; do
    run "large-${f%.rwl}-rcs"     $batch "$large_data" "$f" "datasets.txt 1 r - -2"
    run "large-${f%.rwl}-spline8" $batch "$large_data" "$f" "datasets.txt 1 r - 8"
  done
fi

if [ $differences -gt 0 ]; then
  echo "$differences configuration(s) differ"
  exit 1
fi
echo "no differences"
