#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with Clang and runs each for SECONDS (default
# 60), starting from samples in tests/data. Inputs that make a harness fail are kept in
# build-fuzz/findings/NAME/ and the script then fails; the corpus grows in
# build-fuzz/corpus/NAME/ from run to run.
source "$(dirname "$0")/common.sh"
EACH="${1:-60}"
ensure_packages "${TEST_PACKAGES[@]}" clang libclang-rt-14-dev
CC=clang CXX=clang++ configure_and_build build-fuzz -DTALLYHOUND_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo

FUZZ="$ROOT/build-fuzz"
DATA="$ROOT/tests/data"
seeds() {  # seeds NAME: the folder of samples for one harness, made anew
    local dir="$FUZZ/seeds/$1"
    rm -rf "$dir" && mkdir -p "$dir"
    echo "$dir"
}

S=$(seeds fuzz_pattern_matcher)
printf '\x0e{.*} {.*[\\[]*}cheat [0123abcd(VALID)' >"$S/guid"
printf '\x0d{[0-9+\\.]*}1.2.3.4:5]' >"$S/address"
printf '\x0a^{\\[.*\\]} x[04.16.2017 21:03:11] x' >"$S/stamp"
printf '\x0b{.*[^\\[.\\]]$*}ab.c]d' >"$S/set"
# Read whole as a line of the scanner's pattern too.
printf '[06.01.2003 20:14:55] VIOLATION (AIMBOT) #50001: P (slot #3) d [0123(VALID) 1.2.3.4:5]' \
    >"$S/line"

S=$(seeds fuzz_field_splitter)
n=0
while IFS= read -r line; do
    printf '\x0f[] %s' "$line" >"$S/line$((++n))"
done <"$DATA/bans/sample.pbbans.dat"

S=$(seeds fuzz_log_scanner)
cp "$DATA"/logs/*.log "$S/"
{ printf '\x83'; cat "$DATA/logs/console.log"; } >"$S/console-lines.log"  # read with the setting
S=$(seeds fuzz_scan_file)
cp "$DATA"/scan/*.sf "$S/"
S=$(seeds fuzz_ban_file)
cp "$DATA"/bans/*.dat "$S/"
S=$(seeds fuzz_other_ban_file)
cp "$DATA"/bans/*.dat "$S/"

failed=()
for harness in fuzz_pattern_matcher fuzz_field_splitter fuzz_log_scanner fuzz_scan_file fuzz_ban_file \
               fuzz_other_ban_file; do
    corpus="$FUZZ/corpus/$harness" findings="$FUZZ/findings/$harness"
    mkdir -p "$corpus" "$findings"
    dict="$ROOT/fuzz/${harness#fuzz_}.dict"
    options=(-max_total_time="$EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$findings/")
    [ -f "$dict" ] && options+=(-dict="$dict")
    echo "== $harness, $EACH s"
    if ! "$FUZZ/fuzz/$harness" "${options[@]}" "$corpus" "$FUZZ/seeds/$harness" \
            >"$FUZZ/$harness.log" 2>&1; then
        tail -n 40 "$FUZZ/$harness.log"
        failed+=("$harness")
    else
        grep -E '^stat::(number_of_executed_units|new_units_added)' "$FUZZ/$harness.log" || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $FUZZ/findings/)"
    exit 1
fi
echo "Fuzzing found nothing"
