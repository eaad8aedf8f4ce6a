#!/usr/bin/env bash
# The command line's cost of a filter: kestrane-rapport writing the HTML report of 1M generated
# lines (streamed, readable results) without a filter, then with a filter of five terms, then with
# the same filter through the shorthand options; one run of each in turn, medians of RUNS runs of
# elapsed time. One line per case:
#   filtre=<expression> s=<median seconds> ratio=<median / unfiltered median> cpu_s=<user + system>
# Usage: bench/bench_filtre.sh [build directory] [runs] [lines]
set -eu
CONSTRUCTION=${1:-build}
RUNS=${2:-5}
LIGNES=${3:-1000000}
RAPPORT=$CONSTRUCTION/kestrane-rapport
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
"$CONSTRUCTION/bench/generer_journal" "$LIGNES" "$T/j.log" >/dev/null

CINQ='-robot -statique statut:2xx methode:GET -ip:10.0.0.0/8'
cas() {  # number: the options of case k
    case $1 in
        0) echo "" ;;
        1) echo "--filtre" ;;
        2) echo "--sans-robots --sans-statiques --statut 2xx --exclure-ip 10.0.0.0/8 --filtre methode:GET" ;;
    esac
}
noms() {
    case $1 in
        0) echo "(aucun)" ;;
        1) echo "$CINQ" ;;
        2) echo "(raccourcis) $CINQ" ;;
    esac
}
mediane() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# Milliseconds: a run takes a fraction of a second.
TIMEFORMAT="%3R %3U %3S"
i=0
while [ "$i" -lt "$RUNS" ]; do
    for k in 0 1 2; do
        if [ "$k" = 1 ]; then
            { time "$RAPPORT" --filtre "$CINQ" --rapport "$T/r.html" "$T/j.log" >/dev/null; } 2>>"$T/m$k"
        else
            # shellcheck disable=SC2046
            { time "$RAPPORT" $(cas "$k") --rapport "$T/r.html" "$T/j.log" >/dev/null; } 2>>"$T/m$k"
        fi
    done
    i=$((i + 1))
done
base=$(cut -d' ' -f1 "$T/m0" | mediane)
for k in 0 1 2; do
    s=$(cut -d' ' -f1 "$T/m$k" | mediane)
    cpu=$(awk '{ print $2 + $3 }' "$T/m$k" | mediane)
    awk -v n="$(noms "$k")" -v s="$s" -v b="$base" -v c="$cpu" \
        'BEGIN { printf "filtre=%s s=%.3f ratio=%.3f cpu_s=%.3f\n", n, s, s / b, c }'
done
