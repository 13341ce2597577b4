#!/usr/bin/env bash
# Installs what is missing, builds the programs in Release and starts the window.
# Its own build folder: test.sh configures build/ with other options.
set -euo pipefail
cd "$(dirname "$0")"
./cmake/install-packages.sh packages.txt
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_BUILD_WINDOW=ON -DBUILD_TESTING=OFF -DPANDEMIE_BUILD_BENCH=OFF >/dev/null
cmake --build build-run --parallel "$(nproc)" --target pandemie pandemie_cli
exec build-run/ui/pandemie "$@"
