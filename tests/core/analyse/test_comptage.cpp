// The counts of an analysis made once, in runs, apart and merged, or day by day: every result the
// same, and the same when made twice from the same counts or before more lines are counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/analyse/Comptage.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/journal/Journal.h"
#include "tests/commun/JournalDeJours.h"
#include "tests/commun/ResultatEnTexte.h"

namespace kestrane {
namespace {

using test::journalDeJours;

struct Morceau {
    std::vector<std::string_view> lignes;
    std::size_t premiere = 0;
};

// What one count of the runs gives, its result made twice, and once more after a result was made
// halfway (counting goes on after a result).
class Comptes {
  public:
    Comptes(const OptionsAnalyse& o, const Journal& j) : options_(o), journal_(j) {}

    std::unique_ptr<Comptage> nouveau() const {
        auto c = std::make_unique<Comptage>(options_, FormatJournal());
        c->commencer(journal_);
        return c;
    }
    void compter(Comptage& c, const Morceau& m) {
        const Comptage::Bilan b = c.compter(m.lignes, journal_.octets(), m.premiere);
        ASSERT_FALSE(b.erreur);
        ajouter(m.lignes.size(), b);
    }
    void ajouter(std::size_t lignes, const Comptage::Bilan& b) {
        lues_ += lignes;
        horsPeriode_ += b.horsPeriode;
        ignorees_ += b.ignorees;
    }
    std::string resultat(Comptage& c) {
        const auto ignorees =
            options_.ignorerNonConformes ? std::optional<std::size_t>(ignorees_) : std::nullopt;
        ResultatAnalyse r, encore;
        EXPECT_TRUE(c.resultat(r, lues_, horsPeriode_, ignorees));
        EXPECT_TRUE(c.resultat(encore, lues_, horsPeriode_, ignorees));
        const std::string d = test::resultatEnTexte(r);
        EXPECT_EQ(test::resultatEnTexte(encore), d) << "deux fois des mêmes comptes";
        return d;
    }

  private:
    OptionsAnalyse options_;
    Journal journal_;
    std::size_t lues_ = 0, horsPeriode_ = 0, ignorees_ = 0;
};

TEST(Comptage, EnUneFoisEnMorceauxFusionnesOuParJourLesMemesResultats) {
    for (int k = 0; k < 16; ++k) {
        OptionsAnalyse o;
        o.ignorerNonConformes = k & 1;
        o.complements = k & 2;
        o.detailEntrees = k & 2;
        o.resultatsLisibles = k & 4;
        if (k & 8) {
            o.periode.active = true;
            lireInstant("10/Oct/2005", "22:00:00", o.periode.debut);
            lireInstant("12/Oct/2005", "03:00:00", o.periode.fin);
        }
        SCOPED_TRACE(k);
        const Journal j = Journal::depuisTexte(journalDeJours(12000, o.ignorerNonConformes));
        Morceau tout;
        for (std::size_t i = 0; i < j.nbLignes(); ++i) tout.lignes.push_back(j.ligne(i));
        const auto morceau = [&](std::size_t debut, std::size_t fin) {
            return Morceau{{tout.lignes.begin() + debut, tout.lignes.begin() + fin}, debut};
        };
        // At once.
        Comptes une(o, j);
        auto a = une.nouveau();
        une.compter(*a, tout);
        a->terminer();
        const std::string attendu = une.resultat(*a);

        // In runs of every size into one count, a result made halfway.
        const std::size_t coupes[] = {0, 1, 4095, 7000, j.nbLignes()};
        Comptes suite(o, j);
        auto b = suite.nouveau();
        for (std::size_t m = 0; m + 1 < std::size(coupes); ++m) {
            suite.compter(*b, morceau(coupes[m], coupes[m + 1]));
            if (m == 2) suite.resultat(*b);
        }
        b->terminer();
        EXPECT_EQ(suite.resultat(*b), attendu) << "en morceaux";

        // Each run counted apart, the counts merged in order.
        Comptes apart(o, j);
        auto c = apart.nouveau();
        apart.compter(*c, morceau(0, 5000));
        for (const auto& [debut, fin] :
             {std::pair<std::size_t, std::size_t>{5000, 5001}, {5001, j.nbLignes()}}) {
            auto d = apart.nouveau();
            apart.compter(*d, morceau(debut, fin));
            c->fusionner(*d);
        }
        c->terminer();
        EXPECT_EQ(apart.resultat(*c), attendu) << "fusionnés";

        // Day by day (a base keeps each day's counts), merged in journal order.
        std::vector<CompteDuJour> parJour = compterParJour(o, j);
        ASSERT_GE(parJour.size(), 3u);
        Comptes jours(o, j);
        std::unique_ptr<Comptage> cumul;
        for (CompteDuJour& d : parJour) {
            ASSERT_FALSE(d.bilan.erreur);
            jours.ajouter(d.lignes, d.bilan);
            if (cumul) {
                cumul->fusionner(*d.comptes);
            } else {
                cumul = std::move(d.comptes);
            }
        }
        cumul->terminer();
        EXPECT_EQ(jours.resultat(*cumul), attendu) << "par jour";
    }
}

}  // namespace
}  // namespace kestrane
