#!/bin/sh
# The command line's report end to end beside the window's load + Analyse, and beside the peers
# a user could run instead when they are installed (GoAccess's HTML report, Webalizer), on the
# same synthetic journal, in one run. Medians of N runs; ratios to the window.
# With AVANT=<build directory of an earlier version>, the report of this build against that one's
# instead: the same journal and options, the two programs run in turn in each pass, medians and
# the ratios new/old of the time and of the page's size.
# Usage: [AVANT=dir] bench/bench_export.sh [build directory] [lines] [runs]
set -eu
CONSTRUCTION=${1:-build}
LIGNES=${2:-1000000}
RUNS=${3:-3}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

"$CONSTRUCTION/bench/generer_journal" "$LIGNES" "$T/journal.log" >/dev/null

# Wall time of a command, in seconds.
duree() {
    debut=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "échec : $*" >&2; return 1; }
    fin=$(date +%s.%N)
    awk -v a="$debut" -v b="$fin" 'BEGIN { printf "%.3f\n", b - a }'
}

mediane() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The same command RUNS times; the median.
mesurer() {
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        duree "$@"
        i=$((i + 1))
    done | mediane
}

if [ -n "${AVANT:-}" ]; then
    echo "journal : $LIGNES lignes, $(du -m "$T/journal.log" | cut -f1) Mio, médianes de $RUNS passes"
    for options in "" "--complements" "--resultats-bruts"; do
        : >"$T/nouveau.txt"
        : >"$T/ancien.txt"
        : >"$T/nouveau-cpu.txt"
        : >"$T/ancien-cpu.txt"
        i=0
        while [ "$i" -lt "$RUNS" ]; do
            # shellcheck disable=SC2086
            duree "$CONSTRUCTION/kestrane-rapport" $options --rapport "$T/nouveau.html" "$T/journal.log" >>"$T/nouveau.txt"
            # shellcheck disable=SC2086
            duree "$AVANT/kestrane-rapport" $options --rapport "$T/ancien.html" "$T/journal.log" >>"$T/ancien.txt"
            # The processor time too (user + system, both threads): less swayed by the other
            # work of a shared machine than the wall time.
            if [ -x /usr/bin/time ]; then
                # shellcheck disable=SC2086
                /usr/bin/time -f '%U %S' -o "$T/t" "$CONSTRUCTION/kestrane-rapport" $options --rapport "$T/nouveau.html" "$T/journal.log" >/dev/null 2>&1
                awk '{ printf "%.3f\n", $1 + $2 }' "$T/t" >>"$T/nouveau-cpu.txt"
                # shellcheck disable=SC2086
                /usr/bin/time -f '%U %S' -o "$T/t" "$AVANT/kestrane-rapport" $options --rapport "$T/ancien.html" "$T/journal.log" >/dev/null 2>&1
                awk '{ printf "%.3f\n", $1 + $2 }' "$T/t" >>"$T/ancien-cpu.txt"
            fi
            i=$((i + 1))
        done
        nouveau=$(mediane <"$T/nouveau.txt")
        ancien=$(mediane <"$T/ancien.txt")
        if [ -s "$T/nouveau-cpu.txt" ]; then
            nc=$(mediane <"$T/nouveau-cpu.txt")
            ac=$(mediane <"$T/ancien-cpu.txt")
            cpu=$(awk -v a="$nc" -v b="$ac" 'BEGIN { printf "   processeur %.3f s / %.3f s = %.3f x", a, b, a / b }')
        else
            cpu=""
        fi
        tn=$(wc -c <"$T/nouveau.html")
        ta=$(wc -c <"$T/ancien.html")
        printf 'kestrane-rapport %-20s avant %7.3f s %10d o   après %7.3f s %10d o   temps %.3f x   taille %.3f x%s\n' \
            "${options:-(lisible)}" "$ancien" "$ta" "$nouveau" "$tn" \
            "$(awk -v a="$nouveau" -v b="$ancien" 'BEGIN { printf "%.3f", a / b }')" \
            "$(awk -v a="$tn" -v b="$ta" 'BEGIN { printf "%.3f", a / b }')" "$cpu"
    done
    exit 0
fi

# The window: its own benchmark, load + Analyse medians.
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
    "$CONSTRUCTION/bench/bench_analyse" "$LIGNES" --runs "$RUNS" >"$T/fenetre.txt" 2>&1
resume=$(grep '^analyse_s=' "$T/fenetre.txt" | tail -n 1)
analyse=$(echo "$resume" | sed 's/.*analyse_s=\([0-9.]*\).*/\1/')
chargement=$(echo "$resume" | sed 's/.*load_s=\([0-9.]*\).*/\1/')
fenetre=$(awk -v a="$chargement" -v b="$analyse" 'BEGIN { printf "%.3f", a + b }')

ligne() {
    printf '%-48s %9.3f s   %6.2f x\n' "$1" "$2" "$(awk -v a="$2" -v b="$fenetre" 'BEGIN { printf "%.3f", a / b }')"
}

echo "journal : $LIGNES lignes, $(du -m "$T/journal.log" | cut -f1) Mio, médianes de $RUNS passes"
ligne "fenêtre : chargement + Analyse" "$fenetre"
ligne "kestrane --rapport" "$(mesurer "$CONSTRUCTION/kestrane" --rapport "$T/k.html" "$T/journal.log")"
ligne "kestrane --rapport --csv --complements" \
    "$(mesurer "$CONSTRUCTION/kestrane" --rapport "$T/k.html" --csv "$T/csv" --complements "$T/journal.log")"
if command -v goaccess >/dev/null 2>&1; then
    ligne "goaccess --log-format=COMBINED -o rapport.html" \
        "$(mesurer goaccess "$T/journal.log" --log-format=COMBINED --no-global-config -o "$T/g.html")"
else
    echo "goaccess : absent"
fi
if command -v webalizer >/dev/null 2>&1; then
    mkdir -p "$T/webalizer"
    # Each run from scratch: no history or incremental state left by the previous one.
    ligne "webalizer -Q -o dossier" \
        "$(mesurer sh -c "rm -f '$T'/webalizer/*; webalizer -Q -c /dev/null -o '$T/webalizer' '$T/journal.log'")"
else
    echo "webalizer : absent"
fi
