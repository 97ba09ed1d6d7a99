#!/bin/bash
# The installed systemd units name the program where it was installed, whatever prefix the
# install was given: they named the prefix the build was configured with, a program that
# was not there.
#   check_installed_units.sh BUILD_DIR
set -eu
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix/elsewhere" >/dev/null
status=0
for unit in "$prefix"/elsewhere/lib/systemd/system/*.service; do
    for program in $(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit"); do
        if [ ! -x "$program" ]; then
            echo "FAIL: $(basename "$unit") starts $program, which is not installed"
            status=1
        fi
    done
done
exit $status
