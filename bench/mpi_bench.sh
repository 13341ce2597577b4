#!/usr/bin/env bash
# Times a sweep of 20,000 runs (encounters 0..19, 1000 runs each) on one
# process of one thread and under mpirun on 2 processes of one thread each,
# checks that both write the same table and prints the speed-up (target:
# 1.8 or more on 2 cores). Other load on the machine shows in the figures;
# the load average is printed with them.
# Usage: bench/mpi_bench.sh build-mpi/cli/pandemie-cli [processes]
set -euo pipefail
cli=$(realpath "$1")
processes=${2:-2}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sweep=(--sweep encounters=0..19 --runs 1000 --threads 1 --quiet)

seconds() {  # command words...: wall-clock seconds of the command
    local start end
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
one=$(seconds "$cli" "${sweep[@]}" --output "$scratch/one.csv")
many=$(seconds mpirun -q --oversubscribe -np "$processes" "$cli" "${sweep[@]}" --output "$scratch/many.csv")
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
cmp "$scratch/one.csv" "$scratch/many.csv"
printf '1 process:   %6.1f s\n%d processes: %6.1f s\nspeed-up:    %6.2f (target 1.8)\n' \
    "$one" "$processes" "$many" "$(awk -v a="$one" -v b="$many" 'BEGIN { print a / b }')"
