#include <gtest/gtest.h>

#include <filesystem>

#include "EcrivainMmdb.h"
#include "OutilsAudience.h"
#include "core/analyse/Complements.h"
#include "core/analyse/ComptesJournal.h"
#include "core/journal/DeuxFils.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

std::string ligne(const char* ip, const char* date, const char* heure, const char* agent,
                  const char* referent = "-", const char* requete = "GET / HTTP/1.1") {
    Ligne l;
    l.ip = ip;
    l.date = date;
    l.heure = heure;
    l.agent = agent;
    l.referent = referent;
    l.requete = requete;
    return l.texte();
}

std::shared_ptr<const BasePays> baseDeTest() {
    const std::string chemin = (std::filesystem::temp_directory_path() /
                                ("kestrane-tranches-" + std::to_string(::getpid()) + ".mmdb"))
                                   .string();
    EcrivainMmdb e;
    e.ajouter("1.0.0.0/8", paysMmdb("FR", {{"fr", "France"}}));
    e.ajouter("2.0.0.0/8", paysMmdb("BE", {{"fr", "Belgique"}}));
    e.ecrire(chemin);
    auto base = std::make_shared<const BasePays>(chemin);
    std::filesystem::remove(chemin);  // the mapping stays readable
    return base;
}

// The counts of a stream: the lines in blocks of `taille` lines, each block's bytes a copy
// scrambled once it is folded, its first `premiers` lines (at most) read as stretch 0 and the
// others as stretch 1. With `statistiques`, as the analysis reads them: the statistics count
// whole agents and hand the audience each line's entries.
Audience audienceEnBlocs(const Journal& journal, std::size_t taille, std::size_t premiers,
                         ReglagesAudience reglages, bool statistiques = false) {
    ComptesJournal comptes;
    comptes.agentsEntiers(true);
    ComptesAudience audience(std::move(reglages));
    if (statistiques) audience.suivre(&comptes);
    LecteursEnSerie serie({&comptes, &audience});
    LecteurEnregistrements& c =
        statistiques ? static_cast<LecteurEnregistrements&>(serie) : audience;
    c.commencer(Journal(), 2, false);
    for (std::size_t debut = 0; debut < journal.nbLignes(); debut += taille) {
        const std::size_t fin = std::min(debut + taille, journal.nbLignes());
        std::string octets;
        for (std::size_t i = debut; i < fin; ++i) octets.append(journal.ligne(i)).append("\n");
        c.bloc(octets);
        for (std::size_t i = debut, place = 0; i < fin; place += journal.ligne(i++).size() + 1) {
            c.lire(i - debut < premiers ? 0 : 1,
                   analyserLigne(std::string_view(octets).substr(place, journal.ligne(i).size()),
                                 coupePour(&c)));
        }
        c.replier();
        octets.assign(octets.size(), '#');
    }
    c.terminer();
    return audience.resultat();
}

}  // namespace

// Whatever line the second stretch starts at, and however a stream is cut into blocks, the counts
// are those of one stretch: a visit across the cut is one visit, a visitor of one day on both
// sides is one visitor, a late line joins a visit of an earlier stretch or block, first
// appearances keep journal order.
TEST(Tranches, DeuxTranchesEgalesAUne) {
    const Journal journal = journalDe(std::vector<std::string>{
        ligne("1.1.1.1", "06/Dec/2006", "23:45:00", "A", "http://www.b.fr/"),
        ligne("2.2.2.2", "06/Dec/2006", "23:41:00", "Googlebot/2.1"),
        ligne("1.1.1.1", "06/Dec/2006", "23:55:00", "B", "http://a.fr/"),
        ligne("1.1.1.1", "07/Dec/2006", "00:10:00", "A", "https://www.google.fr/?q=un"),
        ligne("300.1.1.1", "07/Dec/2006", "00:11:00", "A", "http://a.fr/"),
        ligne("2.2.2.2", "07/Dec/2006", "00:20:00", "Googlebot/2.1", "-", "HEAD / HTTP/1.0"),
        ligne("1.1.1.1", "07/Dec/2006", "00:30:00", "A", "http://b.fr:80/"),
        ligne("1.1.1.1", "07/Dec/2006", "02:00:00", "A", "https://www.google.fr/?q=Un"),
        ligne("300.1.1.1", "07/Dec/2006", "02:01:00", "A", "-", "GET /x"),
        ligne("1.1.1.1", "07/Dec/2006", "01:40:00", "A", "http://a.fr/"),
        ligne("2.2.2.2", "07/Dec/2006", "09:00:00", "AutreBot/1"),
        ligne("1.1.1.1", "07/Dec/2006", "02:20:00", "B", "https://www.bing.com/?q=deux"),
        ligne("2.2.2.2", "07/Dec/2006", "08:00:00", "Googlebot/2.1", "-", "POST /p HTTP/2.0"),
        ligne("3.3.3.3", "08/Dec/2006", "10:00:00", "A", "http://c.fr/"),
        ligne("1.1.1.1", "07/Dec/2006", "02:25:00", "A", "http://a.fr/"),
        ligne("1.1.1.1", "07/Dec/2006", "01:15:00", "A", "http://a.fr/"),
        // Late lines joining a visit that ended well before the requests around them.
        ligne("4.4.4.4", "08/Dec/2006", "10:00:00", "A"),
        ligne("4.4.4.4", "08/Dec/2006", "11:00:00", "A"),
        ligne("4.4.4.4", "08/Dec/2006", "12:00:00", "A"),
        ligne("4.4.4.4", "08/Dec/2006", "11:10:00", "A"),
        ligne("5.5.5.5", "09/Dec/2006", "10:00:00", "A"),
        ligne("5.5.5.5", "09/Dec/2006", "11:00:00", "A"),
        ligne("5.5.5.5", "09/Dec/2006", "10:10:00", "A"),
        // Two robots first met in a row, the first of a client read by its texts (its numbers
        // are no IPv4 address): their table keeps that order.
        ligne("300.1.1.1", "09/Dec/2006", "10:01:00", "ZetaBot/1"),
        ligne("1.1.1.1", "09/Dec/2006", "10:02:00", "AlphaBot/1"),
        // An hour the statistics cannot read: they count no more lines of its stretch, whose
        // next lines the audience then reads by their texts, the visitors met before the same.
        ligne("5.5.5.5", "09/Dec/2006", "xx:10:00", "A"),
        ligne("5.5.5.5", "09/Dec/2006", "10:20:00", "A"),
        ligne("1.1.1.1", "09/Dec/2006", "10:21:00", "B"),
    });
    ReglagesAudience reglages;
    reglages.base = baseDeTest();
    const std::string une = texteAudience(audienceEnDeux(journal, std::string::npos, reglages));
    for (std::size_t coupure = 0; coupure <= journal.nbLignes(); ++coupure) {
        EXPECT_EQ(texteAudience(audienceEnDeux(journal, coupure, reglages)), une)
            << "second stretch from line " << coupure;
    }
    // A stream: blocks of every size, each cut anywhere into two halves folded before the next;
    // read by the texts and through the statistics' entries (a whole journal in one block is
    // also its two stretches through them).
    for (std::size_t taille = 1; taille <= journal.nbLignes(); ++taille) {
        for (std::size_t premiers = 0; premiers <= taille; ++premiers) {
            for (const bool statistiques : {false, true}) {
                EXPECT_EQ(texteAudience(
                              audienceEnBlocs(journal, taille, premiers, reglages, statistiques)),
                          une)
                    << "blocks of " << taille << " lines, " << premiers << " in stretch 0"
                    << (statistiques ? ", with the statistics" : "");
            }
        }
    }
    // The visits of 1.1.1.1 with A: 23:45-00:30, then 01:15-02:25 once its late lines joined
    // the one of 02:00; those of 4.4.4.4: 10:00, 11:00-11:10, 12:00.
    const Audience a = audienceEnDeux(journal, 8, reglages);
    EXPECT_EQ(a.visites, 19);
    EXPECT_EQ(jours(a), "06/12/2006=3/3 07/12/2006=5/7 08/12/2006=2/4 09/12/2006=4/5 ");
}

// The real first pass parses a long journal in two stretches on two threads.
TEST(Tranches, PremierePasseEnDeuxFils) {
    std::vector<std::string> lignes;
    uint64_t alea = 12345;
    const auto tirer = [&alea](uint64_t n) {
        alea = alea * 6364136223846793005ull + 1442695040888963407ull;
        return (alea >> 33) % n;
    };
    const char* agents[] = {"A", "B (x)", "Googlebot/2.1", "C", "bingbot"};
    const char* referents[] = {"-", "http://www.a.fr/", "https://www.google.fr/?q=k", "-"};
    int64_t t = 0;
    while (lignes.size() < kSeuilDeuxFilsLignes + 5000) {
        t += static_cast<int64_t>(tirer(120));
        // One line in ten written up to ten minutes late.
        const int64_t instant = tirer(10) == 0 ? t - static_cast<int64_t>(tirer(600)) : t;
        char date[16], heure[16], ip[32];
        std::snprintf(date, sizeof date, "%02d/Dec/2006", static_cast<int>(1 + instant / 86400));
        std::snprintf(heure, sizeof heure, "%02d:%02d:%02d", static_cast<int>(instant / 3600 % 24),
                      static_cast<int>(instant / 60 % 60), static_cast<int>(instant % 60));
        std::snprintf(ip, sizeof ip, "%d.%d.0.%d", static_cast<int>(1 + tirer(2)),
                      static_cast<int>(tirer(3)), static_cast<int>(tirer(50)));
        lignes.push_back(ligne(ip, date, heure, agents[tirer(5)], referents[tirer(4)]));
    }
    const Journal journal = journalDe(lignes);
    ReglagesAudience reglages;
    reglages.base = baseDeTest();
    const Audience deux = audienceDe(journal, reglages);
    EXPECT_EQ(texteAudience(deux),
              texteAudience(audienceEnDeux(journal, std::string::npos, reglages)));
    EXPECT_GT(deux.visites, 1000);
    EXPECT_EQ(deux.requetes, static_cast<int64_t>(lignes.size()));
}

// Thousands of clients, enough for the countries to be looked up beside the merge: each
// client's country follows it whichever stretch numbered it first, the clients of the second
// stretch only included.
TEST(Tranches, PaysDeMilliersDeClients) {
    std::vector<std::string> lignes;
    for (int passe = 0; passe < 2; ++passe) {
        for (int i = 0; i < (passe == 0 ? 6000 : 7500); ++i) {
            const std::string ip = std::to_string(1 + i % 3) + "." + std::to_string(i / 3 / 256) +
                                   "." + std::to_string(i / 3 % 256) + ".7";
            char heure[16];
            std::snprintf(heure, sizeof heure, "%02d:%02d:%02d", 10 + passe * 2, i / 10 / 60,
                          i / 10 % 60);
            lignes.push_back(ligne(ip.c_str(), "06/Dec/2006", heure, "A"));
        }
    }
    const Journal journal = journalDe(lignes);
    ReglagesAudience reglages;
    reglages.base = baseDeTest();
    const Audience a = audienceEnDeux(journal, 6000, reglages);
    EXPECT_EQ(texteAudience(a), texteAudience(audienceEnDeux(journal, 4321, reglages)));
    EXPECT_EQ(texteAudience(a),
              texteAudience(audienceEnDeux(journal, std::string::npos, reglages)));
    ASSERT_EQ(a.pays.size(), 3u);
    const std::pair<const char*, int64_t> attendus[] = {
        {"France", 2500}, {"Belgique", 2500}, {"Inconnu", 2500}};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(a.pays[k].nom, attendus[k].first);
        EXPECT_EQ(a.pays[k].requetes, 4500);
        EXPECT_EQ(a.pays[k].visiteurs, attendus[k].second);
    }
}
