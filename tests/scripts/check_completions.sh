#!/bin/bash
# The bash completion offers each command exactly the options its --help lists, and files
# of the right kind where the command takes them. bash-completion's own helpers are
# stood in for: _filedir answers with what it was asked for.
#   check_completions.sh TALLYHOUND_CLI COMPLETION_FILE
set -u
cli=$1
_init_completion() {
    words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
}
_filedir() { COMPREPLY=("files:${1:-any}"); }
complete() { :; }
# shellcheck source=/dev/null
source "$2"

# What the completion offers after the words given, the last one being completed.
offered() {
    COMP_WORDS=(tallyhound-cli "$@") COMP_CWORD=$#
    COMPREPLY=()
    _tallyhound_cli
    if [[ ${#COMPREPLY[@]} -gt 0 ]]; then printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '; fi
}
# The options --help lists: -o,--output gives both, -h only --help.
listed() {
    "$cli" "$@" --help | sed -nE 's/^  (-[a-z]),(--[a-z-]+).*/\1 \2/p; s/^  (--[a-z-]+).*/\1/p' |
        tr ' ' '\n' | grep -v '^-h$' | sort | tr '\n' ' '
}

failed=0
expect() {
    if [[ $2 != "$3" ]]; then
        echo "$1: offered '$2', expected '$3'"
        failed=1
    fi
}
for command in scan html save merge follow "db init" "db backup" "db reset" "db path" \
    "db list" "db show" "db stats" "db export" "db unban" "db import"; do
    # shellcheck disable=SC2086
    expect "$command -" "$(offered $command -)" "$(listed $command)"
done
expect "scan FILE" "$(offered scan '')" "files:@(log|sf) "
expect "follow FILE" "$(offered follow '')" "files:@(log) "
expect "db import OTHER" "$(offered db import --bans a.dat '')" "files:@(dat) "
expect "db list WORD" "$(offered db list '')" ""
expect "html -o" "$(offered html -o '')" "files:html "
expect "save --output" "$(offered save --output '')" "files:sf "
expect "db export -o" "$(offered db export -o '')" "files:@(tsv|csv|json) "
exit $failed
