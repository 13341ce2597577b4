#!/usr/bin/env bash
# Builds the page: the model and the window's chart compiled to WebAssembly by
# Debian's emscripten, beside the page's own files and its fonts, into DIR.
# Usage: web/build.sh [DIR]   (default build-web/web/; open DIR/index.html
# through a web server, e.g. python3 -m http.server in DIR)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build-web/web}")
tree=${PANDEMIE_WEB_BUILD_DIR:-$here/build-web/cmake}
"$here/cmake/install-packages.sh" packages.txt

# emscripten's optimiser runs on node and needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
werror=OFF
[ "${CI:-}" = true ] && werror=ON
# The native hardening flags are for processes; WebAssembly's sandbox keeps
# its own bounds. Its vector instructions halve a run's time: the generator
# draws four values side by side.
emcmake cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DPANDEMIE_HARDEN=OFF \
  -DCMAKE_CXX_FLAGS=-msimd128 -DPANDEMIE_WERROR="$werror" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$tree" --parallel "$(nproc)" --target pandemie_web

mkdir -p "$out/fonts"
cp "$tree/web/pandemie.js" "$tree/web/pandemie.wasm" "$out/"
for page_file in "$here"/web/*.html "$here"/web/*.js "$here"/web/*.css; do
  [ -e "$page_file" ] && cp "$page_file" "$out/"
done
# The chart's two faces, Debian's files, with their licences.
cp /usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$out/fonts/"
cp /usr/share/doc/fonts-crosextra-carlito/copyright "$out/fonts/Carlito-copyright.txt"
cp /usr/share/doc/fonts-dejavu-core/copyright "$out/fonts/DejaVu-copyright.txt"
echo "The page is in $out (open index.html through a web server)"
