// What a day of the base keeps, piece by piece: tables that merge by label (long labels too, whose
// views must survive the merge), cut at a limit with their totals kept, stored and read back byte
// for byte; visitors whose visits join across the pieces of a day and across midnight.
#include <gtest/gtest.h>

#include <map>
#include <numeric>

#include "core/analyse/Comptage.h"
#include "core/historique/Connexion.h"
#include "core/historique/TablesJour.h"
#include "core/historique/VisiteursJour.h"
#include "core/journal/Calendrier.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;

namespace {

int64_t total(const TableJour& t, int64_t EntreeJour::*champ) {
    return std::accumulate(t.begin(), t.end(), int64_t{0},
                           [&](int64_t s, const EntreeJour& e) { return s + e.*champ; });
}

}  // namespace

TEST(TablesJour, FusionLimiteEtStockage) {
    // Labels short (kept inside the string) and long, bytes of every kind.
    TableJour a, b;
    for (int k = 0; k < 300; ++k) {
        const std::string l = k % 3 ? std::to_string(k) : std::string(40, 'x') + std::to_string(k);
        a.push_back({l, k + 1, 10 * k, 1, 1000 + k});
        if (k % 2 == 0) b.push_back({l, 2, 5, 1, 500 + k});
    }
    b.push_back({std::string("\0\xFF\x80 nouveau", 12), 7, 7, 1, 2000});
    const TableJour f = fusionnerTables(a, b);
    ASSERT_EQ(f.size(), 301u);
    EXPECT_EQ(total(f, &EntreeJour::requetes),
              total(a, &EntreeJour::requetes) + total(b, &EntreeJour::requetes));
    EXPECT_EQ(f[0].requetes, 3);  // "0...": 1 + 2
    EXPECT_EQ(f[0].ordre, 500);   // the earlier first appearance
    EXPECT_EQ(f[1].ordre, 1001);  // only in `a`
    // The same through the cumul of a range.
    CumulTable c;
    c.ajouter(a);
    c.ajouter(b);
    EXPECT_EQ(encoderTable(c.table()), encoderTable(f));
    // Cut at 10: the largest ten and one entry for the rest, every total kept.
    const TableJour l = limiter(f, 10);
    ASSERT_EQ(l.size(), 11u);
    EXPECT_EQ(l.back().libelle, kEntreeAutres);
    for (int64_t EntreeJour::*champ :
         {&EntreeJour::requetes, &EntreeJour::octets, &EntreeJour::visiteurs}) {
        EXPECT_EQ(total(l, champ), total(f, champ));
    }
    // Cut again, after a new piece of the day: still ten entries and one "others".
    const TableJour l2 = limiter(fusionnerTables(l, b), 10);
    EXPECT_EQ(l2.size(), 11u);
    EXPECT_EQ(total(l2, &EntreeJour::requetes),
              total(l, &EntreeJour::requetes) + total(b, &EntreeJour::requetes));
    // Summed, cut and written at once, without copies: the same bytes, for tables with labels
    // twice over, with an earlier cut's "others", cut or not; and, labels once each, without the
    // lookup.
    TableJour deux = a;
    deux.insert(deux.end(), b.begin(), b.end());
    for (const TableJour* t : std::initializer_list<const TableJour*>{&a, &f, &deux, &l, &l2}) {
        for (const std::size_t limite :
             {std::size_t{0}, std::size_t{10}, std::size_t{150}, std::size_t{1000}}) {
            const std::string attendu = encoderTable(limiter(fusionnerTables({}, *t), limite));
            EXPECT_EQ(encoderTableLimitee(*t, limite), attendu) << t->size() << " " << limite;
            if (t != &deux) {
                EXPECT_EQ(encoderTableUnique(*t, limite), attendu);
            }
        }
    }
    // Read back as written; bytes that are no table refused.
    const TableJour lu = decoderTable(encoderTable(f));
    ASSERT_EQ(lu.size(), f.size());
    for (std::size_t k = 0; k < f.size(); ++k) {
        EXPECT_EQ(lu[k].libelle, f[k].libelle);
        EXPECT_EQ(lu[k].octets, f[k].octets);
        EXPECT_EQ(lu[k].ordre, f[k].ordre);
    }
    const std::string o = encoderTable(f);
    EXPECT_THROW(decoderTable(o.substr(0, o.size() / 2)), ErreurBase);
    EXPECT_THROW(decoderTable("\x05xyz"), ErreurBase);
}

TEST(VisiteursJour, PiecesDUnJourEtMinuit) {
    const int64_t jour = joursDepuisEpoque(2024, 3, 1);
    const auto ligne = [](const char* client, const char* heure, int jourDuMois = 1) {
        return std::string(client) + " - - [" + (jourDuMois < 10 ? "0" : "") +
               std::to_string(jourDuMois) + "/Mar/2024:" + heure +
               " +0100] \"GET / HTTP/1.1\" 200 10 \"-\" \"agent\"";
    };
    const std::vector<std::string> lignes = {
        ligne("10.0.0.1", "08:00:00"),    ligne("10.0.0.1", "08:20:00"),  // one visit...
        ligne("10.0.0.1", "08:40:00"),    ligne("10.0.0.1", "10:00:00"),  // ...then another
        ligne("10.0.0.2", "23:50:00"),    ligne("10.0.0.3", "12:00:00"),
        ligne("10.0.0.2", "00:10:00", 2),  // the next day
    };
    std::vector<std::string_view> vues(lignes.begin(), lignes.end());
    const OptionsAnalyse o;
    const VisiteursJour tout = visiteursDesLignes({vues.begin(), vues.end() - 1}, jour, o);
    const TotauxVisiteurs t = totaux(tout);
    EXPECT_EQ(t.visiteurs, 3);
    EXPECT_EQ(t.visites, 4);
    EXPECT_EQ(t.duree, 40 * 60);
    // Cut anywhere into two pieces, merged in either order: the same visitors and visits.
    for (std::size_t coupe = 1; coupe < vues.size() - 1; ++coupe) {
        const VisiteursJour p1 = visiteursDesLignes({vues.begin(), vues.begin() + coupe}, jour, o);
        const VisiteursJour p2 =
            visiteursDesLignes({vues.begin() + coupe, vues.end() - 1}, jour, o);
        for (const VisiteursJour& m : {fusionnerVisiteurs(p1, p2), fusionnerVisiteurs(p2, p1)}) {
            const TotauxVisiteurs u = totaux(m);
            EXPECT_EQ(u.visiteurs, t.visiteurs) << coupe;
            EXPECT_EQ(u.visites, t.visites) << coupe;
            EXPECT_EQ(u.duree, t.duree) << coupe;
        }
    }
    // 23:50 then 00:10 the next day: one visit, of the first day, 20 minutes long.
    const VisiteursJour lendemain = visiteursDesLignes({vues.end() - 1, vues.end()}, jour + 1, o);
    const Jonction j = jonction(tout, lendemain);
    EXPECT_EQ(j.visites, 1);
    EXPECT_EQ(j.duree, 20 * 60);
    EXPECT_EQ(jonction(lendemain, tout).visites, 0);
    // Stored and read back; bytes of the wrong length refused.
    EXPECT_EQ(encoderVisiteurs(decoderVisiteurs(encoderVisiteurs(tout))), encoderVisiteurs(tout));
    EXPECT_THROW(decoderVisiteurs("abc"), ErreurBase);
}

// The visitors the audience counted with a run's lines (both halves of each block, the blocks
// folded) are those of its lines read again, keys included: the sample's 5000 lines moved onto
// one day, out of time order, twice over; leniently read, with clients written as text and a
// line that does not read. A line of another day among them: the counts cannot tell the day's
// visitors apart, and say so.
TEST(VisiteursJour, CeuxDeLAudienceCommeEnRelisantLesLignes) {
    const int64_t jour = joursDepuisEpoque(2023, 12, 20);
    std::vector<std::string> lignes;
    const std::string t = test::lireFichier(KESTRANE_ACCES_5000);
    for (std::size_t d = 0, f; (f = t.find('\n', d)) != std::string::npos; d = f + 1) {
        std::string l = t.substr(d, f - d);
        l.replace(l.find('[') + 1, 11, "20/Dec/2023");
        lignes.push_back(std::move(l));
    }
    struct Cas {
        bool souple, autreJour;
    };
    for (const Cas c : {Cas{false, false}, Cas{true, false}, Cas{true, true}}) {
        SCOPED_TRACE(std::to_string(c.souple) + " " + std::to_string(c.autreJour));
        std::vector<std::string> l = lignes;
        if (c.souple) {
            l[10] = "serveur.exemple.org" + l[10].substr(l[10].find(' '));
            l[2600] = "2001:db8::1" + l[2600].substr(l[2600].find(' '));
            l[2601] = "2001:db8::1" + l[2601].substr(l[2601].find(' '));
            l[3000] = "pas une ligne";
        }
        if (c.autreJour) l[4000].replace(l[4000].find('[') + 1, 11, "21/Dec/2023");
        std::string octets;
        for (const std::string& x : l) octets += x + "\n";
        std::vector<std::string_view> vues;
        for (std::size_t d = 0, f; (f = octets.find('\n', d)) != std::string::npos; d = f + 1) {
            vues.push_back(std::string_view(octets).substr(d, f - d));
        }
        OptionsAnalyse o;
        o.complements = o.resultatsLisibles = o.ordreDApparition = true;
        o.ignorerNonConformes = c.souple;
        Comptage comptes(o, FormatJournal());
        comptes.commencer();
        // The lines twice over in three runs: two on both cores, each folded, then one on one
        // core.
        std::vector<std::string_view> deuxFois = vues;
        deuxFois.insert(deuxFois.end(), vues.begin(), vues.end());
        std::size_t ignorees = 0;
        for (const auto& [debut, fin] : {std::pair<std::size_t, std::size_t>{0, 4500},
                                         {4500, 9000},
                                         {9000, deuxFois.size()}}) {
            const auto b = comptes.compter({deuxFois.begin() + static_cast<std::ptrdiff_t>(debut),
                                            deuxFois.begin() + static_cast<std::ptrdiff_t>(fin)},
                                           octets, debut);
            ASSERT_FALSE(b.erreur);
            ignorees += b.ignorees;
        }
        EXPECT_EQ(ignorees, c.souple ? 2u : 0u);
        comptes.terminer();
        ASSERT_TRUE(comptes.audience());
        VisiteursJour v;
        if (c.autreJour) {
            EXPECT_FALSE(visiteursDeLAudience(*comptes.audience(), jour, v));
            EXPECT_TRUE(v.empty());
            continue;
        }
        ASSERT_TRUE(visiteursDeLAudience(*comptes.audience(), jour, v));
        const VisiteursJour attendus = visiteursDesLignes(deuxFois, jour, o);
        EXPECT_GT(attendus.size(), 500u);
        ASSERT_EQ(v.size(), attendus.size());
        for (std::size_t k = 0; k < v.size(); ++k) {
            EXPECT_EQ(v[k].cle, attendus[k].cle) << k;
            EXPECT_EQ(v[k].premiere, attendus[k].premiere) << k;
            EXPECT_EQ(v[k].derniere, attendus[k].derniere) << k;
            EXPECT_EQ(v[k].visites, attendus[k].visites) << k;
            EXPECT_EQ(v[k].duree, attendus[k].duree) << k;
        }
        // The day after: none of its visitors.
        EXPECT_FALSE(visiteursDeLAudience(*comptes.audience(), jour + 1, v));
    }
}

// A visitor's key is kept by the base: the same client and agent give the same key in every
// version (client texts of every length, agents shorter and longer than a word of 8 bytes).
TEST(VisiteursJour, LesClesNeChangentPasDUneVersionALAutre) {
    const int64_t jour = joursDepuisEpoque(2024, 3, 1);
    const std::string agentLong =
        "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0 "
        "Safari/537.36";
    const std::vector<std::string> lignes = {
        "10.0.0.1 - - [01/Mar/2024:08:00:00 +0100] \"GET / HTTP/1.1\" 200 10 \"-\" \"a\"",
        "192.168.100.254 - - [01/Mar/2024:08:00:01 +0100] \"GET / HTTP/1.1\" 200 10 \"-\" \"" +
            agentLong + "\"",
        "8.8.8.8 - - [01/Mar/2024:08:00:02 +0100] \"GET / HTTP/1.1\" 200 10 \"-\" \"12345678\"",
    };
    const std::vector<std::string_view> vues(lignes.begin(), lignes.end());
    std::vector<uint64_t> cles;
    for (const VisiteurJour& v : visiteursDesLignes(vues, jour, OptionsAnalyse())) {
        cles.push_back(v.cle);
    }
    EXPECT_EQ(cles, (std::vector<uint64_t>{403244884467219123ull, 7638719611013324409ull,
                                           15352534265270994766ull}));
}
