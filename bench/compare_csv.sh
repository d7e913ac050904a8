#!/bin/sh
# load_csv against numpy's loadtxt on the same tables: wall-clock seconds and
# peak resident memory (MiB) of the whole process, each less the same
# program without the load (start-up, libraries), next to the array's own
# size. A numlyra-cli built from an earlier revision can be put beside.
# Usage: compare_csv.sh BUILD_DIR [EARLIER_CLI]
set -eu
BUILD=${1:-build}
EARLIER=${2:-}
CLI="$BUILD/bin/numlyra-cli"
PY=/usr/bin/python3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export HOME="$WORK"

# square: 1000 x 1000 doubles; rows: 1e6 rows of ten doubles (about 190 MB);
# column: 1e7 rows of one short field (about 40 MB).
"$PY" - "$WORK" <<'EOF'
import random, sys
random.seed(7)
d = sys.argv[1]
def table(name, rows, columns, field):
    with open(f"{d}/{name}.csv", "w") as f:
        for _ in range(rows):
            f.write(";".join(field() for _ in range(columns)) + "\n")
table("square", 1000, 1000, lambda: repr(random.uniform(-1e3, 1e3)))
table("rows", 1000000, 10, lambda: repr(random.random()))
table("column", 10000000, 1, lambda: str(random.randrange(1000)))
EOF

# "seconds peak-KiB" of a command
measure() {
    if /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >"$WORK/out" 2>&1; then
        cat "$WORK/time"
    else
        echo "fail fail"
    fi
}

net() { # seconds KiB minus base seconds KiB -> "seconds MiB"
    case "$1" in fail) echo "fail -"; return;; esac
    echo "$1 $2 $3 $4" | awk '{ printf "%.2f %.0f", $1 - $3, ($2 - $4) / 1024 }'
}

: > "$WORK/empty.l"
printf '%-8s %9s %10s | %-14s %8s %9s\n' table "size MiB" "array MiB" reader seconds "peak MiB"
for name in square rows column; do
    file="$WORK/$name.csv"
    size=$(du -m "$file" | cut -f1)
    elements=$("$PY" -c "import sys; n=0; c=0
for line in open(sys.argv[1]): n += 1; c = c or line.count(';') + 1
print(n * c)" "$file")
    array=$(echo "$elements" | awk '{ printf "%.0f", $1 * 8 / 1048576 }')
    echo "v = load_csv(\"$file\");" > "$WORK/load.l"
    rows=""
    for cli in "$CLI" $EARLIER; do
        label=numlyra; [ "$cli" = "$CLI" ] || label=earlier
        base=$(measure "$cli" --norc "$WORK/empty.l")
        rows="$rows$label $(net $(measure "$cli" --norc "$WORK/load.l") $base)
"
    done
    base=$(measure "$PY" -c "import numpy")
    rows="${rows}numpy.loadtxt $(net $(measure "$PY" -c "import numpy, sys; numpy.loadtxt(sys.argv[1], delimiter=';')" "$file") $base)
"
    printf '%s' "$rows" | while read -r reader seconds peak; do
        printf '%-8s %9s %10s | %-14s %8s %9s\n' "$name" "$size" "$array" "$reader" "$seconds" "$peak"
    done
done
