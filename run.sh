#!/usr/bin/env bash
# Installs what is missing, builds the programs in Release and starts the window.
set -euo pipefail
cd "$(dirname "$0")"
./cmake/install-packages.sh packages.txt
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_BUILD_WINDOW=ON -DBUILD_TESTING=OFF -DPANDEMIE_BUILD_BENCH=OFF >/dev/null
cmake --build build --parallel "$(nproc)" --target pandemie pandemie_cli
exec build/ui/pandemie "$@"
