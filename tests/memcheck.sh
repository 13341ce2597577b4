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
cmake --build "$build_dir" --parallel "$(nproc)" --target pandemie_cli window_test

memcheck=(valgrind --tool=memcheck --error-exitcode=1 --leak-check=full
  --show-leak-kinds=definite --errors-for-leak-kinds=definite
  --suppressions=tests/valgrind.supp --num-callers=30)

echo "== memcheck: pandemie-cli --runs 100 --threads 2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"${memcheck[@]}" "$build_dir/cli/pandemie-cli" --runs 100 --threads 2 --output "$scratch/runs.csv"

echo "== memcheck: window start-up and a second run, offscreen"
window_test=$build_dir/tests/window_test
filter=window.runsDifferAndTheDrawingStateCarriesOver
# A renamed test must not leave a filter that selects nothing and passes.
if ! "$window_test" --gtest_list_tests --gtest_filter="$filter" | grep -q '^  '; then
  echo "memcheck: no test matches $filter" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen "${memcheck[@]}" "$window_test" --gtest_filter="$filter"
echo "memcheck: no errors, no definite leaks"
