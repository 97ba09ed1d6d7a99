#!/usr/bin/env bash
# Runs every benchmark and prints one table: each figure beside its reference, measured
# in the same run on this machine, and their ratio (below 1 is better than the reference
# for times and memory, unless the line says otherwise). The machine's load is printed
# first and last: on a shared machine, figures taken under load are slower.
# Usage: bench/run_all.sh [BUILD_DIR] [MiB of the scan logs] [GiB of the large log]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# The ratios are worked out by bc and peak memory read by GNU time: neither comes with
# every Debian.
if ! command -v bc >/dev/null || [ ! -x /usr/bin/time ]; then
    source "$here/../scripts/common.sh"
    ensure_packages bc time
fi
build="${1:-build-test}"
size="${2:-256}"
gib="${3:-4}"
b="$build/bench"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rows=()
row() { rows+=("$(printf '%s|%s|%s|%s|%s' "$@")"); }
ratio() { echo "$1 / $2" | bc -l | xargs printf '%.2f'; }
field() { awk -v k="$2" '$1 == k || $2 == k { print $NF; exit }' "$1"; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Scanning beside grep, ripgrep and wc, in the page cache.
bash "$here/scan_vs_grep.sh" "$build" "$size" >"$tmp/scan"
s() { awk -v shape="$1" -v c="$2" '$1 == shape && $2 == c { print $3 }' "$tmp/scan"; }
row "scan real ${size} MiB (s)" "$(s real scan)" "rg -c VIOLATION" "$(s real rg)" \
    "$(ratio "$(s real scan)" "$(s real rg)")"
row "scan real, rg reading as the scan does (s)" "$(s real scan)" "rg --no-mmap -c VIOLATION" "$(s real rg-no-mmap)" \
    "$(ratio "$(s real scan)" "$(s real rg-no-mmap)")"
row "scan real, 1 thread (s)" "$(s real scan-1-thread)" "rg -c VIOLATION" "$(s real rg)" \
    "$(ratio "$(s real scan-1-thread)" "$(s real rg)")"
row "scan real (s)" "$(s real scan)" "wc -l" "$(s real wc)" \
    "$(ratio "$(s real scan)" "$(s real wc)")"
row "scan hostile ${size} MiB (s)" "$(s hostile scan)" "grep -c VIOLATION" "$(s hostile grep)" \
    "$(ratio "$(s hostile scan)" "$(s hostile grep)")"
row "scan hostile (s)" "$(s hostile scan)" "rg -c VIOLATION" "$(s hostile rg)" \
    "$(ratio "$(s hostile scan)" "$(s hostile rg)")"

# The search kernel in the processor's cache beside memchr counting line ends.
"$b/bench_search" --benchmark_format=csv 2>/dev/null >"$tmp/search"
gbs() { awk -F, -v n="\"$1\"" '$1 == n { printf "%.1f", $6 / 1e9 }' "$tmp/search"; }
row "search kernel, widest (GB/s, higher is better)" "$(gbs literalSearch/width:0)" \
    "memchr line ends" "$(gbs memchrLineEnds)" \
    "$(ratio "$(gbs memchrLineEnds)" "$(gbs literalSearch/width:0)")"

# Any size: a large log's memory, speed per byte and cold cache.
bash "$here/scan_large.sh" "$build" "$gib" >"$tmp/large"
l() { awk -v k="$1" '$2 == k { print $3 }' "$tmp/large"; }
budget=$(echo "64 + $(l rows_MiB)" | bc -l)
row "scan ${gib} GiB: peak memory (MiB)" "$(l peak_MiB)" "64 MiB + rows found" \
    "$(printf '%.1f' "$budget")" "$(ratio "$(l peak_MiB)" "$budget")"
row "scan ${gib} GiB: MiB/s, higher is better" "$(l warm_MiB_per_s)" "256 MiB log" \
    "$(l warm_256MiB_MiB_per_s)" "$(ratio "$(l warm_256MiB_MiB_per_s)" "$(l warm_MiB_per_s)")"
row "scan ${gib} GiB, cold cache (s)" "$(l cold_scan_s)" "cat LOG > /dev/null" \
    "$(l cold_cat_s)" "$(l cold_ratio)"

# Arranging a million rows, and the window showing a scan of a million violation lines.
"$b/bench_arrange" >"$tmp/arrange"
arrange=$(grep -o 'arrangement [0-9.]* s' "$tmp/arrange" | awk '{ print $2 }')
peak=$(grep -o 'peak memory [0-9]*' "$tmp/arrange" | awk '{ print $3 }')
cells=$(grep -o 'hold [0-9.]*' "$tmp/arrange" | awk '{ print $2 }')
cpu=$(grep -o '[0-9.]* s of processor time' "$tmp/arrange" | awk '{ print $1 }')
row "arrange 1,000,000 rows (s)" "$arrange" "goal" "0.5" "$(ratio "$arrange" 0.5)"
row "arrange: processor time, all threads (s)" "$cpu" "goal" "0.5" "$(ratio "$cpu" 0.5)"
row "arrange: peak memory (MiB)" "$peak" "1.5 x rows' bytes" "$(echo "1.5 * $cells" | bc -l | xargs printf '%.1f')" \
    "$(ratio "$peak" "$(echo "1.5 * $cells" | bc -l)")"
dense="${TMPDIR:-/tmp}/tallyhound-bench-dense-1000000.log"
[ -f "$dense" ] || "$b/generate_log" --shape dense --lines 1000000 "$dense" >/dev/null
cat "$dense" >/dev/null
window=1000
if [ -x "$b/bench_window" ]; then
    QT_QPA_PLATFORM=offscreen "$b/bench_window" "$dense" 2>/dev/null >"$tmp/window"
    window=$(grep -o 'shown after [0-9.]*' "$tmp/window" | awk '{ print $3 }')
fi
row "window: 1,000,000 violation lines shown (s)" "$window" "goal" "1.5" "$(ratio "$window" 1.5)"

# Merging, scan files and the pattern matcher.
"$b/bench_merge" >"$tmp/merge"
first=$(grep -o 'empty database: *[0-9.]*' "$tmp/merge" | awk '{ print $NF }')
second=$(grep -o 'nothing new: *[0-9.]*' "$tmp/merge" | awk '{ print $NF }')
"$here/merge_reference.py" >"$tmp/reference"
row "merge 100,000 + 100,000, empty database (s)" "$first" "goal" "0.5" "$(ratio "$first" 0.5)"
row "merge 100,000 + 100,000, empty database (s)" "$first" \
    "Python: 150,000 bans into SQLite, GUIDs in order, and the file" "$(field "$tmp/reference" sorted)" \
    "$(ratio "$first" "$(field "$tmp/reference" sorted)")"
row "merge 100,000 + 100,000, empty database (s)" "$first" \
    "Python: the same, GUIDs in random order" "$(field "$tmp/reference" random)" \
    "$(ratio "$first" "$(field "$tmp/reference" random)")"
row "merge again, nothing new (s)" "$second" "goal" "0.5" "$(ratio "$second" 0.5)"
"$b/bench_export" 1000000 "$tmp" >"$tmp/export"
e() { awk -v k="$1" '$1 == k { print $2 }' "$tmp/export"; }
row "save scan file, 1,000,000 rows (s)" "$(e save)" "arrange the same rows" "$arrange" "$(ratio "$(e save)" "$arrange")"
row "load scan file (s)" "$(e load)" "arrange the same rows" "$arrange" "$(ratio "$(e load)" "$arrange")"
row "HTML page (s)" "$(e html)" "arrange the same rows" "$arrange" "$(ratio "$(e html)" "$arrange")"
bash "$here/scan_file_memory.sh" "$build" >"$tmp/sfmem"
perbyte=$(grep '^scan' "$tmp/sfmem" | grep -o '[0-9.]* bytes of memory' | awk '{ print $1 }')
row "load 10,000,000 empty rows: memory per file byte" "$perbyte" "the file" "1" "$perbyte"
"$b/bench_matcher" --benchmark_format=csv --benchmark_filter='LineViolation|LineOrdinary$' \
    2>/dev/null >"$tmp/matcher"
ns() { awk -F, -v n="\"$1\"" '$1 == n { printf "%.0f", $3 }' "$tmp/matcher"; }
row "match a violation line (ns)" "$(ns BM_LineViolation)" "an ordinary line" \
    "$(ns BM_LineOrdinary)" "$(ratio "$(ns BM_LineViolation)" "$(ns BM_LineOrdinary)")"

echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| %s | %s | %s | %s | %s |\n' figure value reference "reference value" ratio
printf '|---|---|---|---|---|\n'
for r in "${rows[@]}"; do
    IFS='|' read -r f v rf rv ra <<<"$r"
    printf '| %s | %s | %s | %s | %s |\n' "$f" "$v" "$rf" "$rv" "$ra"
done
