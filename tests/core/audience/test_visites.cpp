#include <gtest/gtest.h>

#include "OutilsAudience.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

Ligne a(std::string date, std::string heure, std::string ip = "1.2.3.4",
        std::string agent = kFirefox) {
    Ligne l;
    l.date = std::move(date);
    l.heure = std::move(heure);
    l.ip = std::move(ip);
    l.agent = std::move(agent);
    return l;
}

}  // namespace

// A visitor is an address and an agent on one day; a visit runs across midnight and counts on
// the day it starts.
TEST(Visites, VisiteurDeDeuxJoursEtVisiteAcheveeLeLendemain) {
    const Audience au = audienceDe(std::vector<Ligne>{
        a("06/Dec/2006", "23:50:00"),
        a("07/Dec/2006", "00:10:00"),
        a("07/Dec/2006", "00:15:00"),
    });
    EXPECT_EQ(jours(au), "06/12/2006=1/1 07/12/2006=1/0 ");
    EXPECT_EQ(au.visiteurs, 2);
    EXPECT_EQ(au.visites, 1);
    EXPECT_EQ(au.dureeVisites, 1500);
    EXPECT_DOUBLE_EQ(au.requetesParVisite(), 3.0);
}

TEST(Visites, DeuxAgentsDUneAdresseSontDeuxVisiteurs) {
    const std::string chrome =
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.0.0 Safari/537.36";
    std::string chrome119 = chrome;
    chrome119.replace(chrome119.find("120"), 3, "119");
    const Audience au = audienceDe(std::vector<Ligne>{
        a("06/Dec/2006", "10:00:00"),
        a("06/Dec/2006", "10:01:00", "1.2.3.4", chrome),
        a("06/Dec/2006", "10:02:00"),
        // Only the text after the last "(" differs: another agent all the same.
        a("06/Dec/2006", "10:03:00", "1.2.3.4", chrome119),
        a("06/Dec/2006", "10:04:00", "1.2.3.4", chrome),
        a("06/Dec/2006", "10:05:00", "5.6.7.8", chrome),
    });
    EXPECT_EQ(jours(au), "06/12/2006=4/4 ");
}

TEST(Visites, UnEcartDeTrenteMinutesExactesCommenceUneAutreVisite) {
    struct Cas {
        const char* secondeHeure;
        int64_t visites, duree;
    } cas[] = {{"10:29:59", 1, 1799}, {"10:30:00", 2, 0}, {"10:30:01", 2, 0}};
    for (const Cas& c : cas) {
        const Audience au = audienceDe(
            std::vector<Ligne>{a("06/Dec/2006", "10:00:00"), a("06/Dec/2006", c.secondeHeure)});
        EXPECT_EQ(au.visites, c.visites) << c.secondeHeure;
        EXPECT_EQ(au.dureeVisites, c.duree) << c.secondeHeure;
        EXPECT_EQ(au.visiteurs, 1) << c.secondeHeure;
    }
}

// A line written late belongs to the visit of its time, and can join two visits into one; a
// request long before the latest visit makes a visit of its own.
TEST(Visites, LigneEnRetardRejointLaVisiteDeSonHeure) {
    const Audience jointe = audienceDe(std::vector<Ligne>{
        a("06/Dec/2006", "10:00:00"),
        a("06/Dec/2006", "10:50:00"),
        a("06/Dec/2006", "10:25:00"),
    });
    EXPECT_EQ(jointe.visites, 1);
    EXPECT_EQ(jointe.dureeVisites, 3000);

    const Audience isolee = audienceDe(std::vector<Ligne>{
        a("06/Dec/2006", "10:00:00"),
        a("06/Dec/2006", "12:00:00"),
        a("06/Dec/2006", "14:00:00"),
        a("06/Dec/2006", "11:00:00"),
        a("06/Dec/2006", "13:59:00"),
    });
    EXPECT_EQ(isolee.visites, 4);
    EXPECT_EQ(isolee.dureeVisites, 60);
    EXPECT_EQ(jours(isolee), "06/12/2006=1/4 ");

    // Late lines for an earlier day: the day is counted once for the visitor.
    const Audience veille = audienceDe(std::vector<Ligne>{
        a("07/Dec/2006", "10:00:00"),
        a("06/Dec/2006", "09:00:00"),
        a("07/Dec/2006", "11:00:00"),
        a("06/Dec/2006", "18:00:00"),
    });
    EXPECT_EQ(jours(veille), "06/12/2006=1/2 07/12/2006=1/2 ");
}

TEST(Visites, VisiteDUneRequeteDureZeroEtMoyennes) {
    const Audience au = audienceDe(std::vector<Ligne>{
        a("06/Dec/2006", "10:00:00"),
        a("06/Dec/2006", "10:10:00"),
        a("06/Dec/2006", "10:00:00", "9.9.9.9"),
    });
    EXPECT_EQ(au.visites, 2);
    EXPECT_DOUBLE_EQ(au.dureeMoyenneVisite(), 300.0);
    EXPECT_DOUBLE_EQ(au.requetesParVisite(), 1.5);
    EXPECT_DOUBLE_EQ(Audience{}.dureeMoyenneVisite(), 0.0);
    EXPECT_DOUBLE_EQ(Audience{}.requetesParVisite(), 0.0);
}

// A date or time that does not read leaves the request out of visitors and visits only.
TEST(Visites, DateIllisibleHorsDesVisites) {
    const Audience au = audienceDe(std::vector<Ligne>{
        a("06/Dec/2006", "10:00:00"),
        a("31/Feb/2006", "10:01:00"),
        a("06/Dec/2006", "25:00:00"),
        a("06/Dez/2006", "10:02:00", "5.5.5.5"),
    });
    EXPECT_EQ(au.requetes, 4);
    EXPECT_EQ(au.requetesDatees, 1);
    EXPECT_EQ(au.visites, 1);
    EXPECT_EQ(jours(au), "06/12/2006=1/1 ");
}

// The agent is read whole from the journal: a "-", an absent agent and an empty one are one
// agent, and the journal's last line without a closing quote nor a break reads up to its end.
TEST(Visites, AgentsSansTexteOuSansGuillemetFermant) {
    const Journal journal = Journal::depuisTexte(
        "1.2.3.4 - - [06/Dec/2006:10:00:00 +0100] \"GET / HTTP/1.1\" 200 1 \"-\" \"-\"\n"
        "1.2.3.4 - - [06/Dec/2006:10:00:01 +0100] \"GET / HTTP/1.1\" 200 1 \"-\" \"\"\n"
        "1.2.3.4 - - [06/Dec/2006:10:00:02 +0100] \"GET / HTTP/1.1\" 200 1 \"-\"\n"
        "1.2.3.4 - - [06/Dec/2006:10:00:03 +0100] \"GET / HTTP/1.1\" 200 1 \"-\" \"curl (x)\r\n"
        "1.2.3.4 - - [06/Dec/2006:10:00:04 +0100] \"GET / HTTP/1.1\" 200 1 \"-\" \"curl (x)\"\n"
        "1.2.3.4 - - [06/Dec/2006:10:00:05 +0100] \"GET / HTTP/1.1\" 200 1 \"-\" \"curl (x) y");
    const Audience au = audienceDe(journal);
    EXPECT_EQ(jours(au), "06/12/2006=3/3 ");
}

// Byte amounts are checked like the statistics' totals: a line claiming more than 64 bits can
// hold with the others raises "Débordement d'entier" instead of wrapping.
TEST(Visites, DebordementDesOctets) {
    Ligne a, b;
    a.octets = "9223372036854775807";
    b.octets = "1";
    const Journal journal = journalDe(std::vector<Ligne>{a, b});
    ComptesAudience c;
    c.commencer(journal, 1, false);
    const auto lire = [&] {
        for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
            c.lire(0, analyserLigne(journal.ligne(i)));
        }
        c.resultat();
    };
    try {
        lire();
        ADD_FAILURE() << "no overflow raised";
    } catch (const ErreurKestrane& e) {
        EXPECT_EQ(e.message(),
                  "D\xE9"
                  "bordement d'entier");
    }
}
