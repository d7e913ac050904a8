#!/bin/sh
# Runs each program of bench/programs through numlyra-cli, Lua 5.4 and GNU
# Octave in the same session and prints medians and ratios.
# Usage: compare_languages.sh BUILD_DIR [RUNS]
set -eu
BUILD=${1:-build}
RUNS=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
CLI="$BUILD/bin/numlyra-cli"
HOME_DIR=$(mktemp -d)
trap 'rm -rf "$HOME_DIR"' EXIT

now() { date +%s.%N; }

# median of RUNS wall-clock times of a command, in seconds
median() {
    times=""
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        t0=$(now)
        if ! "$@" >/dev/null 2>&1; then echo "fail"; return; fi
        t1=$(now)
        times="$times $(echo "$t1 $t0" | awk '{printf "%.4f", $1 - $2}')"
        i=$((i + 1))
    done
    echo $times | tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

ratio() {
    case "$1$2" in *fail*|*-*) echo "-"; return;; esac
    echo "$1 $2" | awk '{ if ($2 > 0) printf "%.2f", $1 / $2; else print "-" }'
}

have() { command -v "$1" >/dev/null 2>&1; }

printf '%-16s %10s %10s %10s %10s %10s\n' program numlyra lua5.4 octave "n/lua" "n/octave"
for prog in for_loop while_loop function_calls elementwise matrix_product vector_growth string_concat; do
    n=$(HOME="$HOME_DIR" median "$CLI" --norc "$HERE/programs/$prog.l")
    l="-"; o="-"
    if have lua5.4; then l=$(median lua5.4 "$HERE/programs/$prog.lua"); fi
    if have octave-cli; then o=$(median octave-cli -q --no-gui "$HERE/programs/$prog.m"); fi
    printf '%-16s %10s %10s %10s %10s %10s\n' "$prog" "$n" "$l" "$o" "$(ratio "$n" "$l")" "$(ratio "$n" "$o")"
done

# The matrix product against a plain C++ triple loop: the in-language figure
# includes start-up, so the startup of an empty program is subtracted.
if [ -x "$BUILD/bin/matrix_baseline" ]; then
    empty="$HOME_DIR/empty.l"
    : > "$empty"
    e=$(HOME="$HOME_DIR" median "$CLI" --norc "$empty")
    m=$(HOME="$HOME_DIR" median "$CLI" --norc "$HERE/programs/matrix_product.l")
    c=$("$BUILD/bin/matrix_baseline" | awk '{print $1}')
    echo "matrix product: numlyra $(echo "$m $e" | awk '{printf "%.4f", $1 - $2}') s (start-up $e s removed), C++ -O2 triple loop $c s"
fi
