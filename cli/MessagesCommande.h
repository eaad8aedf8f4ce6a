// What the command line writes, written once: its help, its refusals and its summary, in UTF-8
// (a terminal's encoding), as constants or as functions of what they quote, so that another
// language's catalogue can replace it. The texts it shares with the report (the lines counted)
// and the errors of the core are the core's (core/journal/Messages.h, Windows-1252, converted
// when printed); so are the few below marked Windows-1252, which join the core's texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/journal/Langue.h"

namespace kestrane {

// --- Help ---------------------------------------------------------------------------------------

inline constexpr Texte kAideOptions = TexteU(
    "Options :\n"
    "  --rapport FICHIER.html   \u00e9crit le rapport en une page HTML autonome\n"
    "  --csv DOSSIER            \u00e9crit une table CSV par tableau dans DOSSIER\n"
    "  --ignorer-lignes-non-conformes\n"
    "                           ignore les lignes non conformes au lieu de s'arr\u00eater\n"
    "  --periode AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM]\n"
    "                           n'analyse que les lignes de cette p\u00e9riode\n"
    "  --complements            ajoute les tableaux des compl\u00e9ments\n"
    "  --detail-entrees         ajoute aux compl\u00e9ments le d\u00e9tail par fichier, site "
    "r\u00e9f\u00e9rent\n"
    "                           et adresse (visiteurs, octets, statuts, visites)\n"
    "  --tranches N             tranches horaires de N heures (1 \u00e0 6, 1 par d\u00e9faut)\n"
    "  --progression            affiche l'avancement chaque seconde sur la sortie d'erreur\n"
    "  --resultats-bruts        \u00e9crit les tableaux bruts (ordre d'apparition, sans noms "
    "ni unit\u00e9s)\n"
    "  --filtre 'EXPRESSION'    ne compte que les lignes que garde le filtre (voir plus bas)\n"
    "  --exclure-ip ADRESSE[/N] laisse de c\u00f4t\u00e9 cette adresse ou ce pr\u00e9fixe "
    "(r\u00e9p\u00e9table)\n"
    "  --sans-robots            laisse de c\u00f4t\u00e9 les robots\n"
    "  --sans-statiques         laisse de c\u00f4t\u00e9 les fichiers statiques (css, js, "
    "images...)\n"
    "  --statut CODE|CLASSE     ne garde que ce statut (404) ou cette classe (4xx)\n"
    "  --format NOM|auto|'CHA\u00ceNE'\n"
    "                           lit les journaux dans ce format : combine (par d\u00e9faut),\n"
    "                           auto, commun, vhost, nginx-hote, combine-plus, w3c, json,\n"
    "                           ou une cha\u00eene LogFormat d'Apache ou log_format de nginx\n"
    "  --geoip FICHIER          base des pays des compl\u00e9ments (MaxMind DB, .mmdb) ;\n"
    "                           par d\u00e9faut la premi\u00e8re *ountry*.mmdb de\n"
    "                           /usr/share/GeoIP ou de /var/lib/GeoIP\n"
    "  --base FICHIER|postgresql://...\n"
    "                           base d'historique : y ajoute les journaux indiqu\u00e9s (leurs\n"
    "                           lignes pas encore compt\u00e9es) ; avec --rapport ou --csv,\n"
    "                           \u00e9crit ensuite le rapport de --periode (tout par d\u00e9faut)\n"
    "                           depuis la base\n"
    "  --serveur NOM            le serveur des journaux ajout\u00e9s (le nom de la machine\n"
    "                           par d\u00e9faut) ou celui du rapport (tous par d\u00e9faut)\n"
    "  --base-limite N          entr\u00e9es gard\u00e9es par tableau et par jour (1000 par\n"
    "                           d\u00e9faut, 0 : toutes), les autres additionn\u00e9es\n"
    "  --comparer AAAA-MM-JJ..AAAA-MM-JJ\n"
    "                           ajoute \u00e0 chaque tableau du rapport de la base les\n"
    "                           chiffres de cette p\u00e9riode et l'\u00e9volution\n"
    "  --suivre                 apr\u00e8s l'avoir lu, suit le journal (un seul ; \u00ab - "
    "\u00bb :\n"
    "                           l'entr\u00e9e standard) et r\u00e9\u00e9crit les sorties quand "
    "des lignes\n"
    "                           arrivent, jusqu'\u00e0 SIGINT, SIGTERM ou la fin de "
    "l'entr\u00e9e standard\n"
    "  --intervalle S           avec --suivre : r\u00e9\u00e9crit au plus toutes les S "
    "secondes\n"
    "                           (10 par d\u00e9faut)\n"
    "  --langue fr|en           la langue des messages et des rapports (celle du syst\u00e8me\n"
    "                           par d\u00e9faut : l'anglais pour une locale en_*)\n"
    "  --help                   affiche cette aide\n"
    "  --version                affiche la version\n"
    "\n"
    "Filtre : des termes champ:valeur c\u00f4te \u00e0 c\u00f4te (et), \u00ab ou \u00bb ou \u00ab "
    "| \u00bb entre eux,\n"
    "\u00ab - \u00bb devant un terme pour l'exclure, des parenth\u00e8ses pour grouper.\n"
    "  ip:66.249.0.0/16  ip:2001:db8::/32  chemin:/wp-*  chemin:~admin  chemin:=/x\n"
    "  provenance:  site:  recherche:  navigateur:  systeme:  robot:  robot  statique\n"
    "  statut:404  statut:4xx  methode:GET  protocole:HTTP/1.1  pays:FR (avec --geoip)\n"
    "  hote:  jour:2015-05-17[..2015-05-20]  heure:8[..12]\n"
    "Une valeur est exacte ; \u00ab * \u00bb y vaut n'importe quel texte, \u00ab ~ \u00bb devant "
    "elle\n"
    "cherche un texte contenu ; entre guillemets si elle a des blancs.\n"
    "Exemple : --filtre '-robot -statique (statut:2xx ou statut:304) -ip:10.0.0.0/8'\n"
    "\n"
    "Les journaux sont lus en flux, sans \u00eatre charg\u00e9s en m\u00e9moire ; \u00ab - \u00bb "
    "lit "
    "l'entr\u00e9e standard.\n"
    "Code de sortie : 0 en cas de succ\u00e8s, 1 en cas d'erreur (message sur la sortie "
    "d'erreur).\n");

// The head of the help of each program.
inline constexpr Texte kAideKestrane = TexteU(
    "Usage : kestrane [options] journal...\n"
    "        kestrane                      (ouvre la fen\u00eatre)\n"
    "\n"
    "Analyse un ou plusieurs journaux d'acc\u00e8s (format combin\u00e9, .gz accept\u00e9s) sans "
    "ouvrir de fen\u00eatre\net \u00e9crit le rapport.\n"
    "\n");
inline constexpr Texte kAideKestraneRapport = TexteU(
    "Usage : kestrane-rapport [options] journal...\n"
    "\n"
    "Analyse un ou plusieurs journaux d'acc\u00e8s (format combin\u00e9, .gz accept\u00e9s) et "
    "\u00e9crit le rapport,\n"
    "sans fen\u00eatre ni affichage : l'analyse de Kestrane pour un serveur ou un script (cron).\n"
    "\n");

// After a refusal: " (kestrane --help pour l'aide)".
std::string texteRenvoiAide(std::string_view programme);

// What the window's program says on standard error, before it exits with status 1, when there is
// no display to show the window on.
inline constexpr Texte kSansAffichage = TexteU(
    "kestrane : aucun affichage disponible ; sans fen\u00eatre : kestrane --rapport FICHIER.html "
    "journal... (kestrane --help pour l'aide)\n");

// --- Options refused
// ------------------------------------------------------------------------------

inline constexpr Texte kRapportSansFichier = TexteU("l'option --rapport demande un nom de fichier");
inline constexpr Texte kCsvSansDossier = TexteU("l'option --csv demande un nom de dossier");
inline constexpr Texte kTranchesSansLargeur =
    TexteU("l'option --tranches demande une largeur de 1 \u00e0 6 heures");
inline constexpr Texte kGeoipSansFichier = TexteU("l'option --geoip demande un nom de fichier");
inline constexpr Texte kPeriodeSansValeur = TexteU("l'option --periode demande une p\u00e9riode");
inline constexpr Texte kFormatSansValeur = TexteU("l'option --format demande un format");
inline constexpr Texte kFiltreOptionSansValeur = TexteU("l'option --filtre demande une expression");
inline constexpr Texte kExclureIpSansValeur =
    TexteU("l'option --exclure-ip demande une adresse ou un pr\u00e9fixe (66.249.0.0/16)");
inline constexpr Texte kStatutSansValeur =
    TexteU("l'option --statut demande un code (404) ou une classe (4xx)");
// "valeur incorrecte « x » pour --statut".
std::string texteOptionIncorrecte(std::string_view option, std::string_view valeur);
inline constexpr Texte kSortieManquante =
    TexteU("indiquez --rapport FICHIER.html ou --csv DOSSIER");
inline constexpr Texte kJournalManquant = TexteU("aucun fichier journal indiqu\u00e9");
// The base of days.
inline constexpr Texte kBaseSansAdresse =
    TexteU("l'option --base demande un fichier SQLite ou une adresse postgresql://");
inline constexpr Texte kServeurSansNom = TexteU("l'option --serveur demande un nom");
inline constexpr Texte kBaseLimiteSansNombre =
    TexteU("l'option --base-limite demande un nombre d'entr\u00e9es (0 : toutes)");
inline constexpr Texte kComparerSansPeriode =
    TexteU("l'option --comparer demande une p\u00e9riode (AAAA-MM-JJ..AAAA-MM-JJ)");
inline constexpr Texte kOptionsSansBase = TexteU("--serveur et --comparer demandent --base");
inline constexpr Texte kBaseFormatCombine =
    TexteU("--base ajoute des journaux au format combin\u00e9 (ou commun) seulement");
inline constexpr Texte kBaseSansJourDansLaPeriode =
    TexteU("la base ne compte aucune ligne dans cette p\u00e9riode");
// "1 234 lignes ajout\u00e9es \u00e0 la base pour le serveur \u00ab web1 \u00bb (2 fichiers)".
std::string texteAjoutBase(std::size_t lignes, std::size_t fichiers, const std::string& serveur);
// "« texte »": a name or a value the user typed, as the messages quote it.
std::string texteEntreGuillemets(std::string_view texte);
// "période incorrecte « x » (attendu : AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM])".
std::string textePeriodeIncorrecte(std::string_view periode);
// "option inconnue « -x »".
std::string texteOptionInconnue(std::string_view option);

// Following a journal (--suivre).
inline constexpr Texte kIntervalleSansSecondes =
    TexteU("l'option --intervalle demande un nombre entier de secondes (1 ou plus)");
inline constexpr Texte kIntervalleSansSuivre = TexteU("l'option --intervalle va avec --suivre");
inline constexpr Texte kSuivreSansSortie =
    TexteU("--suivre demande --rapport FICHIER.html ou --csv DOSSIER");
inline constexpr Texte kSuivreUnJournal =
    TexteU("--suivre suit un seul journal (\u00ab - \u00bb : l'entr\u00e9e standard)");
inline constexpr Texte kSuivreBaseEntree = TexteU(
    "--base avec --suivre suit un fichier, pas l'entr\u00e9e standard (la base relit les "
    "premiers octets d'un fichier pour le reconna\u00eetre)");
inline constexpr Texte kSuivreFichierOrdinaire =
    TexteU("--suivre suit un fichier ordinaire, ou l'entr\u00e9e standard (\u00ab - \u00bb)");
inline constexpr Texte kSuivreEntreeTerminal =
    TexteU("--suivre - lit un tube ou un fichier, pas un terminal");
// "--suivre ne va pas avec --format".
std::string texteSuivreSans(std::string_view option);
// "« access.log.gz » est compressé : --suivre suit un journal en clair".
std::string texteSuivreCompresse(std::string_view chemin);
inline constexpr Texte kSuiviSansRelecture = TexteU(
    "ces lignes ne peuvent \u00eatre compt\u00e9es qu'en relisant le journal : analysez-le "
    "sans --suivre");
// After a feed of the base that failed while following: it is tried again at the next rewrite.
inline constexpr Texte kBaseNouvelEssai =
    TexteU(" ; nouvel essai \u00e0 la prochaine mise \u00e0 jour");

// --- Outputs refused
// ------------------------------------------------------------------------------

// The quoted journal or output follows.
inline constexpr Texte kRapportSurJournal = TexteU("le rapport remplacerait le journal ");
inline constexpr Texte kTablesSurJournal = TexteU("les tables CSV remplaceraient le journal ");
inline constexpr Texte kRapportEtTablesEnsemble =
    TexteU("le rapport et les tables CSV seraient \u00e9crits au m\u00eame endroit ");

// --- The analysis -----------------------------------------------------------------------------

// "aucune ligne conforme sur 12 : format non reconnu ?": every line skipped.
std::string texteAucuneLigneConforme(std::size_t ignorees);
// "ligne 12 : <message>".
std::string texteALaLigne(std::size_t ligne, const std::string& message);
// After an error on a client that is no dotted address, without the option that reads them.
inline constexpr Texte kConseilNonConformes = TexteU(
    "l'option --ignorer-lignes-non-conformes lit les adresses IPv6 et les noms d'h\u00f4tes");
inline constexpr Texte kMemoireInsuffisante = TexteU("m\u00e9moire insuffisante");

// Windows-1252: what an analysis found nothing to do with, raised as the core's errors are.
inline constexpr Texte kPasDeFichier = Texte("Pas de fichier \xE0 analyser");
inline constexpr Texte kPeriodeVide = Texte(
    "Aucune ligne dans la p\xE9riode analys\xE9"
    "e");
// Windows-1252: the progress line, "1,2 Go lus sur 2,3 Go, 5 000 000 lignes, 1 234 567 lignes/s,
// reste 1 s", the amounts and " sur " (kSur) the core's.
inline constexpr Texte kLus = Texte(" lus");
inline constexpr Texte kUneLigne = Texte(" ligne");
inline constexpr Texte kDesLignes = Texte(" lignes");
inline constexpr Texte kLignesParSeconde = Texte(" lignes/s");
inline constexpr Texte kReste = Texte(", reste ");
// Windows-1252: the format read, in the summary: "format : Commun (détecté)".
inline constexpr Texte kFormatCourt = Texte("format : ");

// --- The summary: "1200 lignes analysées, 3 ignorées, ..." ------------------------------------

inline constexpr Texte kIgnoree = TexteU("ignor\u00e9e");
inline constexpr Texte kIgnorees = TexteU("ignor\u00e9es");
inline constexpr Texte kHorsPeriode = TexteU(" hors p\u00e9riode");
inline constexpr Texte kHorsFiltre = TexteU(" hors filtre");
inline constexpr Texte kAdresseIP = TexteU("adresse IP");
inline constexpr Texte kAdressesIP = TexteU("adresses IP");
inline constexpr Texte kRapportEcrit = TexteU(" ; rapport : ");
inline constexpr Texte kTablesEcrites = TexteU(" ; tables CSV : ");

// Seconds after a number, in the progress line and the summary (ASCII, either encoding).
inline constexpr Texte kSecondes = Texte(" s");

}  // namespace kestrane
