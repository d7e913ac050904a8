#!/bin/sh
# Runs each program of bench/programs through numlyra-cli and through the
# peers that have the same work (Lua 5.4, GNU Octave, Python with numpy),
# interleaved run by run, and prints medians and the ratios of this run, with
# start-up and without it (each language's empty program subtracted).
# Usage: [BENCH_CLOCK=cpu] [BENCH_PEERS="lua octave numpy"] [BENCH_PROGRAMS="..."]
#        compare_languages.sh BUILD_DIR [RUNS]
set -eu
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
P="$HERE/programs"
CLI="$BUILD/bin/numlyra-cli"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" # programs that write files write them here

have() { command -v "$1" >/dev/null 2>&1; }
PYTHON=/usr/bin/python3
runner() { # language program -> command line, empty when the peer is missing
    case "$1" in
    numlyra) echo "env HOME=$WORK $CLI --norc $P/$2.l" ;;
    lua) [ -f "$P/$2.lua" ] && have lua5.4 && echo "lua5.4 $P/$2.lua" ;;
    octave) [ -f "$P/$2.m" ] && have octave-cli && echo "octave-cli -q --no-gui $P/$2.m" ;;
    numpy) [ -f "$P/$2.py" ] && [ -x $PYTHON ] && $PYTHON -c 'import numpy' 2>/dev/null && echo "$PYTHON $P/$2.py" ;;
    esac
    return 0
}

# One run in seconds, or "fail": wall-clock time, or with BENCH_CLOCK=cpu the
# processor time (user + system), which a busy machine disturbs less.
seconds() {
    if [ "${BENCH_CLOCK:-wall}" = cpu ]; then
        if ! /usr/bin/time -f '%U %S' -o "$WORK/time" $1 >/dev/null 2>&1; then echo fail; return; fi
        awk '{printf "%.4f", $1 + $2}' "$WORK/time"
        return
    fi
    t0=$(date +%s.%N)
    if ! $1 >/dev/null 2>&1; then echo fail; return; fi
    t1=$(date +%s.%N)
    echo "$t1 $t0" | awk '{printf "%.4f", $1 - $2}'
}

median() { echo "$@" | tr ' ' '\n' | grep -v '^$' | sort -n | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]; else print "-"}'; }

LANGS="numlyra ${BENCH_PEERS:-lua octave numpy}"
# Medians of RUNS interleaved runs of one program in every language: sets
# t_<language>.
measure() {
    for lang in $LANGS; do eval "all_$lang=''"; done
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        for lang in $LANGS; do
            cmd=$(runner "$lang" "$1")
            [ -n "$cmd" ] || continue
            t=$(seconds "$cmd")
            if [ "$t" = fail ]; then eval "all_$lang=fail"; else eval "all_$lang=\"\$all_$lang $t\""; fi
        done
        i=$((i + 1))
    done
    for lang in $LANGS; do
        eval "v=\$all_$lang"
        case "$v" in *fail*) eval "t_$lang=fail" ;; *) eval "t_$lang=$(median $v)" ;; esac
    done
}

ratio() { # a b [startA startB]: a / b, or (a - startA) / (b - startB)
    case "$1$2" in *fail*|-*|*-) echo "-"; return ;; esac
    echo "$1 $2 ${3:-0} ${4:-0}" | awk '{n = $1 - $3; d = $2 - $4; if (d > 0.0005) printf "%.2f", n / d; else print "-"}'
}

measure empty
for lang in $LANGS; do eval "s_$lang=\$t_$lang"; done
printf "start-up (empty program):"; for lang in $LANGS; do eval "printf ' %s %s' $lang \$s_$lang"; done; echo " (s)"
printf '%-15s %9s  %-7s %9s %8s %14s\n' program numlyra peer peer ratio "w/o start-up"
PROGRAMS=${BENCH_PROGRAMS:-for_loop while_loop function_calls fib indexed_loop elementwise matrix_product solve \
          inverse vector_growth string_concat string_build text_table}
for prog in $PROGRAMS; do
    measure "$prog"
    shown=0
    for peer in ${BENCH_PEERS:-lua octave numpy}; do
        eval "t=\$t_$peer; s=\$s_$peer"
        [ "$t" != "-" ] || continue
        printf '%-15s %9s  %-7s %9s %8s %14s\n' "$prog" "$t_numlyra" "$peer" "$t" \
            "$(ratio "$t_numlyra" "$t")" "$(ratio "$t_numlyra" "$t" "$s_numlyra" "$s")"
        shown=1
    done
    [ "$shown" = 1 ] || printf '%-15s %9s\n' "$prog" "$t_numlyra"
done

# The matrix product against a plain C++ triple loop, start-up removed.
if [ -x "$BUILD/bin/matrix_baseline" ]; then
    c=$("$BUILD/bin/matrix_baseline" | awk '{print $1}')
    measure matrix_product
    echo "matrix product: numlyra $(echo "$t_numlyra $s_numlyra" | awk '{printf "%.4f", $1 - $2}') s without start-up, C++ -O2 triple loop $c s"
fi
