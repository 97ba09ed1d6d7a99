#!/usr/bin/env bash
# Peak memory of loading a scan file of ROWS empty rows (default 10,000,000, about
# 100 MB), under a 1.5 GB address-space limit, as bytes of memory per byte of file.
# Usage: bench/scan_file_memory.sh BUILD_DIR [ROWS]
set -euo pipefail
build="${1:-build-test}"
rows="${2:-10000000}"
sf="${TMPDIR:-/tmp}/tallyhound-bench-empty-${rows}.sf"
if [ ! -f "$sf" ]; then
    {
        printf 'TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows %d\r\n' "$rows"
        printf 'H\tPlayer Name\tViolation\tNumber\tTimestamp\tSlot\tGUID\tPlayer IP\r\n'
        yes $'D\t\t\t\t\t\t\t\r' | head -n "$rows" || true  # yes ends on a closed pipe
        printf 'end\r\n'
    } >"$sf"
fi
bytes=$(stat -c %s "$sf")
out=$(mktemp)
trap 'rm -f "$out" "$out.sf" "$out.err"' EXIT
echo "scan file: $sf ($bytes bytes, $rows rows)"
for command in scan save; do
    args=("$sf")
    [ "$command" = save ] && args=(-o "$out.sf" "$sf")
    status=0
    (ulimit -v 1500000; /usr/bin/time -o "$out" -f "%M %e" \
        "$build/cli/tallyhound-cli" "$command" "${args[@]}" >/dev/null 2>"$out.err") || status=$?
    read -r kib seconds < <(tail -n 1 "$out")
    printf '%-5s exit %d, %.1f s, peak %d MiB, %.2f bytes of memory per byte of file: %s\n' \
        "$command" "$status" "$seconds" $((kib / 1024)) "$(echo "$kib * 1024 / $bytes" | bc -l)" \
        "$(tail -n 1 "$out.err")"
done
