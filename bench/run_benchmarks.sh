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
if [ -x "$BUILD/bin/variable_page_benchmark" ]; then
  echo "== opening a variable page"
  "$BUILD/bin/variable_page_benchmark"
  echo
fi
echo "== programs against Lua 5.4, Octave and Python with numpy (medians of $RUNS runs, seconds)"
"$HERE/compare_languages.sh" "$BUILD" "$RUNS"
echo
echo "== load_csv against numpy's loadtxt (seconds and peak MiB beyond start-up)"
"$HERE/compare_csv.sh" "$BUILD"
