// Byte amounts are 64-bit: a response or a client total past 2 or 4 GiB is counted exactly, and
// only a total past the signed 64-bit range overflows. Each case runs through the separate
// tally, the statistics pass on one core, and the statistics pass on two cores fed by the first
// pass's counts, with the interesting lines split between the two halves.
#include <gtest/gtest.h>

#include <optional>

#include "core/analyse/ComptesJournal.h"
#include "core/journal/Erreur.h"
#include "core/lecture/TableauLog.h"
#include "tests/commun/Doublures.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

using Paires = std::vector<std::pair<std::string, int64_t>>;

const std::string kDebordement =
    "D\xE9"
    "bordement d'entier";

// 1.1.1.1 sends `a1`, then, after `remplissage` lines of 3.3.3.3 without bytes, 1.1.1.1 sends
// `a2` and 2.2.2.2 sends `b`; more filler follows so that a long journal's halves split there.
// `entete`: lines before all that.
Journal journalOctets(const std::string& a1, const std::string& a2, const std::string& b,
                      std::size_t remplissage, const std::vector<std::string>& entete = {}) {
    std::vector<std::string> l = entete;
    l.push_back(ligneLog("1.1.1.1", "06/Dec/2006", "10:00:00", a1));
    for (std::size_t k = 0; k < remplissage; ++k)
        l.push_back(ligneLog("3.3.3.3", "06/Dec/2006", "11:00:00", "-"));
    l.push_back(ligneLog("1.1.1.1", "06/Dec/2006", "12:00:00", a2));
    l.push_back(ligneLog("2.2.2.2", "06/Dec/2006", "13:00:00", b));
    for (std::size_t k = 0; k < remplissage / 3; ++k)
        l.push_back(ligneLog("3.3.3.3", "06/Dec/2006", "11:00:00", "-"));
    return journalDe(l);
}

// statTaux and the error, by the three roads.
struct Issue {
    Paires taux;
    std::optional<std::string> erreur;
    std::optional<std::size_t> ligne;  // the journal's line an overflow names
};

template <typename F>
Issue issue(F&& calcul, const tableauRapportStat& taux) {
    Issue r;
    try {
        calcul();
    } catch (const ErreurDebordement& e) {
        r.erreur = e.message();
        r.ligne = e.ligne();
    } catch (const ErreurKestrane& e) {
        r.erreur = e.message();
    }
    r.taux = paires(taux);
    return r;
}

}  // namespace

TEST(Octets, SoixanteQuatreBitsParLesTroisChemins) {
    struct Cas {
        const char *nom, *a1, *a2, *b;
        int64_t totalA, totalB;  // expected when no error
        bool debordement;
    };
    const Cas cas[] = {
        {"one 3,000,000,000-byte response", "3000000000", "-", "5", 3000000000, 5, false},
        {"a client past 4 GiB", "3000000000", "2000000000", "$B2D05E00", 5000000000, 3000000000,
         false},
        {"the 64-bit maximum", "9223372036854775806", "1", "9223372036854775807", INT64_MAX,
         INT64_MAX, false},
        {"a total past 2^63", "9223372036854775000", "808", "1", 0, 0, true},
        {"halves each within 64 bits, their sum past", "9000000000000000000", "300000000000000000",
         "1", 0, 0, true},
    };
    for (const Cas& c : cas) {
        for (const std::size_t remplissage : {std::size_t{2}, std::size_t{40000}}) {
            SCOPED_TRACE(testing::Message() << c.nom << ", " << remplissage << " filler lines");
            const Journal j = journalOctets(c.a1, c.a2, c.b, remplissage);
            tableauRapportStat separe;
            const Issue tally = issue([&] { compterOctets(j, separe); }, separe);
            TablesAnalyse t;
            const Issue uneFois = issue([&] { calculerTables(j, 1, t, nullptr); }, t.statTaux);
            ComptesJournal comptes;
            TableauLog().memoriser(j, {}, &comptes);
            t.statTaux.clear();
            const Issue premierePasse =
                issue([&] { calculerTables(j, 1, t, &comptes); }, t.statTaux);
            // The lenient reading skips two lines before: the line named is still the journal's.
            TableauLog souple;
            ComptesJournal comptesSouples;
            souple.memoriser(journalOctets(c.a1, c.a2, c.b, remplissage, {"junk", ""}), {},
                             &comptesSouples, examinerLigne);
            t.statTaux.clear();
            const Issue lignesGardees =
                issue([&] { calculerTables(souple, 1, t, &comptesSouples); }, t.statTaux);
            if (c.debordement) {
                EXPECT_EQ(tally.erreur, kDebordement);
                EXPECT_EQ(tally.ligne, 1 + remplissage);
                EXPECT_EQ(lignesGardees.ligne, 3 + remplissage);
                // The entries built before the overflowing line stay.
                EXPECT_EQ(tally.taux, (Paires{{"1.1.1.1", std::stoll(c.a1)}, {"3.3.3.3", 0}}));
            } else {
                EXPECT_EQ(tally.erreur, std::nullopt);
                EXPECT_EQ(tally.taux,
                          (Paires{{"1.1.1.1", c.totalA}, {"3.3.3.3", 0}, {"2.2.2.2", c.totalB}}));
            }
            EXPECT_EQ(uneFois.erreur, tally.erreur);
            EXPECT_EQ(uneFois.taux, tally.taux);
            EXPECT_EQ(uneFois.ligne, tally.ligne);
            EXPECT_EQ(premierePasse.erreur, tally.erreur);
            EXPECT_EQ(premierePasse.taux, tally.taux);
            EXPECT_EQ(premierePasse.ligne, tally.ligne);
            EXPECT_EQ(lignesGardees.erreur, tally.erreur);
            EXPECT_EQ(lignesGardees.taux, tally.taux);
        }
    }
}

TEST(Octets, AuDelaDeSoixanteQuatreBitsLaLigneNeSeConvertitPas) {
    const Journal j = journalOctets("9223372036854775808", "1", "1", 2);
    tableauRapportStat t;
    try {
        compterOctets(j, t);
        FAIL() << "conversion error expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_EQ(e.message(), "'9223372036854775808' n'est pas une valeur enti\xE8re correcte");
    }
    EXPECT_TRUE(t.empty());
    // The counts of lines keep their 32-bit rule: the address grid counts lines, not bytes.
    const Journal grand = journalOctets("3000000000", "3000000000", "1", 2);
    compterAdressesIP(grand, t);
    EXPECT_EQ(paires(t), (Paires{{"1.1.1.1", 2}, {"3.3.3.3", 2}, {"2.2.2.2", 1}}));
}
