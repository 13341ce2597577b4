# shellcheck shell=bash
# What a check does where it cannot run here (not root, a package or a tool
# missing): on a developer's machine it is skipped with its reason; under
# CI=true it fails, so that CI never passes a check it did not make.
# Sourced by the check scripts and by test.sh (bash).

# Ends the script: status 77 (which CTest shows as skipped), or 1 under CI=true.
cannot_check() {  # reason
  if [ "${CI:-}" = true ]; then
    echo "$1: cannot be checked here, which fails under CI=true" >&2
    exit 1
  fi
  echo "$1: skipped" >&2
  exit 77
}

# Runs ctest with the given arguments; under CI=true a skipped test (status
# 77, GTEST_SKIP, a missing program) fails the run as well.
ctest_without_skips() {  # ctest arguments
  local - log status=0
  set -o pipefail
  log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log" || status=$?
  if [ "$status" -eq 0 ] && [ "${CI:-}" = true ] && grep -q '^The following tests did not run:' "$log"; then
    echo "Skipped tests (listed above) fail under CI=true: install what they name, or run as root" >&2
    status=1
  fi
  rm -f "$log"
  return "$status"
}
