#!/bin/sh
# Runs an example script where matplotlib is installed; exit 77 (skipped) where not.
# Usage: run_example.sh PYTHON SCRIPT
"$1" -c "import matplotlib" 2>/dev/null || { echo "matplotlib is missing (python3-matplotlib): skipped"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && MPLBACKEND=Agg "$1" "$2"
