#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./cmake/install-packages.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_BUILD_WINDOW=ON >/dev/null
cmake --build build --parallel "$(nproc)"
if [ -x build/ui/pandemie ]; then
  exec build/ui/pandemie "$@"
fi
exec build/cli/pandemie-cli "$@"
