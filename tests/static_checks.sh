#!/usr/bin/env bash
# Static checks of our code: formatting (.clang-format), cppcheck and
# clang-tidy (.clang-tidy). Fails on the first finding.
# Usage: tests/static_checks.sh [build-dir]   (default build-tidy)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-tidy}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

echo "== clang-format"
clang-format-14 --dry-run --Werror "${sources[@]}"

echo "== cppcheck"
# useStlAlgorithm: a plain loop that pushes back reads better than std::transform.
# unusedStructMember: cppcheck misses members read through iterators and bindings.
cppcheck --enable=warning,style,performance,portability --std=c++20 --library=googletest --library=qt \
  --inline-suppr --error-exitcode=1 --quiet --suppress=useStlAlgorithm --suppress=unusedStructMember \
  -I . model input output app chart cli ui python web bench tests data

echo "== clang-tidy"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DPANDEMIE_BUILD_WINDOW=ON -DPANDEMIE_BUILD_BENCH=ON \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
# GCC's -Wconversion, which the build enforces, leaves signedness alone; clang's
# adds -Wsign-conversion, so it is switched off here to check what the build checks.
run-clang-tidy-14 -p "$build_dir" -j "$(nproc)" -quiet -extra-arg=-Wno-sign-conversion \
  "$PWD/(model|input|output|app|chart|ui|cli|python|bench|tests|data)/.*\.cpp$" >"$build_dir/clang-tidy.log" 2>&1 || {
  grep -E "(warning|error):" "$build_dir/clang-tidy.log" | sort -u >&2 || cat "$build_dir/clang-tidy.log" >&2
  exit 1
}
echo "== clang-tidy of the page's C++, against emscripten's headers"
web/build.sh >"$build_dir/web-build.log" 2>&1 || { cat "$build_dir/web-build.log" >&2; exit 1; }
web_tree=${PANDEMIE_WEB_BUILD_DIR:-build-web/cmake}
sysroot=/usr/share/emscripten/cache/sysroot
run-clang-tidy-14 -p "$web_tree" -j "$(nproc)" -quiet -header-filter='.*/web/.*' \
  -extra-arg=--target=wasm32-unknown-emscripten -extra-arg=--sysroot=$sysroot -extra-arg=-D__EMSCRIPTEN__ \
  -extra-arg=-Xclang -extra-arg=-iwithsysroot/include/compat -extra-arg=-Wno-sign-conversion \
  "$PWD/web/.*\.cpp$" >"$build_dir/clang-tidy-web.log" 2>&1 || {
  grep -E "(warning|error):" "$build_dir/clang-tidy-web.log" | sort -u >&2 || cat "$build_dir/clang-tidy-web.log" >&2
  exit 1
}
echo "static checks clean"
