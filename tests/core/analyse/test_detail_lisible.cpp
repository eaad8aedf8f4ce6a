// The detail text of readable results for an agent that a format's reader rewrote outside its line
// (the window's test reads the agents of combined lines).
#include <gtest/gtest.h>

#include <string>

#include "core/analyse/DetailLisible.h"
#include "core/lecture/FormatJournal.h"

using namespace kestrane;

TEST(DetailLisible, AgentReecritParLeFormat) {
    // IIS writes the agent's blanks as "+": the reader gives it whole, outside the line.
    LecteurLignes lecteur(FormatJournal::propose(TypeFormat::W3C));
    RLog r;
    ASSERT_EQ(lecteur.lire("#Fields: date time c-ip cs-method cs-uri-stem sc-status cs(User-Agent)",
                           0, r),
              Lecture::Directive);
    const std::string ligne =
        "2015-05-17 10:05:03 1.2.3.4 GET /a 200 "
        "Mozilla/5.0+(X11;+Ubuntu;+Linux+x86_64;+rv:37.0)+Gecko/20100101+Firefox/37.0";
    ASSERT_EQ(lecteur.lire(ligne, 1, r), Lecture::Requete);
    const ChampsEnPlus plus = lecteur.enPlus();
    const std::string_view agent = agentDuRecord(r, ligne, &plus);
    EXPECT_EQ(agent,
              "Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:37.0) Gecko/20100101 Firefox/37.0");
    std::string s;
    DetailsLisibles().ajouter(s, r, agent);
    EXPECT_NE(s.find("\r\nNavigateur/Robot: Firefox 37\r\nSyst\xE8me d'exploitation : Ubuntu"),
              std::string::npos);
}
