# bash completion for reelmaker: the commands, each command's options and the values they take.
# Frames are recognised by their first bytes, not their extension, so any file is offered.

_reelmaker_files() {
    compopt -o filenames 2>/dev/null || true
    if declare -F _filedir >/dev/null; then
        _filedir "$@"
    elif [ "${1:-}" = -d ]; then
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}

_reelmaker_words() {
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur")
}

_reelmaker() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="info ls scan describe translate farm-report verify modes show help"
    COMPREPLY=()
    if [ "$COMP_CWORD" -eq 1 ]; then
        _reelmaker_words "$commands --version --help"
        return
    fi

    case $prev in
    --rate) _reelmaker_words "23.976 24 25 29.97df 29.97 30 50 59.94 60"; return ;;
    --codec) _reelmaker_words "R10k R10g"; return ;;
    --name-after) _reelmaker_words "base file folder text none"; return ;;
    --all) _reelmaker_files -d; return ;;
    --farm) _reelmaker_words "slurm"; return ;;
    -o | --for | --against) _reelmaker_files; return ;;
    --in | --out | --from | --to | --from-tc | --to-tc | --source-id | --jobs | --mode | --farm-chunk | --farm-opts) return ;;
    esac

    local command=${COMP_WORDS[1]}
    local document="--rate --codec --in --from --from-tc --out --to --to-tc --source-id --large-frames
                    --name-after"
    local options
    case $command in
    help)
        [ "$COMP_CWORD" -eq 2 ] && _reelmaker_words "$commands"
        return
        ;;
    info | scan) options="--json" ;;
    ls) options="--json -R --name-after" ;;
    describe) options="--json $document" ;;
    translate)
        options="--json -o --reference $document --force --quiet --sync --strict --all -R --jobs --tree
                 --farm --farm-chunk --farm-opts --no-wait"
        ;;
    farm-report) options="--json --wait --quiet" ;;
    verify) options="--json --against" ;;
    modes) options="--json --for --rate --codec" ;;
    show) options="--mode --rate -o" ;;
    *) return ;;
    esac

    # After "--" every word is a file.
    local i
    for ((i = 2; i < COMP_CWORD; i++)); do
        [ "${COMP_WORDS[i]}" = -- ] && options=""
    done
    if [ -n "$options" ] && [[ $cur == -* ]]; then
        _reelmaker_words "$options --help"
    elif [ "$command" = ls ] || [ "$command" = farm-report ]; then
        _reelmaker_files -d
    elif [ "$command" != modes ]; then
        _reelmaker_files
    fi
}
complete -F _reelmaker reelmaker
