#!/usr/bin/env bash
# Prints, with awk, sort, uniq and grep only, the figures that tests/core/analyse/test_echantillon.cpp
# expects from the real sample journal. Nothing of Kestrane is used: the fields are read the way
# a person reads the combined log format, so the figures are an independent witness.
#
#   tests/outils/chiffres_echantillon.sh [journal]
#
# Without an argument it reads ../shared/samples/apache-combined-10k.log beside the repository.
set -euo pipefail
export LC_ALL=C

racine="$(cd "$(dirname "$0")/../.." && pwd)"
F="${1:-$racine/../shared/samples/apache-combined-10k.log}"
[ -r "$F" ] || { echo "journal introuvable : $F" >&2; exit 1; }

titre() { printf '\n== %s\n' "$1"; }
# Reads its whole input, unlike head, so that no writer dies of a broken pipe under pipefail.
premieres() { awk -v n="$1" 'NR <= n'; }

# The figures only mean something if every line is read the same way by the program's cutter
# and by the readings below, so first check the shape the readings rely on.
titre "Forme des lignes"
forme='^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+ [^ ]+ [^ ]+ \[[0-9]{2}/[A-Z][a-z]{2}/[0-9]{4}:[0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}\] "[^"]*" [0-9]{3} ([0-9]+|-) "[^"]*" "[^"]*"$'
echo "lignes au format combine strict : $(grep -cE "$forme" "$F")"
echo "lignes hors format (numero: debut) :"
grep -nvE "$forme" "$F" | cut -c1-160 || true
# The program rebuilds the address from four integers: a leading zero would merge two texts.
echo "octets d'adresse avec zero de tete : $(grep -cE '^([0-9]+\.){0,3}0[0-9]' "$F" || true)"
# Quotes inside a quoted field would make the cut at quote-blank differ from this reading.
echo "guillemets par ligne (nombre de lignes) :"
awk -F'"' '{ n[NF - 1]++ } END { for (k in n) print "  " k " guillemets : " n[k] }' "$F" | sort
echo "champs vides entre guillemets : $(grep -c '""' "$F" || true)"
echo "requetes par methode et nombre de mots :"
awk -F'"' '{ print $2 }' "$F" | awk '{ print "  " $1 " " NF " mots" }' | sort | uniq -c

titre "Lignes"
awk 'END { print "lignes : " NR }' "$F"

titre "Adresses"
echo "adresses distinctes : $(awk '{ print $1 }' "$F" | sort -u | wc -l)"
echo "premieres adresses par ordre d'apparition :"
awk '!vu[$1]++ { print "  " $1; if (++n == 5) exit }' "$F"
echo "adresses les plus frequentes (egalites visibles) :"
awk '{ print $1 }' "$F" | sort | uniq -c | sort -k1,1nr -k2 | premieres 3

titre "Octets (\"-\" compte 0)"
# Fields by quotes: $3 is ' status bytes '.
octets() { awk -F'"' '{ split($3, c, " "); print $1, (c[2] == "-" ? 0 : c[2]) }' "$F"; }
tirets=$(awk -F'"' '{ split($3, c, " "); if (c[2] == "-") n++ } END { print n + 0 }' "$F")
echo "octets \"-\" : $tirets"
# %.0f: mawk clamps %d at 2147483647, and the total of the file is beyond it.
octets | awk '{ t += $NF } END { printf "total du fichier : %.0f\n", t }'
echo "total par adresse, les plus fortes :"
octets | awk '{ t[$1] += $NF } END { for (a in t) printf "%.0f %s\n", t[a], a }' |
  sort -k1,1nr | premieres 3 | sed 's/^/  /'
for a in 66.249.73.135 83.149.9.216 68.180.224.225; do
  octets | awk -v a="$a" '$1 == a { t += $NF; n++ }
    END { printf "  %s : %.0f octets sur %d lignes\n", a, t, n }'
done

titre "Dates"
dates() { awk '{ print substr($4, 2, 11) }' "$F"; }
echo "dates distinctes : $(dates | sort -u | wc -l)"
echo "lignes par date, ordre d'apparition, heure de la premiere ligne :"
awk '{ d = substr($4, 2, 11); if (!(d in n)) { ordre[++k] = d; h[d] = substr($4, 14, 8) }; n[d]++ }
  END { for (i = 1; i <= k; i++) print "  " ordre[i] " " n[ordre[i]] " " h[ordre[i]] }' "$F"
echo "dates qui reviennent apres une autre : $(dates | uniq | sort | uniq -d | wc -l)"

# The first date starts at 10 h; the second covers the whole day, hours below 10 included.
heuresDuJour() {
  titre "Heures du $1 (ordre d'apparition)"
  awk -v d="[$1" 'substr($4, 1, 12) == d { h = substr($4, 14, 2)
      if (!(h in n)) ordre[++k] = h; n[h]++ }
    END { for (i = 1; i <= k; i++) print "  " ordre[i] " " n[ordre[i]] }' "$F"
}
heuresDuJour "$(dates | premieres 1)"
heuresDuJour "$(dates | sort -u | awk 'NR == 2')"

titre "Heures sur tout le fichier (ordre d'apparition, date de la premiere ligne)"
awk '{ h = substr($4, 14, 2); if (!(h in n)) { ordre[++k] = h; d[h] = substr($4, 2, 11) } n[h]++ }
  END { for (i = 1; i <= k; i++) print "  " ordre[i] " " n[ordre[i]] " " d[ordre[i]] }' "$F"

titre "Provenances (le texte entre les guillemets apres les octets)"
prov() { awk -F'"' '{ print $4 }' "$F"; }
echo "provenances distinctes : $(prov | sort -u | wc -l)"
echo "provenance \"-\" : $(prov | grep -cx -- '-')"
echo "premieres provenances par ordre d'apparition :"
prov | awk '!vu[$0]++ { print "  " $0 }' | premieres 3

titre "Fichiers charges"
# As a person reads it: the path between the first and the last blank, GET with a protocol.
echo "GET avec protocole, chemins les plus demandes :"
awk -F'"' '{ print $2 }' "$F" | awk '$1 == "GET" && NF == 3 { print $2 }' |
  sort | uniq -c | sort -k1,1nr -k2 | premieres 3
# The loaded-file rule cuts after the last blank that follows a "T" (or from the fifth byte) up
# to the last blank: POST paths join GET's, HEAD's keep a leading blank. Applied here to every
# request so the figures cover all methods.
fichiers() {
  awk -F'"' '{ r = $2; L = length(r); debut = 5; fin = L
      for (i = 4; i <= L; i++) if (substr(r, i, 1) == " ") {
        if (substr(r, i - 1, 1) == "T") debut = i + 1
        fin = i - 1 }
      print "[" substr(r, debut, fin - debut + 1) "]" }' "$F"
}
echo "fichiers charges distincts : $(fichiers | sort -u | wc -l)"
echo "fichiers charges les plus frequents :"
fichiers | sort | uniq -c | sort -k1,1nr -k2 | premieres 3
