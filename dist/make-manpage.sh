#!/usr/bin/env bash
# Writes the manual page of quilto-cli from its own help texts, so the page
# never drifts from the program: the top-level --help, then the --help of
# every command, found by walking the "Subcommands:" lists.
# Usage: make-manpage.sh CLI VERSION OUT
set -euo pipefail
cli="$1"
version="$2"
out="$3"

# Roff escaping: backslashes first, then minus signs (so options stay
# copyable as ASCII), then a leading dot or quote, which would be a request;
# characters beyond ASCII (the help names conversions such as "⇒") become
# roff's \[uXXXX] escapes, which every roff reads whatever its input encoding.
roff() {
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" |
        perl -CS -pe 's/([^\x00-\x7F])/sprintf("\\[u%04X]", ord($1))/ge'
}

# The command names listed under "Subcommands:" in a help text.
subcommands() {
    awk '/^Subcommands:/ { inside = 1; next }
         inside && /^[^ ]/ { inside = 0 }
         inside && /^  [^ ]/ { print $1 }
         inside && /^$/ { inside = 0 }'
}

# Commands in help order, as "cue export" for nested ones.
commands=()
walk() {
    local help sub
    help="$("$cli" "$@" --help)"
    local subs
    subs="$(printf '%s\n' "$help" | subcommands)"
    if [ -z "$subs" ]; then
        commands+=("$*")
        return
    fi
    for sub in $subs; do walk "$@" "$sub"; done
}
walk

top="$("$cli" --help)"
summary="$(printf '%s\n' "$top" | head -n 1)"
date="$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" +%Y-%m-%d)"

tmp="$out.tmp"
{
    printf '.TH QUILTO\\-CLI 1 "%s" "quilto\\-cli %s" "User Commands"\n' "$date" "$version"
    printf '.SH NAME\nquilto\\-cli \\- %s\n' "$(printf '%s\n' "$summary" | roff)"
    printf '.SH SYNOPSIS\n'
    for command in "${commands[@]}"; do
        # shellcheck disable=SC2086  # the command words are separate arguments
        usage="$("$cli" $command --help | sed -n 's/^Usage: //p' | head -n 1)"
        printf '.br\n.B %s\n' "$(printf '%s\n' "$usage" | roff)"
    done
    printf '.SH DESCRIPTION\n.nf\n'
    printf '%s\n' "$top" | tail -n +2 | roff
    printf '.fi\n.SH COMMANDS\n'
    for command in "${commands[@]}"; do
        printf '.SS "quilto\\-cli %s"\n.nf\n' "$(printf '%s\n' "$command" | roff)"
        # shellcheck disable=SC2086
        "$cli" $command --help | roff
        printf '.fi\n'
    done
} >"$tmp"
mv "$tmp" "$out"
