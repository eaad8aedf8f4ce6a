#!/usr/bin/env bash
# The cost of feeding the base of days: kestrane-rapport streaming a generated journal into its
# CSV report, then the same journal added to a new SQLite base, one run of each in turn; medians of
# RUNS runs of elapsed time, and the base's size. One line per case:
#   cas=<case> s=<median seconds> ratio=<median / streamed run's median> base_mo=<MB>
# Usage: bench/bench_base.sh [build directory] [runs] [lines]
set -eu
CONSTRUCTION=${1:-build}
RUNS=${2:-5}
LIGNES=${3:-1000000}
RAPPORT=$CONSTRUCTION/kestrane-rapport
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
"$CONSTRUCTION/bench/generer_journal" "$LIGNES" "$T/j.log" >/dev/null
TIMEFORMAT="%3R"
mediane() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
i=0
while [ "$i" -lt "$RUNS" ]; do
    { time "$RAPPORT" --csv "$T/csv" "$T/j.log" >/dev/null; } 2>>"$T/flux"
    rm -f "$T/b.sqlite" "$T/b.sqlite-wal" "$T/b.sqlite-shm"
    { time "$RAPPORT" --base "$T/b.sqlite" --serveur bench "$T/j.log" >/dev/null; } 2>>"$T/base"
    i=$((i + 1))
done
flux=$(mediane <"$T/flux")
base=$(mediane <"$T/base")
mo=$(du -cm "$T"/b.sqlite* | tail -1 | cut -f1)
echo "cas=flux-csv s=$flux ratio=1.000 base_mo=0"
awk -v s="$base" -v f="$flux" -v m="$mo" 'BEGIN { printf "cas=ajout-sqlite s=%s ratio=%.3f base_mo=%s\n", s, s / f, m }'
