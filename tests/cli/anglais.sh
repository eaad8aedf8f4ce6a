#!/usr/bin/env bash
# English: the catalogue translates every text the sources mark, and a run over the bundled sample
# in English (by the locale, or by --langue) writes no French in its messages, its help, its
# summary or its CSV tables' headings; --langue fr and a French locale keep the French texts.
# Usage: anglais.sh <kestrane-rapport> <journal>
set -u
programme=$1
journal=$2
ici=$(cd "$(dirname "$0")/../.." && pwd)
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
echec=0
faute() {
    echo "ECHEC : $*"
    echec=1
}

# The catalogue: every marked text there, none left untranslated or fuzzy.
bash "$ici/po/extraire.sh" "$t/textes.pot" || faute "extraction des textes"
msgcmp --use-untranslated "$ici/po/en.po" "$t/textes.pot" 2>"$t/msgcmp" || {
    cat "$t/msgcmp"
    faute "textes absents de po/en.po"
}
for genre in --untranslated --only-fuzzy; do
    if msgattrib "$genre" --no-obsolete "$ici/po/en.po" | grep -q '^msgid "[^"]'; then
        msgattrib "$genre" --no-obsolete "$ici/po/en.po" | head -20
        faute "po/en.po : entrées $genre"
    fi
done

# French in a text: an accented letter, or one of the words a French sentence can hardly do
# without (none of them English).
francais() {
    # Options and the filter's fields are names, not words: left out.
    sed -E 's/--[a-z-]+//g; s/\b[a-z]+://g' "$@" | grep -nP '[éèêàùçôîâûœÉÈÀ«»]|\b(le|la|les|des|du|une|est|pour|aucun|aucune|ligne|lignes|fichier|journal|journaux|dossier|requêtes|octets|demande|avec|sans|depuis|impossible|Impossible|Famille)\b'
}
anglais() {  # the program in English by the locale
    env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=en_GB.UTF-8 "$programme" "$@"
}

anglais --help >"$t/aide" 2>&1
anglais --csv "$t/csv" --complements --progression "$journal" >"$t/resume" 2>"$t/avancee"
anglais --csv "$t/csv2" --filtre 'statut:404' --periode 2015-05-17..2015-05-18 "$journal" \
    >>"$t/resume" 2>&1
# Refusals, each with its own message.
anglais --inconnue >"$t/refus" 2>&1
anglais --csv "$t/x" "$t/absent.log" >>"$t/refus" 2>&1
anglais --csv "$t/x" --tranches 9 "$journal" >>"$t/refus" 2>&1
anglais --csv "$t/x" --periode hier "$journal" >>"$t/refus" 2>&1
anglais --csv "$t/x" --filtre 'statut:(' "$journal" >>"$t/refus" 2>&1
anglais --rapport "$journal" "$journal" >>"$t/refus" 2>&1
anglais --csv "$t/x" --langue de "$journal" >>"$t/refus" 2>&1
printf 'not a line\n' >"$t/mauvais.log"
anglais --csv "$t/x" "$t/mauvais.log" >>"$t/refus" 2>&1
LC_ALL=C.UTF-8 "$programme" --langue en --csv "$t/x" "$t/absent.log" >"$t/force" 2>&1
[ "$(wc -l <"$t/refus")" -ge 8 ] || faute "refus : $(cat "$t/refus")"
for f in aide resume refus force; do
    [ -s "$t/$f" ] || faute "$f : rien d'écrit"
done
for f in aide resume avancee refus force; do
    francais "$t/$f" && faute "$f : du français reste"
done
grep -q "Unable to open the file" "$t/force" || faute "--langue en : $(cat "$t/force")"
grep -q "5000 lines analysed" "$t/resume" || faute "résumé : $(cat "$t/resume")"
# The CSV tables: their headings, and the overview's captions.
for f in "$t"/csv/*.csv; do
    head -1 "$f" >"$t/entete"
    francais "$t/entete" && faute "$(basename "$f") : en-tête en français"
done
cut -d';' -f1 "$t/csv/resume.csv" >"$t/libelles"
francais "$t/libelles" && faute "resume.csv : libellés en français"

# The report's page: its title, headings, table headers and captions.
anglais --rapport "$t/rapport.html" --complements "$journal" >/dev/null 2>&1
grep -oP '<(h1|h2|th|caption)[^>]*>[^<]*' "$t/rapport.html" | sed 's/<[^>]*>//' >"$t/titres"
[ -s "$t/titres" ] || faute "rapport : aucun titre"
francais "$t/titres" && faute "rapport : titres en français"
grep -q '<html lang="en">' "$t/rapport.html" || faute "rapport : langue de la page"

# French wherever it is asked: --langue fr under an English locale, the help as it always was.
anglais --langue fr --help >"$t/aide-fr" 2>&1
LC_ALL=C.UTF-8 "$programme" --help >"$t/aide-c" 2>&1
cmp -s "$t/aide-fr" "$t/aide-c" || faute "--langue fr : l'aide diffère de l'aide française"
grep -q "affiche cette aide" "$t/aide-fr" || faute "--langue fr : pas d'aide française"
exit $echec
