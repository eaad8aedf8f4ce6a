#!/usr/bin/env bash
# The command line's base of days: a journal fed in rotated pieces, twice, gives from the base
# every table of the journal analysed at once; a range compared with another; a day's tables cut
# at a limit keep their totals; a line that does not read adds nothing.
# Usage: base.sh kestrane-rapport journal
set -u
KESTRANE=$1
JOURNAL=$2
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
echecs=0
echec() { echo "ECHEC $*"; echecs=$((echecs + 1)); }
B="$T/base.sqlite"
n=$(wc -l <"$JOURNAL")
moitie=$((n / 2))

# access.log fed, then grown, rotated to access.log.1 and compressed, a new access.log beside.
head -n "$moitie" "$JOURNAL" >"$T/access.log"
"$KESTRANE" --base "$B" --base-limite 0 --serveur web1 "$T/access.log" >"$T/sortie1" || echec "premier ajout"
grep -q "^$(printf '%s' "$moitie" | sed 's/\(.\)\(...\)$/\1 \2/') lignes ajoutées à la base pour le serveur « web1 » (1 fichier)$" \
    "$T/sortie1" || { echec "message du premier ajout"; cat "$T/sortie1"; }
tail -n +$((moitie + 1)) "$JOURNAL" | head -n 100 >>"$T/access.log"
mv "$T/access.log" "$T/access.log.1"
tail -n +$((moitie + 101)) "$JOURNAL" >"$T/access.log"
"$KESTRANE" --base "$B" --base-limite 0 --serveur web1 "$T/access.log.1" "$T/access.log" >/dev/null || echec "second ajout"
gzip -c "$T/access.log.1" >"$T/access.log.2.gz" && rm "$T/access.log.1"
"$KESTRANE" --base "$B" --base-limite 0 --serveur web1 "$T/access.log.2.gz" "$T/access.log" >"$T/sortie3" || echec "troisième ajout"
grep -q "^0 ligne ajoutée" "$T/sortie3" || { echec "lignes comptées deux fois"; cat "$T/sortie3"; }

"$KESTRANE" --base "$B" --csv "$T/base" >/dev/null || echec "rapport de la base"
"$KESTRANE" --complements --csv "$T/entier" "$JOURNAL" >/dev/null || echec "rapport du journal"
[ "$(ls "$T/base")" = "$(ls "$T/entier")" ] || { echec "tables"; ls "$T/base" "$T/entier"; }
for f in "$T"/entier/*.csv; do
    f=$(basename "$f")
    cmp -s "$T/base/$f" "$T/entier/$f" && echo "ok $f" || { echec "$f"; diff "$T/base/$f" "$T/entier/$f" | head -5; }
done

# A limit of 10 entries a day: the totals stay, the rest summed in "(autres)".
"$KESTRANE" --base "$T/limitee.sqlite" --base-limite 10 --serveur web1 "$JOURNAL" >/dev/null
"$KESTRANE" --base "$T/limitee.sqlite" --csv "$T/limitee" >/dev/null
somme() { awk -F';' 'NR > 1 { s += $2 } END { print s }' "$1"; }
[ "$(somme "$T/limitee/adresses-ip.csv")" = "$(somme "$T/entier/adresses-ip.csv")" ] &&
    grep -q '^(autres);' "$T/limitee/adresses-ip.csv" && echo "ok limite" || echec "limite"

# Journals and a report in one run: fed first, the report then written from the base.
"$KESTRANE" --base "$T/ensemble.sqlite" --base-limite 0 --csv "$T/ensemble" "$JOURNAL" >"$T/sortie-ensemble" &&
    grep -q "lignes ajoutées" "$T/sortie-ensemble" && cmp -s "$T/ensemble/fichiers-charges.csv" "$T/entier/fichiers-charges.csv" &&
    echo "ok ajout et rapport" || { echec "ajout et rapport"; cat "$T/sortie-ensemble"; }

# Two ranges: every row of the days' table gets the second range's requests and the change.
"$KESTRANE" --base "$B" --periode 2023-12-20..2023-12-26 --comparer 2023-12-27..2024-01-02 \
    --csv "$T/comparaison" >/dev/null || echec "comparaison"
head -1 "$T/comparaison/codes-retour.csv" | grep -q "Occurrences (comparaison);Évolution" &&
    echo "ok comparer" || { echec "comparer"; head -2 "$T/comparaison/codes-retour.csv"; }
# Each row's change from the second range's figure to the first's.
awk -F';' 'NR > 1 && $2 > 0 && $(NF-1) > 0 {
        p = 100 * ($2 - $(NF-1)) / $(NF-1); e = (p > 0 ? "+" : "") sprintf("%.0f", p) " %"
        if ($2 == $(NF-1)) e = "="
        v = $NF; sub(/\r$/, "", v); sub(/^\047/, "", v)  # CRLF lines; the CSV guards a leading + or -
        vues++; if (v != e) { print "ligne " NR " : " v " au lieu de " e; mauvais = 1 } }
    END { exit mauvais || vues < 3 }' "$T/comparaison/codes-retour.csv" && echo "ok evolution" || echec "évolution"

# A line that does not read: an error naming it, the base as it was.
cp "$B" "$T/avant.sqlite"
{ head -n 2 "$JOURNAL"; echo "pas une ligne"; } | sed 's/2023/2031/' >"$T/mauvais.log"
"$KESTRANE" --base "$B" --serveur web1 "$T/mauvais.log" >/dev/null 2>"$T/erreurs" && echec "ligne fautive acceptée"
grep -q "mauvais.log, ligne 3 : " "$T/erreurs" || { echec "message de la ligne fautive"; cat "$T/erreurs"; }
"$KESTRANE" --base "$B" --csv "$T/apres" >/dev/null
cmp -s "$T/apres/jours.csv" "$T/base/jours.csv" && echo "ok base intacte" || echec "base changée"

# Two feeds of the same journal at once: its lines counted once.
"$KESTRANE" --base "$T/double.sqlite" --serveur web1 "$JOURNAL" >"$T/d1" &
"$KESTRANE" --base "$T/double.sqlite" --serveur web1 "$JOURNAL" >"$T/d2" &
wait
"$KESTRANE" --base "$T/double.sqlite" --csv "$T/double" >/dev/null
cmp -s "$T/double/jours.csv" "$T/entier/jours.csv" && grep -q "^0 ligne" "$T/d1" "$T/d2" &&
    echo "ok ajouts simultanes" || { echec "ajouts simultanés"; cat "$T/d1" "$T/d2"; }

# A feed killed midway (a million lines take it past half a second), and one that finds the base
# held by another program: the base as it was.
seq 1 200 | while read -r k; do cat "$JOURNAL"; done | sed 's/2023/2030/; s/2024/2031/' >"$T/gros.log"
cp "$B" "$T/tuee.sqlite"
"$KESTRANE" --base "$T/tuee.sqlite" --serveur web1 "$T/gros.log" >/dev/null &
sleep 0.5
kill -9 $! 2>/dev/null
wait 2>/dev/null
"$KESTRANE" --base "$T/tuee.sqlite" --csv "$T/tuee" >/dev/null
cmp -s "$T/tuee/jours.csv" "$T/base/jours.csv" && echo "ok ajout tue" || echec "ajout tué"
if command -v python3 >/dev/null; then
    python3 - "$B" <<'PYTHON' &
import sqlite3, sys, time
c = sqlite3.connect(sys.argv[1], isolation_level=None)
c.execute("BEGIN IMMEDIATE")
time.sleep(14)
c.execute("ROLLBACK")
PYTHON
    sleep 1
    "$KESTRANE" --base "$B" --serveur web1 "$T/gros.log" >/dev/null 2>"$T/erreurs" && echec "base occupée acceptée"
    grep -q "la base est occupée par un autre programme" "$T/erreurs" && echo "ok base occupee" ||
        { echec "message de la base occupée"; cat "$T/erreurs"; }
    wait
fi

# Standard input, and another format than the combined one: refused.
"$KESTRANE" --base "$B" - <"$JOURNAL" >/dev/null 2>"$T/erreurs" && echec "entrée standard acceptée"
grep -q "la base n'ajoute que des fichiers" "$T/erreurs" || { echec "message entrée standard"; cat "$T/erreurs"; }
"$KESTRANE" --base "$B" --format w3c "$JOURNAL" >/dev/null 2>"$T/erreurs" && echec "format w3c accepté"
grep -q "format combiné" "$T/erreurs" || { echec "message format"; cat "$T/erreurs"; }

# Options that need a base, and a file that is none.
"$KESTRANE" --serveur web1 --csv "$T/x" "$JOURNAL" 2>"$T/erreurs" && echec "--serveur sans --base"
grep -q "demandent --base" "$T/erreurs" || echec "message sans base"
echo "pas une base" >"$T/texte"
"$KESTRANE" --base "$T/texte" --csv "$T/y" 2>"$T/erreurs" && echec "fichier texte accepté comme base"
grep -q "n'est pas une base d'historique" "$T/erreurs" || { echec "message pas une base"; cat "$T/erreurs"; }
[ "$(cat "$T/texte")" = "pas une base" ] || echec "fichier texte modifié"

echo "$echecs échec(s)"
[ "$echecs" = 0 ]
