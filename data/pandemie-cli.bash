# bash completion for pandemie-cli

# Sets COMPREPLY to the words of "$@" that start with $1's current word. The
# line is read as typed (COMP_LINE), since bash splits words at ':' and '=';
# each reply is cut back to the part bash replaces, its own current word.
_pandemie_cli_reply() {
    local typed=$1 bash_word=${COMP_WORDS[COMP_CWORD]}
    shift
    local cut=${typed%"$bash_word"} candidate
    COMPREPLY=()
    for candidate in "$@"; do
        [[ $candidate == "$typed"* ]] && COMPREPLY+=("${candidate#"$cut"}")
    done
}

_pandemie_cli() {
    local line=${COMP_LINE:0:COMP_POINT}
    local cur=${line##*[[:space:]]}
    local before=${line%"$cur"}
    before=${before%"${before##*[![:space:]]}"}
    local prev=${before##*[[:space:]]}
    local options=(--help --version --encounters --infection --latency --recovery --seed --runs
        --threads --output --png --bands --summary --scenarios --differences --change --sweep
        --measure --quiet)
    local parameters=(encounters infection latency recovery)

    case $prev in
        --output | --png | --bands | --summary | --differences | --scenarios)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --measure)
            _pandemie_cli_reply "$cur" peak_infected peak_day final_recovered
            return
            ;;
        --sweep)
            # NAME=FROM..TO[:STEP] or NAME=V1,V2,...
            [[ $cur == *=* ]] && return
            compopt -o nospace 2>/dev/null
            _pandemie_cli_reply "$cur" "${parameters[@]/%/=}"
            return
            ;;
        --change)
            # DAY:NAME=VALUE[,NAME=VALUE...]: a name after the day and after each comma
            local word=${cur##*[:,]}
            local head=${cur%"$word"}
            [[ -z $head || $word == *=* ]] && return
            compopt -o nospace 2>/dev/null
            local names=("${parameters[@]/#/$head}")
            _pandemie_cli_reply "$cur" "${names[@]/%/=}"
            return
            ;;
        --encounters | --infection | --latency | --recovery | --seed | --runs | --threads)
            return
            ;;
    esac
    [[ -z $cur || $cur == -* ]] && _pandemie_cli_reply "$cur" "${options[@]}"
}
complete -F _pandemie_cli pandemie-cli
