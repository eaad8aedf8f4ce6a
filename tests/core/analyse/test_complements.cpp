#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>

#include "core/analyse/Complements.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/analyse/ComptesJournal.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Erreur.h"
#include "core/lecture/TableauLog.h"
#include "tests/commun/Doublures.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

std::string ligneCode(const std::string& ip, const std::string& code, const std::string& octets,
                      const std::string& fichier = "/index.html",
                      const std::string& date = "06/Dec/2006",
                      const std::string& heure = "10:15:32") {
    return ip + " - - [" + date + ":" + heure + " +0100] \"GET " + fichier + " HTTP/1.1\" " + code +
           " " + octets + " \"-\" \"curl/7.88.1\"";
}

Complements complementsDe(const std::vector<std::string>& lignes) {
    ComptesComplements c;
    TableauLog t;
    t.memoriser(journalDe(lignes), {}, &c);
    EXPECT_TRUE(c.complet());
    return c.resultat();
}

std::string jours(const Complements& c) {
    std::string s;
    for (const CompteJour& j : c.jours) {
        char t[64];
        std::snprintf(t, sizeof t, "%02d/%02d/%04d=%lld/%lld ", j.jour, j.mois, j.annee,
                      static_cast<long long>(j.requetes), static_cast<long long>(j.octets));
        s += t;
    }
    return s;
}

// Every figure of the page that two countings of the same lines must share, as text.
std::string texte(const Complements& c) {
    std::string s = jours(c) + std::to_string(c.octets) + " " +
                    std::to_string(c.premiere.secondes) + "-" + std::to_string(c.derniere.secondes);
    for (const auto& k : c.codes) {
        s += " " + std::to_string(k.code) + "=" + std::to_string(k.nombre) + "/" +
             std::to_string(k.octets);
    }
    for (const auto* fichiers : {&c.introuvables, &c.erreursServeur}) {
        for (const CompteFichier& f : *fichiers)
            s += " " + f.fichier + "=" + std::to_string(f.nombre);
    }
    return s;
}

}  // namespace

TEST(Complements, CodesDeRetourMemeInsolites) {
    const Complements c = complementsDe({
        ligneCode("1.1.1.1", "200", "100"),
        ligneCode("1.1.1.1", "999", "7"),
        ligneCode("1.1.1.2", "000", "-"),
        ligneCode("1.1.1.1", "200", "NC"),
        ligneCode("1.1.1.3", "404", "20", "/absent.html"),
        ligneCode("1.1.1.1", "103", "0"),
        ligneCode("1.1.1.1", "-5", "3"),
        ligneCode("1.1.1.1", "1200", "4"),
        ligneCode("1.1.1.1", "503", "9"),
    });
    struct Attendu {
        int32_t code;
        int64_t nombre, octets;
    };
    const Attendu attendus[] = {{-5, 1, 3},   {0, 1, 0},   {103, 1, 0}, {200, 2, 100},
                                {404, 1, 20}, {503, 1, 9}, {999, 1, 7}, {1200, 1, 4}};
    ASSERT_EQ(c.codes.size(), std::size(attendus));
    for (std::size_t k = 0; k < c.codes.size(); ++k) {
        EXPECT_EQ(c.codes[k].code, attendus[k].code) << k;
        EXPECT_EQ(c.codes[k].nombre, attendus[k].nombre) << k;
        EXPECT_EQ(c.codes[k].octets, attendus[k].octets) << k;
    }
    EXPECT_EQ(c.requetes, 9);
    EXPECT_EQ(c.octets, 143);
}

// Every byte sum is checked as the lines taken in journal order would check it, whatever the
// split into two stretches: the line that takes a sum past the 64-bit range is named, and a sum
// that passes it only inside a stretch (a negative amount brings it back) is no error.
TEST(Complements, SommesDOctetsVerifieesDansLOrdreDuJournal) {
    struct Ligne {
        std::string code, octets, date;
    };
    struct Cas {
        const char* nom;
        std::vector<Ligne> lignes;           // the filler goes after the first one
        std::optional<std::size_t> fautive;  // among the lines above
        int64_t octets;                      // the total when no line is at fault
    };
    const std::string m = "9223372036854775807", moinsMax = "-9223372036854775807";
    const std::string d17 = "17/May/2015", d18 = "18/May/2015", d19 = "19/May/2015";
    const Cas cas[] = {
        {"total: 1 then the maximum", {{"200", "1", d17}, {"200", m, d17}}, 1, 0},
        {"the maximum exactly",
         {{"200", "9223372036854775806", d17}, {"404", "1", d18}},
         std::nullopt,
         INT64_MAX},
        {"one code's sum", {{"200", m, d17}, {"404", moinsMax, d17}, {"200", "5", d18}}, 2, 0},
        {"one day's sum",
         {{"200", m, d17}, {"404", moinsMax, d18}, {"200", "-5", d19}, {"200", "5", d17}},
         3,
         0},
        // Days that the requests report reads, so that the lenient reading keeps the lines.
        {"the undated lines' sum",
         {{"200", m, d17 + "x"}, {"200", moinsMax, d17}, {"200", "1", d18 + "x"}},
         2,
         0},
        {"past the range inside the second stretch only",
         {{"200", moinsMax, d17}, {"200", m, d17}, {"200", m, d17}},
         std::nullopt,
         INT64_MAX},
    };
    for (const Cas& c : cas) {
        for (const std::size_t remplissage : {std::size_t{0}, std::size_t{40000}}) {
            for (const bool souple : {false, true}) {
                // A negative byte count is a line that does not conform to the lenient reading.
                const bool negatif = std::any_of(c.lignes.begin(), c.lignes.end(),
                                                 [](const Ligne& x) { return x.octets[0] == '-'; });
                if (souple && negatif) continue;
                SCOPED_TRACE(testing::Message() << c.nom << ", " << remplissage << " filler lines"
                                                << (souple ? ", lenient" : ""));
                // The lenient reading skips a first line: the line named is still the journal's.
                std::vector<std::string> l;
                if (souple) l.push_back("junk");
                const std::size_t decalage = l.size();
                for (std::size_t k = 0; k < c.lignes.size(); ++k) {
                    const Ligne& x = c.lignes[k];
                    l.push_back(
                        ligneCode("1.1.1." + std::to_string(k), x.code, x.octets, "/a", x.date));
                    for (std::size_t n = 0; k == 0 && n < remplissage; ++n) {
                        l.push_back(ligneCode("2.2.2.2", "200", "0", "/b", "17/May/2015"));
                    }
                }
                ComptesComplements comptes;
                TableauLog t;
                t.memoriser(journalDe(l), {}, &comptes, souple ? examinerLigne : nullptr);
                try {
                    const Complements r = comptes.resultat();
                    EXPECT_FALSE(c.fautive.has_value());
                    EXPECT_EQ(r.octets, c.octets);
                } catch (const ErreurDebordement& e) {
                    ASSERT_TRUE(c.fautive.has_value()) << e.ligne();
                    const std::size_t attendue =
                        decalage + *c.fautive + (*c.fautive > 0 ? remplissage : 0);
                    EXPECT_EQ(e.ligne(), attendue);
                    EXPECT_EQ(e.message(),
                              "D\xE9"
                              "bordement d'entier");
                }
            }
        }
    }
}

// Singular for 0 and 1, as French writes it; the texts are taken as they are (here UTF-8).
TEST(Complements, AccordDuNom) {
    const std::pair<int64_t, const char*> cas[] = {
        {0, "0 ligne"}, {1, "1 ligne"}, {-1, "-1 ligne"}, {2, "2 lignes"}, {1000, "1000 lignes"}};
    for (const auto& [n, texte] : cas) EXPECT_EQ(quantite(n, "ligne", "lignes"), texte);
    EXPECT_EQ(accord(1, "adresse IP", "adresses IP"), "adresse IP");
}

TEST(Complements, ClasseEtTexteDesCodes) {
    const struct {
        int32_t code;
        int classe;
        const char* texte;
    } cas[] = {{0, 0, "000"},   {7, 0, "007"},   {99, 0, "099"},  {100, 1, "100"},
               {199, 1, "199"}, {200, 2, "200"}, {304, 3, "304"}, {404, 4, "404"},
               {599, 5, "599"}, {600, 0, "600"}, {999, 0, "999"}, {-1, 0, "-1"}};
    for (const auto& k : cas) {
        EXPECT_EQ(classeCode(k.code), k.classe) << k.code;
        EXPECT_EQ(texteCode(k.code), k.texte) << k.code;
    }
}

TEST(Complements, UnCodeIlisibleArreteLaPasseSansResultat) {
    ComptesComplements c;
    TableauLog t;
    const Journal j = journalDe({ligneCode("1.1.1.1", "200", "1"), ligneCode("1.1.1.1", "-", "1")});
    EXPECT_THROW(t.memoriser(j, {}, &c), ErreurKestrane);
    EXPECT_FALSE(c.complet());
}

TEST(Complements, PagesIntrouvablesEtErreursServeurLesPlusNombreusesDabord) {
    const Complements c = complementsDe({
        ligneCode("1.1.1.1", "404", "1", "/a"),
        ligneCode("1.1.1.1", "404", "1", "/b"),
        ligneCode("1.1.1.1", "200", "1", "/c"),
        ligneCode("1.1.1.1", "404", "1", "/b"),
        ligneCode("1.1.1.1", "404", "1", "/c"),
        ligneCode("1.1.1.1", "500", "1", "/x"),
        ligneCode("1.1.1.1", "502", "1", "/y"),
        ligneCode("1.1.1.1", "502", "1", "/y"),
        ligneCode("1.1.1.1", "600", "1", "/z"),
        ligneCode("1.1.1.1", "499", "1", "/w"),
    });
    const auto liste = [](const std::vector<CompteFichier>& l) {
        std::string s;
        for (const auto& f : l) s += f.fichier + "=" + std::to_string(f.nombre) + " ";
        return s;
    };
    // Equal counts keep the order in which the files first came.
    EXPECT_EQ(liste(c.introuvables), "/b=2 /a=1 /c=1 ");
    EXPECT_EQ(liste(c.erreursServeur), "/y=2 /x=1 ");
}

// The files answered 404 or 5xx are named by their request's path whatever the method, as the
// readable table of loaded files names them; counted through the statistics' entries of the
// loaded files or without them (a request whose loaded file is "/e" may have another path).
TEST(Complements, FichiersEnErreurNommesParLeurChemin) {
    struct Cas {
        const char* requete;
        const char* code;
        const char* nom;
    };
    const Cas cas[] = {
        {"OPTIONS /projects/xdotool/ HTTP/1.1", "404", "/projects/xdotool/"},
        {"PROPFIND /admin%24 HTTP/1.1", "500", "/admin%24"},
        {"SEARCH / HTTP/1.1", "404", "/"},
        {"HEAD /c HTTP/1.0", "404", "/c"},
        {"GET /e HTTP/1.1", "404", "/e"},
        {"ABCD/e HTTP/1.1", "404", "ABCD/e HTTP/1.1"},
        {"GET /e HTTP/1.1", "200", nullptr},
    };
    std::vector<std::string> lignes;
    std::string introuvables, erreurs;
    for (const Cas& c : cas) {
        lignes.push_back(std::string("1.1.1.1 - - [06/Dec/2006:10:15:32 +0100] \"") + c.requete +
                         "\" " + c.code + " 1 \"-\" \"curl/7.88.1\"");
        if (!c.nom) continue;
        (c.code[0] == '4' ? introuvables : erreurs) += std::string(c.nom) + "=1 ";
    }
    const auto liste = [](const std::vector<CompteFichier>& l) {
        std::string s;
        for (const auto& f : l) s += f.fichier + "=" + std::to_string(f.nombre) + " ";
        return s;
    };
    for (const bool parEntrees : {false, true}) {
        SCOPED_TRACE(parEntrees ? "through the statistics' entries" : "alone");
        ComptesJournal statistiques;
        ComptesComplements comptes;
        if (parEntrees) comptes.suivre(&statistiques);
        LecteursEnSerie serie({&statistiques, &comptes});
        TableauLog t;
        t.memoriser(journalDe(lignes), {},
                    parEntrees ? static_cast<LecteurEnregistrements*>(&serie) : &comptes);
        const Complements c = comptes.resultat();
        EXPECT_EQ(liste(c.introuvables), introuvables);
        EXPECT_EQ(liste(c.erreursServeur), erreurs);
    }
}

TEST(Complements, JoursAuPassageDUnMoisEtDUneAnnee) {
    const struct {
        std::vector<std::string> dates;  // date:time of each line
        std::string jours;
        int64_t nbJours;
        std::string premiere, derniere;
    } cas[] = {
        {{"31/Dec/2025:23:59:59", "30/Dec/2025:08:00:00", "02/Jan/2026:00:00:00"},
         "30/12/2025=1/10 31/12/2025=1/10 01/01/2026=0/0 02/01/2026=1/10 ",
         4,
         "30/12/2025 08:00:00",
         "02/01/2026 00:00:00"},
        {{"28/Feb/2024:12:00:00", "01/Mar/2024:12:00:00", "01/Mar/2024:13:00:00"},
         "28/02/2024=1/10 29/02/2024=0/0 01/03/2024=2/20 ",
         3,
         "28/02/2024 12:00:00",
         "01/03/2024 13:00:00"},
        {{"28/Feb/2023:12:00:00", "01/Mar/2023:12:00:00"},
         "28/02/2023=1/10 01/03/2023=1/10 ",
         2,
         "28/02/2023 12:00:00",
         "01/03/2023 12:00:00"},
        {{"30/Apr/2020:23:00:00", "01/May/2020:01:00:00"},
         "30/04/2020=1/10 01/05/2020=1/10 ",
         2,
         "30/04/2020 23:00:00",
         "01/05/2020 01:00:00"},
    };
    for (const auto& k : cas) {
        std::vector<std::string> lignes;
        for (const std::string& d : k.dates) {
            lignes.push_back(
                ligneCode("1.1.1.1", "200", "10", "/a", d.substr(0, 11), d.substr(12)));
        }
        const Complements c = complementsDe(lignes);
        EXPECT_EQ(jours(c), k.jours) << k.jours;
        EXPECT_EQ(c.nbJours, k.nbJours) << k.jours;
        ASSERT_TRUE(c.dates);
        EXPECT_EQ(texteInstant(c.premiere), k.premiere);
        EXPECT_EQ(texteInstant(c.derniere), k.derniere);
    }
}

// A line whose day reads counts in its day, its time read or not; only its time decides whether
// it counts in the first and last dates. The days and the undated requests add up to the requests.
TEST(Complements, UneHeureIlisibleCompteDansSonJour) {
    const Complements c = complementsDe({
        ligneCode("1.1.1.1", "200", "10", "/a", "06/Dec/2006", "10:00:00"),
        ligneCode("1.1.1.1", "200", "1", "/a", "06/dec/2006", "10:00:00"),
        ligneCode("1.1.1.1", "200", "2", "/a", "31/Nov/2006", "10:00:00"),
        ligneCode("1.1.1.1", "200", "10", "/a", "18/May/2015", "25:00:00"),
        ligneCode("1.1.1.1", "200", "10", "/a", "18/May/2015", "24:00:00"),
        ligneCode("1.1.1.1", "200", "10", "/a", "18/May/2015", "23:59:60"),
        ligneCode("1.1.1.1", "200", "10", "/a", "05/Dec/2006", "09:00:00.123"),
        ligneCode("1.1.1.1", "200", "10", "/a", "07/Dec/2006", "10:5"),
    });
    EXPECT_EQ(c.requetes, 8);
    EXPECT_EQ(c.datesIllisibles, 2);
    EXPECT_EQ(c.octetsSansDate, 3);
    EXPECT_EQ(jours(c).substr(0, 48), "05/12/2006=1/10 06/12/2006=1/10 07/12/2006=1/10 ");
    ASSERT_FALSE(c.jours.empty());
    EXPECT_EQ(c.jours.size(), static_cast<std::size_t>(c.nbJours));
    EXPECT_TRUE(jours(c).ends_with(" 18/05/2015=3/30 ")) << jours(c);
    int64_t requetes = c.datesIllisibles;
    for (const CompteJour& j : c.jours) requetes += j.requetes;
    EXPECT_EQ(requetes, c.requetes);
    ASSERT_TRUE(c.dates);
    EXPECT_EQ(texteInstant(c.premiere), "06/12/2006 10:00:00");
    EXPECT_EQ(texteInstant(c.derniere), "06/12/2006 10:00:00");
    // Days only, no time that reads: days, but no first or last date.
    const Complements sansHeure =
        complementsDe({ligneCode("1.1.1.1", "200", "1", "/a", "06/Dec/2006", "x"),
                       ligneCode("1.1.1.1", "200", "1", "/a", "08/Dec/2006", "10:5")});
    EXPECT_FALSE(sansHeure.dates);
    EXPECT_EQ(jours(sansHeure), "06/12/2006=1/1 07/12/2006=0/0 08/12/2006=1/1 ");
    EXPECT_EQ(sansHeure.nbJours, 3);
}

TEST(Complements, JournalSansAucuneDateLisible) {
    const Complements c = complementsDe({ligneCode("1.1.1.1", "200", "1", "/a", "x", "y"),
                                         ligneCode("1.1.1.1", "200", "1", "/a", "x", "y")});
    EXPECT_FALSE(c.dates);
    EXPECT_TRUE(c.jours.empty());
    EXPECT_EQ(c.nbJours, 0);
}

TEST(Complements, UnSiecleDEcartNeDonnePasDesMillionsDeJoursVides) {
    const Complements c = complementsDe({
        ligneCode("1.1.1.1", "200", "10", "/a", "01/Jan/1900", "00:00:00"),
        ligneCode("1.1.1.1", "200", "10", "/a", "06/Dec/2006", "10:00:00"),
        ligneCode("1.1.1.1", "200", "10", "/a", "31/Dec/9999", "23:59:59"),
    });
    EXPECT_EQ(jours(c), "01/01/1900=1/10 06/12/2006=1/10 31/12/9999=1/10 ");
    EXPECT_EQ(c.nbJours, joursDepuisEpoque(9999, 12, 31) - joursDepuisEpoque(1900, 1, 1) + 1);
    EXPECT_EQ(texteInstant(c.premiere), "01/01/1900 00:00:00");
}

TEST(Complements, ResumeDesLignesEtDesOctets) {
    const Complements c = complementsDe({
        ligneCode("10.1.1.1", "200", "1000"),
        ligneCode("010.001.1.1", "200", "1000"),
        ligneCode("10.1.1.2", "200", "-"),
        ligneCode("10.1.1.1", "200", "1000"),
    });
    EXPECT_EQ(c.requetes, 4);
    EXPECT_EQ(c.lignesLues, 4);
    EXPECT_EQ(c.lignesAnalysees, 4);
    EXPECT_EQ(c.lignesIgnorees, 0);
    EXPECT_EQ(c.octets, 3000);
}

// Two stretches read at once must give what one reading in journal order gives.
TEST(Complements, DeuxTranchesCommeUneSeule) {
    std::vector<std::string> lignes;
    const char* fichiers[] = {"/a", "/b", "/c", "/d"};
    const char* codes[] = {"200", "404", "503", "301", "404"};
    for (int k = 0; k < 200; ++k) {
        char date[16];
        std::snprintf(date, sizeof date, "%02d/Jan/2026", 1 + (k * 7 % 31));
        lignes.push_back(ligneCode("1.1." + std::to_string(k % 13) + ".1", codes[k % 5],
                                   std::to_string(k), fichiers[(k * k) % 4], date, "12:00:00"));
    }
    const Journal j = journalDe(lignes);
    std::vector<RLog> r;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) r.push_back(analyserLigne(j.ligne(i)));

    ComptesComplements une, deux;
    une.commencer(j, 1, false);
    deux.commencer(j, 2, false);
    // Through the statistics' entries of the files, folded halfway as a stream is.
    ComptesJournal statistiques;
    ComptesComplements trois;
    trois.suivre(&statistiques);
    LecteursEnSerie serie({&statistiques, &trois});
    serie.commencer(j, 2, false);
    for (std::size_t i = 0; i < r.size(); ++i) {
        une.lire(0, r[i]);
        deux.lire(i < 77 ? 0 : 1, r[i]);
        if (i == 100) serie.replier();
        serie.lire(i % 100 < 60 ? 0 : 1, r[i]);
    }
    const Complements a = une.resultat(), b = deux.resultat();
    EXPECT_EQ(jours(a), jours(b));
    ASSERT_EQ(a.codes.size(), b.codes.size());
    for (std::size_t k = 0; k < a.codes.size(); ++k) {
        EXPECT_EQ(a.codes[k].code, b.codes[k].code);
        EXPECT_EQ(a.codes[k].nombre, b.codes[k].nombre);
        EXPECT_EQ(a.codes[k].octets, b.codes[k].octets);
    }
    for (const auto& [x, y] : {std::pair{&a.introuvables, &b.introuvables},
                               std::pair{&a.erreursServeur, &b.erreursServeur}}) {
        ASSERT_EQ(x->size(), y->size());
        for (std::size_t k = 0; k < x->size(); ++k) {
            EXPECT_EQ((*x)[k].fichier, (*y)[k].fichier) << k;
            EXPECT_EQ((*x)[k].nombre, (*y)[k].nombre) << k;
        }
    }
    EXPECT_EQ(a.octets, b.octets);
    EXPECT_EQ(a.premiere.secondes, b.premiere.secondes);
    EXPECT_EQ(a.derniere.secondes, b.derniere.secondes);
    EXPECT_EQ(texte(trois.resultat()), texte(a));
}

TEST(Complements, InstantsLisiblesOuNon) {
    const struct {
        const char *date, *heure;
        std::optional<std::string> texte;
    } cas[] = {
        {"29/Feb/2024", "00:00:00", "29/02/2024 00:00:00"},
        {"29/Feb/2023", "00:00:00", std::nullopt},
        {"29/Feb/1900", "00:00:00", std::nullopt},
        {"29/Feb/2000", "23:59:59", "29/02/2000 23:59:59"},
        {"31/Apr/2020", "00:00:00", std::nullopt},
        {"00/Jan/2020", "00:00:00", std::nullopt},
        {"01/Jan/1970", "00:00:00", "01/01/1970 00:00:00"},
        {"31/Dec/1969", "23:59:59", "31/12/1969 23:59:59"},
        {"06/DEC/2006", "10:15:32", std::nullopt},
        {"6/Dec/2006", "10:15:32", std::nullopt},
        {"06/Dec/2006", "24:00:00", std::nullopt},
        {"06/Dec/2006", "10:60:00", std::nullopt},
        {"06/Dec/2006", "10:15:3x", std::nullopt},
        {"06/Dec/2006", "-", std::nullopt},
    };
    for (const auto& k : cas) {
        Instant i;
        const bool lu = lireInstant(k.date, k.heure, i);
        EXPECT_EQ(lu, k.texte.has_value()) << k.date << " " << k.heure;
        if (lu && k.texte) {
            EXPECT_EQ(texteInstant(i), *k.texte);
        }
    }
}

TEST(Complements, NombresEtOctetsALaFrancaise) {
    const struct {
        int64_t n;
        const char* texte;
    } nombres[] = {{0, "0"},          {999, "999"},
                   {1000, "1 000"},   {1234567, "1 234 567"},
                   {-1234, "-1 234"}, {INT64_MIN, "-9 223 372 036 854 775 808"}};
    for (const auto& k : nombres) EXPECT_EQ(nombreFrancais(k.n), k.texte) << k.n;
    const struct {
        int64_t octets;
        const char* texte;
    } octets[] = {{0, "0 octets"},      {1, "1 octet"},          {1023, "1 023 octets"},
                  {1024, "1,00 Ko"},    {1536, "1,50 Ko"},       {10 * 1024 + 512, "10,5 Ko"},
                  {1048575, "1,00 Mo"}, {1331439862, "1,24 Go"}, {int64_t{5} << 40, "5,00 To"},
                  {-2048, "-2,00 Ko"}};
    for (const auto& k : octets) EXPECT_EQ(octetsFrancais(k.octets), k.texte) << k.octets;
    EXPECT_EQ(pourcentFrancais(12.345), "12,3 %");
    EXPECT_EQ(pourcentFrancais(100), "100,0 %");
    EXPECT_EQ(pourcentFrancais(0), "0,0 %");
    EXPECT_EQ(pourcentFrancais(0.03), "< 0,1 %");
    EXPECT_EQ(pourcentFrancais(0.05), "0,1 %");
}

// Beside the counts of the statistics pass, the supplementary reader changes none of its tables.
TEST(Complements, LesTablesRestentCellesDuPremierPassage) {
    std::vector<std::string> lignes;
    for (int k = 0; k < 300; ++k) {
        lignes.push_back(ligneLog("10.0." + std::to_string(k % 17) + ".1",
                                  k < 150 ? "06/Dec/2006" : "07/Dec/2006",
                                  (k % 24 < 10 ? "0" : "") + std::to_string(k % 24) + ":00:00",
                                  std::to_string(k * 13), "GET /p" + std::to_string(k % 9)));
    }
    const Journal j = journalDe(lignes);
    const auto tables = [&](bool avecComplements) {
        ComptesJournal comptes;
        ComptesComplements complements;
        LecteursEnSerie deux({&comptes, &complements});
        TableauLog t;
        t.memoriser(j, {},
                    avecComplements ? static_cast<LecteurEnregistrements*>(&deux) : &comptes);
        TablesAnalyse s;
        calculerTables(j, 1, s, &comptes);
        return std::vector{paires(s.statIP),        paires(s.statOS),         paires(s.statNav),
                           paires(s.statPrecedent), paires(s.statFichier),    paires(s.statTaux),
                           paires(s.statHoraires),  paires(s.statVMensuelles)};
    };
    const auto seules = tables(false);
    const auto avec = tables(true);
    EXPECT_EQ(seules, avec);
    EXPECT_EQ(seules[0].size(), 17u);
}

// The period's filter reads the date and time where the parser cuts them, even on lines the
// parser shifts or refuses.
TEST(Complements, InstantDeLigneCommeLeParseur) {
    const std::string lignes[] = {
        ligneCode("1.1.1.1", "200", "1", "/a", "06/Dec/2006", "10:15:32"),
        "10.0.0.1 - bob [06/Dec/2006:10:15:32 +0100] \"GET /a.html HTTP/1.0\" 200 2326",
        "10.0.0.1 - jean paul [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.0\" 200 1",
        "10.0.0.1 - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.0\" 200 1 \"-\" \"x\" reste",
        "1.2.3.4 - - [31/Dec/1999:23:59:59 +0000] \"GET / HTTP/1.0\" 200 1",
        "",
        "-",
        "1.2.3.4 - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.0\" abc 1",
    };
    for (const std::string& l : lignes) {
        Instant lu;
        const bool ok = instantDeLigne(l, lu);
        try {
            const RLog r = analyserLigne(l);
            Instant attendu;
            EXPECT_EQ(ok, lireInstant(r.date, r.heure, attendu)) << l;
            if (ok) {
                EXPECT_EQ(lu.secondes, attendu.secondes) << l;
            }
        } catch (const ErreurKestrane&) {
            // A line the parser refuses: only the cut is compared, checked by hand below.
        }
    }
    // With the parser that keeps other clients as text, the cut follows it too.
    const std::string autres[] = {
        "2001:db8::1 - - [06/Dec/2006:10:15:32 +0100] \"GET /a.html HTTP/1.0\" 200 1",
        "::1 - - [07/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.0\" 200 1",
        "crawl-1.bot.example.com - - [08/Dec/2006:00:00:01 +0100] \"GET /x.y HTTP/1.0\" 200 1",
        "10.0.0.1 - - [09/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.0\" 200 1",
        "1.2.3 - - [10/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.0\" 200 1",
    };
    for (const std::string& l : autres) {
        RLog r;
        std::string_view fautif;
        ASSERT_TRUE(analyserLigneSouple(l, r, fautif)) << l;
        Instant lu, attendu;
        ASSERT_TRUE(lireInstant(r.date, r.heure, attendu)) << l;
        EXPECT_TRUE(instantDeLigne(l, lu, true)) << l;
        EXPECT_EQ(lu.secondes, attendu.secondes) << l;
    }
    Instant i;
    EXPECT_FALSE(instantDeLigne(autres[0], i));  // the strict cut finds no date there
    EXPECT_FALSE(instantDeLigne(lignes[2], i));  // the user's blank shifts the date
    EXPECT_TRUE(instantDeLigne(lignes[7], i));   // refused by the parser, yet its date reads
    EXPECT_EQ(texteInstant(i), "06/12/2006 10:15:32");
    EXPECT_FALSE(instantDeLigne(lignes[5], i));
}

TEST(Complements, LignesDeLaPeriode) {
    const std::vector<std::string> lignes = {
        ligneCode("1.1.1.1", "200", "1", "/a", "01/Feb/2026", "23:00:00"),
        ligneCode("1.1.1.2", "200", "1", "/b", "02/Feb/2026", "11:59:59"),
        ligneCode("1.1.1.3", "200", "1", "/c", "02/Feb/2026", "12:00:00"),
        ligneCode("1.1.1.4", "200", "1", "/d", "02/Feb/2026", "x"),
        ligneCode("1.1.1.5", "200", "1", "/e", "02/Feb/2026", "18:30:00"),
        ligneCode("1.1.1.6", "200", "1", "/f", "02/Feb/2026", "18:30:01"),
        ligneCode("1.1.1.7", "200", "1", "/g", "03/Feb/2026", "00:00:00"),
    };
    const Journal j = journalDe(lignes);
    const auto instant = [](const char* date, const char* heure) {
        Instant i;
        EXPECT_TRUE(lireInstant(date, heure, i));
        return i;
    };
    const struct {
        Instant debut, fin;
        std::vector<std::size_t> gardees;
    } cas[] = {
        // In the middle of a day, both bounds included.
        {instant("02/Feb/2026", "12:00:00"), instant("02/Feb/2026", "18:30:00"), {2, 4}},
        {instant("01/Feb/2026", "00:00:00"),
         instant("03/Feb/2026", "00:00:00"),
         {0, 1, 2, 4, 5, 6}},
        {instant("02/Feb/2026", "11:59:59"), instant("02/Feb/2026", "11:59:59"), {1}},
        // Empty: no line between the bounds.
        {instant("05/Feb/2026", "00:00:00"), instant("06/Feb/2026", "00:00:00"), {}},
    };
    for (const auto& k : cas) {
        std::size_t hors = 99;
        const Journal p = lignesDeLaPeriode(j, PeriodeAnalyse{true, k.debut, k.fin}, hors);
        ASSERT_EQ(p.nbLignes(), k.gardees.size());
        for (std::size_t n = 0; n < k.gardees.size(); ++n) {
            EXPECT_EQ(p.ligne(n), lignes[k.gardees[n]]);
        }
        // The line without a readable time is always outside.
        EXPECT_EQ(hors, lignes.size() - k.gardees.size());
    }
}
