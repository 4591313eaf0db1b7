#!/usr/bin/env bash
# Installs what is missing, builds everything (Release) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
cd build && ctest -j"$(nproc)" --output-on-failure --timeout 900
