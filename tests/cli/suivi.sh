#!/usr/bin/env bash
# The command line keeping a live report (--suivre): a journal written in pieces, rotated by a
# rename, truncated in place, deleted and created again while it is followed, then SIGTERM: every
# line counted once (the CSV tables those of the journal analysed at once), the page always whole,
# the line being written at the end left out. Standard input followed to its end, a base of days
# fed across rotations, and the options refused.
# Usage: suivi.sh kestrane-rapport journal
set -u
KESTRANE=$1
JOURNAL=$2
T=$(mktemp -d)
trap 'jobs -p | xargs -r kill 2>/dev/null; rm -rf "$T"' EXIT
echecs=0
echec() { echo "ECHEC $*"; echecs=$((echecs + 1)); }

# Standard input to standard output in pieces of 3001 bytes, whatever the lines.
morceaux() {
    cat >"$T/morceaux"
    local taille k=0
    taille=$(stat -c %s "$T/morceaux")
    while [ "$k" -lt "$taille" ]; do
        dd if="$T/morceaux" bs=3001 skip=$((k / 3001)) count=1 status=none
        k=$((k + 3001))
        sleep 0.02
    done
}
lignes() { sed -n "$1,$2p" "$JOURNAL"; }

# Until the live tables of folder $1 count $2 lines (at most 30 s); the page $3, when given, is
# whole whenever it is looked at.
attendre() {
    local n=absent k=0
    while [ "$k" -lt 300 ]; do
        [ -f "$1/requetes.csv" ] && n=$(sed -n 's/^Tous;\([0-9]*\).*/\1/p' "$1/requetes.csv" | tr -dc 0-9)
        [ "$n" = "$2" ] && break
        if [ -n "${3:-}" ] && [ -f "$3" ] && [ "$(tail -c 15 "$3")" != "</body></html>" ]; then
            echec "page entamée"
        fi
        sleep 0.1
        k=$((k + 1))
    done
    [ "$n" = "$2" ] && echo "ok $2 lignes" || echec "$n lignes au lieu de $2 ($4)"
}

# SIGTERM to $1: its exit status, 124 when it does not end within 20 s.
arreter() {
    kill -TERM "$1"
    local k=0
    while kill -0 "$1" 2>/dev/null && [ "$k" -lt 200 ]; do sleep 0.1; k=$((k + 1)); done
    kill -0 "$1" 2>/dev/null && { kill -9 "$1"; return 124; }
    wait "$1"
}

# The tables of folder $1 against those of the journal analysed at once.
memes_tables() {
    local f diff=0
    [ "$(ls "$1")" = "$(ls "$T/entier")" ] || { echec "$2 : tables $(ls "$1" | tr '\n' ' ')"; return; }
    for f in "$T"/entier/*.csv; do
        cmp -s "$f" "$1/$(basename "$f")" || { echec "$2 : $(basename "$f")"; diff=1; }
    done
    [ "$diff" = 0 ] && echo "ok $2"
}

"$KESTRANE" --complements --csv "$T/entier" "$JOURNAL" >/dev/null || echec "rapport du journal"

# A file followed from a line half written: its end written in pieces, then a rename (the old
# file's last line without its break), a truncation, a deletion, each followed by new lines.
F=$T/access.log
mkdir "$T/f"
lignes 1 1500 >"$F"
lignes 1501 1501 | head -c 40 >>"$F"
"$KESTRANE" --suivre --intervalle 1 --complements --rapport "$T/f/r.html" --csv "$T/f/csv" "$F" \
    >"$T/f/sortie" 2>"$T/f/erreurs" &
suivi=$!
attendre "$T/f/csv" 1500 "$T/f/r.html" "ligne ouverte au départ"
{ lignes 1501 1501 | tail -c +41; lignes 1502 2300; lignes 2301 2301 | tr -d '\n'; } | morceaux >>"$F"
attendre "$T/f/csv" 2300 "$T/f/r.html" "avant la rotation"
mv "$F" "$F.1"
lignes 2302 2900 | morceaux >>"$F"
attendre "$T/f/csv" 2900 "$T/f/r.html" "rotation"
: >"$F"
lignes 2901 2950 | morceaux >>"$F"
attendre "$T/f/csv" 2950 "$T/f/r.html" "troncature"
lignes 2951 3500 | morceaux >>"$F"
attendre "$T/f/csv" 3500 "$T/f/r.html" "après la troncature"
rm "$F"
lignes 3501 5000 | morceaux >>"$F"
printf '1.2.3.4 - - [ligne en cours' >>"$F"
attendre "$T/f/csv" 5000 "$T/f/r.html" "recréé"
arreter "$suivi"
code=$?
[ "$code" = 0 ] && echo "ok code 0 après SIGTERM" || { echec "code $code après SIGTERM"; cat "$T/f/erreurs"; }
memes_tables "$T/f/csv" "suivi d'un fichier"
[ "$(tail -c 15 "$T/f/r.html")" = "</body></html>" ] &&
    grep -q '<meta http-equiv="refresh" content="1">' "$T/f/r.html" &&
    grep -q '<p class="mise-a-jour">Mis à jour le [0-9/]* à [0-9:]* — toutes les secondes</p>' "$T/f/r.html" &&
    echo "ok page" || echec "page du suivi"
grep -q "^5000 lignes analysées" "$T/f/sortie" || { echec "résumé"; cat "$T/f/sortie"; }

# Standard input: a write before its end (the page there while the writer waits), the last one at
# its end.
mkdir "$T/e"
{
    lignes 1 2000
    k=0
    until [ -s "$T/e/r.html" ] || [ "$k" -ge 200 ]; do sleep 0.1; k=$((k + 1)); done
    lignes 2001 5000 | morceaux
} | "$KESTRANE" --suivre --intervalle 1 --complements --rapport "$T/e/r.html" --csv "$T/e/csv" - \
    >"$T/e/sortie" 2>"$T/e/erreurs"
code=$?
[ "$code" = 0 ] && echo "ok fin de l'entrée" || { echec "code $code à la fin de l'entrée"; cat "$T/e/erreurs"; }
memes_tables "$T/e/csv" "suivi de l'entrée standard"

# The base of days fed as lines come, across a rename and a deletion: every line once.
B=$T/base.sqlite
F=$T/b.log
mkdir "$T/b"
lignes 1 1000 >"$F"
"$KESTRANE" --suivre --intervalle 1 --base "$B" --base-limite 0 --serveur web1 --csv "$T/b/csv" "$F" \
    >/dev/null 2>"$T/b/erreurs" &
suivi=$!
attendre "$T/b/csv" 1000 "" "base au départ"
# Renamed as soon as written: the base reads the old file's end through the follower's own
# descriptor.
lignes 1001 2500 | morceaux >>"$F"
mv "$F" "$F.1"
lignes 2501 3500 | morceaux >>"$F"
attendre "$T/b/csv" 3500 "" "base après la rotation"
rm "$F"
lignes 3501 5000 | morceaux >>"$F"
attendre "$T/b/csv" 5000 "" "base recréée"
arreter "$suivi"
code=$?
[ "$code" = 0 ] || { echec "code $code du suivi de la base"; cat "$T/b/erreurs"; }
"$KESTRANE" --base "$B" --csv "$T/b/base" >/dev/null || echec "rapport de la base"
memes_tables "$T/b/base" "base nourrie par le suivi"

# Options refused before anything is read or written: status 1 and the message.
mkdir "$T/dossier"
gzip -c "$JOURNAL" >"$T/j.gz"
R=$T/refus.html
while IFS='|' read -r arguments attendu; do
    # shellcheck disable=SC2086
    "$KESTRANE" $arguments </dev/null >/dev/null 2>"$T/erreurs"
    code=$?
    if [ "$code" = 1 ] && grep -qF -- "$attendu" "$T/erreurs" && [ ! -e "$R" ]; then
        echo "ok refus $arguments"
    else
        echec "refus $arguments : code $code"
        cat "$T/erreurs"
    fi
done <<TABLE
--suivre --rapport $R|--suivre suit un seul journal
--suivre --rapport $R $JOURNAL $T/j.gz|--suivre suit un seul journal
--suivre $JOURNAL|--suivre demande --rapport
--suivre --intervalle 0 --rapport $R $JOURNAL|--intervalle demande un nombre entier de secondes
--suivre --intervalle 2s --rapport $R $JOURNAL|--intervalle demande un nombre entier de secondes
--suivre --intervalle 99999999999 --rapport $R $JOURNAL|--intervalle demande un nombre entier de secondes
--suivre --rapport $R $JOURNAL --intervalle|--intervalle demande un nombre entier de secondes
--intervalle 5 --rapport $R $JOURNAL|--intervalle va avec --suivre
--suivre --format w3c --rapport $R $JOURNAL|--suivre ne va pas avec --format
--suivre --lecture-entiere --rapport $R $JOURNAL|--suivre ne va pas avec --lecture-entiere
--suivre --base $T/refus.sqlite --rapport $R -|pas l'entrée standard
--suivre --rapport $R $T/j.gz|est compressé : --suivre suit un journal en clair
--suivre --rapport $R $T/dossier|--suivre suit un fichier ordinaire
--base $T/refus.sqlite --base-limite 99999999999 $JOURNAL|--base-limite demande un nombre
TABLE
"$KESTRANE" --suivre --rapport "$R" - <"$T/j.gz" >/dev/null 2>"$T/erreurs"
code=$?
[ "$code" = 1 ] && grep -qF "« - » est compressé" "$T/erreurs" && [ ! -e "$R" ] &&
    echo "ok entrée compressée" || { echec "entrée compressée : code $code"; cat "$T/erreurs"; }

echo "$echecs échec(s)"
[ "$echecs" = 0 ]
