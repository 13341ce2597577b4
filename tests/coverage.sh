#!/usr/bin/env bash
# Line coverage of each component by the whole test suite, from a separate
# instrumented Debug build: gcovr for the C++ of every component folder below,
# each against its own floor, a little under what it measured; one below its
# floor fails the check. The Python module is left out: its tests run for
# more than CTest's 1500 s in this build.
# Usage: tests/coverage.sh [build-dir]   (default build-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tests/skips.sh
source tests/skips.sh
build_dir=${1:-build-coverage}
jobs=$(nproc)

# The gated components: a folder and its floor in per cent of lines, one a
# line. A listed folder that is missing fails the check. Measured: model 97.1,
# io 97.1, chart 98.8, ui 94.7, cli 93.5.
components="
model 96
io 96
chart 97
ui 93
cli 92
"

missing=0
while read -r folder _; do
  [ -n "$folder" ] || continue
  [ -d "$folder" ] || { echo "coverage: the listed component $folder/ does not exist" >&2; missing=1; }
done <<<"$components"
[ "$missing" -eq 0 ] || exit 1

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DPANDEMIE_COVERAGE=ON -DPANDEMIE_BUILD_WINDOW=ON \
  -DPANDEMIE_BUILD_BENCH=OFF -DPANDEMIE_PYTHON=OFF -DPANDEMIE_INSTALL_CHECKS=OFF >/dev/null
cmake --build "$build_dir" --parallel "$jobs"
find "$build_dir" -name '*.gcda' -delete
# That test caps the tool's file size at 100 bytes, which also stops the
# instrumented tool from writing its counters and so adds a line of complaint.
excluded='^cli\.failedWriteKeepsTheExistingFile$'
if ! ctest --test-dir "$build_dir" -N -R "$excluded" | grep -q '^Total Tests: 1$'; then
  echo "coverage: no test matches $excluded" >&2
  exit 1
fi
ctest_without_skips --test-dir "$build_dir" --output-on-failure --no-tests=error --parallel "$jobs" -E "$excluded"

# Headers are compiled through the links build/include/<component>/<component>;
# gcovr resolves them to their source files.
summary=$build_dir/coverage-summary.json
folders=$(awk 'NF { printf "%s%s", sep, $1; sep = "|" }' <<<"$components")
gcovr --root . --object-directory "$build_dir" --filter "$PWD/($folders)/" --json-summary "$summary" \
  --print-summary
/usr/bin/python3 - "$summary" "$components" <<'PYTHON'
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
