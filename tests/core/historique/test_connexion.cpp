// The contract of a connection to the base of days, held alike by an SQLite file and by a
// database on a PostgreSQL server the tests start for themselves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>

#include "core/historique/Connexion.h"
#include "core/journal/Messages.h"
#include "tests/commun/OutilsTests.h"
#include "tests/commun/ServeurPostgres.h"

namespace kestrane {
namespace {

using test::cat;
using test::erreurDe;
using V = ValeurBase;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
const std::string kAccents =
    "\xC3\xA9t\xC3\xA9 \xC3\xA0 Orl\xC3\xA9"
    "ans";  // UTF-8

std::string tousLesOctets() {
    std::string s;
    for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
    return s;
}

// A value as a failure shows it: its kind, and its bytes in hex.
std::string rendu(const V& v) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s = std::to_string(static_cast<int>(v.sorte)) + ":" + std::to_string(v.entier);
    for (const char c : v.texte)
        s += {kHex[static_cast<unsigned char>(c) >> 4], kHex[static_cast<unsigned char>(c) & 0xF]};
    return s;
}
std::vector<std::string> rendues(const std::vector<LigneBase>& lignes) {
    std::vector<std::string> s;
    for (const LigneBase& l : lignes)
        for (const V& v : l) s.push_back(rendu(v));
    return s;
}

class BaseDeTest : public ::testing::Test {
  protected:
    void preparer(std::string_view moteur) {
        if (moteur == "sqlite") {
            adresse_ = dossier_.fichier("jours.db");
        } else {
            const test::BasePostgres b = test::basePostgresNeuve();
            if (b.etat == test::BasePostgres::Etat::absent) GTEST_SKIP() << b.raison;
            ASSERT_EQ(b.etat, test::BasePostgres::Etat::prete) << b.raison;
            adresse_ = b.adresse;
        }
        base_ = ouvrirBase(adresse_);
        ASSERT_EQ(std::string_view(base_->moteur()), moteur);
        base_->executer(cat("CREATE TABLE jours (id BIGINT PRIMARY KEY, n BIGINT, t TEXT, o ",
                            base_->typeOctets(), "); CREATE INDEX jours_t ON jours (t)"));
    }
    std::vector<std::string> relire() {
        return rendues(base_->requete("SELECT id, n, t, o FROM jours ORDER BY id"));
    }
    void ajouter(int64_t id) { base_->requete("INSERT INTO jours (id) VALUES ($1)", {V::de(id)}); }

    test::DossierTemporaire dossier_;
    std::string adresse_;
    std::unique_ptr<ConnexionBase> base_;
};

class Connexion : public BaseDeTest, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override { preparer(GetParam()); }
};

class ServeurPostgres : public BaseDeTest {
  protected:
    void SetUp() override { preparer("postgresql"); }
};

TEST_P(Connexion, ChaqueSorteDeValeurRevientTelleQuelle) {
    const std::string octets = tousLesOctets();
    for (const V& v : {V::de(kMin), V::de(kMax), V::de(kAccents), V::de(""), V::octetsDe(octets),
                       V::octetsDe(""), V::nul()})
        EXPECT_EQ(rendues(base_->requete("SELECT $1", {v})), std::vector{rendu(v)});

    const std::vector<LigneBase> lignes = {
        {V::de(1), V::de(kMin), V::de(kAccents), V::octetsDe(std::string("\0\xFF", 2))},
        {V::de(2), V::de(kMax), V::de(""), V::octetsDe("")},
        {V::de(3), V::nul(), V::nul(), V::nul()},
        {V::de(4), V::de(0), V::de("a\tb\\N\r\n"), V::octetsDe(octets)}};
    for (const LigneBase& l : lignes)
        base_->requete("INSERT INTO jours (id, n, t, o) VALUES ($1, $2, $3, $4)", l);
    EXPECT_EQ(relire(), rendues(lignes));
    EXPECT_EQ(rendues(base_->requete("SELECT id FROM jours WHERE t = $1 OR o = $2",
                                     {V::de(kAccents), V::octetsDe(octets)})),
              rendues({{V::de(1)}, {V::de(4)}}));
    // Counts and sums are integers whichever type the engine computes them in.
    EXPECT_EQ(rendues(base_->requete("SELECT COUNT(*), SUM(n) FROM jours WHERE id > 1")),
              rendues({{V::de(3), V::de(kMax)}}));
}

TEST_P(Connexion, InsertionSurConflitMetAJour) {
    const std::string sql =
        "INSERT INTO jours (id, n) VALUES ($1, $2) "
        "ON CONFLICT (id) DO UPDATE SET n = jours.n + excluded.n";
    const std::pair<int64_t, int64_t> ajouts[] = {{1, 5}, {1, 7}, {2, 1}, {1, -2}};
    for (const auto& [id, n] : ajouts) base_->requete(sql, {V::de(id), V::de(n)});
    EXPECT_EQ(rendues(base_->requete("SELECT id, n FROM jours ORDER BY id")),
              rendues({{V::de(1), V::de(10)}, {V::de(2), V::de(1)}}));
}

TEST_P(Connexion, InsererEcritChaqueLigneTelleQuelle) {
    const std::string octets = tousLesOctets();
    std::vector<LigneBase> lignes;
    for (int64_t i = 0; i < 3000; ++i) {
        const V n = i % 11 == 0 ? V::nul() : V::de(i == 1 ? kMin : i == 2 ? kMax : i * 7919 - 9000);
        const V t =
            i % 5 == 0 ? V::nul() : V::de(cat("\\N ", std::to_string(i), "\t\\\r\n", kAccents));
        const V o =
            i % 7 == 0 ? V::nul() : V::octetsDe(octets.substr(static_cast<std::size_t>(i % 257)));
        lignes.push_back({V::de(i), n, t, o});
    }
    base_->inserer("jours", {"id", "n", "t", "o"}, lignes);
    EXPECT_EQ(relire(), rendues(lignes));
}

// Parameters by their numbers, in any order and more than once, never inside a quoted text; a
// statement of thousands of values.
TEST_P(Connexion, ParametresParLeurNumero) {
    EXPECT_EQ(rendues(base_->requete("SELECT $2, '$1', $1, $2 AS \"$3\"", {V::de(7), V::de("b")})),
              rendues({{V::de("b"), V::de("$1"), V::de(7), V::de("b")}}));
    std::string sql = "INSERT INTO jours (id, n) VALUES ";
    std::vector<V> valeurs;
    std::vector<LigneBase> lignes;
    for (int64_t i = 0; i < 3000; ++i) {
        sql += cat(i ? ", ($" : "($", std::to_string(2 * i + 1), ", $", std::to_string(2 * i + 2),
                   ")");
        valeurs.insert(valeurs.end(), {V::de(i), V::de(i * i - 5)});
        lignes.push_back({V::de(i), V::de(i * i - 5), V::nul(), V::nul()});
    }
    base_->requete(sql, valeurs);
    EXPECT_EQ(relire(), rendues(lignes));
}

TEST_P(Connexion, TransactionAnnuleeNeLaisseRien) {
    for (const bool detruite : {false, true}) {
        auto autre = ouvrirBase(adresse_);
        autre->commencer("serveur-1");
        autre->requete("INSERT INTO jours (id) VALUES ($1)", {V::de(1)});
        autre->inserer("jours", {"id"}, {{V::de(2)}, {V::de(3)}});
        if (detruite)
            autre.reset();
        else
            autre->annuler();
        EXPECT_EQ(relire(), std::vector<std::string>{}) << detruite;
    }
}

TEST_P(Connexion, UnEchecNommeLaBaseEtAnnulerRendLaConnexion) {
    base_->commencer("serveur-1");
    ajouter(1);
    const auto m = erreurDe([&] { ajouter(1); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rfind(cat(kBaseHistorique, adresse_, kBaseHistoriqueFin), 0), 0u) << *m;
    base_->annuler();
    base_->commencer("serveur-1");
    ajouter(2);
    base_->valider();
    EXPECT_EQ(relire(), rendues({{V::de(2), V::nul(), V::nul(), V::nul()}}));
}

TEST_P(Connexion, LaMemeCleAttendQueLaPremiereTransactionSoitValidee) {
    auto autre = ouvrirBase(adresse_);
    base_->commencer("serveur-1");
    std::atomic<bool> valide{false}, vuValide{false};
    std::string erreur;
    std::thread second([&] {
        try {
            autre->commencer("serveur-1");
            vuValide = valide.load();
            autre->annuler();
        } catch (const ErreurBase& e) {
            erreur = e.what();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ajouter(1);
    valide = true;
    base_->valider();
    second.join();
    EXPECT_EQ(erreur, "");
    EXPECT_TRUE(vuValide);
}

INSTANTIATE_TEST_SUITE_P(Moteurs, Connexion, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(ServeurPostgres, LesClesDifferentesNeSAttendentPasEtLAttenteABorne) {
    auto autre = ouvrirBase(adresse_);
    base_->commencer("serveur-1");
    autre->commencer("serveur-2");  // would wait, then fail, were the keys confused
    autre->annuler();
    autre->executer("SET lock_timeout = 50");
    EXPECT_EQ(erreurDe([&] { autre->commencer("serveur-1"); }),
              cat(kBaseHistorique, adresse_, kBaseHistoriqueFin, kBaseVerrouillee));
    EXPECT_EQ(rendues(autre->requete("SELECT 1")), rendues({{V::de(1)}}));
    base_->annuler();
}

TEST_F(ServeurPostgres, ValiderApresUnEchecAnnuleEtLeDit) {
    base_->commencer("serveur-1");
    ajouter(1);
    EXPECT_TRUE(erreurDe([&] { ajouter(1); }));
    EXPECT_EQ(erreurDe([&] { base_->valider(); }),
              cat(kBaseHistorique, adresse_, kBaseHistoriqueFin, kBaseTransactionEchouee));
    EXPECT_EQ(relire(), std::vector<std::string>{});
}

TEST(ConnexionSqlite, UnFichierQuiNEstPasUneBaseEstRefuse) {
    const test::DossierTemporaire dossier;
    const std::string chemin = dossier.ecrire("notes.db", std::string(40, 'x') + "\nnotes\n");
    EXPECT_EQ(erreurDe([&] { ouvrirBase(chemin); }),
              cat(kBaseHistorique, chemin, kBaseHistoriqueFin, kBasePasUneBase));
}

TEST(ConnexionPostgresAdresse, LeMotDePasseNeParaitPasDansLesMessages) {
    const std::pair<std::string, std::string> cas[] = {
        {"postgresql://moi:secret@/jours?host=/dossier-absent",
         "postgresql://moi:***@/jours?host=/dossier-absent"},
        {"postgres:///jours?host=/dossier-absent&password=secret&user=moi",
         "postgres:///jours?host=/dossier-absent&password=***&user=moi"}};
    for (const auto& [adresse, montree] : cas) {
        const auto m = erreurDe([&] { ouvrirBase(adresse); });
        ASSERT_TRUE(m) << adresse;
        EXPECT_EQ(m->rfind(cat(kBaseHistorique, montree, kBaseHistoriqueFin,
                               kBaseConnexionImpossible, " ("),
                           0),
                  0u)
            << *m;
        EXPECT_EQ(m->find("secret"), std::string::npos) << *m;
    }
}

}  // namespace
}  // namespace kestrane
