#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest.
# Extra arguments go to the CMake configure step, e.g. ./test.sh -DPANDEMIE_SANITIZE=ON
# Warnings are errors when CI=true (or with -DPANDEMIE_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")"
./cmake/install-packages.sh packages.txt packages-checks.txt
build_dir=${PANDEMIE_BUILD_DIR:-build}
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_BUILD_WINDOW=ON -DPANDEMIE_BUILD_BENCH=ON -DPANDEMIE_PYTHON=ON -DBUILD_TESTING=ON \
  -DPANDEMIE_WERROR="$werror" "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error --parallel "$(nproc)"
