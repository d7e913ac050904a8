#!/bin/sh
# Runs every fuzz target for SECONDS each, one after the other, starting from
# the seed corpus and keeping what each run found in BUILD/fuzz-corpus.
# Usage: run_fuzzers.sh BUILD_DIR [SECONDS]; FUZZ_TARGETS="fuzz_run ..." picks some.
set -eu
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-60}
HERE=$(cd "$(dirname "$0")" && pwd)
status=0
TARGETS=${FUZZ_TARGETS:-fuzz_compile fuzz_workspace fuzz_text_table fuzz_history fuzz_run}
for target in $TARGETS; do
    corpus="$BUILD/fuzz-corpus/$target"
    mkdir -p "$corpus"
    # Seeds: the golden scripts for the compiler, small sample files otherwise.
    case $target in
        fuzz_compile|fuzz_run) seeds="$HERE/../scripts" ;;
        *) seeds="$HERE/corpus/$target"; [ -d "$seeds" ] || seeds="" ;;
    esac
    mkdir -p "$BUILD/fuzz-home"
    echo "== $target ($SECONDS_EACH s)"
    # -rss_limit_mb keeps a runaway allocation a finding rather than a hang.
    if ! QT_QPA_PLATFORM=offscreen HOME="$BUILD/fuzz-home" \
        "$BUILD/bin/$target" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$BUILD/" "$corpus" $seeds 2>"$BUILD/$target.log"; then
        echo "$target FAILED: see $BUILD/$target.log"
        status=1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$BUILD/$target.log" || true
done
exit $status
