#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest.
# Extra arguments go to the CMake configure step, e.g. ./test.sh -DPANDEMIE_SANITIZE=ON
# Warnings are errors when CI=true (or with -DPANDEMIE_WERROR=ON), and so is a skipped test.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=tests/skips.sh
source tests/skips.sh
./cmake/install-packages.sh packages.txt packages-checks.txt
build_dir=${PANDEMIE_BUILD_DIR:-build}
# The page first: the build installs it and tests it in Chromium.
web/build.sh build-web/web >/dev/null
./cmake/configure.sh "$build_dir" -DPANDEMIE_WEB_DIR="$PWD/build-web/web" "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
ctest_without_skips --test-dir "$build_dir" --output-on-failure --no-tests=error --parallel "$(nproc)"
