#!/usr/bin/env bash
# The bash completion offers every command that `reelmaker help` lists and every option that each
# command's usage names, so that a command or option added without its completion fails here.
#   completion_test.sh REELMAKER COMPLETION_SCRIPT
set -euo pipefail
cli=$1
# shellcheck source=/dev/null
source "$2"

# What completing the last of the given words (after "reelmaker") offers, one a line.
offered() {
    COMP_WORDS=(reelmaker "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _reelmaker
    printf '%s\n' "${COMPREPLY[@]}"
}

failures=0
expect() { # WORD OFFERED_LIST WHAT
    if ! grep -qxF -- "$1" <<<"$2"; then
        echo "not offered: $1 ($3)" >&2
        failures=$((failures + 1))
    fi
}

commands=$("$cli" help | awk '/^commands:/ { listed = 1; next } listed && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "reelmaker help listed no command" >&2; exit 1; }
checked=0
for command in $commands; do
    expect "$command" "$(offered '')" "command"
    expect "$command" "$(offered help '')" "help's argument"
    # An option is a word that starts with a dash after a blank, '[' or '|' in the usage.
    options=$("$cli" help "$command" | grep -oE '(^|[][ |])--?[A-Za-z][A-Za-z-]*' | sed 's/^[][ |]//' | sort -u)
    for option in $options; do
        expect "$option" "$(offered "$command" -)" "an option of $command"
        checked=$((checked + 1))
    done
done
for command in ls describe translate; do
    for value in base file folder text none; do
        expect "$value" "$(offered "$command" --name-after '')" "--name-after of $command"
    done
done

echo "$checked options of $(wc -w <<<"$commands") commands: $failures not offered"
[ "$failures" -eq 0 ]
