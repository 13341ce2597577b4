#!/usr/bin/env bash
# Drives pandemie-cli's bash completion as bash would after a Tab at the end
# of a line, and checks the offered words against the tool's own --help.
# Usage: tests/completion_test.sh path/to/pandemie-cli.bash path/to/pandemie-cli
set -uo pipefail
# shellcheck source=/dev/null
source "$1"
tool=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/runs.csv" "$scratch/rules.toml"

failures=0

# The words bash hands a completion function: split at blanks, and ':' and
# '=' (in COMP_WORDBREAKS) as words of their own.
complete_line() {
    COMP_LINE=$1
    COMP_POINT=${#1}
    local spaced=${1//:/ : }
    spaced=${spaced//=/ = }
    read -r -a COMP_WORDS <<<"$spaced"
    [[ $1 == *[[:space:]] ]] && COMP_WORDS+=("")
    [[ $1 == *[:=] ]] && COMP_WORDS[-1]=${1: -1}
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _pandemie_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

expect() {  # line, expected replies (sorted, blank-separated)
    local got
    got=$(complete_line "$1")
    if [[ $got == "$2" ]]; then
        echo "ok   '$1' -> $got"
    else
        echo "FAIL '$1' -> '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

# Every option of the help, and no other, is offered.
expect "pandemie-cli --" "$("$tool" --help | sed -n 's/^ *\(-[a-z], *\)\{0,1\}\(--[a-z-]*\).*/\2/p' | sort | paste -sd' ')"
expect "pandemie-cli --ru" "--runs"
expect "pandemie-cli --s" "--scenarios --seed --summary --sweep"
expect "pandemie-cli --measure peak_" "peak_day peak_infected"
expect "pandemie-cli --sweep in" "infection="
expect "pandemie-cli --change 30:enc" "encounters="
# After the day, the names a sweep offers.
expect "pandemie-cli --change 30:" "$(complete_line "pandemie-cli --sweep " | sed 's/^/:/; s/ / :/g')"
expect "pandemie-cli --encounters " ""
expect "pandemie-cli --change 30:encounters=4,la" "4,latency="
expect "pandemie-cli --runs 10 --output $scratch/run" "$scratch/runs.csv"
expect "pandemie-cli --scenarios $scratch/rul" "$scratch/rules.toml"
expect "pandemie-cli --runs 1" ""

[[ $failures -eq 0 ]] || exit 1
echo "completion: all offers as expected"
