#!/usr/bin/env bash
# Runs one command of pandemie-cli on one process and under mpirun with 1, 2
# and 3 processes, and checks that the files and both output streams are the
# same bytes; or that a bad call ends every process with one message.
# Usage: tests/mpi_check.sh path/to/pandemie-cli CASE examples-folder
set -uo pipefail
cli=$(realpath "$1")
case_name=$2
examples=$(realpath "$3")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
launch=(timeout 300 mpirun -q --oversubscribe)

case $case_name in
    ensemble) args=(--runs 301 --bands bands.csv --summary summary.csv --output runs.csv) ;;
    scenarios) args=(--scenarios "$examples/kontaktbeschraenkung.toml" --runs 200 --population 3000 --days 250 --summary summary.csv
                     --differences differences.csv --bands bands.csv) ;;
    fit) args=(--observed "$examples/beobachtet.csv" --latency 3 --runs 40 --posterior posterior.csv
               --summary summary.csv --bands bands.csv -q) ;;
    cases) args=(--observed "$examples/schule_pennsylvania_2009.csv" --population 370 --days 60 --latency 2
                 --runs 40 --forecast forecast.csv --posterior posterior.csv --summary summary.csv -q) ;;
    sweep) args=(--sweep encounters=4..8:2 --sweep infection=6,8 --runs 50 --output sweep.csv --png sweep.png) ;;
    bad_call)
        failures=0
        expect_failure() {  # status, arguments
            local status=$1
            shift
            "${launch[@]}" -np 2 "$cli" "$@" >"$scratch/out" 2>"$scratch/err"
            local got=$?
            local lines
            lines=$(wc -l <"$scratch/err")
            if [ "$got" != "$status" ] || [ "$lines" != 1 ] || [ -s "$scratch/out" ]; then
                echo "FAIL: $*: status $got (expected $status), $lines lines on standard error:"
                cat "$scratch/err"
                failures=$((failures + 1))
            fi
        }
        expect_failure 2 --runs 0
        expect_failure 2 --runs 10 --sweep encounters=0..130
        expect_failure 1 --runs 10 --output "$scratch/missing/runs.csv"
        exit $((failures > 0))
        ;;
    *) echo "unknown case $case_name" >&2; exit 2 ;;
esac

run_in() {  # folder, threads, launcher words (none for a plain start)
    local folder=$scratch/$1 threads=$2
    shift 2
    mkdir -p "$folder"
    (cd "$folder" && "$@" "$cli" "${args[@]}" --threads "$threads" >stdout 2>progress; echo $? >status)
    # A forwarded progress line (redrawn after a carriage return) is no result.
    grep -av $'\r' "$folder/progress" >"$folder/stderr"
    rm "$folder/progress"
}

run_in single 2
failures=0
for processes in 1 2 3; do
    run_in "np$processes" 1 "${launch[@]}" -np "$processes"
    if ! diff -r "$scratch/single" "$scratch/np$processes"; then
        echo "FAIL: $processes processes differ from one"
        failures=$((failures + 1))
    fi
done
[ "$(cat "$scratch/single/status")" = 0 ] || { echo "FAIL: status $(cat "$scratch/single/status")"; cat "$scratch/single/stderr"; exit 1; }
exit $((failures > 0))
