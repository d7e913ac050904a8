#!/bin/sh
# `make bench`: the core micro-benchmarks, then the language comparison table.
# Usage: run_benchmarks.sh BUILD_DIR [RUNS]
set -eu
BUILD=${1:-build}
RUNS=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)

echo "== value copies and operand stack"
"$BUILD/bin/allocation_benchmark"
echo
echo "== compiler"
"$BUILD/bin/compile_benchmark"
echo
echo "== interpreter on assembled byte code"
"$BUILD/bin/interpreter_benchmark"
echo
echo "== programs against Lua 5.4, Octave and Python with numpy (medians of $RUNS runs, seconds)"
"$HERE/compare_languages.sh" "$BUILD" "$RUNS"
