#!/usr/bin/env bash
# Installs what is missing, builds the programs and runs the list-file
# program on the bundled example with scripted answers. The output files are
# written to build/example/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target Quellbard_v47b_batch Quellbard_v45_v2e-1
rm -rf build/example && mkdir -p build/example
cp examples/data/*.rwl examples/data/*.csv examples/list_file/datasets.txt build/example/
cd build/example
# Without a display the plots are drawn to screen.png here; PLPLOT_DEV=null skips them.
PLPLOT_DEV="${PLPLOT_DEV:-null}" ../Quellbard_v47b_batch < ../../examples/list_file/answers.txt | tee transcript.txt
echo
echo "Output files are in $(pwd):"
ls
