#!/usr/bin/env bash
# Runs an example script where matplotlib is installed; skipped (exit 77) where
# not, a failure under CI=true.
# Usage: run_example.sh PYTHON SCRIPT
# shellcheck source=tests/skips.sh
source "$(dirname "$0")/../skips.sh"
"$1" -c "import matplotlib" 2>/dev/null || cannot_check "matplotlib is missing (python3-matplotlib)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && MPLBACKEND=Agg "$1" "$2"
