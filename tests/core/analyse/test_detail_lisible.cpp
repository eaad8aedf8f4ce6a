// The detail text of readable results: the whole agent of a record as the readable tables take
// it, and the browser and system the catalogue names in place of the positional cut.
#include <gtest/gtest.h>

#include <string>

#include "core/analyse/DetailLisible.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/LecteurLignes.h"

using namespace kestrane;

namespace {

constexpr const char* kFirefox =
    "Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:37.0) Gecko/20100101 Firefox/37.0";

std::string combine(const std::string& fin) {
    return "10.0.0.1 - - [06/Dec/2006:03:00:00 +0100] \"GET / HTTP/1.1\" 200 1 \"-\"" + fin;
}

// Lines 11 and 12 of a detail text: the browser and the system.
std::string nomsDuDetail(const std::string& detail) {
    std::size_t debut = 0;
    for (int k = 0; k < 11; ++k) debut = detail.find("\r\n", debut) + 2;
    return detail.substr(debut);
}

}  // namespace

TEST(DetailLisible, AgentEntierEtNomsDuCatalogue) {
    const struct {
        const char* nom;
        std::string ligne;
        std::string agent;
    } cas[] = {
        {"quoted", combine(std::string(" \"") + kFirefox + "\""), kFirefox},
        {"without its closing quote", combine(std::string(" \"") + kFirefox), kFirefox},
        {"no agent: the parser's", combine(""), "-"},
    };
    DetailsLisibles details;
    for (const auto& c : cas) {
        const RLog r = analyserLigne(c.ligne);
        EXPECT_EQ(agentDuRecord(r, c.ligne), c.agent) << c.nom;
        std::string s;
        details.ajouter(s, r, agentDuRecord(r, c.ligne));
        EXPECT_EQ(nomsDuDetail(s),
                  c.agent == "-"
                      ? "Navigateur/Robot: Autre\r\nSyst\xE8me d'exploitation : Autre"
                      : "Navigateur/Robot: Firefox 37\r\nSyst\xE8me d'exploitation : Ubuntu")
            << c.nom;
        // The other lines are the described ones.
        const std::string decrit = detailLog(r);
        EXPECT_EQ(s.substr(0, s.size() - nomsDuDetail(s).size()),
                  decrit.substr(0, decrit.size() - nomsDuDetail(decrit).size()))
            << c.nom;
    }
}

TEST(DetailLisible, AgentReecritParLeFormat) {
    // IIS writes the agent's blanks as "+": the format's reader gives it whole outside the line.
    LecteurLignes lecteur(FormatJournal::propose(TypeFormat::W3C));
    RLog r;
    ASSERT_EQ(lecteur.lire("#Fields: date time c-ip cs-method cs-uri-stem sc-status cs(User-Agent)",
                           0, r),
              Lecture::Directive);
    std::string agent = kFirefox;
    for (char& c : agent) c = c == ' ' ? '+' : c;
    const std::string ligne = "2015-05-17 10:05:03 1.2.3.4 GET /a 200 " + agent;
    ASSERT_EQ(lecteur.lire(ligne, 1, r), Lecture::Requete);
    const ChampsEnPlus plus = lecteur.enPlus();
    EXPECT_EQ(agentDuRecord(r, ligne, &plus), kFirefox);
    std::string s;
    DetailsLisibles details;
    details.ajouter(s, r, agentDuRecord(r, ligne, &plus));
    EXPECT_EQ(nomsDuDetail(s),
              "Navigateur/Robot: Firefox 37\r\nSyst\xE8me d'exploitation : Ubuntu");
}
