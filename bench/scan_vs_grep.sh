#!/usr/bin/env bash
# Scan speed beside grep, ripgrep and wc on the same generated logs, real-shaped and
# hostile, with the file in the page cache: medians of five whole-process wall times.
# Usage: bench/scan_vs_grep.sh BUILD_DIR [MiB] [SHAPE...]
# Prints one line per command and shape:  shape command seconds  (machine-readable),
# then the scan's ratio to rg and grep.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build-test}"
size="${2:-256}"
shift $(( $# > 2 ? 2 : $# ))
shapes=("$@")
[ ${#shapes[@]} -gt 0 ] || shapes=(real hostile)
if ! command -v rg >/dev/null; then
    source "$here/../scripts/common.sh"
    ensure_packages ripgrep
fi
cli="$build/cli/tallyhound-cli"
out=$(mktemp)
trap 'rm -f "$out"' EXIT

median() {  # median of five wall-clock seconds of a command, its output to a real file
    local times=()
    for _ in 1 2 3 4 5; do
        local s e
        # Output to a real file: grep stops at the first match when it writes to /dev/null.
        s=$(date +%s.%N); "$@" >"$out" 2>/dev/null; e=$(date +%s.%N)
        times+=("$(echo "$e - $s" | bc)")
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

for shape in "${shapes[@]}"; do
    log="${TMPDIR:-/tmp}/tallyhound-bench-$shape-$size.log"
    [ -f "$log" ] || "$build/bench/generate_log" --shape "$shape" "$log" "$size" >/dev/null
    cat "$log" >/dev/null  # into the page cache
    scan=$(median "$cli" scan --raw "$log")
    rg=$(median rg -c VIOLATION "$log")
    # rg maps a single file into memory, whose page faults cost several times more on some
    # virtual machines than on others; read like the scan reads, it shows the difference.
    rgread=$(median rg --no-mmap -c VIOLATION "$log")
    grep=$(median grep -c VIOLATION "$log")
    wc=$(median wc -l "$log")
    one=$(median "$cli" scan --raw --threads 1 "$log")
    printf '%s scan %.3f\n%s scan-1-thread %.3f\n%s rg %.3f\n%s rg-no-mmap %.3f\n%s grep %.3f\n%s wc %.3f\n' \
        "$shape" "$scan" "$shape" "$one" "$shape" "$rg" "$shape" "$rgread" "$shape" "$grep" \
        "$shape" "$wc"
    printf '%s: %s MiB, scan/rg %.2f, scan/grep %.2f\n' "$shape" "$size" \
        "$(echo "$scan / $rg" | bc -l)" "$(echo "$scan / $grep" | bc -l)"
done
