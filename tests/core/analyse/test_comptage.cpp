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
#include "tests/commun/ResultatEnTexte.h"

namespace kestrane {
namespace {

// Three days of a site: a pool of clients, agents (robots among them), paths, referrers and
// statuses, a visit across each midnight, neighbouring lines out of order; with `fautives`, lines
// the lenient reading skips.
std::string journalDeJours(std::size_t n, bool fautives) {
    static const char* const kAgents[] = {
        "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.0.0 Safari/537.36",
        "Googlebot/2.1 (+http://www.google.com/bot.html)", "MonCrawler/1.0", "curl/7.29.0"};
    static const char* const kReferents[] = {"-", "https://www.google.fr/search?q=caf%C3%A9",
                                             "http://exemple.org/page", "https://www.bing.com/"};
    std::mt19937 alea(7);
    std::vector<std::string> lignes;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t seconde = 20 * 3600 + i * (3 * 86400 - 24 * 3600) / n;
        const std::size_t jour = 10 + seconde / 86400, s = seconde % 86400;
        char quand[32];
        std::snprintf(quand, sizeof quand, "%02zu/Oct/2005:%02zu:%02zu:%02zu", jour, s / 3600,
                      s / 60 % 60, s % 60);
        std::ostringstream o;
        o << "10.0." << alea() % 7 << '.' << alea() % 13 << " - - [" << quand << " +0200] \"GET /p"
          << alea() % 37 << (alea() % 5 ? "" : "?q=x") << " HTTP/1.1\" "
          << (alea() % 9   ? 200
              : alea() % 2 ? 404
                           : 503)
          << ' ' << (alea() % 6 ? std::to_string(alea() % 90000) : "-") << " \""
          << kReferents[alea() % 4] << "\" \"" << kAgents[alea() % 5] << '"';
        lignes.push_back(o.str());
        if (fautives && alea() % 97 == 0) {
            lignes.push_back(alea() % 2 ? "" : "10.0.0.1 - - [10/Oct/2005:25:00:00 +0200] \"GET");
        }
    }
    for (std::size_t i = 1; i + 1 < lignes.size(); i += 53) std::swap(lignes[i], lignes[i + 1]);
    std::string texte;
    for (const auto& l : lignes) texte += l + '\n';
    return texte;
}

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
