#!/usr/bin/env bash
# Installs what is missing, builds the window and the tool in Release and
# starts the window. The build folder is ./test.sh's build/, configured the same way.
set -euo pipefail
cd "$(dirname "$0")"
./cmake/install-packages.sh packages.txt
./cmake/configure.sh build
cmake --build build --parallel "$(nproc)" --target pandemie pandemie_cli
exec build/ui/pandemie "$@"
