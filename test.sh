#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest.
# Extra arguments go to the CMake configure step, e.g. ./test.sh -DPANDEMIE_SANITIZE=ON
set -euo pipefail
cd "$(dirname "$0")"
./cmake/install-packages.sh
build_dir=${PANDEMIE_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_BUILD_WINDOW=ON -DPANDEMIE_BUILD_BENCH=ON "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
