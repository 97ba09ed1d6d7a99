#!/usr/bin/env bash
# A scan at any size: a real-shaped log of GIB GiB (default 4) scanned with its pages in
# the cache, its peak memory beside the bytes of the rows it found and its speed per byte
# beside a 256 MiB log's; then from a cold cache beside cat, the log's own pages dropped
# from the cache before each (the rest of the machine's cache is left alone).
# Usage: bench/scan_large.sh BUILD_DIR [GIB]
# Prints machine-readable lines: "large KEY VALUE".
set -euo pipefail
build="${1:-build-test}"
gib="${2:-4}"
cli="$build/cli/tallyhound-cli"
dir="${TMPDIR:-/tmp}"
big="$dir/tallyhound-bench-real-$((gib * 1024)).log"
small="$dir/tallyhound-bench-real-256.log"
[ -f "$big" ] || "$build/bench/generate_log" --shape real "$big" $((gib * 1024)) >/dev/null
[ -f "$small" ] || "$build/bench/generate_log" --shape real "$small" 256 >/dev/null
out=$(mktemp)
times=$(mktemp)
trap 'rm -f "$out" "$times"' EXIT

drop() { dd if="$1" iflag=nocache count=0 status=none; }
# Wall seconds and peak resident KiB of a command, its output to $out.
measure() { /usr/bin/time -o "$times" -f "%e %M" "$@" >"$out" 2>/dev/null; cat "$times"; }

cat "$small" >/dev/null
read -r small_s _ < <(measure "$cli" scan --raw "$small")
cat "$big" >/dev/null
read -r big_s big_kib < <(measure "$cli" scan --raw "$big")
rows=$(wc -l <"$out")
# The rows' own bytes: what the cells hold, without the tabs and line ends between them.
row_bytes=$(( $(stat -c %s "$out") - rows * 7 ))
big_bytes=$(stat -c %s "$big")
small_bytes=$(stat -c %s "$small")

drop "$big"
read -r cat_cold _ < <(measure cat "$big")
drop "$big"
read -r scan_cold _ < <(measure "$cli" scan --raw "$big")

mib() { echo "$1 / 1048576" | bc -l; }
printf 'large log_GiB %s\nlarge rows %d\nlarge rows_MiB %.1f\nlarge peak_MiB %.1f\n' \
    "$gib" "$rows" "$(mib "$row_bytes")" "$(echo "$big_kib / 1024" | bc -l)"
printf 'large peak_over_rows_MiB %.1f\n' "$(echo "$big_kib / 1024 - $row_bytes / 1048576" | bc -l)"
printf 'large warm_MiB_per_s %.0f\nlarge warm_256MiB_MiB_per_s %.0f\n' \
    "$(echo "$(mib "$big_bytes") / $big_s" | bc -l)" "$(echo "$(mib "$small_bytes") / $small_s" | bc -l)"
printf 'large cold_scan_s %.2f\nlarge cold_cat_s %.2f\nlarge cold_ratio %.2f\n' \
    "$scan_cold" "$cat_cold" "$(echo "$scan_cold / $cat_cold" | bc -l)"
