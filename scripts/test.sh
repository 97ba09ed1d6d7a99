#!/usr/bin/env bash
# Builds everything and runs every test: once as built, once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzing harness for a few
# seconds. Widget tests run offscreen.
source "$(dirname "$0")/common.sh"
ensure_packages "${TEST_PACKAGES[@]}"
export QT_QPA_PLATFORM=offscreen

configure_and_build build-test -DTALLYHOUND_TESTS=ON -DTALLYHOUND_BENCH=ON -DTALLYHOUND_WERROR=ON
ctest --test-dir "$ROOT/build-test" --output-on-failure

configure_and_build build-asan -DTALLYHOUND_WERROR=ON -DTALLYHOUND_TESTS=ON -DTALLYHOUND_BENCH=OFF -DTALLYHOUND_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions="$ROOT/tests/lsan.supp" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
ctest --test-dir "$ROOT/build-asan" --output-on-failure

# Each fuzzing harness briefly, so that a fault it would find again shows.
bash "$ROOT/scripts/fuzz.sh" 10
