#!/usr/bin/env bash
# Wall time and peak memory (maximum resident set) of comparisons of many
# scenarios, each of a generated scenario file, for 2,000, 10,000 and 40,000
# scenarios of one and of two runs:
#   cheap     every scenario has encounters = 0, so its runs cost next to
#             nothing and the figures are the tool's overhead per scenario;
#   default   the default parameters, so the figures are mostly the runs'.
# The comparison writes --summary and --differences; set EXTRA to add
# options, e.g. EXTRA="--bands b.csv" (paths inside the scratch folder are
# not kept). Other load on the machine shows in the times.
# Usage: bench/scenario_memory.sh build/cli/pandemie-cli [kind] [threads] [counts...]
#   kind: cheap (default), default or both; counts default to 2000 10000 40000.
set -euo pipefail
cli=$(realpath "$1")
kind=${2:-cheap}
threads=${3:-2}
shift $(($# < 3 ? $# : 3))
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(2000 10000 40000)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A scenario file of $1 scenarios, each with a change on day 30 so that the
# change schedule is handled as in real files; $2 is the parameter line.
scenarioFile() {
    local file="$scratch/scenarios-$1.toml"
    awk -v n="$1" -v line="$2" 'BEGIN {
        for (s = 0; s < n; ++s) {
            printf "[[scenario]]\nname = \"s%d\"\n%s\n", s, line
            printf "[[scenario.change]]\nday = 30\nlatency = %d\n\n", s % 10
        }
    }' >"$file"
    echo "$file"
}

# Prints wall seconds, CPU seconds (user + system: on a loaded machine the
# wall time includes waiting for a core) and peak MiB of the comparison.
measure() {
    local file=$1 runs=$2
    /usr/bin/time -f '%e %U %S %M' -o "$scratch/time" "$cli" --scenarios "$file" --runs "$runs" \
        --threads "$threads" --quiet --summary "$scratch/summary.csv" \
        --differences "$scratch/differences.csv" ${EXTRA:-} >/dev/null
    awk '{ printf "%8.2f s wall %8.2f s CPU %8.0f MiB\n", $1, $2 + $3, $4 / 1024 }' "$scratch/time"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), threads: $threads"
for k in cheap default; do
    [ "$kind" = both ] || [ "$kind" = "$k" ] || continue
    line=""
    [ "$k" = cheap ] && line="encounters = 0"
    for n in "${counts[@]}"; do
        file=$(scenarioFile "$n" "$line")
        for runs in 1 2; do
            printf '%-8s %6d scenarios x %d run(s): %s\n' "$k" "$n" "$runs" "$(measure "$file" "$runs")"
        done
    done
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
