#!/bin/sh
# The command line reading its journals as streams, beside the same command line loading them
# whole (--lecture-entiere), and beside GoAccess and Webalizer when they are installed: whole
# processes writing the HTML report, wall time and peak resident memory (GNU time). 1M lines
# (medians of RUNS runs; readable results, the default, then raw ones), 10M lines from a file and
# through a pipe from the generator (nothing written to disk), 100M lines through a pipe when
# FLUX_100M=1 (the 1M cases left out with FLUX_1M=0). One line per case:
#   cas=<case> lignes=<lines> s=<seconds> rss_mib=<peak RSS> lignes_par_s=<lines per second>
# and cpu_s=<user + system seconds>, which a machine shared with other work changes less; through
# a pipe cpu_s counts the generator too, and cpu_analyseur_s=<seconds> the analyser alone.
# Usage: bench/bench_flux.sh [build directory] [runs]
set -eu
CONSTRUCTION=${1:-build}
RUNS=${2:-3}
GENERER=$CONSTRUCTION/bench/generer_journal
RAPPORT=$CONSTRUCTION/kestrane-rapport
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# One run of a shell command: "seconds rss_kib" of its last process (the analyser of a pipe).
une_mesure() {
    /usr/bin/time -f "%e %M %U %S" -o "$T/temps" sh -c "$1" >/dev/null 2>"$T/erreurs" ||
        { echo "échec : $1" >&2; cat "$T/erreurs" >&2; return 1; }
    tail -n 1 "$T/temps"
}

# cas lignes runs command: the medians of the runs.
mesurer() {
    cas=$1 lignes=$2 runs=$3 commande=$4
    i=0
    : >"$T/mesures"
    rm -f "$T/analyseur"
    while [ "$i" -lt "$runs" ]; do
        une_mesure "$commande" >>"$T/mesures"
        i=$((i + 1))
    done
    s=$(cut -d' ' -f1 "$T/mesures" | mediane)
    rss=$(cut -d' ' -f2 "$T/mesures" | mediane)
    cpu=$(awk '{ print $3 + $4 }' "$T/mesures" | mediane)
    analyseur=
    [ -s "$T/analyseur" ] && analyseur=$(awk '{ print $1 + $2 }' "$T/analyseur" | mediane)
    awk -v cas="$cas" -v n="$lignes" -v s="$s" -v k="$rss" -v c="$cpu" -v a="$analyseur" 'BEGIN {
        printf "cas=%s lignes=%d s=%.2f rss_mib=%.0f lignes_par_s=%.0f cpu_s=%.2f", cas, n, s, k / 1024, (s > 0 ? n / s : 0), c
        if (a != "") printf " cpu_analyseur_s=%.2f", a
        printf "\n"
    }'
}

# The analyser at the end of a pipe, its own user + system seconds appended to $T/analyseur.
ANALYSEUR_TUBE="/usr/bin/time -f '%U %S' -a -o '$T/analyseur' '$RAPPORT' --rapport '$T/r.html' -"

mediane() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

pairs() {  # the peers, when installed, on a file of $1 lines (FLUX_PAIRS=0: none)
    [ "${FLUX_PAIRS:-1}" = 1 ] || return 0
    if command -v goaccess >/dev/null 2>&1; then
        mesurer goaccess-$2 "$1" "$3" "goaccess '$4' --log-format=COMBINED --no-global-config -o '$T/goaccess.html'"
    fi
    if command -v webalizer >/dev/null 2>&1; then
        mkdir -p "$T/webalizer"
        mesurer webalizer-$2 "$1" "$3" "webalizer -Q -p -o '$T/webalizer' '$4'"
    fi
}

if [ "${FLUX_1M:-1}" = 1 ]; then
    "$GENERER" 1000000 "$T/1M.log" >/dev/null
    mesurer flux-1M 1000000 "$RUNS" "'$RAPPORT' --rapport '$T/r.html' '$T/1M.log'"
    mesurer entiere-1M 1000000 "$RUNS" "'$RAPPORT' --lecture-entiere --rapport '$T/r.html' '$T/1M.log'"
    # The raw tables: the analysis and the report without the readable results' own counts.
    mesurer flux-1M-bruts 1000000 "$RUNS" "'$RAPPORT' --resultats-bruts --rapport '$T/r.html' '$T/1M.log'"
    mesurer entiere-1M-bruts 1000000 "$RUNS" "'$RAPPORT' --lecture-entiere --resultats-bruts --rapport '$T/r.html' '$T/1M.log'"
    pairs 1000000 1M "$RUNS" "$T/1M.log"
    rm -f "$T/1M.log"
fi

"$GENERER" 10000000 "$T/10M.log" >/dev/null
mesurer flux-10M-fichier 10000000 1 "'$RAPPORT' --rapport '$T/r.html' '$T/10M.log'"
# GoAccess took 90 s per million lines here: on 10M lines only when asked.
[ "${FLUX_PAIRS_10M:-0}" = 1 ] && pairs 10000000 10M 1 "$T/10M.log"
rm -f "$T/10M.log"
mesurer flux-10M-tube 10000000 1 "'$GENERER' 10000000 /dev/fd/3 3>&1 >/dev/null | $ANALYSEUR_TUBE"
if [ "${FLUX_100M:-0}" = 1 ]; then
    mesurer flux-100M-tube 100000000 1 "'$GENERER' 100000000 /dev/fd/3 3>&1 >/dev/null | $ANALYSEUR_TUBE"
fi
