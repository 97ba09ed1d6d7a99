#!/usr/bin/env bash
# Scan speed beside grep on the same generated log, with the file in the page cache,
# and the scan's peak memory. Usage: bench/scan_vs_grep.sh BUILD_DIR [MiB]
set -euo pipefail
build="${1:-build-test}"
size="${2:-1024}"
log="${TMPDIR:-/tmp}/tallyhound-bench-${size}.log"
[ -f "$log" ] || "$build/bench/generate_log" "$log" "$size"
cat "$log" > /dev/null  # into the page cache
out=$(mktemp)
trap 'rm -f "$out"' EXIT

best() {  # best of three wall-clock seconds of a command
    local b=
    for _ in 1 2 3; do
        local s e
        # Output to a real file: grep stops at the first match when it writes to /dev/null.
        s=$(date +%s.%N); "$@" > "$out" 2>/dev/null; e=$(date +%s.%N)
        local t; t=$(echo "$e - $s" | bc)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}
g=$(best grep -c VIOLATION "$log")
t=$(best "$build/cli/tallyhound-cli" scan --raw "$log")
echo "log: $log ($(stat -c %s "$log") bytes)"
echo "grep -c VIOLATION:              $g s"
echo "tallyhound-cli scan --raw:      $t s"
echo "ratio:                          $(echo "scale=2; $t / $g" | bc)"
/usr/bin/time -o "$out.time" -f "%M" "$build/cli/tallyhound-cli" scan --raw "$log" > /dev/null 2>&1
echo "scan peak memory:               $(cat "$out.time") KiB"
rm -f "$out.time"
