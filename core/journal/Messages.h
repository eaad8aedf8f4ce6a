// Every text the core shows its user, written once: the error messages and the captions it hands
// the window, the report and the command line, in Windows-1252 (Unicode at the Qt boundary, UTF-8
// through utf8Depuis1252), so that a catalogue in another language can take this one's place.
// A message is a constant, or a function of what it quotes; a constant that ends with a blank or
// a colon starts a message whose rest (a path, a quoted field) the caller adds. Most are
// `const char*`, ready to be joined to a std::string; those the program also compares as values,
// or hands where a view is asked (the start of a file's message), are std::string_view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

// --- Files and folders ------------------------------------------------------------------------

// What failed, at the start of a file's message (ErreurFichier::debut).
inline constexpr std::string_view kOuvertureFichier = "Impossible d'ouvrir le fichier ";
inline constexpr std::string_view kCreationFichier =
    "Impossible de cr\xE9"
    "er le fichier ";
inline constexpr std::string_view kCreationDossier =
    "Impossible de cr\xE9"
    "er le dossier ";
inline constexpr std::string_view kDecompression =
    "Impossible de d\xE9"
    "compresser le fichier ";

// Why: a path that is no regular file (a pipe, a device, a folder...), or no folder.
inline constexpr const char* kPasFichierOrdinaire = "Ce n'est pas un fichier ordinaire";
inline constexpr const char* kPasDossier = "Ce n'est pas un dossier";
// A gzip file whose data stops before the end of a member, or does not decompress or check.
inline constexpr const char* kGzipIncomplet = "Le fichier gzip est incomplet";
inline constexpr const char* kGzipCorrompu = "Le fichier gzip est corrompu";
// A writer that may not follow a link (Chemins.h, lienSuivable).
inline constexpr const char* kLienRefuse =
    "Lien symbolique d'un autre utilisateur dans un dossier commun, non suivi";
// "\"<chemin>\" n'est pas un dossier": a component of a path that is no folder.
std::string texteNonDossier(const std::string& chemin);

// The system's errors a user meets (descriptionSysteme). Without accents: they are read in the
// system's encoding, which is also that of the paths some descriptions quote.
inline constexpr const char* kIntrouvable = "Fichier ou dossier introuvable";
inline constexpr const char* kDroitsInsuffisants = "Droits insuffisants";
inline constexpr const char* kEstUnDossier = "C'est un dossier";
inline constexpr const char* kDisquePlein = "Plus de place sur le disque";
inline constexpr const char* kQuotaAtteint = "Quota de disque atteint";
inline constexpr const char* kLectureSeule = "Volume en lecture seule";
inline constexpr const char* kTropDeLiens = "Trop de liens symboliques";
inline constexpr const char* kNomTropLong = "Nom de fichier trop long";
inline constexpr const char* kFichierTropGros = "Fichier trop gros";
inline constexpr const char* kTropDeFichiersOuverts = "Trop de fichiers ouverts";

// The note on the files named more than once: "1 journal nommé plusieurs fois, lu une seule
// fois", "2 journaux nommés plusieurs fois, lus une seule fois".
std::string noteJournauxEcartes(std::size_t n);

// The country database: the line shown instead of the countries' table when none was found, and
// what follows the quoted path of a file that is no MaxMind DB.
inline constexpr std::string_view kSansBasePays =
    "Aucune base de g\xE9olocalisation : pour les pays, t\xE9l\xE9"
    "chargez une base de pays au "
    "format MaxMind DB (GeoLite2-Country de MaxMind, gratuite sur inscription, ou DB-IP Lite "
    "Country, libre) et placez le fichier .mmdb dans /usr/share/GeoIP ou /var/lib/GeoIP.";
inline constexpr std::string_view kBaseIllisible =
    " n'est pas une base de g\xE9olocalisation lisible";

// --- Memory, threads, a load stopped ----------------------------------------------------------

inline constexpr const char* kCapaciteMemo = "Le texte d\xE9passe la capacit\xE9 du m\xE9mo";
// "Le journal [décompressé] dépasse la mémoire disponible (<plafond>)".
std::string texteMemoireDepassee(bool decompresse, const std::string& plafond);
inline constexpr const char* kFilImpossible =
    "Impossible de cr\xE9"
    "er un fil d'ex\xE9"
    "cution";
inline constexpr const char* kChargementAnnule = "Chargement annul\xE9";
// A stream whose counts only its lines read again can check (AnalyseFlux.h).
inline constexpr const char* kRelectureNecessaire =
    "Ce flux ne peut \xEAtre v\xE9rifi\xE9 qu'en relisant ses lignes : "
    "analysez-le depuis un fichier";

// Byte amounts: the noun up to 1023, then the units of powers of 1024.
inline constexpr const char* kUniteOctet = " octet";
inline constexpr const char* kUniteOctets = " octets";
inline constexpr const char* kUnitesOctets[] = {"Ko", "Mo", "Go", "To", "Po", "Eo"};

// --- Values and lines that do not read ---------------------------------------------------------

// The field quoted first: "'abc' n'est pas une valeur entière correcte"...
std::string texteEntierIncorrect(std::string_view citation);
std::string texteOctetsIncorrects(std::string_view citation);
std::string texteDateIncorrecte(std::string_view citation);
std::string texteHeureIncorrecte(std::string_view citation);
// The end of a quotation cut short: "(5 242 880 caractères)" after its ellipsis.
std::string texteCaracteres(const std::string& nombre);
inline constexpr const char* kDebordementEntier =
    "D\xE9"
    "bordement d'entier";

inline constexpr std::string_view kLigneVide = "Ligne vide";
inline constexpr const char* kLigneIncomplete = "Ligne incompl\xE8te";
inline constexpr const char* kGuillemetManquant = "Guillemet fermant manquant";
// " en position 12", for a position counted from 0.
std::string texteEnPosition(std::size_t position);
// "Texte en trop en position 12 : 'xyz'".
std::string texteEnTrop(std::size_t position, std::string_view citation);
// "'[' attendu", "'\"' introuvable après la position 12", "Blanc inattendu dans %h",
// "Champ %h vide".
std::string texteAttendu(std::string_view citation);
std::string texteIntrouvableApres(std::string_view citation, std::size_t position);
std::string texteBlancInattendu(std::string_view champ);
std::string texteChampVide(std::string_view champ);
// The names of the fields a line adds after those of its format.
inline constexpr std::string_view kChamp = "champ";
inline constexpr std::string_view kNomsChampsSuite[] = {
    "champ 1", "champ 2", "champ 3", "champ 4",  "champ 5",  "champ 6",
    "champ 7", "champ 8", "champ 9", "champ 10", "champ 11", "champ 12"};
// "Ligne de plus de 64 Mio".
std::string texteLigneTropLongue(std::size_t mio);
// W3C: "12 valeurs pour 14 colonnes de #Fields:".
std::string texteValeursPourColonnes(std::size_t valeurs, std::size_t colonnes);
inline constexpr const char* kSansFields = "Aucune ligne #Fields: avant cette ligne";
// JSON lines.
inline constexpr const char* kLigneJsonIncorrecte = "Ligne JSON incorrecte : ";
inline constexpr const char* kLigneJsonSansDate = "Ligne JSON sans date";
inline constexpr const char* kLigneJsonSansStatut = "Ligne JSON sans statut";
inline constexpr const char* kLigneJsonSansRequete = "Ligne JSON sans requ\xEAte";

// --- Formats of journals ------------------------------------------------------------------------

// "Format de journal incorrect : <quoi>", where `quoi` starts with one of the texts below.
std::string texteFormatIncorrect(std::string_view quoi);
// " (position 12)", for a position of the format counted from 0.
std::string textePosition(std::size_t position);
inline constexpr const char* kAccoladeNonFermee =
    "accolade non ferm\xE9"
    "e ";
inline constexpr const char* kChampsSansSeparateur = "champs sans s\xE9parateur ";
inline constexpr const char* kAucunChamp = "aucun champ";
inline constexpr const char* kChaineVide = "cha\xEEne vide";
inline constexpr const char* kChaineAttendue = "cha\xEEne attendue";
inline constexpr const char* kDirectiveIncomplete = "directive incompl\xE8te ";
inline constexpr const char* kDirectiveInconnue = "directive inconnue ";
inline constexpr const char* kNomManquantAccolades = "nom manquant entre accolades ";
inline constexpr const char* kUniteInconnue = "unit\xE9 inconnue ";
inline constexpr const char* kNomVariableManquant = "nom de variable manquant apr\xE8s $";
inline constexpr const char* kEgalManquant = "\xAB = \xBB manquant dans ";
inline constexpr const char* kChampInconnu = "champ inconnu ";
inline constexpr const char* kCleManquante = "cl\xE9 manquante pour ";
inline constexpr const char* kAucuneCle = "aucune cl\xE9";
inline constexpr const char* kPasUnFormat = "Format de journal : ce choix n'est pas un format";

// The formats offered, as the window's list and the report name them.
inline constexpr std::string_view kFormatCombine =
    "Combin\xE9 (par d\xE9"
    "faut)";
inline constexpr std::string_view kFormatAutomatique = "Automatique";
inline constexpr std::string_view kFormatCommun = "Commun";
inline constexpr std::string_view kFormatHoteVirtuel = "Combin\xE9 avec h\xF4te virtuel";
inline constexpr std::string_view kFormatNginxHote = "nginx, h\xF4te avant le client";
inline constexpr std::string_view kFormatCombineSuivi = "Combin\xE9 suivi d'autres champs";
inline constexpr std::string_view kFormatW3C = "W3C \xE9tendu (IIS)";
inline constexpr std::string_view kFormatJson = "JSON, une requ\xEAte par ligne";
inline constexpr std::string_view kFormatPersonnalise = "Personnalis\xE9";
// Before the format string itself.
inline constexpr const char* kPersonnaliseDebut = "Personnalis\xE9 : ";
// "Format du journal : Commun (détecté)", then the response times when the format has them.
inline constexpr const char* kFormatDuJournal = "Format du journal : ";
inline constexpr const char* kDetecte = " (d\xE9tect\xE9)";
// " ; temps de réponse moyen 12,345 ms, 95e centile 40,000 ms".
std::string texteTempsReponse(const std::string& moyen, const std::string& centile95);
// The names of the fields beyond the combined format in the detail of a line.
inline constexpr const char* kNomHote = "h\xF4te";
inline constexpr const char* kNomPort = "port";
inline constexpr const char* kNomTempsReponse = "temps (\xB5s)";

// The user-agent catalogue built into the program, when it does not compile.
inline constexpr const char* kFiltreIncomplet = "Filtre du catalogue des navigateurs incomplet";
inline constexpr const char* kTexteTropCourt = "Texte trop court dans le filtre du catalogue : ";
inline constexpr const char* kExpressionIncorrecte =
    "Expression incorrecte dans le catalogue des navigateurs : ";

// --- The filter of an analysis (core/analyse/Filtre.h) ------------------------------------------

// "Filtre incorrect en position 7 : champ inconnu � foo �": the start, then the reason, then the
// part of the expression quoted (texteFiltreIncorrect).
inline constexpr const char* kFiltreIncorrect = "Filtre incorrect en position ";
inline constexpr const char* kFiltreChampInconnu = "champ inconnu";
inline constexpr const char* kFiltreValeurManquante = "valeur manquante apr\xE8s";
inline constexpr const char* kFiltreSansValeur = "terme sans valeur";
inline constexpr const char* kFiltreGuillemetNonFerme = "guillemet non ferm\xE9";
inline constexpr const char* kFiltreParentheseNonFermee =
    "parenth\xE8se non ferm\xE9"
    "e";
inline constexpr const char* kFiltreParentheseEnTrop = "parenth\xE8se fermante en trop";
inline constexpr const char* kFiltreTermeAttendu = "terme attendu";
inline constexpr const char* kFiltreTermeAttenduApres = "terme attendu apr\xE8s";
inline constexpr const char* kFiltreAdresseIncorrecte =
    "adresse ou pr\xE9"
    "fixe incorrect";
inline constexpr const char* kFiltreStatutIncorrect = "statut incorrect (attendu : 404 ou 4xx)";
inline constexpr const char* kFiltreJourIncorrect =
    "jour incorrect (attendu : AAAA-MM-JJ ou AAAA-MM-JJ..AAAA-MM-JJ)";
inline constexpr const char* kFiltreHeureIncorrecte =
    "heure incorrecte (attendu : 0 \xE0 23, ou 8..12)";
inline constexpr const char* kFiltreTropDeTermesAgent =
    "plus de 64 termes navigateur, systeme ou robot";
std::string texteFiltreIncorrect(std::size_t position, std::string_view raison,
                                 std::string_view citation);
// A country term without a country database to place the clients.
inline constexpr const char* kFiltrePaysSansBase =
    "Le filtre demande le pays des clients (pays:) : indiquez une base de g\xE9olocalisation";
// No line kept by the filter (IssueAnalyse::filtreVide).
inline constexpr const char* kFiltreVide = "Aucune ligne ne passe le filtre";
// The report's captions: "Filtre : -robot statut:2xx", "Lignes hors filtre", "12 lignes hors
// filtre".
inline constexpr const char* kFiltreTitre = "Filtre";
inline constexpr const char* kFiltreDeuxPoints = "Filtre : ";
inline constexpr const char* kLignesHorsFiltreTitre = "Lignes hors filtre";
inline constexpr const char* kLigneHorsFiltre = "ligne hors filtre";
inline constexpr const char* kLignesHorsFiltre = "lignes hors filtre";

// --- Captions of the analysis -----------------------------------------------------------------

// Period kinds of the requests report, and its whole-journal entry.
inline constexpr std::string_view kPeriodeToutLeFichier = "Tout le fichier";
inline constexpr std::string_view kPeriodeAnnee =
    "Ann\xE9"
    "e";
inline constexpr std::string_view kPeriodeMois = "Mois";
inline constexpr std::string_view kPeriodePeriode = "P\xE9riode";
inline constexpr std::string_view kPeriodeJournee =
    "Journ\xE9"
    "e";
inline constexpr const char* kTous = "Tous";
inline constexpr const char* kToutes = "Toutes";
// An hour of the requests report's day: "10h à 11h".
inline constexpr const char* kHeureA = "h \xE0 ";
// An hourly slice: "08 à 09".
std::string texteTranche(int debut, int fin);
// What the search of a report grid found.
inline constexpr const char* kCorrespondanceTrouvee =
    "correspondance trouv\xE9"
    "e !";
inline constexpr const char* kAucuneCorrespondance = "aucune correspondance !";

// Names the tables give: systems and browsers of a format without an agent; an agent the
// catalogue does not name and the country of an address no database places; the method and
// protocol of a request that is not "METHOD path protocol".
inline constexpr std::string_view kPasDAgent = "Pas d'agent dans ce format";
inline constexpr std::string_view kNomInconnu = "Inconnu";
inline constexpr std::string_view kPaysInconnu = kNomInconnu;
inline constexpr std::string_view kAutre = "Autre";

// The audience's summary.
inline constexpr const char* kVisiteursUniques = "Visiteurs uniques";
inline constexpr const char* kVisites = "Visites";
inline constexpr const char* kDureeMoyenneVisite =
    "Dur\xE9"
    "e moyenne d'une visite";
inline constexpr const char* kRequetesParVisite = "Requ\xEAtes par visite";
inline constexpr const char* kRequetesRobots = "Requ\xEAtes de robots";
inline constexpr const char* kOctetsRobots = "Octets envoy\xE9s aux robots";

// The detail of a line, one caption a row.
inline constexpr const char* kDetailAdresse = "Adresse IP      : ";
inline constexpr const char* kDetailAutre = "Autre           : ";
inline constexpr const char* kDetailLogname = "Logname         : ";
inline constexpr const char* kDetailDate = "Date            : ";
inline constexpr const char* kDetailHeure = "Heure           : ";
inline constexpr const char* kDetailFuseau = "Fuseau          : GMT ";
inline constexpr const char* kDetailRequete = "Requ\xEAte         : ";
inline constexpr const char* kDetailCode = "Code renvoy\xE9    : ";
inline constexpr const char* kDetailChargement = "Chargement      : ";
inline constexpr const char* kDetailPrecedente =
    "Page pr\xE9"
    "c\xE9"
    "dente : ";
inline constexpr const char* kDetailNavigateur = "Navigateur/Robot: ";
inline constexpr const char* kDetailSysteme = "Syst\xE8me d'exploitation : ";
// After the others when a filter chose the lines: the line's number in the journal loaded.
inline constexpr const char* kDetailNumeroLigne = "N\xB0 de ligne     : ";

// --- The report -----------------------------------------------------------------------------

// The tables' titles, in the page's order.
inline constexpr const char* kTitreAdressesIP = "Adresses IP";
inline constexpr const char* kTitreSystemes = "Syst\xE8mes d'exploitation";
inline constexpr const char* kTitreNavigateurs = "Navigateurs / Robots";
inline constexpr const char* kTitreProvenances = "Provenance des visites";
inline constexpr const char* kTitreFichiersCharges = "Fichiers charg\xE9s";
inline constexpr const char* kTitreTauxChargement = "Taux de chargement";
inline constexpr const char* kTitreTranchesHoraires = "Tranches horaires";
inline constexpr const char* kTitreRequetes = "Requ\xE8tes";
inline constexpr const char* kTitreCodesRetour = "Codes de retour";
inline constexpr const char* kTitrePagesIntrouvables = "Pages introuvables (404)";
inline constexpr const char* kTitreErreursServeur = "Erreurs du serveur (5xx)";
inline constexpr const char* kTitreTraficParJour = "Trafic par jour";
inline constexpr const char* kTitreAudience = "Audience";
inline constexpr const char* kTitreSitesReferents =
    "Sites r\xE9"
    "f\xE9rents";
inline constexpr const char* kTitreRecherches = "Recherches";
inline constexpr const char* kTitreRobots = "Robots";
inline constexpr const char* kTitreMethodes = "M\xE9thodes";
inline constexpr const char* kTitreProtocoles = "Protocoles";
inline constexpr const char* kTitrePays = "Pays";
inline constexpr const char* kTitreHotesVirtuels = "H\xF4tes virtuels";
inline constexpr const char* kTitreTempsReponse = "Temps de r\xE9ponse";

// Their columns' headers.
inline constexpr const char* kEnteteAdressesIP = kTitreAdressesIP;
inline constexpr const char* kEnteteAdresseIP = "Adresse IP";
inline constexpr const char* kEnteteOccurences = "Occurences";
inline constexpr const char* kEnteteOccurrences = "Occurrences";
inline constexpr const char* kEnteteSysteme = "Syst\xE8me d'Exploitation";
inline constexpr const char* kEnteteNavigateur = "Navigateur / Robot";
inline constexpr const char* kEntetePageProvenance = "Page de provenance";
inline constexpr const char* kEnteteFichierCharge = "Fichier charg\xE9";
inline constexpr const char* kEnteteTrancheHoraire = "Tranche horaire";
inline constexpr const char* kEnteteNbAcces = "Nb Acc\xE8s";
inline constexpr const char* kEnteteDate = "Date";
inline constexpr const char* kEnteteCode = "Code";
inline constexpr const char* kEnteteFichier = "Fichier";
inline constexpr const char* kEnteteJour = "Jour";
inline constexpr const char* kEnteteRequetes = "Requ\xEAtes";
inline constexpr const char* kEnteteOctets = "Octets";
inline constexpr const char* kEntetePart = "Part";
inline constexpr const char* kEnteteMesure = "Mesure";
inline constexpr const char* kEnteteValeur = "Valeur";
inline constexpr const char* kEnteteSite = "Site";
inline constexpr const char* kEnteteTermes = "Termes";
inline constexpr const char* kEnteteRobot = "Robot";
inline constexpr const char* kEnteteMethode = "M\xE9thode";
inline constexpr const char* kEnteteProtocole = "Protocole";
inline constexpr const char* kEntetePays = kTitrePays;
inline constexpr const char* kEnteteHoteVirtuel = "H\xF4te virtuel";
inline constexpr const char* kEnteteMoyenneMs = "Moyenne (ms)";
inline constexpr const char* kEnteteMedianeMs =
    "M\xE9"
    "diane (ms)";
inline constexpr const char* kEnteteCentile95Ms = "95e centile (ms)";
inline constexpr const char* kEnteteMaximumMs = "Maximum (ms)";
// The row of the days' table that gathers the requests without a day.
inline constexpr const char* kRequetesSansDate = "Requ\xEAtes sans date lisible";

// The page's summary of what was read.
inline constexpr const char* kJournauxLus = "Journaux lus";
inline constexpr const char* kJournalLu = "Journal lu";
inline constexpr std::string_view kPeriodeLue = kPeriodePeriode;
inline constexpr const char* kToutLeJournal = "tout le journal";
inline constexpr const char* kLignesLuesTitre = "Lignes lues";
inline constexpr const char* kLignesAnalyseesTitre =
    "Lignes analys\xE9"
    "es";
inline constexpr const char* kLignesIgnoreesTitre =
    "Lignes ignor\xE9"
    "es";
inline constexpr const char* kLignesHorsPeriodeTitre = "Lignes hors p\xE9riode";
inline constexpr const char* kPremiereDate = "Premi\xE8re date";
inline constexpr const char* kDerniereDate = "Derni\xE8re date";
inline constexpr const char* kClientsDistincts = "Clients distincts";
inline constexpr const char* kOctetsEnvoyes = "Octets envoy\xE9s";
inline constexpr const char* kPlusDe = "plus de ";
inline constexpr const char* kJoursCouverts = "Jours (du premier au dernier)";

// "38477 lignes analysées sur 38487 lignes lues (10 lignes ignorées)": the nouns after
// their numbers, singular and plural.
inline constexpr const char* kLigneAnalysee =
    "ligne analys\xE9"
    "e";
inline constexpr const char* kLignesAnalysees =
    "lignes analys\xE9"
    "es";
inline constexpr const char* kSur = " sur ";
inline constexpr const char* kLigneLue = "ligne lue";
inline constexpr const char* kLignesLues = "lignes lues";
inline constexpr const char* kLigneHorsPeriode = "ligne hors p\xE9riode";
inline constexpr const char* kLignesHorsPeriode = "lignes hors p\xE9riode";
inline constexpr const char* kLigneIgnoree =
    "ligne ignor\xE9"
    "e";
inline constexpr const char* kLignesIgnorees =
    "lignes ignor\xE9"
    "es";

// "Rapport d'analyse du fichier a.log", "Rapport d'analyse de 3 journaux : " (the names follow),
// then the period: " du 01/12/2026 00:00:00 au 31/12/2026 23:59:59".
inline constexpr const char* kRapportDuFichier = "Rapport d'analyse du fichier ";
std::string texteRapportDeJournaux(std::size_t n);
std::string textePeriodeDuAu(const std::string& debut, const std::string& fin);
// The fold of a long table: "voir tout (120 lignes)".
std::string texteVoirTout(std::size_t lignes);
// The page's foot: "Créé le <date> par Kestrane <version>".
inline constexpr const char* kCreeLe = "Cr\xE9\xE9 le ";
inline constexpr const char* kParKestrane = " par Kestrane ";
// A live report's line under its title: "Mis à jour le 11/12/2026 à 10:15:03 \x97 toutes les 10
// secondes" (\x97: an em dash; the day, the time, the seconds between two rewrites).
std::string texteMiseAJour(const std::string& jour, const std::string& heure, int secondes);

// --- The base of days (core/historique) -------------------------------------------------------
// "Base d'historique � <adresse> � : <raison>".
inline constexpr const char* kBaseHistorique = "Base d'historique \xAB ";
inline constexpr const char* kBaseHistoriqueFin = " \xBB : ";
inline constexpr const char* kBasePasUneBase = "ce fichier n'est pas une base d'historique";
inline constexpr const char* kBaseVerrouillee =
    "la base est occup\xE9"
    "e par un autre programme ; r\xE9"
    "essayez plus tard";
inline constexpr const char* kBaseDisquePlein =
    "le disque est plein ; la base est rest\xE9"
    "e telle qu'elle \xE9tait";
inline constexpr const char* kBaseInaccessible = "impossible d'ouvrir la base";
// "<journal> : ...": a pipe or standard input given to a feed.
inline constexpr const char* kBaseFichierOrdinaire =
    " : la base n'ajoute que des fichiers (ni tube, ni entr\xE9"
    "e standard)";
// A PostgreSQL server that cannot be reached, followed by libpq's own words in parentheses.
inline constexpr const char* kBaseConnexionImpossible =
    "connexion au serveur PostgreSQL impossible";
// Asked to keep a PostgreSQL transaction in which a statement failed.
inline constexpr const char* kBaseTransactionEchouee =
    "une instruction de la transaction a \xE9"
    "chou\xE9 ; rien n'a \xE9t\xE9 enregistr\xE9";
// The report of a range compared with another: the first figure's column of the second range,
// then the change from it.
inline constexpr const char* kEnteteComparaison = " (comparaison)";
inline constexpr const char* kEnteteEvolution = "\xC9volution";
// The entry of a day's table that sums those past the base's limit.
inline constexpr std::string_view kLibelleAutres = "(autres)";
// "<fichier>, ligne 12 : <raison>": a line of a journal fed to the base that does not read.
inline constexpr const char* kBaseALaLigne = ", ligne ";
inline constexpr const char* kBasePlusRecente =
    "cette base a \xE9t\xE9 faite par une version plus r\xE9"
    "cente de Kestrane";

}  // namespace kestrane
