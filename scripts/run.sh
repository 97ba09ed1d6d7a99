#!/usr/bin/env bash
# Builds the program and starts it; with --cli, builds and runs tallyhound-cli instead:
#   scripts/run.sh [ARGS...]          the window
#   scripts/run.sh --cli ARGS...      the command-line tool, e.g. --cli scan server.log
source "$(dirname "$0")/common.sh"
# What the installing and building print goes to standard error: standard output is the
# program's own, for a pipe or a file to take.
ensure_packages >&2
configure_and_build build -DCMAKE_BUILD_TYPE=Release -DTALLYHOUND_TESTS=OFF -DTALLYHOUND_BENCH=OFF >&2
if [ "${1:-}" = "--cli" ]; then
    shift
    # The window's ban database, not the one the build put beside the command-line tool:
    # bans merged in one are then the other's too.
    export TALLYHOUND_DB="${TALLYHOUND_DB:-$ROOT/build/app/Vandrel.mdb}"
    exec "$ROOT/build/cli/tallyhound-cli" "$@"
fi
exec "$ROOT/build/app/tallyhound" "$@"
