#!/usr/bin/env bash
# Builds the program and starts it.
source "$(dirname "$0")/common.sh"
ensure_packages
configure_and_build build -DCMAKE_BUILD_TYPE=Release -DTALLYHOUND_TESTS=OFF -DTALLYHOUND_BENCH=OFF
exec "$ROOT/build/app/tallyhound" "$@"
