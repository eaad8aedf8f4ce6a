#!/bin/sh
# The command line from a script's point of view: exit status, standard output and error, and
# the files left behind, with no display at all, for either program that runs it: `kestrane`
# given an option, or `kestrane-rapport`; each names itself in its messages, help and version.
# Usage: ligne_de_commande.sh <program> <sample> [kestrane|kestrane-rapport]
set -u
KESTRANE=$1
ECHANTILLON=$2
NOM=${3:-kestrane}
ATTENDUS=$(dirname "$0")/attendus
T=$(mktemp -d)
chmod 755 "$T"
trap 'chmod -R u+w "$T" 2>/dev/null; rm -rf "$T"' EXIT
echecs=0

# As an ordinary user: root reads and writes whatever the permissions say.
if [ "$(id -u)" = 0 ]; then
    COMME="setpriv --reuid=65534 --regid=65534 --clear-groups"
    # The checkout may lie in a folder that user cannot enter: the program is run from here.
    cp "$KESTRANE" "$T/kestrane" && chmod 755 "$T/kestrane"
    KESTRANE="$T/kestrane"
else
    COMME=""
fi

# Bounded: a run that blocks (on a pipe, say) fails instead of hanging the suite.
lancer() {
    timeout 120 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $COMME "$KESTRANE" "$@" \
        >"$T/sortie" 2>"$T/erreurs"
    echo $? >"$T/code"
}

echec() {
    echo "ECHEC $1"; echecs=$((echecs + 1))
}

# verifier <name> <expected status> <text expected on stdout or stderr> -- args...
verifier() {
    nom=$1 attendu=$2 texte=$3
    shift 4
    lancer "$@"
    code=$(cat "$T/code")
    if [ "$code" != "$attendu" ]; then
        echo "ECHEC $nom : code $code au lieu de $attendu"; cat "$T/erreurs"; echecs=$((echecs + 1))
        return
    fi
    if [ "$attendu" = 0 ]; then flux="$T/sortie"; else flux="$T/erreurs"; fi
    if ! grep -qF -- "$texte" "$flux"; then
        echo "ECHEC $nom : « $texte » absent de :"; cat "$T/sortie" "$T/erreurs"
        echecs=$((echecs + 1))
        return
    fi
    if [ "$attendu" != 0 ] && [ -s "$T/sortie" ]; then
        echo "ECHEC $nom : sortie standard non vide en cas d'erreur"; echecs=$((echecs + 1))
    fi
    if [ "$attendu" != 0 ] && [ "$(head -c $((${#NOM} + 3)) "$T/erreurs")" != "$NOM : " ]; then
        echo "ECHEC $nom : message sans le nom du programme « $NOM : »"; cat "$T/erreurs"
        echecs=$((echecs + 1))
    fi
    echo "ok $nom"
}

cp "$ECHANTILLON" "$T/acces.log"
chmod 644 "$T/acces.log"
mkdir "$T/sortie-ok" && chmod 777 "$T/sortie-ok"
# Line 3 has a status that is no number.
{ head -n 2 "$T/acces.log"; echo '1.2.3.4 - - [20/Dec/2023:01:00:00 +0100] "GET / HTTP/1.1" abc 10 "-" "x"'; sed -n 3,20p "$T/acces.log"; } >"$T/mauvais.log"
cp "$T/acces.log" "$T/illisible.log" && chmod 000 "$T/illisible.log"
mkdir "$T/lecture-seule" && echo "ancien rapport" >"$T/lecture-seule/rapport.html" && chmod 555 "$T/lecture-seule"
gzip -c "$T/acces.log" >"$T/acces.log.gz" && chmod 644 "$T/acces.log.gz"

# A byte sum past 64 bits over two clients: only the compléments' sums pass the range.
L1='83.149.9.216 - - [17/May/2015:10:05:03 +0000] "GET /a HTTP/1.1" 200 1 "-" "x"'
L2='10.0.0.1 - - [17/May/2015:10:06:00 +0000] "GET /big HTTP/1.1" 200 9223372036854775807 "-" "x"'
printf '%s\n' "$L1" "$L2" >"$T/gros.log"
# A client that forges the fields after its request, twice.
F='10.0.0.1 - - [17/May/2015:10:05:03 +0000] "GET /x\" 200 9223372036854775807 \"http://spam.example/\" \"EvilBot HTTP/1.1" 400 226 "-" "-"'
printf '%s\n' "$F" "$F" >"$T/forge.log"
printf 'a\nb\nc\n' >"$T/autre.log"
{ head -n 1 "$T/acces.log"; echo '2001:db8::1 - - [20/Dec/2023:01:00:00 +0100] "GET / HTTP/1.1" 200 10 "-" "x"'; } >"$T/ipv6.log"
# A day whose time does not read, a line without a readable day.
for d in 17/May/2015:10:00:00 18/May/2015:25:00:00 x:10:00:00; do
    echo "1.2.3.4 - - [$d +0000] \"GET / HTTP/1.1\" 200 10 \"-\" \"x\""
done >"$T/heures.log"
chmod 644 "$T/gros.log" "$T/forge.log" "$T/autre.log" "$T/ipv6.log" "$T/heures.log"

verifier aide 0 "Usage : $NOM [options] journal..." -- --help
if [ "$NOM" = kestrane ]; then version="Kestrane "; else version="$NOM (Kestrane) "; fi
verifier version 0 "$version" -- --version
# The help word for word: the options of the manual page are checked against it.
lancer --help
cmp -s "$T/sortie" "$ATTENDUS/aide-$NOM.txt" || { echo "ECHEC aide différente de $ATTENDUS/aide-$NOM.txt :"; diff "$ATTENDUS/aide-$NOM.txt" "$T/sortie"; echecs=$((echecs + 1)); }
verifier aide_dans_le_message 1 "($NOM --help pour l'aide)" -- --rapports "$T/x.html"
verifier rapport 0 "5000 lignes analysées" -- --rapport "$T/sortie-ok/r.html" "$T/acces.log"
verifier gzip 0 "5000 lignes analysées" -- --rapport "$T/sortie-ok/gz.html" "$T/acces.log.gz"
verifier deux_fichiers 0 "10000 lignes analysées" -- --csv "$T/sortie-ok/csv" "$T/acces.log" "$T/acces.log.gz"
verifier periode 0 "hors période" -- --rapport "$T/sortie-ok/p.html" --periode 2023-12-20..2023-12-20T12:00 "$T/acces.log"
verifier periode_incorrecte 1 "période incorrecte" -- --rapport "$T/sortie-ok/x.html" --periode 2023-02-30..2023-03-01 "$T/acces.log"
# The filter: its lines left out told, its errors with their position, a filter keeping nothing.
verifier filtre 0 "hors filtre" -- --filtre '-robot (statut:2xx ou statut:304)' --sans-statiques --exclure-ip 66.249.0.0/16 --csv "$T/sortie-ok/filtre" --rapport "$T/sortie-ok/f.html" "$T/acces.log"
grep -qF "<p class=\"filtre\">Filtre : <code>-robot (statut:2xx ou statut:304) -statique -ip:66.249.0.0/16</code></p>" "$T/sortie-ok/f.html" || { echo "ECHEC filtre absent du rapport"; echecs=$((echecs + 1)); }
grep -qF -- "-robot (statut:2xx ou statut:304) -statique -ip:66.249.0.0/16" "$T/sortie-ok/filtre/filtre.csv" || { echo "ECHEC filtre absent de filtre.csv"; echecs=$((echecs + 1)); }
grep -q "class=\"filtre\"" "$T/sortie-ok/r.html" && { echo "ECHEC filtre dans un rapport sans filtre"; echecs=$((echecs + 1)); }
# A line that stops the analysis is named by its number in its file, the filter's lines counted.
verifier ligne_fautive_filtre 1 "ligne 3 : 'abc'" -- --filtre '-ip:73.0.0.0/8' --rapport "$T/sortie-ok/x.html" "$T/mauvais.log"
verifier ligne_fautive_filtre_entiere 1 "ligne 3 : 'abc'" -- --lecture-entiere --filtre '-ip:73.0.0.0/8' --rapport "$T/sortie-ok/x.html" "$T/mauvais.log"
verifier filtre_incorrect 1 "$NOM : Filtre incorrect en position 7 : champ inconnu « foo »" -- --filtre 'robot foo:1' --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier filtre_guillemet 1 "Filtre incorrect en position 8 : guillemet non fermé" -- --filtre 'chemin:"/a b' --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier filtre_vide 1 "$NOM : Aucune ligne ne passe le filtre" -- --statut 999 --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier filtre_vide_entiere 1 "$NOM : Aucune ligne ne passe le filtre" -- --lecture-entiere --statut 999 --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier exclure_ip_incorrecte 1 "valeur incorrecte « 1.2.3.4/40 » pour --exclure-ip" -- --exclure-ip 1.2.3.4/40 --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier statut_incorrect 1 "valeur incorrecte « 4x » pour --statut" -- --statut 4x --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier filtre_sans_valeur 1 "l'option --filtre demande une expression" -- --rapport "$T/sortie-ok/x.html" "$T/acces.log" --filtre
verifier filtre_pays_sans_base 1 "indiquez une base de géolocalisation" -- --filtre pays:FR --geoip "$T/absent.mmdb" --rapport "$T/sortie-ok/x.html" "$T/acces.log"
verifier fichier_absent 1 "Impossible d'ouvrir le fichier \"$T/absent.log\"" -- --rapport "$T/sortie-ok/x.html" "$T/absent.log"
verifier fichier_illisible 1 "Impossible d'ouvrir le fichier \"$T/illisible.log\"" -- --rapport "$T/sortie-ok/x.html" "$T/illisible.log"
verifier ligne_fautive 1 "ligne 3 : 'abc' n'est pas une valeur entière correcte" -- --rapport "$T/sortie-ok/x.html" "$T/mauvais.log"
verifier ligne_fautive_periode 1 "ligne 3 : 'abc'" -- --periode 2023-12-20T00:30..2023-12-20T23:00 --rapport "$T/sortie-ok/x.html" "$T/mauvais.log"
verifier ligne_fautive_second_fichier 1 "$T/mauvais.log, ligne 3 : 'abc'" -- --rapport "$T/sortie-ok/x.html" "$T/acces.log" "$T/mauvais.log"
verifier ligne_fautive_ignoree 0 "20 lignes analysées, 1 ignorée," -- --ignorer-lignes-non-conformes --rapport "$T/sortie-ok/m.html" "$T/mauvais.log"
grep -qF "20 lignes analysées sur 21 lignes lues (1 ligne ignorée)" "$T/sortie-ok/m.html" || { echo "ECHEC résumé du rapport"; echecs=$((echecs + 1)); }
verifier somme_complements 1 "$NOM : ligne 2 : Débordement d'entier" -- --complements --rapport "$T/sortie-ok/x.html" "$T/gros.log"
verifier somme_complements_souple 1 "$NOM : ligne 2 : Débordement d'entier" -- --complements --ignorer-lignes-non-conformes --rapport "$T/sortie-ok/x.html" "$T/gros.log"
verifier somme_sans_complements 0 "2 lignes analysées, 2 adresses IP" -- --rapport "$T/sortie-ok/g.html" "$T/gros.log"
grep -qF "plus de 8,0 Eo (9223372036854775808)" "$T/sortie-ok/g.html" || { echo "ECHEC octets du sommaire au-delà de 64 bits"; grep -o "Octets envoy[^/]*" "$T/sortie-ok/g.html"; echecs=$((echecs + 1)); }
verifier champs_forges 1 "$NOM : ligne 2 : Débordement d'entier" -- --rapport "$T/sortie-ok/x.html" "$T/forge.log"
verifier champs_forges_souple 0 "2 lignes analysées, 1 adresse IP" -- --ignorer-lignes-non-conformes --csv "$T/sortie-ok/forge" "$T/forge.log"
grep -q '^10.0.0.1;452' "$T/sortie-ok/forge/taux-chargement.csv" || { echo "ECHEC octets des lignes forgées"; echecs=$((echecs + 1)); }
verifier aucune_ligne_conforme 1 "$NOM : aucune ligne conforme sur 3 : format non reconnu ?" -- --ignorer-lignes-non-conformes --rapport "$T/sortie-ok/x.html" "$T/autre.log"
verifier client_ipv6 1 "$NOM : l'option --ignorer-lignes-non-conformes lit les adresses IPv6 et les noms d'hôtes" -- --rapport "$T/sortie-ok/x.html" "$T/ipv6.log"
head -n 1 "$T/erreurs" | grep -qF "$NOM : ligne 2 : '2001:db8::1 - - [" || { echo "ECHEC première ligne du message IPv6"; echecs=$((echecs + 1)); }
verifier ligne_fautive_sans_conseil 1 "ligne 3" -- --rapport "$T/sortie-ok/x.html" "$T/mauvais.log"
[ "$(wc -l <"$T/erreurs")" = 1 ] || { echo "ECHEC conseil IPv6 pour une adresse pointée"; echecs=$((echecs + 1)); }
# --format: refused before anything is read or written, with the position of what is wrong.
for essai in "%h %l %u %Z|Format de journal incorrect : directive inconnue %Z (position 10)" \
             "n'importe quoi|Format de journal incorrect : aucun champ" \
             "|Format de journal incorrect : cha"; do
    chaine=${essai%%|*} message=${essai#*|}
    verifier "format_incorrect_${chaine%% *}" 1 "$NOM : $message" -- --format "$chaine" --rapport "$T/sortie-ok/fmt.html" "$T/absent.log"
    [ ! -e "$T/sortie-ok/fmt.html" ] || { echo "ECHEC format incorrect : rapport écrit"; echecs=$((echecs + 1)); }
done
verifier format_sans_valeur 1 "l'option --format demande un format" -- --rapport "$T/sortie-ok/fmt.html" "$T/acces.log" --format
sed 's/^/www.exemple.fr /' "$T/acces.log" >"$T/nginx.log" && chmod 644 "$T/nginx.log"
verifier format_nomme 0 "format : nginx, hôte avant le client" -- --format nginx-hote --rapport "$T/sortie-ok/fmt.html" "$T/nginx.log"
grep -qF "Format du journal : nginx, hôte avant le client" "$T/sortie-ok/fmt.html" || { echo "ECHEC format absent du rapport"; echecs=$((echecs + 1)); }
# Host first and no port: vhost_combined's second form reads it too, and comes first in the list.
verifier format_auto 0 "format : Combiné avec hôte virtuel (détecté)" -- --format auto --csv "$T/sortie-ok/fmt" "$T/nginx.log"
grep -q '^www.exemple.fr;5000;' "$T/sortie-ok/fmt/hotes-virtuels.csv" || { echo "ECHEC table des hôtes virtuels"; echecs=$((echecs + 1)); }
# Without --format, the same lines stop at the first one, as always.
verifier format_defaut 1 "ligne 1 :" -- --rapport "$T/sortie-ok/fmt2.html" "$T/nginx.log"
verifier jours 0 "3 lignes analysées" -- --complements --csv "$T/sortie-ok/jours" "$T/heures.log"
# Visitors and visits beside each day: none for a time or a day that does not read.
tr -d '\r' <"$T/sortie-ok/jours/jours.csv" | grep -c -e '^17/05/2015;1;10;1;1$' -e '^18/05/2015;1;10;0;0$' -e '^Requêtes sans date lisible;1;10;0;0$' | grep -qx 3 || { echo "ECHEC jours.csv"; cat "$T/sortie-ok/jours/jours.csv"; echecs=$((echecs + 1)); }
# The audience's tables; the countries only with a database: a file that is none is told, and
# the analysis goes on without them.
for t in sites-referents recherches robots methodes protocoles; do
    [ -f "$T/sortie-ok/jours/$t.csv" ] || echec "$t.csv absent"
done
verifier geoip_illisible 0 "3 lignes analysées" -- --complements --geoip "$T/autre.log" --csv "$T/sortie-ok/geo" "$T/heures.log"
grep -qxF "$NOM : \"$T/autre.log\" n'est pas une base de géolocalisation lisible" "$T/erreurs" || { echec "message d'une base illisible"; cat "$T/erreurs"; }
[ -e "$T/sortie-ok/geo/pays.csv" ] && echec "des pays sans base"
verifier geoip_absente 0 "3 lignes analysées" -- --complements --geoip "$T/absent.mmdb" --csv "$T/sortie-ok/geo" "$T/heures.log"
grep -qF "$NOM : Impossible d'ouvrir le fichier \"$T/absent.mmdb\"" "$T/erreurs" || { echec "message d'une base absente"; cat "$T/erreurs"; }
verifier geoip_sans_fichier 1 "l'option --geoip demande un nom de fichier" -- --complements --csv "$T/sortie-ok/geo" "$T/heures.log" --geoip
verifier deux_journaux 0 "lignes analysées" -- --rapport "$T/sortie-ok/deux.html" "$T/acces.log" "$T/gros.log"
grep -qF "<h1>Rapport d&#39;analyse de 2 journaux : gros.log, acces.log</h1>" "$T/sortie-ok/deux.html" || { echo "ECHEC titre de deux journaux"; echecs=$((echecs + 1)); }
verifier dossier_lecture_seule 1 "Impossible de créer le fichier \"$T/lecture-seule/rapport.html\"" -- --rapport "$T/lecture-seule/rapport.html" "$T/acces.log"
verifier csv_puis_rapport_impossible 1 "Impossible de créer le fichier \"$T/lecture-seule/rapport.html\"" -- --csv "$T/sortie-ok/csv2" --rapport "$T/lecture-seule/rapport.html" "$T/acces.log"
verifier sans_sortie 1 "indiquez --rapport" -- --ignorer-lignes-non-conformes "$T/acces.log"
verifier option_inconnue 1 "option inconnue" -- --rapports "$T/x.html" "$T/acces.log"

# Read as a stream: standard input (plain or gzip), files out of order, slices of 3 hours, the
# tables of the journal loaded whole every time; the progress on standard error when asked.
verifier entiere 0 "5000 lignes analysées" -- --lecture-entiere --csv "$T/sortie-ok/entiere" "$T/acces.log"
verifier entree_standard 0 "5000 lignes analysées" -- --csv "$T/sortie-ok/entree" - <"$T/acces.log.gz"
diff -r "$T/sortie-ok/entiere" "$T/sortie-ok/entree" >/dev/null || echec "entrée standard : tables différentes"
# The Compléments and their audience counted from the stream too, as from the journal loaded whole.
verifier complements_entiere 0 "5000 lignes analysées" -- --complements --lecture-entiere --csv "$T/sortie-ok/c-entiere" "$T/acces.log"
verifier complements_entree 0 "5000 lignes analysées" -- --complements --csv "$T/sortie-ok/c-entree" - <"$T/acces.log.gz"
diff -r "$T/sortie-ok/c-entiere" "$T/sortie-ok/c-entree" >/dev/null || echec "compléments de l'entrée standard : tables différentes"
grep -q "Visites" "$T/sortie-ok/c-entree/jours.csv" || echec "compléments de l'entrée standard : pas de visites"
head -n 2000 "$T/acces.log" >"$T/debut.log" && tail -n +2001 "$T/acces.log" >"$T/fin.log"
chmod 644 "$T/debut.log" "$T/fin.log"
verifier desordre 0 "5000 lignes analysées" -- --csv "$T/sortie-ok/desordre" "$T/fin.log" "$T/debut.log"
diff -r "$T/sortie-ok/entiere" "$T/sortie-ok/desordre" >/dev/null || echec "fichiers dans le désordre : tables différentes"
verifier tranches 0 "5000 lignes analysées" -- --tranches 3 --csv "$T/sortie-ok/t3" "$T/acces.log"
verifier tranches_entiere 0 "5000 lignes analysées" -- --lecture-entiere --tranches 3 --csv "$T/sortie-ok/t3e" "$T/acces.log"
cmp -s "$T/sortie-ok/t3/tranches-horaires.csv" "$T/sortie-ok/t3e/tranches-horaires.csv" || echec "tranches de 3 heures différentes"
grep -q "^03 à 06;" "$T/sortie-ok/t3/tranches-horaires.csv" || echec "pas de tranche 03 à 06"
verifier tranches_incorrectes 1 "l'option --tranches demande une largeur de 1 à 6 heures" -- --tranches 7 --csv "$T/sortie-ok/t7" "$T/acces.log"
# A writer that stops in the middle of a line: that line is the last, as in a file cut there.
coupe=$(($(head -n 419 "$T/acces.log" | wc -c) + 30))  # in the address or the date of line 420
head -c "$coupe" "$T/acces.log" >"$T/coupe.log" && chmod 644 "$T/coupe.log"
verifier coupe_fichier 0 "1 ignorée" -- --lecture-entiere --ignorer-lignes-non-conformes --csv "$T/sortie-ok/coupe-f" "$T/coupe.log"
head -c "$coupe" "$T/acces.log" | verifier coupe_tube 0 "1 ignorée" -- --ignorer-lignes-non-conformes --csv "$T/sortie-ok/coupe-t" -
diff -r "$T/sortie-ok/coupe-f" "$T/sortie-ok/coupe-t" >/dev/null || echec "tube coupé : tables différentes"
head -c "$coupe" "$T/acces.log" | verifier coupe_tube_stricte 1 "ligne 420 : " -- --csv "$T/sortie-ok/coupe-s" -
(head -n 2500 "$T/acces.log"; sleep 1.5; tail -n +2501 "$T/acces.log") | verifier progression 0 "5000 lignes analysées" -- --progression --csv "$T/sortie-ok/progression" -
grep -q "Mo lus, 5 000 lignes, [0-9 ]* lignes/s" "$T/erreurs" || { echec "pas de ligne de progression"; cat "$T/erreurs"; }

# Outputs checked before anything is read: one that would replace a journal (through any path or
# link), two at the same place, a pipe; the journal, the first output and the pipe untouched.
cp "$T/acces.log" "$T/sortie-ok/j.log" && ln -s j.log "$T/sortie-ok/lien.log"
mkfifo "$T/sortie-ok/tube" && chmod 666 "$T/sortie-ok/tube"
verifier rapport_sur_journal 1 "le rapport remplacerait le journal « $T/sortie-ok/j.log »" -- --rapport "$T/sortie-ok/j.log" "$T/sortie-ok/j.log"
verifier rapport_sur_lien 1 "le rapport remplacerait le journal « $T/sortie-ok/j.log »" -- --rapport "$T/sortie-ok/lien.log" "$T/sortie-ok/j.log"
verifier tables_sur_journal 1 "les tables CSV remplaceraient le journal" -- --csv "$T/sortie-ok/csv" "$T/sortie-ok/csv/requetes.csv"
verifier meme_endroit 1 "seraient écrits au même endroit « $T/sortie-ok/r2.html »" -- --rapport "$T/sortie-ok/r2.html" --csv "$T/sortie-ok/r2.html" "$T/acces.log"
verifier sortie_tube 1 "Impossible de créer le fichier \"$T/sortie-ok/tube\". Ce n'est pas un fichier ordinaire" -- --csv "$T/sortie-ok/c1" --rapport "$T/sortie-ok/tube" "$T/acces.log"
verifier pas_un_dossier 1 "Impossible de créer le dossier \"$T/acces.log/sous\". \"$T/acces.log\" n'est pas un dossier" -- --csv "$T/acces.log/sous" "$T/acces.log"
cmp -s "$T/acces.log" "$T/sortie-ok/j.log" || echec "le journal a changé"
[ -e "$T/sortie-ok/r2.html" ] && echec "une sortie écrite malgré le refus"
[ -e "$T/sortie-ok/c1" ] && echec "des tables écrites alors que le rapport ne pouvait l'être"
[ -p "$T/sortie-ok/tube" ] || echec "le tube a été remplacé"

# The same journal named twice is read once, with a note.
verifier journal_deux_fois 0 "5000 lignes analysées" -- --rapport "$T/sortie-ok/d.html" "$T/acces.log" "$T/./acces.log"
grep -qF "1 journal nommé plusieurs fois, lu une seule fois : « $T/./acces.log »" "$T/erreurs" || echec "pas de note sur le journal nommé deux fois"

# Pipes among journals: each read once, dated by its first line and counted whole, in the stream
# and when loaded (another format); standard input known as the file it reads; one line is a
# journal; an empty line told as such; log bytes shown as escapes, a long field cut.
mkfifo "$T/f1" "$T/f2" && chmod 666 "$T/f1" "$T/f2"
ecrire_tube() { timeout 60 sh -c 'cat "$1" >"$2"' sh "$1" "$2" & }
ecrire_tube "$T/fin.log" "$T/f1"
verifier tube_parmi_journaux 0 "5000 lignes analysées" -- --complements --csv "$T/sortie-ok/tubes1" "$T/f1" "$T/debut.log"
wait
diff -r "$T/sortie-ok/c-entiere" "$T/sortie-ok/tubes1" >/dev/null || echec "tube parmi les journaux : tables différentes"
ecrire_tube "$T/fin.log" "$T/f1"; ecrire_tube "$T/debut.log" "$T/f2"
verifier deux_tubes 0 "5000 lignes analysées" -- --csv "$T/sortie-ok/tubes2" "$T/f1" "$T/f2"
wait
diff -r "$T/sortie-ok/entiere" "$T/sortie-ok/tubes2" >/dev/null || echec "deux tubes : tables différentes"
ecrire_tube "$T/fin.log" "$T/f1"
verifier tube_format 0 "5000 lignes analysées, format : Combiné (par défaut) (détecté)" -- --format auto --csv "$T/sortie-ok/tubes3" "$T/f1" "$T/debut.log"
wait
cat "$T/acces.log" | verifier entree_deux_fois 0 "5000 lignes analysées" -- --csv "$T/sortie-ok/e2" - /dev/stdin
verifier entree_est_un_journal 0 "5000 lignes analysées" -- --csv "$T/sortie-ok/e3" "$T/acces.log" - <"$T/acces.log"
grep -qF "lu une seule fois : « - »" "$T/erreurs" || echec "entrée standard lue deux fois"
verifier entree_format 0 "5000 lignes analysées" -- --format combine-plus --csv "$T/sortie-ok/e4" - <"$T/acces.log.gz"
head -n 1 "$T/acces.log" >"$T/une.log" && chmod 644 "$T/une.log"
verifier une_ligne 0 "1 ligne analysée" -- --csv "$T/sortie-ok/une" "$T/une.log"
{ head -n 2 "$T/acces.log"; echo; sed -n 3,5p "$T/acces.log"; } >"$T/vide.log" && chmod 644 "$T/vide.log"
verifier ligne_vide 1 "$NOM : ligne 3 : Ligne vide" -- --csv "$T/sortie-ok/vide" "$T/vide.log"
[ "$(wc -l <"$T/erreurs")" = 1 ] || echec "conseil IPv6 pour une ligne vide"
printf '\033]0;PWNED\007\033[2J - - x\n' >"$T/echap.log" && chmod 644 "$T/echap.log"
verifier echappements 1 "ligne 1 : '\\x1b]0;PWNED\\x07\\x1b[2J - - x' n'est pas" -- --csv "$T/sortie-ok/echap" "$T/echap.log"
grep -q "$(printf '\033')" "$T/erreurs" && echec "octets de contrôle sur la sortie d'erreur"
head -c 5000000 /dev/zero | tr '\0' 7 >"$T/long.log" && chmod 644 "$T/long.log"
verifier champ_long 1 "77…' (5 000 000 caractères) n'est pas une valeur entière correcte" -- --csv "$T/sortie-ok/long" "$T/long.log"
[ "$(wc -c <"$T/erreurs")" -lt 1000 ] || echec "champ long recopié sur la sortie d'erreur"
{ head -n 2 "$T/acces.log"; head -n 1 "$T/acces.log" | sed 's/" 200 [0-9]* "/" 200 -500 "/'; } >"$T/negatif.log" && chmod 644 "$T/negatif.log"
verifier octets_negatifs 0 "2 lignes analysées, 1 ignorée" -- --ignorer-lignes-non-conformes --csv "$T/sortie-ok/negatif" "$T/negatif.log"

# Three journals given out of order, a line that does not conform and a period: the readable
# report's summary names them oldest first, and its counts add up to the lines read.
sed -n 1,1500p "$T/acces.log" >"$T/t1.log"
{ sed -n 1501,3000p "$T/acces.log"; echo '1.2.3.4 - - [05/Jan/2024:01:00:00 +0100] "GET / HTTP/1.1" abc 10 "-" "x"'; } >"$T/t2.log"
sed -n '3001,$p' "$T/acces.log" >"$T/t3.log"
chmod 644 "$T/t1.log" "$T/t2.log" "$T/t3.log"
verifier trois_journaux 0 "lignes analysées" -- --ignorer-lignes-non-conformes --periode 2023-12-24..2024-01-10 --rapport "$T/sortie-ok/trois.html" "$T/t3.log" "$T/t1.log" "$T/t2.log"
ligne_sommaire() { sed -n "s#.*<th scope=\"row\">$1</th><td>\([^<]*\)</td>.*#\1#p" "$T/sortie-ok/trois.html"; }
[ "$(ligne_sommaire 'Journaux lus')" = "t1.log, t2.log, t3.log" ] || echec "journaux du sommaire : $(ligne_sommaire 'Journaux lus')"
# The page writes its numbers in groups of three digits.
lues=$(ligne_sommaire 'Lignes lues' | tr -d ' ') gardees=$(ligne_sommaire 'Lignes analysées' | tr -d ' ')
ignorees=$(ligne_sommaire 'Lignes ignorées' | tr -d ' ') hors=$(ligne_sommaire 'Lignes hors période' | tr -d ' ')
[ "$lues" = 5001 ] && [ "$ignorees" = 1 ] && [ "$hors" -gt 0 ] && [ $((gardees + ignorees + hors)) = "$lues" ] || echec "comptes du sommaire : $lues lues, $gardees analysées, $ignorees ignorées, $hors hors période"
grep -qF "$gardees lignes analysées" "$T/sortie" || echec "le sommaire et la ligne de résumé ne disent pas les mêmes lignes analysées"

# A folder of tables is replaced whole: no table of an earlier run with more tables stays.
verifier csv_complements 0 "tables CSV" -- --complements --csv "$T/sortie-ok/csv3" "$T/acces.log"
verifier csv_sans_complements 0 "tables CSV" -- --csv "$T/sortie-ok/csv3" "$T/acces.log"
# (the eight tables, browsers and robots apart, the overview and the days: 11 files)
[ "$(ls -A "$T/sortie-ok/csv3" | wc -l)" = 11 ] || echec "des tables d'avant restent"

# Only a first argument starting with "-" is an option; the window without a display says so.
verifier option_courte 1 "option inconnue « -x »" -- -x "$T/acces.log"
if [ "$NOM" = kestrane ]; then
    verifier sans_affichage 1 "aucun affichage disponible ; sans fenêtre : kestrane --rapport" -- "$T/acces.log"
else
    verifier sans_affichage 1 "indiquez --rapport FICHIER.html ou --csv DOSSIER" -- "$T/acces.log"
fi

if [ "$(id -u)" = 0 ]; then
    # A link planted by another user in a sticky folder anyone writes in is not followed by root.
    mkdir "$T/commun" && chmod 1777 "$T/commun"
    echo secret >"$T/secret" && chmod 600 "$T/secret"
    $COMME ln -s "$T/secret" "$T/commun/rapport.html"
    comme=$COMME COMME=""
    verifier lien_plante 1 "Impossible de créer le fichier \"$T/commun/rapport.html\". Lien symbolique d'un autre utilisateur" -- --rapport "$T/commun/rapport.html" "$T/acces.log"
    COMME=$comme
    [ "$(cat "$T/secret")" = secret ] || echec "le fichier visé par le lien a été écrit"

    # A gzip file of 640 MiB of zeros under a memory limit of 200 MiB: a message, not a kill;
    # loaded whole, the journal that would not fit; read as a stream, its one line too long.
    groupe=$(sed -n 's/^[0-9]*:[^:]*memory[^:]*:\(.*\)$/\1/p' /proc/self/cgroup)
    groupe=/sys/fs/cgroup/memory${groupe%/}/kestrane-test-$$
    if mkdir "$groupe" 2>/dev/null && echo 200M >"$groupe/memory.limit_in_bytes" 2>/dev/null; then
        head -c 64M /dev/zero | gzip -1 >"$T/membre.gz"
        for i in 1 2 3 4 5 6 7 8 9 10; do cat "$T/membre.gz"; done >"$T/bombe.gz"
        # Under AddressSanitizer the stream's memory is not its own (shadow, quarantine): only
        # the loaded road's message is checked there.
        if ldd "$KESTRANE" 2>/dev/null | grep -q libasan; then lectures=--lecture-entiere
        else lectures="--lecture-entiere --progression"; fi
        for lecture in $lectures; do
            timeout 120 sh -c 'echo $$ >"$1/cgroup.procs" && exec "$2" "$5" --rapport "$3" "$4"' sh \
                "$groupe" "$KESTRANE" "$T/bombe.html" "$T/bombe.gz" "$lecture" >"$T/sortie" 2>"$T/erreurs"
            code=$?
            if [ "$lecture" = --progression ]; then attendu="ligne 1 : Ligne de plus de 64 Mio"
            else attendu="Le journal décompressé dépasse la mémoire disponible"; fi
            grep -qF "$attendu" "$T/erreurs" && [ "$code" = 1 ] &&
                echo "ok memoire_limitee $lecture" || { echec "memoire_limitee $lecture : code $code"; cat "$T/erreurs"; }
        done
        if [ "$lectures" = --lecture-entiere ]; then
            echo "(memoire_bornee sautée : AddressSanitizer)"
        else
            # A stream of 300 MB of few distinct keys under a limit of 100 MiB: counted whole.
            L='10.0.0.1 - - [17/May/2015:10:05:03 +0000] "GET /page HTTP/1.1" 200 1000 "-" "Mozilla/5.0 (X11; Linux)"'
            yes "$L" | head -n 3000000 | timeout 120 sh -c 'echo $$ >"$1/cgroup.procs" && echo 100M >"$1/memory.limit_in_bytes" && exec "$2" --csv "$3" -' sh \
                "$groupe" "$KESTRANE" "$T/sortie-ok/borne" >"$T/sortie" 2>"$T/erreurs"
            grep -q "^3000000 lignes analysées, 1 adresse IP" "$T/sortie" && echo "ok memoire_bornee" ||
                { echec "memoire_bornee"; cat "$T/sortie" "$T/erreurs"; }
        fi
        rmdir "$groupe"
    else
        rmdir "$groupe" 2>/dev/null
        echo "(memoire_limitee sautée : pas de groupe de contrôle de la mémoire)"
    fi
fi

# Nothing written by a failure; the earlier report whole; the outputs of the successes there.
[ -e "$T/sortie-ok/csv2" ] && { echo "ECHEC des tables écrites alors que le rapport ne pouvait l'être"; echecs=$((echecs + 1)); }
[ -e "$T/sortie-ok/x.html" ] && { echo "ECHEC un rapport écrit malgré l'erreur"; echecs=$((echecs + 1)); }
[ "$(cat "$T/lecture-seule/rapport.html")" = "ancien rapport" ] || { echo "ECHEC l'ancien rapport a changé"; echecs=$((echecs + 1)); }
[ "$(ls "$T/lecture-seule")" = "rapport.html" ] || { echo "ECHEC un fichier temporaire est resté"; echecs=$((echecs + 1)); }
# The eight tables (browsers and robots apart), the overview and the days.
[ "$(ls "$T/sortie-ok/csv" | wc -l)" = 11 ] || { echo "ECHEC 11 tables CSV attendues"; echecs=$((echecs + 1)); }
grep -q "voir tout" "$T/sortie-ok/r.html" || { echo "ECHEC aucun tableau replié"; echecs=$((echecs + 1)); }

echo "$echecs échec(s)"
[ "$echecs" = 0 ]
