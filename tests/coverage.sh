#!/usr/bin/env bash
# Line coverage of each component by the whole test suite, from a separate
# instrumented Debug build at -O1 (at -O0 the fit's tests alone take some
# six minutes each): gcovr for the C++ of every component folder below,
# each against its own floor, a little under what it measured; one below its
# floor fails the check. The module's own Python code is measured apart, by
# python3-coverage over its tests on ./test.sh's Release build (its tests
# outlast CTest's 1500 s on this Debug build), against its floor too.
# Usage: tests/coverage.sh [build-dir]   (default build-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tests/skips.sh
source tests/skips.sh
build_dir=${1:-build-coverage}
jobs=$(nproc)

# The gated components: a folder and its floor in per cent of lines, one a
# line. A listed folder that is missing fails the check.
components="
model 97
input 96
output 96
app 87
chart 96
ui 93
cli 93
"
python_code_floor=86  # python/pandemie/*.py, by python3-coverage
release_dir=${PANDEMIE_RELEASE_BUILD:-build}

missing=0
while read -r folder _; do
  [ -n "$folder" ] || continue
  [ -d "$folder" ] || { echo "coverage: the listed component $folder/ does not exist" >&2; missing=1; }
done <<<"$components"
[ "$missing" -eq 0 ] || exit 1

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DPANDEMIE_COVERAGE=ON \
  -DPANDEMIE_BUILD_WINDOW=ON \
  -DPANDEMIE_BUILD_BENCH=OFF -DPANDEMIE_PYTHON=OFF -DPANDEMIE_INSTALL_CHECKS=OFF >/dev/null
cmake --build "$build_dir" --parallel "$jobs"
find "$build_dir" -name '*.gcda' -delete
# The first caps the tool's file size at 100 bytes, which also stops the
# instrumented tool from writing its counters and so adds a line of
# complaint; the second fills 800 MB of address space, which the counters
# make a matter of minutes for one line of code.
excluded='^cli\.(failedWriteKeepsTheExistingFile|aRequestTooLargeForMemoryEndsWithOneLineAndNoFile)$'
if ! ctest --test-dir "$build_dir" -N -R "$excluded" | grep -q '^Total Tests: 2$'; then
  echo "coverage: not both tests match $excluded" >&2
  exit 1
fi
ctest_without_skips --test-dir "$build_dir" --output-on-failure --no-tests=error --parallel "$jobs" -E "$excluded"

# Headers are compiled through the links build/include/<component>/<component>;
# gcovr resolves them to their source files.
summary=$build_dir/coverage-summary.json
folders=$(awk 'NF { printf "%s%s", sep, $1; sep = "|" }' <<<"$components")
gcovr --root . --object-directory "$build_dir" --filter "$PWD/($folders)/" --json-summary "$summary" \
  --print-summary
# Every figure is shown before the check fails.
status=0
/usr/bin/python3 - "$summary" "$components" <<'PYTHON' || status=1
import json
import sys

files = json.load(open(sys.argv[1]))["files"]
failed = False
for line in sys.argv[2].split("\n"):
    if not line.strip():
        continue
    folder, floor = line.split()
    mine = [f for f in files if f["filename"].startswith(folder + "/")]
    covered = sum(f["line_covered"] for f in mine)
    total = sum(f["line_total"] for f in mine)
    percent = 100.0 * covered / total if total else 0.0
    verdict = "ok  " if total and percent >= float(floor) else "FAIL"
    failed |= verdict == "FAIL"
    print(f"{verdict} {folder + '/':10s} {percent:5.1f} % of {total:5d} lines (floor {floor} %)")
sys.exit(1 if failed else 0)
PYTHON

# The module's Python code, on the Release build's module.
[ -f "$release_dir/python/pandemie/__init__.py" ] ||
  cannot_check "the module's coverage needs ./test.sh's build of the module in $release_dir/"
python_data=$PWD/$build_dir/python-coverage.data
rm -f "$python_data"
COVERAGE_FILE=$python_data PYTHONPATH=$release_dir/python PANDEMIE_CLI=$PWD/$release_dir/cli/pandemie-cli \
  PANDEMIE_SOURCE=$PWD PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -m coverage run --include="$PWD/$release_dir/python/pandemie/*" \
  -m pytest -q -p no:cacheprovider --doctest-modules "$release_dir/python/pandemie/__init__.py" tests/python
echo "The module's Python code (floor $python_code_floor %):"
COVERAGE_FILE=$python_data /usr/bin/python3 -m coverage report --fail-under="$python_code_floor" || status=1
exit "$status"
