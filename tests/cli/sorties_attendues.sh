#!/usr/bin/env bash
# The report and the CSV tables of the bundled sample, word for word, in the options' main
# combinations (the raw tables with --resultats-bruts, the readable ones without), against the files kept in tests/cli/attendus (the creation date and the version
# masked in the report, the duration in the summary line). Run for both programs that write
# them, `kestrane-rapport` and `kestrane --rapport`: the same files are expected of each.
# Usage: sorties_attendues.sh <program> <sample>
# With KESTRANE_REGENERER=1 it writes the files expected instead (to be read before committing).
set -uo pipefail
programme=$(realpath "$1") echantillon=$2
attendus=$(cd "$(dirname "$0")" && pwd)/attendus
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
echecs=0

# The sample as it is, and with three lines that do not conform (a status that is no number,
# a line cut short, a line of nothing like a request) among the others, under the same name.
mkdir -p "$T/propre" "$T/abime" "$T/vhost" "$T/temps"
cp "$echantillon" "$T/propre/acces-5000.log"
{
    head -n 2 "$echantillon"
    echo '1.2.3.4 - - [20/Dec/2023:01:00:00 +0100] "GET / HTTP/1.1" abc 10 "-" "x"'
    sed -n 3,2000p "$echantillon"
    echo '5.6.7.8 - - [20/Dec/2023:12:00:00 +0100] "GET /coupee'
    sed -n 2001,4000p "$echantillon"
    echo 'rien de ce qu on attend'
    sed -n '4001,$p' "$echantillon"
} > "$T/abime/acces-5000.log"

# The same requests as Apache's vhost_combined writes them, and followed by a response time in
# microseconds (%D) read by a format string.
sed 's/^/www.exemple.fr:443 /' "$echantillon" > "$T/vhost/acces-5000.log"
awk '{ print $0 " " (NR * 7919 % 250000) }' "$echantillon" > "$T/temps/acces-5000.log"
chaine='%h %l %u %t "%r" %>s %b "%{Referer}i" "%{User-Agent}i" %D'

masquer() {  # the parts of an output that change from run to run
    sed -i -e 's#Cr\xC3\xA9\xC3\xA9 le [0-9/]* [0-9:]* par Kestrane [^<]*</footer>#Cr\xC3\xA9\xC3\xA9 le (date) par Kestrane (version)</footer>#' \
        -e 's#([0-9]*,[0-9]* s)$#(dur\xC3\xA9e)#' "$@"
}

# name | options | journal | files expected (a folder of tests/cli/attendus)
while IFS='|' read -r nom options journal dossier; do
    essai=$T/essai-$nom
    # A country database found in the usual folders would add its countries.
    if { [ "$nom" = complements ] || [ "$nom" = filtre ] || [ "$nom" = detail ]; } && ls /usr/share/GeoIP/*ountry*.mmdb /var/lib/GeoIP/*ountry*.mmdb > /dev/null 2>&1; then
        echo "($nom sauté : une base de géolocalisation est installée)"; continue
    fi
    mkdir -p "$essai"
    arguments=()
    for o in $options; do
        if [ "$o" = @CHAINE@ ]; then arguments+=("$chaine"); else arguments+=("$o"); fi
    done
    (cd "$essai" && env -u DISPLAY -u WAYLAND_DISPLAY "$programme" "${arguments[@]}" \
        --rapport rapport.html --csv csv "$T/$journal/acces-5000.log" > sortie.txt 2> erreurs.txt)
    code=$?
    if [ "$code" != 0 ]; then
        echo "ECHEC $nom : code $code"; cat "$essai/erreurs.txt"; echecs=$((echecs + 1)); continue
    fi
    masquer "$essai/rapport.html" "$essai/sortie.txt"
    if [ "${KESTRANE_REGENERER:-0}" = 1 ]; then
        mkdir -p "$attendus/$dossier"
        cp "$essai/sortie.txt" "$attendus/$nom.sortie"
        rm -rf "$attendus/$dossier/csv"
        cp -r "$essai/rapport.html" "$essai/csv" "$attendus/$dossier/"
        echo "écrit : $nom"
        continue
    fi
    if ! cmp -s "$essai/sortie.txt" "$attendus/$nom.sortie"; then
        echo "ECHEC $nom : sortie standard"; diff "$attendus/$nom.sortie" "$essai/sortie.txt"
        echecs=$((echecs + 1))
    fi
    if ! diff -r "$attendus/$dossier" "$essai" -x sortie.txt -x erreurs.txt > "$T/diff" 2>&1; then
        echo "ECHEC $nom : fichiers différents de $dossier"; head -n 30 "$T/diff"
        echecs=$((echecs + 1))
    else
        echo "ok $nom"
    fi
done <<'COMBINAISONS'
simple|--resultats-bruts|propre|simple
complements|--resultats-bruts --complements|propre|complements
detail|--resultats-bruts --detail-entrees|propre|detail
ignorer|--resultats-bruts --ignorer-lignes-non-conformes|abime|ignorer
periode|--resultats-bruts --periode 2023-12-24..2023-12-26T12:00|propre|periode
lisibles||propre|lisibles
lisibles-ignorer-periode|--ignorer-lignes-non-conformes --periode 2023-12-24..2023-12-26T12:00|abime|lisibles-ignorer-periode
vhost|--resultats-bruts --format vhost --complements|vhost|vhost
chaine|--resultats-bruts --format @CHAINE@ --periode 2023-12-24..2023-12-26T12:00|temps|chaine
filtre|--filtre -robot --sans-statiques --statut 2xx --exclure-ip 66.249.0.0/16 --complements|propre|filtre
COMBINAISONS

# Skipping the three lines that do not conform leaves the tables of the sample as they were (the
# overview, resume.csv, counts the lines skipped).
if [ "${KESTRANE_REGENERER:-0}" != 1 ] && ! diff -r -x resume.csv "$T/essai-simple/csv" "$T/essai-ignorer/csv" > "$T/diff" 2>&1; then
    echo "ECHEC ignorer : tables différentes de celles du journal propre"; head -n 30 "$T/diff"
    echecs=$((echecs + 1))
fi

# In another format the same requests make the same tables (the one file whose request holds an
# escape aside: other formats read escapes as the server writes them; the overview and the days,
# which the Compléments of the vhost run add to, aside).
if [ "${KESTRANE_REGENERER:-0}" != 1 ]; then
    for paire in simple:vhost periode:chaine; do
        if ! diff -r -x resume.csv -x activite.csv -x fichiers-charges.csv -x codes-retour.csv -x pages-introuvables.csv \
            -x erreurs-serveur.csv -x jours.csv -x hotes-virtuels.csv -x temps-reponse.csv -x sites-referents.csv \
            -x recherches.csv -x robots.csv -x methodes.csv -x protocoles.csv -x pays.csv \
            "$T/essai-${paire%%:*}/csv" "$T/essai-${paire#*:}/csv" > "$T/diff" 2>&1; then
            echo "ECHEC ${paire#*:} : tables différentes de celles de ${paire%%:*}"; head -n 30 "$T/diff"
            echecs=$((echecs + 1))
        fi
    done
fi

echo "$echecs échec(s)"
[ "$echecs" = 0 ]
