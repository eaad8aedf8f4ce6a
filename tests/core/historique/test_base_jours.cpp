// The base of days against the analysis of the same lines at once, every table of the report:
// journals fed twice, grown, rotated and compressed, truncated in place, out of order; a feed that
// fails changes nothing; bases of another version or of another program are refused.
#include <gtest/gtest.h>
#include <lz4.h>
#include <zlib.h>

#include <filesystem>
#include <thread>

#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"
#include "core/historique/BaseJours.h"
#include "core/historique/RapportBase.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Messages.h"
#include "tests/commun/Gzip.h"
#include "tests/commun/OutilsTests.h"
#include "tests/commun/ServeurPostgres.h"

using namespace kestrane;

namespace {

// The bundled sample's lines, whole.
std::vector<std::string> lignesEchantillon() {
    std::vector<std::string> l;
    const std::string t = test::lireFichier(KESTRANE_ACCES_5000);
    for (std::size_t d = 0, f; (f = t.find('\n', d)) != std::string::npos; d = f + 1) {
        l.push_back(t.substr(d, f - d + 1));
    }
    return l;
}

std::string joindre(const std::vector<std::string>& l, std::size_t debut, std::size_t fin) {
    std::string t;
    for (std::size_t k = debut; k < fin && k < l.size(); ++k) t += l[k];
    return t;
}

// A history as text, each day with its visitors, visits and their seconds.
std::string enTexte(const Historique& h) {
    std::string s;
    for (const JourHistorique& j : h.jours) {
        s += std::to_string(j.jour) + " " + std::to_string(j.lignes) + " " +
             std::to_string(j.requetes) + " " + std::to_string(j.octets);
        s += " " + std::to_string(j.visiteurs) + " " + std::to_string(j.visites);
        s += "\n";
    }
    for (const CompteCode& c : h.codes) {
        s += "code " + std::to_string(c.code) + " " + std::to_string(c.nombre) + " " +
             std::to_string(c.octets) + "\n";
    }
    for (const int64_t n : h.heures) s += std::to_string(n) + " ";
    int64_t duree = 0;
    for (const JourHistorique& j : h.jours) duree += j.dureeVisites;
    return s + "\nduree " + std::to_string(duree);
}

// Every table of a report, as its CSV files would hold them.
std::string tablesEnTexte(const ResultatAnalyse& r) {
    std::string s;
    for (const TableExportee& t : donneesRapport(r, 0, true).tables) {
        s += t.fichier + "\n";
        for (const auto& l : t.lignes) {
            for (const std::string& c : l) s += c + ";";
            s += "\n";
        }
    }
    return s;
}

std::string enTexte(BaseJours& base) {
    const Historique h = base.lire();
    return enTexte(h) + tablesEnTexte(resultatDeLHistorique(h));
}

std::string aLaFois(const std::string& texte, bool tables = false) {
    OptionsAnalyse o;
    o.complements = o.resultatsLisibles = true;
    ResultatAnalyse r;
    EXPECT_EQ(analyserJournal(Journal::depuisTexte(texte), o, r), IssueAnalyse::terminee);
    const std::string ensemble = tables ? tablesEnTexte(r) : std::string();
    Historique h;
    for (std::size_t k = 0; k < r.complements->jours.size(); ++k) {
        const CompteJour& c = r.complements->jours[k];
        if (c.requetes == 0) continue;
        const JourAudience& a = r.audience->jours[k];
        h.jours.push_back({joursDepuisEpoque(c.annee, c.mois, c.jour), c.requetes, 0, c.requetes,
                           c.octets, a.visiteurs, a.visites});
    }
    h.jours.back().dureeVisites = r.audience->dureeVisites;
    h.codes = r.complements->codes;
    h.heures = r.lisibles.heures.lignes;
    return enTexte(h) + ensemble;
}

// A new base in each engine: an SQLite file in `d`, and a database on the tests' own PostgreSQL
// server when its programs are there.
std::vector<std::string> nouvellesBases(const test::DossierTemporaire& d) {
    static int n = 0;
    std::vector<std::string> r{d.fichier("base" + std::to_string(++n) + ".sqlite")};
    const test::BasePostgres pg = test::basePostgresNeuve();
    if (pg.etat == test::BasePostgres::Etat::prete) {
        r.push_back(pg.adresse);
    } else if (pg.etat == test::BasePostgres::Etat::echec) {
        ADD_FAILURE() << pg.raison;
    } else {
        std::printf("(PostgreSQL absent : %s ; la base sur SQLite seulement)\n", pg.raison.c_str());
    }
    return r;
}

struct Etape {
    const char* nom;  // the file written (empty: none), then fed with every file named after it
    std::size_t debut, fin;
    enum { ecrire, ajouter, renommerPuisEcrire, compresser } action = ecrire;
    std::vector<const char*> nourrir;
};

}  // namespace

TEST(BaseJours, LeRapportDeLaBaseEstCeluiDesLignesLuesEnUneFois) {
    const std::vector<std::string> l = lignesEchantillon();
    const std::size_t n = l.size(), m = n / 2;
    // The first line of the sample's third day: a cut between two days.
    std::size_t jour3 = 0;
    for (int jours = 0; jour3 < n && jours < 3; ++jour3) {
        if (jour3 == 0 || l[jour3].substr(l[jour3].find('['), 12) !=
                              l[jour3 - 1].substr(l[jour3 - 1].find('['), 12)) {
            ++jours;
        }
    }
    --jour3;
    struct Cas {
        const char* nom;
        std::vector<Etape> etapes;
    };
    const Cas cas[] = {
        {"deux fois", {{"a.log", 0, n, Etape::ecrire, {"a.log", "a.log"}}}},
        {"grossi",
         {{"a.log", 0, m, Etape::ecrire, {"a.log"}}, {"a.log", m, n, Etape::ajouter, {"a.log"}}}},
        {"tourne et compresse",
         {{"a.log", 0, m, Etape::ecrire, {"a.log"}},
          {"a.log", m, m + 100, Etape::ajouter, {}},
          {"a.log", m + 100, n, Etape::renommerPuisEcrire, {"a.log.1", "a.log"}},
          {"a.log.1", 0, 0, Etape::compresser, {"a.log.2.gz", "a.log"}}}},
        {"tronque sur place",
         {{"a.log", 0, jour3, Etape::ecrire, {"a.log"}},
          {"a.log", jour3, n, Etape::ecrire, {"a.log"}}}},
        {"dans le desordre",
         {{"b.log", jour3, n, Etape::ecrire, {}},
          {"a.log", 0, jour3, Etape::ecrire, {"b.log"}},
          {"", 0, 0, Etape::ecrire, {"a.log", "b.log"}}}},
    };
    for (const Cas& c : cas) {
        test::DossierTemporaire d;
        for (const std::string& adresse : nouvellesBases(d)) {
            SCOPED_TRACE(std::string(c.nom) + " " + adresse);
            BaseJours base(adresse);
            for (const auto& f : std::filesystem::directory_iterator(d.chemin)) {
                if (f.path().extension() == ".log" || f.path().extension() == ".1" ||
                    f.path().extension() == ".gz") {
                    std::filesystem::remove(f.path());
                }
            }
            for (const Etape& e : c.etapes) {
                const std::string chemin = d.fichier(e.nom);
                const std::string texte = joindre(l, e.debut, e.fin);
                switch (e.action) {
                    case Etape::ecrire:
                        if (*e.nom) d.ecrire(e.nom, texte);
                        break;
                    case Etape::ajouter:
                        d.ecrire(e.nom, test::lireFichier(chemin) + texte);
                        break;
                    case Etape::renommerPuisEcrire:
                        std::filesystem::rename(chemin, chemin + ".1");
                        d.ecrire(e.nom, texte);
                        break;
                    case Etape::compresser:
                        d.ecrire("a.log.2.gz", test::gzip(test::lireFichier(chemin)));
                        std::filesystem::remove(chemin);
                        break;
                }
                std::vector<std::string> chemins;
                for (const char* f : e.nourrir) chemins.push_back(d.fichier(f));
                base.ajouter(chemins, "web1", {}, 0);
            }
            EXPECT_EQ(enTexte(base), aLaFois(joindre(l, 0, n), true));
        }
    }
}

// Days of thousands of lines, out of time order: each run counted on both cores, its visitors
// with it. The sample moved onto two days, fed in two pieces, the first of them a whole day.
TEST(BaseJours, DesJoursDeMilliersDeLignesCommeLuesEnUneFois) {
    std::vector<std::string> l = lignesEchantillon();
    for (std::size_t k = 0; k < l.size(); ++k) {
        l[k].replace(l[k].find('[') + 1, 11, k < 4600 ? "20/Dec/2023" : "21/Dec/2023");
    }
    test::DossierTemporaire d;
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        BaseJours base(adresse);
        const std::string chemin = d.ecrire("a.log", joindre(l, 0, 4600));
        base.ajouter({chemin}, "web1", {}, 0);
        d.ecrire("a.log", joindre(l, 0, l.size()));
        EXPECT_EQ(base.ajouter({chemin}, "web1", {}, 0)[0].lignes, l.size() - 4600);
        EXPECT_EQ(enTexte(base), aLaFois(joindre(l, 0, l.size()), true));
    }
}

// A day's tables cut at a limit are the cut of its whole tables when its lines come in one feed,
// in one run or more: a late line of a day after the next day's first lines gives that day a
// second run. (A day fed in two pieces sums its cut pieces: its totals alone stay exact.)
TEST(BaseJours, LesTablesCoupeesSontLaCoupeDesTablesEntieres) {
    std::vector<std::string> l = lignesEchantillon();
    std::size_t jour2 = 1;
    while (l[jour2].substr(l[jour2].find('['), 12) == l[0].substr(l[0].find('['), 12)) ++jour2;
    // The first day's last line written late, after three lines of the second day.
    std::string tard = l[jour2 - 1];
    l.erase(l.begin() + static_cast<std::ptrdiff_t>(jour2 - 1));
    l.insert(l.begin() + static_cast<std::ptrdiff_t>(jour2 + 2), tard);
    std::size_t jour3 = jour2 + 3;
    while (l[jour3].substr(l[jour3].find('['), 12) == l[jour2].substr(l[jour2].find('['), 12)) {
        ++jour3;
    }
    test::DossierTemporaire d;
    const std::string a = d.ecrire("a.log", joindre(l, 0, jour3));
    const std::string b = d.ecrire("b.log", joindre(l, jour3, 900));
    const std::string base5 = d.fichier("coupee.sqlite"), base0 = d.fichier("entiere.sqlite");
    for (const auto& [chemin, limite] : {std::pair{base5, 5}, std::pair{base0, 0}}) {
        BaseJours base(chemin);
        base.ajouter({a}, "web1", {}, static_cast<std::size_t>(limite));
        base.ajouter({b}, "web1", {}, static_cast<std::size_t>(limite));
    }
    {
        BaseJours entiere(base0);
        EXPECT_EQ(enTexte(entiere), aLaFois(joindre(l, 0, 900), true));
    }
    const auto tables = [](const std::string& chemin) {
        std::map<std::pair<int64_t, int64_t>, TableJour> t;
        for (const LigneBase& r : BaseJours(chemin).connexion().requete(
                 "SELECT jour, sorte, donnees FROM jours_tables")) {
            t[{r[0].entier, r[1].entier}] = decoderTable(r[2].texte);
        }
        return t;
    };
    const auto coupees = tables(base5), entieres = tables(base0);
    ASSERT_EQ(coupees.size(), entieres.size());
    std::size_t coupes = 0;
    for (const auto& [cle, entiere] : entieres) {
        SCOPED_TRACE(std::to_string(cle.first) + " " + std::to_string(cle.second));
        const TableJour attendue = limiter(entiere, 5);
        const TableJour& lue = coupees.at(cle);
        coupes += entiere.size() > 5;
        ASSERT_EQ(lue.size(), attendue.size());
        for (std::size_t k = 0; k < lue.size(); ++k) {
            EXPECT_EQ(lue[k].libelle, attendue[k].libelle) << k;
            EXPECT_EQ(lue[k].requetes, attendue[k].requetes) << k;
            EXPECT_EQ(lue[k].octets, attendue[k].octets) << k;
            EXPECT_EQ(lue[k].visiteurs, attendue[k].visiteurs) << k;
            EXPECT_EQ(lue[k].ordre, attendue[k].ordre) << k;
        }
    }
    EXPECT_GT(coupes, 10u);
}

// A day whose figures only its lines read again can tell (a negative byte count leaves the sums
// uncertain): the file is then counted loaded whole, after the runs already made of it on the
// second thread are dropped, and the base still holds what the lines read at once give.
TEST(BaseJours, UnJourARelireEstRecompteEnEntier) {
    std::vector<std::string> l = lignesEchantillon();
    std::string& x = l[2500];
    const std::size_t code = x.find("\" ") + 2, octets = x.find(' ', code) + 1;
    x.replace(octets, x.find(' ', octets) - octets, "-5");
    test::DossierTemporaire d;
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        BaseJours base(adresse);
        EXPECT_EQ(
            base.ajouter({d.ecrire("a.log", joindre(l, 0, l.size()))}, "web1", {}, 0)[0].lignes,
            l.size());
        EXPECT_EQ(enTexte(base), aLaFois(joindre(l, 0, l.size()), true));
    }
}

// Hundreds of days in one feed, written many to a statement, and a day of them fed in two
// pieces: the second feed merges the base's piece and joins the day before.
TEST(BaseJours, DesCentainesDeJoursDansUnAjout) {
    static constexpr const char* kMois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::vector<std::string> l = lignesEchantillon();
    l.resize(1400);
    for (std::size_t k = 0; k < l.size(); ++k) {
        int32_t a, m, j;
        dateDuJour(joursDepuisEpoque(2021, 3, 1) + static_cast<int64_t>(k / 2), a, m, j);
        char date[12];
        std::snprintf(date, sizeof date, "%02d/%s/%04d", j, kMois[m - 1], a);
        l[k].replace(l[k].find('[') + 1, 11, date);
    }
    test::DossierTemporaire d;
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        BaseJours base(adresse);
        base.ajouter({d.ecrire("a.log", joindre(l, 0, 801))}, "web1", {}, 0);
        base.ajouter({d.ecrire("b.log", joindre(l, 801, l.size()))}, "web1", {}, 0);
        EXPECT_EQ(base.lire().jours.size(), 700u);
        EXPECT_EQ(enTexte(base), aLaFois(joindre(l, 0, l.size()), true));
    }
}

TEST(BaseJours, DeuxServeursUnePeriodeEtLeurSomme) {
    const std::vector<std::string> l = lignesEchantillon();
    test::DossierTemporaire d;
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        BaseJours base(adresse);
        base.ajouter({d.ecrire("a.log", joindre(l, 0, 3000))}, "web1", {});
        base.ajouter({d.ecrire("b.log", joindre(l, 1000, 4000))}, "web2", {});
        EXPECT_EQ(base.serveurs(), (std::vector<std::string>{"web1", "web2"}));
        EXPECT_EQ(enTexte(base.lire("web2")), aLaFois(joindre(l, 1000, 4000)));
        // Every server: the sum of each day's requests.
        const Historique tous = base.lire();
        int64_t requetes = 0;
        for (const JourHistorique& j : tous.jours) requetes += j.requetes;
        EXPECT_EQ(requetes, 6000);
        // A range of days: those days alone, bounds included.
        const int64_t premier = tous.jours[1].jour, dernier = tous.jours[3].jour;
        const Historique h = base.lire("", premier, dernier);
        ASSERT_EQ(h.jours.size(), 3u);
        EXPECT_EQ(h.jours.front().jour, premier);
        EXPECT_EQ(h.jours.back().jour, dernier);
    }
}

TEST(BaseJours, UnAjoutQuiEchoueLaisseLaBaseIntacte) {
    const std::vector<std::string> l = lignesEchantillon();
    test::DossierTemporaire d;
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        BaseJours base(adresse);
        base.ajouter({d.ecrire("a.log", joindre(l, 0, 100))}, "web1", {});
        const std::string avant = enTexte(base.lire());
        // Line 3 of the second file does not read: neither file is added.
        d.ecrire("b.log", joindre(l, 100, 102) + "pas une ligne\n" + joindre(l, 102, 200));
        d.ecrire("c.log", joindre(l, 200, 300));
        try {
            base.ajouter({d.fichier("c.log"), d.fichier("b.log")}, "web1", {});
            ADD_FAILURE() << "no error";
        } catch (const ErreurKestrane& e) {
            EXPECT_NE(e.message().find("b.log, ligne 3 : "), std::string::npos) << e.message();
        }
        EXPECT_EQ(enTexte(base.lire()), avant);
        // A compressed file cut short: its error, read ahead of the counting, stops the feed.
        const std::string gz = test::gzip(joindre(l, 100, 1000));
        d.ecrire("c.log.gz", gz.substr(0, gz.size() / 2));
        EXPECT_THROW(base.ajouter({d.fichier("c.log.gz")}, "web1", {}), ErreurKestrane);
        EXPECT_EQ(enTexte(base.lire()), avant);
        // Read leniently, the same file adds its lines that read.
        OptionsAnalyse souple;
        souple.ignorerNonConformes = true;
        const auto ajout = base.ajouter({d.fichier("b.log")}, "web1", souple);
        EXPECT_EQ(ajout[0].lignes, 101u);
        EXPECT_EQ(ajout[0].ignorees, 1u);
    }
}

TEST(BaseJours, CeQuiNEstPasUneBaseOuVientDUneVersionPlusRecente) {
    test::DossierTemporaire d;
    const auto refus = [](const std::string& chemin, std::string_view raison) {
        try {
            BaseJours b(chemin);
            ADD_FAILURE() << chemin;
        } catch (const ErreurBase& e) {
            EXPECT_NE(e.message().find(raison), std::string::npos) << e.message();
        }
    };
    const std::string texte = d.ecrire("texte.log", "ceci n'est pas une base\n");
    refus(texte, kBasePasUneBase);
    EXPECT_EQ(test::lireFichier(texte), "ceci n'est pas une base\n");
    // Another program's base: refused, its tables untouched.
    const std::string autre = d.fichier("autre.sqlite");
    ouvrirSqlite(autre)->executer("CREATE TABLE clients (nom TEXT)");
    refus(autre, kBasePasUneBase);
    EXPECT_EQ(ouvrirSqlite(autre)->requete("SELECT count(*) FROM sqlite_master").at(0).at(0).entier,
              1);
    // A base written by a later version, and in PostgreSQL a database of another program.
    for (const std::string& future : nouvellesBases(d)) {
        {
            BaseJours b(future);
            EXPECT_EQ(b.version(), kVersionSchema);
            b.connexion().executer("UPDATE kestrane_base SET valeur = 99 WHERE cle = 'version'");
        }
        refus(future, kBasePlusRecente);
    }
    if (const test::BasePostgres pg = test::basePostgresNeuve();
        pg.etat == test::BasePostgres::Etat::prete) {
        ouvrirPostgres(pg.adresse)->executer("CREATE TABLE clients (nom TEXT)");
        refus(pg.adresse, kBasePasUneBase);
    }
}

TEST(BaseJours, UneBaseDeLaPremiereVersionEstMiseAJour) {
    test::DossierTemporaire d;
    for (const std::string& chemin : nouvellesBases(d)) {
        SCOPED_TRACE(chemin);
        {
            // The first version's base: the columns and table the second added taken away.
            BaseJours b(chemin);
            b.connexion().executer(
                "DROP TABLE jours_visiteurs; DROP TABLE jours_tables; ALTER TABLE jours DROP "
                "COLUMN "
                "premiere; ALTER TABLE "
                "jours DROP COLUMN derniere; ALTER TABLE jours DROP COLUMN requetes_datees; ALTER "
                "TABLE jours DROP COLUMN duree_visites; ALTER TABLE jours DROP COLUMN "
                "visites_jointes; ALTER TABLE jours DROP COLUMN duree_jointe; UPDATE kestrane_base "
                "SET valeur = 1 WHERE cle = 'version'; INSERT INTO jours VALUES ('web1', 19711, 3, "
                "0, "
                "3, 300, 2, 2)");
        }
        BaseJours b(chemin);
        EXPECT_EQ(b.version(), kVersionSchema);
        const Historique h = b.lire();
        ASSERT_EQ(h.jours.size(), 1u);
        EXPECT_EQ(h.jours[0].requetes, 3);
        EXPECT_EQ(h.jours[0].visites, 2);
        EXPECT_EQ(h.jours[0].premiere, 19711 * 86400);
        EXPECT_EQ(h.jours[0].derniere, 19711 * 86400 + 86399);
        // Fed on, the migrated base counts as a new one does.
        const std::string ligne =
            "10.0.0.1 - - [20/Dec/2023:10:00:00 +0100] \"GET / HTTP/1.1\" 200 100 \"-\" \"x\"\n";
        b.ajouter({d.ecrire("a.log", ligne)}, "web1", {});
        EXPECT_EQ(b.lire().jours[0].requetes, 4);
    }
}

// A base of the second version keeps the tables it holds compressed by zlib: brought forward, it
// reads them as they were and merges the days fed after into them.
// A base of the third version, whose days keep no robots' entries of their browsers' tables: it
// is brought to the fourth and still reports, its robots among the browsers; the days fed since
// keep them (a day of both ages does not), and a range of those days alone shows them apart. The
// sample's lines on two days, the second fed in two pieces.
TEST(BaseJours, UneBaseDeLaTroisiemeVersionGardeSesRobotsParmiLesNavigateurs) {
    std::vector<std::string> l = lignesEchantillon();
    for (std::size_t k = 0; k < l.size(); ++k) {
        l[k].replace(l[k].find('[') + 1, 11, k < 2500 ? "20/Dec/2023" : "21/Dec/2023");
    }
    const int64_t jour2 = joursDepuisEpoque(2023, 12, 21);
    const auto fichiers = [](const Historique& h) {
        std::string f;
        for (const TableExportee& t : donneesRapport(resultatDeLHistorique(h), 0, true).tables) {
            if (t.fichier.starts_with("navigateurs") || t.fichier.starts_with("robots")) {
                f += t.fichier + " ";
            }
        }
        return f;
    };
    test::DossierTemporaire d;
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        {
            BaseJours b(adresse);
            b.ajouter({d.ecrire("a.log", joindre(l, 0, 3000))}, "web1", {}, 0);
            EXPECT_TRUE(b.lire().robotsConnus);
            b.connexion().executer(
                "DELETE FROM jours_tables WHERE sorte = 14; UPDATE kestrane_base SET valeur = 3 "
                "WHERE cle = 'version'");
        }
        BaseJours b(adresse);
        EXPECT_EQ(b.version(), kVersionSchema);
        EXPECT_FALSE(b.lire().robotsConnus);
        EXPECT_EQ(fichiers(b.lire()), "navigateurs-robots.csv robots.csv ");
        // The rest of the second day, and a third day.
        std::vector<std::string> suite(l.begin() + 3000, l.end());
        for (std::size_t k = 0; k < 500; ++k) {
            suite[k].replace(suite[k].find('[') + 1, 11, "22/Dec/2023");
        }
        b.ajouter({d.ecrire("b.log", joindre(suite, 0, suite.size()))}, "web1", {}, 0);
        EXPECT_FALSE(b.lire().robotsConnus);
        EXPECT_FALSE(b.lire("web1", jour2, jour2).robotsConnus);
        const Historique troisieme = b.lire("web1", jour2 + 1, jour2 + 1);
        EXPECT_TRUE(troisieme.robotsConnus);
        EXPECT_EQ(fichiers(troisieme), "navigateurs.csv robots.csv ");
        // Its report is that of its lines analysed at once.
        OptionsAnalyse o;
        o.complements = o.resultatsLisibles = true;
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(joindre(suite, 0, 500)), o, r),
                  IssueAnalyse::terminee);
        EXPECT_EQ(tablesEnTexte(resultatDeLHistorique(troisieme)), tablesEnTexte(r));
    }
}

TEST(BaseJours, UneBaseDeLaDeuxiemeVersionLitSesTablesZlib) {
    const std::vector<std::string> l = lignesEchantillon();
    const std::size_t m = l.size() / 2;
    test::DossierTemporaire d;
    const std::string a = d.ecrire("a.log", joindre(l, 0, m));
    const std::string b = d.ecrire("b.log", joindre(l, m, l.size()));
    for (const std::string& chemin : nouvellesBases(d)) {
        SCOPED_TRACE(chemin);
        std::string avant;
        {
            BaseJours base(chemin);
            base.ajouter({a}, "web1", {}, 0);
            avant = enTexte(base);
            // Each table as the second version wrote it: its raw size, then a zlib stream.
            ConnexionBase& c = base.connexion();
            c.commencer("test");
            for (const LigneBase& r :
                 c.requete("SELECT serveur, jour, sorte, donnees FROM jours_tables")) {
                const std::string& o = r[3].texte;
                std::size_t p = 0;
                uint64_t taille = 0;
                for (int decalage = 0;; decalage += 7) {
                    const auto octet = static_cast<unsigned char>(o[p++]);
                    taille |= static_cast<uint64_t>(octet & 0x7F) << decalage;
                    if (!(octet & 0x80)) break;
                }
                std::string brut(taille, '\0');
                ASSERT_EQ(LZ4_decompress_safe(o.data() + p + 1, brut.data(),
                                              static_cast<int>(o.size() - p - 1),
                                              static_cast<int>(taille)),
                          static_cast<int>(taille));
                uLongf n = compressBound(taille);
                std::string z(n, '\0');
                ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(z.data()), &n,
                                    reinterpret_cast<const Bytef*>(brut.data()), taille, 1),
                          Z_OK);
                c.requete(
                    "UPDATE jours_tables SET donnees = $1 WHERE serveur = $2 AND jour = $3 AND "
                    "sorte = $4",
                    {ValeurBase::octetsDe(o.substr(0, p) + z.substr(0, n)), r[0], r[1], r[2]});
            }
            c.requete("UPDATE kestrane_base SET valeur = 2 WHERE cle = 'version'");
            c.valider();
        }
        BaseJours base(chemin);
        EXPECT_EQ(base.version(), kVersionSchema);
        EXPECT_EQ(enTexte(base), avant);
        base.ajouter({b}, "web1", {}, 0);
        EXPECT_EQ(enTexte(base), aLaFois(joindre(l, 0, l.size()), true));
    }
}

// Two machines feeding one journal under one server name at once: its lines counted once.
TEST(BaseJours, DeuxAjoutsEnMemeTempsComptentChaqueLigneUneFois) {
    const std::vector<std::string> l = lignesEchantillon();
    test::DossierTemporaire d;
    const std::string journal = d.ecrire("a.log", joindre(l, 0, l.size()));
    for (const std::string& adresse : nouvellesBases(d)) {
        SCOPED_TRACE(adresse);
        BaseJours{adresse};
        std::size_t ajoutees[2] = {};
        std::string erreurs[2];
        std::vector<std::thread> fils;
        for (int k = 0; k < 2; ++k) {
            fils.emplace_back([&, k] {
                try {
                    BaseJours b(adresse);
                    ajoutees[k] = b.ajouter({journal}, "web1", {})[0].lignes;
                } catch (const ErreurKestrane& e) {
                    erreurs[k] = e.message();
                }
            });
        }
        for (std::thread& f : fils) f.join();
        EXPECT_EQ(erreurs[0] + erreurs[1], "");
        EXPECT_EQ(ajoutees[0] + ajoutees[1], l.size());
        int64_t requetes = 0;
        for (const JourHistorique& j : BaseJours(adresse).lire().jours) requetes += j.requetes;
        EXPECT_EQ(requetes, static_cast<int64_t>(l.size()));
    }
}

// A base that cannot grow (SQLite told so, as by a full disk): a French message, nothing added.
TEST(BaseJours, DisquePleinRienNEstAjoute) {
    const std::vector<std::string> l = lignesEchantillon();
    test::DossierTemporaire d;
    const std::string chemin = d.fichier("pleine.sqlite");
    BaseJours(chemin).ajouter({d.ecrire("a.log", joindre(l, 0, 50))}, "web1", {});
    auto c = ouvrirSqlite(chemin);
    const int64_t pages = c->requete("PRAGMA page_count").at(0).at(0).entier;
    c->executer("PRAGMA max_page_count = " + std::to_string(pages + 2));
    BaseJours base(std::move(c));
    const std::string avant = enTexte(base.lire());
    try {
        base.ajouter({d.ecrire("b.log", joindre(l, 50, l.size()))}, "web1", {}, 0);
        ADD_FAILURE() << "no error";
    } catch (const ErreurBase& e) {
        EXPECT_NE(e.message().find(kBaseDisquePlein), std::string::npos) << e.message();
    }
    EXPECT_EQ(enTexte(base.lire()), avant);
}
