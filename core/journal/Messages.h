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

#include "core/journal/Langue.h"

namespace kestrane {

// --- Files and folders ------------------------------------------------------------------------

// What failed, at the start of a file's message (ErreurFichier::debut).
inline constexpr Texte kOuvertureFichier = Texte("Impossible d'ouvrir le fichier ");
inline constexpr Texte kCreationFichier = Texte(
    "Impossible de cr\xE9"
    "er le fichier ");
inline constexpr Texte kCreationDossier = Texte(
    "Impossible de cr\xE9"
    "er le dossier ");
inline constexpr Texte kDecompression = Texte(
    "Impossible de d\xE9"
    "compresser le fichier ");

// Why: a path that is no regular file (a pipe, a device, a folder...), or no folder.
inline constexpr Texte kPasFichierOrdinaire = Texte("Ce n'est pas un fichier ordinaire");
inline constexpr Texte kPasDossier = Texte("Ce n'est pas un dossier");
// A gzip file whose data stops before the end of a member, or does not decompress or check.
inline constexpr Texte kGzipIncomplet = Texte("Le fichier gzip est incomplet");
inline constexpr Texte kGzipCorrompu = Texte("Le fichier gzip est corrompu");
// A writer that may not follow a link (Chemins.h, lienSuivable).
inline constexpr Texte kLienRefuse =
    Texte("Lien symbolique d'un autre utilisateur dans un dossier commun, non suivi");
// "\"<chemin>\" n'est pas un dossier": a component of a path that is no folder.
std::string texteNonDossier(const std::string& chemin);

// The system's errors a user meets (descriptionSysteme). Without accents: they are read in the
// system's encoding, which is also that of the paths some descriptions quote.
inline constexpr Texte kIntrouvable = Texte("Fichier ou dossier introuvable");
inline constexpr Texte kDroitsInsuffisants = Texte("Droits insuffisants");
inline constexpr Texte kEstUnDossier = Texte("C'est un dossier");
inline constexpr Texte kDisquePlein = Texte("Plus de place sur le disque");
inline constexpr Texte kQuotaAtteint = Texte("Quota de disque atteint");
inline constexpr Texte kLectureSeule = Texte("Volume en lecture seule");
inline constexpr Texte kTropDeLiens = Texte("Trop de liens symboliques");
inline constexpr Texte kNomTropLong = Texte("Nom de fichier trop long");
inline constexpr Texte kFichierTropGros = Texte("Fichier trop gros");
inline constexpr Texte kTropDeFichiersOuverts = Texte("Trop de fichiers ouverts");

// The note on the files named more than once: "1 journal nommé plusieurs fois, lu une seule
// fois", "2 journaux nommés plusieurs fois, lus une seule fois".
std::string noteJournauxEcartes(std::size_t n);

// The country database: the line shown instead of the countries' table when none was found, and
// what follows the quoted path of a file that is no MaxMind DB.
inline constexpr Texte kSansBasePays = Texte(
    "Aucune base de g\xE9olocalisation : pour les pays, t\xE9l\xE9"
    "chargez une base de pays au "
    "format MaxMind DB (GeoLite2-Country de MaxMind, gratuite sur inscription, ou DB-IP Lite "
    "Country, libre) et placez le fichier .mmdb dans /usr/share/GeoIP ou /var/lib/GeoIP.");
inline constexpr Texte kBaseIllisible = Texte(" n'est pas une base de g\xE9olocalisation lisible");

// --- Memory, threads, a load stopped ----------------------------------------------------------

inline constexpr Texte kCapaciteMemo = Texte("Le texte d\xE9passe la capacit\xE9 du m\xE9mo");
// "Le journal [décompressé] dépasse la mémoire disponible (<plafond>)".
std::string texteMemoireDepassee(bool decompresse, const std::string& plafond);
inline constexpr Texte kFilImpossible = Texte(
    "Impossible de cr\xE9"
    "er un fil d'ex\xE9"
    "cution");
inline constexpr Texte kChargementAnnule = Texte("Chargement annul\xE9");
// A stream whose counts only its lines read again can check (AnalyseFlux.h).
inline constexpr Texte kRelectureNecessaire = Texte(
    "Ce flux ne peut \xEAtre v\xE9rifi\xE9 qu'en relisant ses lignes : "
    "analysez-le depuis un fichier");

// Byte amounts: the noun up to 1023, then the units of powers of 1024.
inline constexpr Texte kUniteOctet = Texte(" octet");
inline constexpr Texte kUniteOctets = Texte(" octets");
inline constexpr Texte kUnitesOctets[] = {Texte("Ko"), Texte("Mo"), Texte("Go"),
                                          Texte("To"), Texte("Po"), Texte("Eo")};

// --- Values and lines that do not read ---------------------------------------------------------

// The field quoted first: "'abc' n'est pas une valeur entière correcte"...
std::string texteEntierIncorrect(std::string_view citation);
std::string texteOctetsIncorrects(std::string_view citation);
std::string texteDateIncorrecte(std::string_view citation);
std::string texteHeureIncorrecte(std::string_view citation);
// The end of a quotation cut short: "(5 242 880 caractères)" after its ellipsis.
std::string texteCaracteres(const std::string& nombre);
inline constexpr Texte kDebordementEntier = Texte(
    "D\xE9"
    "bordement d'entier");

inline constexpr Texte kLigneVide = Texte("Ligne vide");
inline constexpr Texte kLigneIncomplete = Texte("Ligne incompl\xE8te");
inline constexpr Texte kGuillemetManquant = Texte("Guillemet fermant manquant");
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
inline constexpr Texte kSansFields = Texte("Aucune ligne #Fields: avant cette ligne");
// JSON lines.
inline constexpr Texte kLigneJsonIncorrecte = Texte("Ligne JSON incorrecte : ");
inline constexpr Texte kLigneJsonSansDate = Texte("Ligne JSON sans date");
inline constexpr Texte kLigneJsonSansStatut = Texte("Ligne JSON sans statut");
inline constexpr Texte kLigneJsonSansRequete = Texte("Ligne JSON sans requ\xEAte");

// --- Formats of journals ------------------------------------------------------------------------

// "Format de journal incorrect : <quoi>", where `quoi` starts with one of the texts below.
std::string texteFormatIncorrect(std::string_view quoi);
// " (position 12)", for a position of the format counted from 0.
std::string textePosition(std::size_t position);
inline constexpr Texte kAccoladeNonFermee = Texte(
    "accolade non ferm\xE9"
    "e ");
inline constexpr Texte kChampsSansSeparateur = Texte("champs sans s\xE9parateur ");
inline constexpr Texte kAucunChamp = Texte("aucun champ");
inline constexpr Texte kChaineVide = Texte("cha\xEEne vide");
inline constexpr Texte kChaineAttendue = Texte("cha\xEEne attendue");
inline constexpr Texte kDirectiveIncomplete = Texte("directive incompl\xE8te ");
inline constexpr Texte kDirectiveInconnue = Texte("directive inconnue ");
inline constexpr Texte kNomManquantAccolades = Texte("nom manquant entre accolades ");
inline constexpr Texte kUniteInconnue = Texte("unit\xE9 inconnue ");
inline constexpr Texte kNomVariableManquant = Texte("nom de variable manquant apr\xE8s $");
inline constexpr Texte kEgalManquant = Texte("\xAB = \xBB manquant dans ");
inline constexpr Texte kChampInconnu = Texte("champ inconnu ");
inline constexpr Texte kCleManquante = Texte("cl\xE9 manquante pour ");
inline constexpr Texte kAucuneCle = Texte("aucune cl\xE9");
inline constexpr Texte kPasUnFormat = Texte("Format de journal : ce choix n'est pas un format");

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
inline constexpr Texte kPersonnaliseDebut = Texte("Personnalis\xE9 : ");
// "Format du journal : Commun (détecté)", then the response times when the format has them.
inline constexpr Texte kFormatDuJournal = Texte("Format du journal : ");
inline constexpr Texte kDetecte = Texte(" (d\xE9tect\xE9)");
// " ; temps de réponse moyen 12,345 ms, 95e centile 40,000 ms".
std::string texteTempsReponse(const std::string& moyen, const std::string& centile95);
// The names of the fields beyond the combined format in the detail of a line.
inline constexpr Texte kNomHote = Texte("h\xF4te");
inline constexpr Texte kNomPort = Texte("port");
inline constexpr Texte kNomTempsReponse = Texte("temps (\xB5s)");

// The user-agent catalogue built into the program, when it does not compile.
inline constexpr Texte kFiltreIncomplet = Texte("Filtre du catalogue des navigateurs incomplet");
inline constexpr Texte kTexteTropCourt = Texte("Texte trop court dans le filtre du catalogue : ");
inline constexpr Texte kExpressionIncorrecte =
    Texte("Expression incorrecte dans le catalogue des navigateurs : ");

// --- The filter of an analysis (core/analyse/Filtre.h) ------------------------------------------

inline constexpr Texte kFiltreChampInconnu = Texte("champ inconnu");
inline constexpr Texte kFiltreValeurManquante = Texte("valeur manquante apr\xE8s");
inline constexpr Texte kFiltreSansValeur = Texte("terme sans valeur");
inline constexpr Texte kFiltreGuillemetNonFerme = Texte("guillemet non ferm\xE9");
inline constexpr Texte kFiltreParentheseNonFermee = Texte(
    "parenth\xE8se non ferm\xE9"
    "e");
inline constexpr Texte kFiltreParentheseEnTrop = Texte("parenth\xE8se fermante en trop");
inline constexpr Texte kFiltreTermeAttendu = Texte("terme attendu");
inline constexpr Texte kFiltreTermeAttenduApres = Texte("terme attendu apr\xE8s");
inline constexpr Texte kFiltreAdresseIncorrecte = Texte(
    "adresse ou pr\xE9"
    "fixe incorrect");
inline constexpr Texte kFiltreStatutIncorrect = Texte("statut incorrect (attendu : 404 ou 4xx)");
inline constexpr Texte kFiltreJourIncorrect =
    Texte("jour incorrect (attendu : AAAA-MM-JJ ou AAAA-MM-JJ..AAAA-MM-JJ)");
inline constexpr Texte kFiltreHeureIncorrecte =
    Texte("heure incorrecte (attendu : 0 \xE0 23, ou 8..12)");
inline constexpr Texte kFiltreTropDeTermesAgent =
    Texte("plus de 64 termes navigateur, systeme ou robot");
std::string texteFiltreIncorrect(std::size_t position, std::string_view raison,
                                 std::string_view citation);
// A country term without a country database to place the clients.
inline constexpr Texte kFiltrePaysSansBase = Texte(
    "Le filtre demande le pays des clients (pays:) : indiquez une base de g\xE9olocalisation");
// No line kept by the filter (IssueAnalyse::filtreVide).
inline constexpr Texte kFiltreVide = Texte("Aucune ligne ne passe le filtre");
// The report's captions: "Filtre : -robot statut:2xx", "Lignes hors filtre", "12 lignes hors
// filtre".
inline constexpr Texte kFiltreTitre = Texte("Filtre");
inline constexpr Texte kFiltreDeuxPoints = Texte("Filtre : ");
inline constexpr Texte kLignesHorsFiltreTitre = Texte("Lignes hors filtre");
inline constexpr Texte kLigneHorsFiltre = Texte("ligne hors filtre");
inline constexpr Texte kLignesHorsFiltre = Texte("lignes hors filtre");

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
inline constexpr Texte kTous = Texte("Tous");
inline constexpr Texte kToutes = Texte("Toutes");
// An hour of the requests report's day: "10h à 11h".
inline constexpr Texte kHeureA = Texte("h \xE0 ");
// An hourly slice: "08 à 09".
std::string texteTranche(int debut, int fin);
// What the search of a report grid found.
inline constexpr Texte kCorrespondanceTrouvee = Texte(
    "correspondance trouv\xE9"
    "e !");
inline constexpr Texte kAucuneCorrespondance = Texte("aucune correspondance !");

// Names the tables give: systems and browsers of a format without an agent; an agent the
// catalogue does not name and the country of an address no database places; the method and
// protocol of a request that is not "METHOD path protocol".
inline constexpr Texte kPasDAgent = Texte("Pas d'agent dans ce format");
inline constexpr std::string_view kNomInconnu = "Inconnu";
inline constexpr std::string_view kPaysInconnu = kNomInconnu;
inline constexpr std::string_view kAutre = "Autre";

// The audience's summary.
inline constexpr Texte kVisiteursUniques = Texte("Visiteurs uniques");
inline constexpr Texte kVisites = Texte("Visites");
inline constexpr Texte kDureeMoyenneVisite = Texte(
    "Dur\xE9"
    "e moyenne d'une visite");
inline constexpr Texte kRequetesParVisite = Texte("Requ\xEAtes par visite");
inline constexpr Texte kRequetesRobots = Texte("Requ\xEAtes de robots");
inline constexpr Texte kOctetsRobots = Texte("Octets envoy\xE9s aux robots");

// The detail of a line, one caption a row.
inline constexpr Texte kDetailAdresse = Texte("Adresse IP      : ");
inline constexpr Texte kDetailAutre = Texte("Autre           : ");
inline constexpr Texte kDetailLogname = Texte("Logname         : ");
inline constexpr Texte kDetailDate = Texte("Date            : ");
inline constexpr Texte kDetailHeure = Texte("Heure           : ");
inline constexpr Texte kDetailFuseau = Texte("Fuseau          : GMT ");
inline constexpr Texte kDetailRequete = Texte("Requ\xEAte         : ");
inline constexpr Texte kDetailCode = Texte("Code renvoy\xE9    : ");
inline constexpr Texte kDetailChargement = Texte("Chargement      : ");
inline constexpr Texte kDetailPrecedente = Texte(
    "Page pr\xE9"
    "c\xE9"
    "dente : ");
inline constexpr Texte kDetailNavigateur = Texte("Navigateur/Robot: ");
inline constexpr Texte kDetailSysteme = Texte("Syst\xE8me d'exploitation : ");
// After the others when a filter chose the lines: the line's number in the journal loaded.
inline constexpr Texte kDetailNumeroLigne = Texte("N\xB0 de ligne     : ");

// --- The report -----------------------------------------------------------------------------

// The tables' titles, in the page's order.
inline constexpr Texte kTitreAdressesIP = Texte("Adresses IP");
inline constexpr Texte kTitreSystemes = Texte("Syst\xE8mes d'exploitation");
inline constexpr Texte kTitreNavigateurs = Texte("Navigateurs / Robots");
inline constexpr Texte kTitreProvenances = Texte("Provenance des visites");
inline constexpr Texte kTitreFichiersCharges = Texte("Fichiers charg\xE9s");
inline constexpr Texte kTitreTauxChargement = Texte("Taux de chargement");
inline constexpr Texte kTitreTranchesHoraires = Texte("Tranches horaires");
inline constexpr Texte kTitreRequetes = Texte("Requ\xE8tes");
inline constexpr Texte kTitreCodesRetour = Texte("Codes de retour");
inline constexpr Texte kTitrePagesIntrouvables = Texte("Pages introuvables (404)");
inline constexpr Texte kTitreErreursServeur = Texte("Erreurs du serveur (5xx)");
inline constexpr Texte kTitreTraficParJour = Texte("Trafic par jour");
inline constexpr Texte kTitreAudience = Texte("Audience");
inline constexpr Texte kTitreSitesReferents = Texte(
    "Sites r\xE9"
    "f\xE9rents");
inline constexpr Texte kTitreRecherches = Texte("Recherches");
inline constexpr Texte kTitreRobots = Texte("Robots");
inline constexpr Texte kTitreMethodes = Texte("M\xE9thodes");
inline constexpr Texte kTitreProtocoles = Texte("Protocoles");
inline constexpr Texte kTitrePays = Texte("Pays");
inline constexpr Texte kTitreHotesVirtuels = Texte("H\xF4tes virtuels");
inline constexpr Texte kTitreTempsReponse = Texte("Temps de r\xE9ponse");

// Their columns' headers.
inline constexpr Texte kEnteteAdressesIP = kTitreAdressesIP;
inline constexpr Texte kEnteteAdresseIP = Texte("Adresse IP");
inline constexpr Texte kEnteteOccurences = Texte("Occurences");
inline constexpr Texte kEnteteOccurrences = Texte("Occurrences");
inline constexpr Texte kEnteteSysteme = Texte("Syst\xE8me d'Exploitation");
inline constexpr Texte kEnteteNavigateur = Texte("Navigateur / Robot");
inline constexpr Texte kEntetePageProvenance = Texte("Page de provenance");
inline constexpr Texte kEnteteFichierCharge = Texte("Fichier charg\xE9");
inline constexpr Texte kEnteteTrancheHoraire = Texte("Tranche horaire");
inline constexpr Texte kEnteteNbAcces = Texte("Nb Acc\xE8s");
inline constexpr Texte kEnteteDate = Texte("Date");
inline constexpr Texte kEnteteCode = Texte("Code");
inline constexpr Texte kEnteteFichier = Texte("Fichier");
inline constexpr Texte kEnteteJour = Texte("Jour");
inline constexpr Texte kEnteteRequetes = Texte("Requ\xEAtes");
inline constexpr Texte kEnteteOctets = Texte("Octets");
inline constexpr Texte kEntetePart = Texte("Part");
inline constexpr Texte kEnteteMesure = Texte("Mesure");
inline constexpr Texte kEnteteValeur = Texte("Valeur");
inline constexpr Texte kEnteteSite = Texte("Site");
inline constexpr Texte kEnteteTermes = Texte("Termes");
inline constexpr Texte kEnteteRobot = Texte("Robot");
inline constexpr Texte kEnteteMethode = Texte("M\xE9thode");
inline constexpr Texte kEnteteProtocole = Texte("Protocole");
inline constexpr Texte kEntetePays = kTitrePays;
inline constexpr Texte kEnteteHoteVirtuel = Texte("H\xF4te virtuel");
inline constexpr Texte kEnteteMoyenneMs = Texte("Moyenne (ms)");
inline constexpr Texte kEnteteMedianeMs = Texte(
    "M\xE9"
    "diane (ms)");
inline constexpr Texte kEnteteCentile95Ms = Texte("95e centile (ms)");
inline constexpr Texte kEnteteMaximumMs = Texte("Maximum (ms)");
// The row of the days' table that gathers the requests without a day.
inline constexpr Texte kRequetesSansDate = Texte("Requ\xEAtes sans date lisible");

// The page's summary of what was read.
inline constexpr Texte kJournauxLus = Texte("Journaux lus");
inline constexpr Texte kJournalLu = Texte("Journal lu");
inline constexpr Texte kPeriodeLue = Texte("P\xE9riode");
inline constexpr Texte kToutLeJournal = Texte("tout le journal");
inline constexpr Texte kLignesLuesTitre = Texte("Lignes lues");
inline constexpr Texte kLignesAnalyseesTitre = Texte(
    "Lignes analys\xE9"
    "es");
inline constexpr Texte kLignesIgnoreesTitre = Texte(
    "Lignes ignor\xE9"
    "es");
inline constexpr Texte kLignesHorsPeriodeTitre = Texte("Lignes hors p\xE9riode");
inline constexpr Texte kPremiereDate = Texte("Premi\xE8re date");
inline constexpr Texte kDerniereDate = Texte("Derni\xE8re date");
inline constexpr Texte kClientsDistincts = Texte("Clients distincts");
inline constexpr Texte kOctetsEnvoyes = Texte("Octets envoy\xE9s");
inline constexpr Texte kPlusDe = Texte("plus de ");
inline constexpr Texte kJoursCouverts = Texte("Jours (du premier au dernier)");

// "38477 lignes analysées sur 38487 lignes lues (10 lignes ignorées)": the nouns after
// their numbers, singular and plural.
inline constexpr Texte kLigneAnalysee = Texte(
    "ligne analys\xE9"
    "e");
inline constexpr Texte kLignesAnalysees = Texte(
    "lignes analys\xE9"
    "es");
inline constexpr Texte kSur = Texte(" sur ");
inline constexpr Texte kLigneLue = Texte("ligne lue");
inline constexpr Texte kLignesLues = Texte("lignes lues");
inline constexpr Texte kLigneHorsPeriode = Texte("ligne hors p\xE9riode");
inline constexpr Texte kLignesHorsPeriode = Texte("lignes hors p\xE9riode");
inline constexpr Texte kLigneIgnoree = Texte(
    "ligne ignor\xE9"
    "e");
inline constexpr Texte kLignesIgnorees = Texte(
    "lignes ignor\xE9"
    "es");

// "Rapport d'analyse du fichier a.log", "Rapport d'analyse de 3 journaux : " (the names follow),
// then the period: " du 01/12/2026 00:00:00 au 31/12/2026 23:59:59".
inline constexpr Texte kRapportDuFichier = Texte("Rapport d'analyse du fichier ");
std::string texteRapportDeJournaux(std::size_t n);
std::string textePeriodeDuAu(const std::string& debut, const std::string& fin);
// The fold of a long table: "voir tout (120 lignes)".
std::string texteVoirTout(std::size_t lignes);
// The page's foot: "Créé le <date> par Kestrane <version>".
inline constexpr Texte kCreeLe = Texte("Cr\xE9\xE9 le ");
inline constexpr Texte kParKestrane = Texte(" par Kestrane ");
// A live report's line under its title: "Mis à jour le 11/12/2026 à 10:15:03 \x97 toutes les 10
// secondes" (\x97: an em dash; the day, the time, the seconds between two rewrites).
std::string texteMiseAJour(const std::string& jour, const std::string& heure, int secondes);

// --- The base of days (core/historique) -------------------------------------------------------
// "Base d'historique � <adresse> � : <raison>".
inline constexpr Texte kBaseHistorique = Texte("Base d'historique \xAB ");
inline constexpr Texte kBaseHistoriqueFin = Texte(" \xBB : ");
inline constexpr Texte kBasePasUneBase = Texte("ce fichier n'est pas une base d'historique");
inline constexpr Texte kBaseVerrouillee = Texte(
    "la base est occup\xE9"
    "e par un autre programme ; r\xE9"
    "essayez plus tard");
inline constexpr Texte kBaseDisquePlein = Texte(
    "le disque est plein ; la base est rest\xE9"
    "e telle qu'elle \xE9tait");
inline constexpr Texte kBaseInaccessible = Texte("impossible d'ouvrir la base");
// "<journal> : ...": a pipe or standard input given to a feed.
inline constexpr Texte kBaseFichierOrdinaire = Texte(
    " : la base n'ajoute que des fichiers (ni tube, ni entr\xE9"
    "e standard)");
// A PostgreSQL server that cannot be reached, followed by libpq's own words in parentheses.
inline constexpr Texte kBaseConnexionImpossible =
    Texte("connexion au serveur PostgreSQL impossible");
// Asked to keep a PostgreSQL transaction in which a statement failed.
inline constexpr Texte kBaseTransactionEchouee = Texte(
    "une instruction de la transaction a \xE9"
    "chou\xE9 ; rien n'a \xE9t\xE9 enregistr\xE9");
// The report of a range compared with another: the first figure's column of the second range,
// then the change from it.
inline constexpr Texte kEnteteComparaison = Texte(" (comparaison)");
inline constexpr Texte kEnteteEvolution = Texte("\xC9volution");
// The entry of a day's table that sums those past the base's limit.
inline constexpr std::string_view kLibelleAutres = "(autres)";
// "<fichier>, ligne 12 : <raison>": a line of a journal fed to the base that does not read.
inline constexpr Texte kBaseALaLigne = Texte(", ligne ");
inline constexpr Texte kBasePlusRecente = Texte(
    "cette base a \xE9t\xE9 faite par une version plus r\xE9"
    "cente de Kestrane");

}  // namespace kestrane
