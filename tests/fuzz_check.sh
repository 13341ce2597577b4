#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer and runs each for PANDEMIE_FUZZ_SECONDS
# (default 60) through CTest. A crash fails the check; libFuzzer's report
# names the input, kept as crash-<target>-* in the build folder's tests/fuzz.
#   tests/fuzz_check.sh [build-dir]   (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DPANDEMIE_FUZZ=ON -DBUILD_TESTING=ON -DPANDEMIE_BUILD_WINDOW=OFF -DPANDEMIE_BUILD_BENCH=OFF \
  -DPANDEMIE_FUZZ_SECONDS="${PANDEMIE_FUZZ_SECONDS:-60}" "${launcher[@]}" >/dev/null
targets=$(sed -n 's/^pandemie_add_fuzz_target(\([a-z_]*\)).*/fuzz_\1/p' tests/fuzz/CMakeLists.txt)
# shellcheck disable=SC2086 # one word per target
cmake --build "$build" --parallel "$(nproc)" --target $targets
ctest --test-dir "$build" --output-on-failure --no-tests=error -R '^fuzz_'
