// The statistics of a real access log (10,000 lines nobody here wrote), against figures read
// from the same file by tests/outils/chiffres_echantillon.sh with awk, sort, uniq and grep only.
// Every expected figure below is what that script printed; if the sample changes, rerun it and
// copy the new figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/analyse/ComptesJournal.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane {
namespace {

const std::string kChemin = std::string(KESTRANE_ECHANTILLONS) + "/apache-combined-10k.log";

constexpr std::size_t kLignes = 10000;
constexpr int kDatesDistinctes = 4;

// The script checked that no address has a leading zero, so the address texts of the file are
// the keys the program rebuilds from the four numbers.
constexpr std::size_t kAdressesDistinctes = 1753;
const std::vector<std::string_view> kPremieresAdresses = {
    "83.149.9.216", "24.236.252.67", "93.114.45.13", "66.249.73.135", "50.16.19.13"};
constexpr std::string_view kAdresseLaPlusFrequente = "66.249.73.135";
constexpr int32_t kLignesAdresseLaPlusFrequente = 482;
constexpr int32_t kLignesDeuxiemeAdresse = 364;

struct Octets {
    std::string_view adresse;
    int32_t total;
};
// 669 lines send "-", counted 0.
const std::vector<Octets> kOctets = {
    {"66.249.73.135", 75500527}, {"83.149.9.216", 4379454}, {"68.180.224.225", 168132893}};
constexpr std::string_view kAdresseLaPlusChargee = "68.180.224.225";
// Beyond 32 bits on purpose: only the per-address totals must fit.
constexpr int64_t kOctetsDuFichier = 2747282740;

constexpr std::size_t kProvenancesDistinctes = 628;
constexpr int32_t kProvenancesTiret = 4073;
const std::vector<std::string_view> kPremieresProvenances = {
    "http://semicomplete.com/presentations/logstash-monitorama-2013/", "-"};

constexpr std::size_t kFichiersDistincts = 1515;
constexpr std::string_view kFichierLePlusDemande = "/favicon.ico";
constexpr int32_t kLignesFichierLePlusDemande = 799;
constexpr std::string_view kPremierFichier =
    "/presentations/logstash-monitorama-2013/images/kibana-search.png";

struct Cle {
    std::string_view libelle;
    int32_t nombre;
    std::string_view complement;
};
// Lines per date, in order of first appearance, with the date and time of the first line.
const std::vector<Cle> kParDate = {{"17/May/2015", 1632, "17/May/2015 10:05:03"},
                                   {"18/May/2015", 2893, "18/May/2015 00:05:08"},
                                   {"19/May/2015", 2896, "19/May/2015 00:05:11"},
                                   {"20/May/2015", 2579, "20/May/2015 00:05:10"}};

// Every date lies in May 2015.
const std::vector<std::string> kAnnees = {"2015"};
const std::vector<std::string> kMois = {"May/2015"};

// Lines per hour over the whole file, in order of first appearance, with the date of the first
// line of that hour.
const std::vector<Cle> kParHeure = {
    {"10 \xE0 11", 443, "17/May/2015"}, {"11 \xE0 12", 459, "17/May/2015"},
    {"12 \xE0 13", 462, "17/May/2015"}, {"13 \xE0 14", 475, "17/May/2015"},
    {"14 \xE0 15", 498, "17/May/2015"}, {"15 \xE0 16", 496, "17/May/2015"},
    {"16 \xE0 17", 473, "17/May/2015"}, {"17 \xE0 18", 484, "17/May/2015"},
    {"18 \xE0 19", 478, "17/May/2015"}, {"19 \xE0 20", 493, "17/May/2015"},
    {"20 \xE0 21", 486, "17/May/2015"}, {"21 \xE0 22", 453, "17/May/2015"},
    {"22 \xE0 23", 346, "17/May/2015"}, {"23 \xE0 24", 356, "17/May/2015"},
    {"00 \xE0 01", 361, "18/May/2015"}, {"01 \xE0 02", 360, "18/May/2015"},
    {"02 \xE0 03", 365, "18/May/2015"}, {"03 \xE0 04", 354, "18/May/2015"},
    {"04 \xE0 05", 355, "18/May/2015"}, {"05 \xE0 06", 371, "18/May/2015"},
    {"06 \xE0 07", 366, "18/May/2015"}, {"07 \xE0 08", 357, "18/May/2015"},
    {"08 \xE0 09", 345, "18/May/2015"}, {"09 \xE0 10", 364, "18/May/2015"}};

// Lines per hour of one day. The first date starts at 10 h; the second covers all 24 hours, so
// it shows the hours below 10 whose end hour has no leading zero.
const std::vector<Cle> kHeuresDu17 = {
    {"10h \xE0 11h", 74, ""},  {"11h \xE0 12h", 111, ""}, {"12h \xE0 13h", 115, ""},
    {"13h \xE0 14h", 118, ""}, {"14h \xE0 15h", 120, ""}, {"15h \xE0 16h", 125, ""},
    {"16h \xE0 17h", 126, ""}, {"17h \xE0 18h", 123, ""}, {"18h \xE0 19h", 118, ""},
    {"19h \xE0 20h", 121, ""}, {"20h \xE0 21h", 129, ""}, {"21h \xE0 22h", 123, ""},
    {"22h \xE0 23h", 118, ""}, {"23h \xE0 24h", 111, ""}};
const std::vector<Cle> kHeuresDu18 = {
    {"00h \xE0 1h", 116, ""},  {"01h \xE0 2h", 118, ""},  {"02h \xE0 3h", 125, ""},
    {"03h \xE0 4h", 114, ""},  {"04h \xE0 5h", 115, ""},  {"05h \xE0 6h", 125, ""},
    {"06h \xE0 7h", 121, ""},  {"07h \xE0 8h", 124, ""},  {"08h \xE0 9h", 110, ""},
    {"09h \xE0 10h", 122, ""}, {"10h \xE0 11h", 132, ""}, {"11h \xE0 12h", 121, ""},
    {"12h \xE0 13h", 120, ""}, {"13h \xE0 14h", 119, ""}, {"14h \xE0 15h", 122, ""},
    {"15h \xE0 16h", 133, ""}, {"16h \xE0 17h", 114, ""}, {"17h \xE0 18h", 132, ""},
    {"18h \xE0 19h", 123, ""}, {"19h \xE0 20h", 113, ""}, {"20h \xE0 21h", 113, ""},
    {"21h \xE0 22h", 130, ""}, {"22h \xE0 23h", 113, ""}, {"23h \xE0 24h", 118, ""}};

std::string decrire(const rapportStat& e) {
    return "[" + e.libelle + " | " + e.complement + " | " + std::to_string(e.nombre) + "]";
}

::testing::AssertionResult memeTable(const tableauRapportStat& obtenue,
                                     const tableauRapportStat& attendue) {
    if (obtenue.size() != attendue.size())
        return ::testing::AssertionFailure()
               << obtenue.size() << " entries instead of " << attendue.size();
    for (std::size_t i = 0; i < obtenue.size(); ++i) {
        const rapportStat& o = obtenue[i];
        const rapportStat& a = attendue[i];
        if (o.libelle != a.libelle || o.complement != a.complement || o.nombre != a.nombre)
            return ::testing::AssertionFailure()
                   << "entry " << i << " is " << decrire(o) << " instead of " << decrire(a);
    }
    return ::testing::AssertionSuccess();
}

// Keys and counts (and the second text when `avecComplement`) against the script's figures.
::testing::AssertionResult memesCles(const tableauRapportStat& obtenue,
                                     const std::vector<Cle>& attendue, bool avecComplement) {
    if (obtenue.size() != attendue.size())
        return ::testing::AssertionFailure()
               << obtenue.size() << " entries instead of " << attendue.size();
    for (std::size_t i = 0; i < obtenue.size(); ++i) {
        const rapportStat& o = obtenue[i];
        const Cle& a = attendue[i];
        if (o.libelle != a.libelle || o.nombre != a.nombre ||
            (avecComplement && o.complement != a.complement))
            return ::testing::AssertionFailure()
                   << "entry " << i << " is " << decrire(o) << " instead of [" << a.libelle << " | "
                   << a.complement << " | " << a.nombre << "]";
    }
    return ::testing::AssertionSuccess();
}

int64_t somme(const tableauRapportStat& table) {
    int64_t total = 0;
    for (const rapportStat& e : table) total += e.nombre;
    return total;
}

std::size_t nbClesDistinctes(const tableauRapportStat& table) {
    std::set<std::string> cles;
    for (const rapportStat& e : table) cles.insert(e.libelle);
    return cles.size();
}

const rapportStat* chercher(const tableauRapportStat& table, std::string_view cle) {
    for (const rapportStat& e : table)
        if (e.libelle == cle) return &e;
    return nullptr;
}

// Every line of the sample counts once in a count table, under one key.
void verifierTableDeComptage(const tableauRapportStat& table, const char* nom) {
    SCOPED_TRACE(nom);
    EXPECT_EQ(somme(table), static_cast<int64_t>(kLignes));
    EXPECT_EQ(nbClesDistinctes(table), table.size());
    for (const rapportStat& e : table) {
        EXPECT_GT(e.nombre, 0) << e.libelle;
        EXPECT_EQ(e.complement, "") << e.libelle;
    }
}

class EchantillonReel : public ::testing::Test {
  protected:
    // Loaded once: the file is 2.3 MB and every test only reads it.
    static void SetUpTestSuite() {
        if (std::filesystem::exists(kChemin)) journal_ = Journal::charger(kChemin);
    }
    static void TearDownTestSuite() { journal_.reset(); }

    void SetUp() override {
        if (!journal_) GTEST_SKIP() << "sample journal absent: " << kChemin;
    }

    static const Journal& journal() { return *journal_; }

  private:
    static std::optional<Journal> journal_;
};

std::optional<Journal> EchantillonReel::journal_;

TEST_F(EchantillonReel, ChargementEtEnregistrementsDeToutesLesLignes) {
    EXPECT_EQ(journal().nbLignes(), kLignes);

    TableauLog enregistrements;
    ASSERT_NO_THROW(enregistrements.memoriser(journal()));
    EXPECT_EQ(enregistrements.taille(), kLignes);
    EXPECT_TRUE(enregistrements.couvre(journal()));

    // Line 8899 is cut short inside its user agent: the fields before it are whole.
    const RLog r = enregistrements[8898];
    EXPECT_EQ(adresseIP(r), "46.118.127.106");
    EXPECT_EQ(r.date, "20/May/2015");
    EXPECT_EQ(r.heure, "12:05:17");
    EXPECT_EQ(r.fichierCharge, "/scripts/grok-py-test/configlib.py");
    EXPECT_EQ(r.codeRenvoye, 200);
    EXPECT_EQ(r.chargement, 235);
    EXPECT_EQ(r.pagePrecedente, "-");
}

TEST_F(EchantillonReel, AdressesIP) {
    tableauRapportStat table;
    compterAdressesIP(journal(), table);

    EXPECT_EQ(table.size(), kAdressesDistinctes);
    verifierTableDeComptage(table, "statIP");
    ASSERT_GE(table.size(), kPremieresAdresses.size());
    for (std::size_t i = 0; i < kPremieresAdresses.size(); ++i)
        EXPECT_EQ(table[i].libelle, kPremieresAdresses[i]) << "entry " << i;

    auto parNombre = [](const rapportStat& a, const rapportStat& b) { return a.nombre < b.nombre; };
    const auto premier = std::max_element(table.begin(), table.end(), parNombre);
    ASSERT_NE(premier, table.end());
    EXPECT_EQ(premier->libelle, kAdresseLaPlusFrequente);
    EXPECT_EQ(premier->nombre, kLignesAdresseLaPlusFrequente);
    // No tie at the top: the runner-up is well below.
    int64_t deuxieme = 0;
    for (auto it = table.begin(); it != table.end(); ++it)
        if (it != premier) deuxieme = std::max(deuxieme, it->nombre);
    EXPECT_EQ(deuxieme, kLignesDeuxiemeAdresse);
}

TEST_F(EchantillonReel, OctetsParAdresse) {
    tableauRapportStat octets, adresses;
    compterOctets(journal(), octets);
    compterAdressesIP(journal(), adresses);

    // Same key, same order of first appearance as the address table.
    ASSERT_EQ(octets.size(), kAdressesDistinctes);
    ASSERT_EQ(adresses.size(), octets.size());
    for (std::size_t i = 0; i < octets.size(); ++i) {
        ASSERT_EQ(octets[i].libelle, adresses[i].libelle) << "entry " << i;
        EXPECT_EQ(octets[i].complement, "") << "entry " << i;
        EXPECT_GE(octets[i].nombre, 0) << octets[i].libelle;
    }

    for (const Octets& o : kOctets) {
        const rapportStat* e = chercher(octets, o.adresse);
        ASSERT_NE(e, nullptr) << o.adresse;
        EXPECT_EQ(e->nombre, o.total) << o.adresse;
    }
    EXPECT_EQ(somme(octets), kOctetsDuFichier);

    auto parNombre = [](const rapportStat& a, const rapportStat& b) { return a.nombre < b.nombre; };
    EXPECT_EQ(std::max_element(octets.begin(), octets.end(), parNombre)->libelle,
              kAdresseLaPlusChargee);
}

TEST_F(EchantillonReel, Provenances) {
    tableauRapportStat table;
    compterProvenances(journal(), table);

    EXPECT_EQ(table.size(), kProvenancesDistinctes);
    verifierTableDeComptage(table, "statPrecedent");
    ASSERT_GE(table.size(), kPremieresProvenances.size());
    for (std::size_t i = 0; i < kPremieresProvenances.size(); ++i)
        EXPECT_EQ(table[i].libelle, kPremieresProvenances[i]) << "entry " << i;
    const rapportStat* tiret = chercher(table, "-");
    ASSERT_NE(tiret, nullptr);
    EXPECT_EQ(tiret->nombre, kProvenancesTiret);
}

TEST_F(EchantillonReel, FichiersCharges) {
    tableauRapportStat table;
    compterFichiers(journal(), table);

    EXPECT_EQ(table.size(), kFichiersDistincts);
    verifierTableDeComptage(table, "statFichier");
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table[0].libelle, kPremierFichier);
    const rapportStat* favicon = chercher(table, kFichierLePlusDemande);
    ASSERT_NE(favicon, nullptr);
    EXPECT_EQ(favicon->nombre, kLignesFichierLePlusDemande);
    for (const rapportStat& e : table)
        EXPECT_LE(e.nombre, kLignesFichierLePlusDemande) << e.libelle;
}

// No independent reading of the user-agent cutters here; what the sample can still show is
// that every line lands once under one key.
TEST_F(EchantillonReel, SystemesEtNavigateursCouvrentChaqueLigne) {
    tableauRapportStat systemes, navigateurs;
    compterSystemes(journal(), systemes);
    compterNavigateurs(journal(), navigateurs);
    verifierTableDeComptage(systemes, "statOS");
    verifierTableDeComptage(navigateurs, "statNav");
}

TEST_F(EchantillonReel, RequetesParDateEtDUneJournee) {
    tableauRapportStat table;
    compterRequetes(journal(), "", "", "", table);
    EXPECT_TRUE(memesCles(table, kParDate, true));

    compterRequetes(journal(), kPeriodeJournee, "17/05/2015", "", table);
    EXPECT_TRUE(memesCles(table, kHeuresDu17, false));
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table[0].complement, "17/May/2015 10:05:03");

    compterRequetes(journal(), kPeriodeJournee, "18/05/2015", "", table);
    EXPECT_TRUE(memesCles(table, kHeuresDu18, false));
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table[0].complement, "18/May/2015 00:05:08");

    compterRequetes(journal(), kPeriodeToutLeFichier, "", "", table);
    EXPECT_TRUE(memeTable(table, {{"Tous", "Toutes", static_cast<int32_t>(kLignes)}}));
}

TEST_F(EchantillonReel, TranchesHorairesDUneJourneeMoyenne) {
    tableauRapportStat table;
    compterTranchesHoraires(journal(), 1, table);

    tableauRapportStat attendue = {{"", "", 0}};
    for (const Cle& h : kParHeure)
        attendue.push_back(
            {std::string(h.libelle), std::string(h.complement), h.nombre / kDatesDistinctes});
    EXPECT_TRUE(memeTable(table, attendue));

    // Six-hour slices from the same hourly totals: the slice of 10 h opens the table, the night
    // slice comes last with the date of the second day.
    compterTranchesHoraires(journal(), 6, table);
    int32_t lignes[4] = {0, 0, 0, 0};
    for (const Cle& h : kParHeure) {
        const int heure = (h.libelle[0] - '0') * 10 + (h.libelle[1] - '0');
        lignes[heure / 6] += h.nombre;
    }
    EXPECT_TRUE(memeTable(table, {{"", "", 0},
                                  {"06 \xE0 12", "17/May/2015", lignes[1] / kDatesDistinctes},
                                  {"12 \xE0 18", "17/May/2015", lignes[2] / kDatesDistinctes},
                                  {"18 \xE0 24", "17/May/2015", lignes[3] / kDatesDistinctes},
                                  {"00 \xE0 06", "18/May/2015", lignes[0] / kDatesDistinctes}}));
}

// The combined pass must give, table for table, what the separate tallies give, whether it
// reads the records of the analysis run or has to parse the journal itself.
TEST_F(EchantillonReel, CalculerTablesDonneLesTablesDesComptagesSepares) {
    tableauRapportStat ip, os, nav, precedent, fichier, taux, horaires, parDate, toutLeFichier;
    compterAdressesIP(journal(), ip);
    compterSystemes(journal(), os);
    compterNavigateurs(journal(), nav);
    compterProvenances(journal(), precedent);
    compterFichiers(journal(), fichier);
    compterOctets(journal(), taux);
    compterTranchesHoraires(journal(), 1, horaires);
    compterRequetes(journal(), "", "", "", parDate);
    compterRequetes(journal(), kPeriodeToutLeFichier, "", "", toutLeFichier);
    EXPECT_TRUE(memesCles(parDate, kParDate, true));

    for (const bool premierePasse : {true, false}) {
        SCOPED_TRACE(premierePasse ? "with the first pass's counts" : "without them");
        ComptesJournal comptes;
        if (premierePasse) {
            ASSERT_NO_THROW(TableauLog().memoriser(journal(), {}, &comptes));
        }
        ComptesJournal* source = premierePasse ? &comptes : nullptr;
        std::vector<int> etapes;
        ListesPeriodes listes;
        TablesAnalyse t;
        ASSERT_NO_THROW(calculerTables(
            journal(), 1, t, source, [&](int etape) { etapes.push_back(etape); }, &listes));
        EXPECT_EQ(etapes,
                  (std::vector<int>{kEtapeIP, kEtapeOS, kEtapeNav, kEtapePrecedent, kEtapeFichier,
                                    kEtapeOctets, kEtapeTranches, kEtapeRequetes}));
        EXPECT_TRUE(memeTable(t.statIP, ip)) << "statIP";
        EXPECT_TRUE(memeTable(t.statOS, os)) << "statOS";
        EXPECT_TRUE(memeTable(t.statNav, nav)) << "statNav";
        EXPECT_TRUE(memeTable(t.statPrecedent, precedent)) << "statPrecedent";
        EXPECT_TRUE(memeTable(t.statFichier, fichier)) << "statFichier";
        EXPECT_TRUE(memeTable(t.statTaux, taux)) << "statTaux";
        EXPECT_TRUE(memeTable(t.statHoraires, horaires)) << "statHoraires";
        // The pass ends on the whole-journal build, which is what the table keeps.
        EXPECT_TRUE(memeTable(t.statVMensuelles, toutLeFichier)) << "statVMensuelles";
        EXPECT_TRUE(
            memeTable(t.statVMensuelles, {{"Tous", "Toutes", static_cast<int32_t>(kLignes)}}));
        // The all-dates step shows only through the choice lists it leaves.
        EXPECT_EQ(listes.annees, kAnnees);
        EXPECT_EQ(listes.mois, kMois);
        EXPECT_EQ(listes.annees, listesPeriodes(parDate).annees);
        EXPECT_EQ(listes.mois, listesPeriodes(parDate).mois);
    }
}

// A journal big enough for the pass to share it between both cores, made of the sample's own
// lines: the lines of the first date fourteen times, then the other lines twice. The second
// core starts inside the repeats of the first date, then meets what the first core never saw:
// addresses, dates, and the slices of 00 h to 10 h.
TEST_F(EchantillonReel, CalculerTablesSurUnGrandJournalDonneLesTablesDesComptagesSepares) {
    const std::size_t premiereDate = static_cast<std::size_t>(kParDate[0].nombre);
    std::string texte;
    const auto recopier = [&](std::size_t debut, std::size_t fin, int fois) {
        for (int k = 0; k < fois; ++k)
            for (std::size_t i = debut; i < fin; ++i) {
                texte += journal().ligne(i);
                texte += '\n';
            }
    };
    recopier(0, premiereDate, 14);
    recopier(premiereDate, kLignes, 2);
    const Journal grand = Journal::depuisTexte(std::move(texte));
    const int32_t nbLignes = static_cast<int32_t>(14 * premiereDate + 2 * (kLignes - premiereDate));
    ASSERT_EQ(grand.nbLignes(), static_cast<std::size_t>(nbLignes));

    tableauRapportStat ip, os, nav, precedent, fichier, taux, horaires, parDate;
    compterAdressesIP(grand, ip);
    compterSystemes(grand, os);
    compterNavigateurs(grand, nav);
    compterProvenances(grand, precedent);
    compterFichiers(grand, fichier);
    compterOctets(grand, taux);
    compterTranchesHoraires(grand, 1, horaires);
    compterRequetes(grand, "", "", "", parDate);
    // Same addresses, dates and first lines as the sample, only more of them.
    EXPECT_EQ(ip.size(), kAdressesDistinctes);
    EXPECT_EQ(somme(ip), nbLignes);
    ASSERT_EQ(parDate.size(), kParDate.size());
    for (std::size_t i = 0; i < parDate.size(); ++i) {
        EXPECT_EQ(parDate[i].libelle, kParDate[i].libelle);
        EXPECT_EQ(parDate[i].complement, kParDate[i].complement);
    }

    for (const bool premierePasse : {true, false}) {
        SCOPED_TRACE(premierePasse ? "with the first pass's counts" : "without them");
        ComptesJournal comptes;
        if (premierePasse) {
            ASSERT_NO_THROW(TableauLog().memoriser(grand, {}, &comptes));
        }
        ComptesJournal* source = premierePasse ? &comptes : nullptr;
        ListesPeriodes listes;
        TablesAnalyse t;
        ASSERT_NO_THROW(calculerTables(grand, 1, t, source, {}, &listes));
        EXPECT_TRUE(memeTable(t.statIP, ip)) << "statIP";
        EXPECT_TRUE(memeTable(t.statOS, os)) << "statOS";
        EXPECT_TRUE(memeTable(t.statNav, nav)) << "statNav";
        EXPECT_TRUE(memeTable(t.statPrecedent, precedent)) << "statPrecedent";
        EXPECT_TRUE(memeTable(t.statFichier, fichier)) << "statFichier";
        EXPECT_TRUE(memeTable(t.statTaux, taux)) << "statTaux";
        EXPECT_TRUE(memeTable(t.statHoraires, horaires)) << "statHoraires";
        EXPECT_TRUE(memeTable(t.statVMensuelles, {{"Tous", "Toutes", nbLignes}}));
        EXPECT_EQ(listes.annees, kAnnees);
        EXPECT_EQ(listes.mois, kMois);
    }
}

}  // namespace
}  // namespace kestrane
