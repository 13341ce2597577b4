#!/usr/bin/env bash
# Configures a build folder the way ./test.sh and ./run.sh both use build/:
# Release, the window, benchmarks, Python module and tests; warnings are
# errors when CI=true. Options the command does not name keep their cached
# values, so neither script undoes what the other or a caller chose.
# Usage: cmake/configure.sh BUILD_DIR [more CMake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$1
shift
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_BUILD_WINDOW=ON -DPANDEMIE_BUILD_BENCH=ON \
  -DPANDEMIE_PYTHON=ON -DBUILD_TESTING=ON -DPANDEMIE_WERROR="$werror" "$@" >/dev/null
