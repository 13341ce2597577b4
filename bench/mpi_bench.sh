#!/usr/bin/env bash
# Times a sweep of 20,000 runs (encounters 0..19, 1000 runs each) on one
# process of one thread and under mpirun on 2 processes of one thread each,
# checks that both write the same table and prints the speed-up (target:
# 1.8 or more on 2 cores). Other load on the machine shows in the figures;
# the load average is printed with them.
# Usage: bench/mpi_bench.sh build-mpi/cli/pandemie-cli [processes] [runs per point, default 1000]
set -euo pipefail
cli=$(realpath "$1")
processes=${2:-2}
runs=${3:-1000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sweep=(--sweep encounters=0..19 --runs "$runs" --threads 1 --quiet)

# Prints "wall user system" seconds of the command; the CPU seconds of a
# loaded machine still tell what the processes cost and whether they share
# the work evenly.
seconds() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" 2>/dev/null; } 2>&1
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
one=($(seconds "$cli" "${sweep[@]}" --output "$scratch/one.csv"))
many=($(seconds mpirun -q --oversubscribe -np "$processes" "$cli" "${sweep[@]}" --output "$scratch/many.csv"))
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
cmp "$scratch/one.csv" "$scratch/many.csv"
awk -v p="$processes" -v w1="${one[0]}" -v u1="${one[1]}" -v s1="${one[2]}" \
    -v w2="${many[0]}" -v u2="${many[1]}" -v s2="${many[2]}" 'BEGIN {
    printf "1 process:   %6.1f s wall, %6.1f s CPU\n", w1, u1 + s1
    printf "%d processes: %6.1f s wall, %6.1f s CPU\n", p, w2, u2 + s2
    printf "speed-up:    %6.2f (target 1.8)\n", w1 / w2
}'
