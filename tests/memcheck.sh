#!/usr/bin/env bash
# Valgrind memcheck of an ensemble of the tool and of the window's start-up
# with one run, from a separate -O1 -g build; fails on any memory error and on
# definite leaks (tests/valgrind.supp holds those of the libraries below us).
# Usage: tests/memcheck.sh [build-dir]   (default build-memcheck)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-memcheck}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DPANDEMIE_BUILD_WINDOW=ON -DPANDEMIE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target pandemie_cli window_stress_test

memcheck=(valgrind --tool=memcheck --error-exitcode=1 --leak-check=full
  --show-leak-kinds=definite --errors-for-leak-kinds=definite
  --suppressions=tests/valgrind.supp --num-callers=30)

echo "== memcheck: pandemie-cli --runs 100 --threads 2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"${memcheck[@]}" "$build_dir/cli/pandemie-cli" --runs 100 --threads 2 --output "$scratch/runs.csv"

echo "== memcheck: window start-up and one run, offscreen"
QT_QPA_PLATFORM=offscreen "${memcheck[@]}" "$build_dir/tests/window_stress_test" \
  --gtest_filter=windowStress.startUpAndOneRun
echo "memcheck: no errors, no definite leaks"
