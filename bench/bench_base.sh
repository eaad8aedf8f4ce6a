#!/usr/bin/env bash
# The cost of feeding the base of days: kestrane-rapport streaming a generated journal into its
# CSV report, then the same journal added to a new SQLite base, one run of each in turn; medians of
# RUNS runs of elapsed time, and the base's size. One line per case:
#   cas=<case> s=<median seconds> ratio=<median / streamed run's median> base_mo=<MB>
# With ANNEE=1: a year, 365 days of 100,000 lines (9 GB of journal, generated in the temporary
# folder), fed once, then the report of the whole year written from the base, RUNS times.
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

if [ "${ANNEE:-0}" = 1 ]; then
    rm -f "$T/j.log"
    "$CONSTRUCTION/bench/generer_journal" 36500000 "$T/an.log" 20061206 365 >/dev/null
    { time "$RAPPORT" --csv "$T/csv" "$T/an.log" >/dev/null; } 2>"$T/flux-an"
    { time "$RAPPORT" --base "$T/an.sqlite" --serveur bench "$T/an.log" >/dev/null; } 2>"$T/ajout-an"
    rm -f "$T/an.log"
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        { time "$RAPPORT" --base "$T/an.sqlite" --csv "$T/csv-an" >/dev/null; } 2>>"$T/rapport-an"
        i=$((i + 1))
    done
    mo=$(du -cm "$T"/an.sqlite* | tail -1 | cut -f1)
    fa=$(cat "$T/flux-an")
    awk -v s="$(cat "$T/ajout-an")" -v f="$fa" -v m="$mo" \
        'BEGIN { printf "cas=ajout-annee-sqlite s=%s ratio=%.3f base_mo=%s\n", s, s / f, m }'
    echo "cas=rapport-annee-sqlite s=$(mediane <"$T/rapport-an") ratio=- base_mo=$mo"
fi
