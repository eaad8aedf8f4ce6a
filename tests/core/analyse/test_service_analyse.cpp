// The analysis service on its own: what it tells its follower and when, what it leaves in the
// result when it completes, refuses, or stops on an error in either pass.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Erreur.h"
#include "tests/commun/Doublures.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// Records every call of the service, in order.
struct Suivi : SuiviAnalyse {
    std::vector<std::string> appels;
    std::size_t dernierProgres = 0;
    int enFondAppels = 0;
    void enFond(const std::function<void()>& travail) override {
        ++enFondAppels;
        travail();
    }
    void commencer() override { appels.push_back("commencer"); }
    void progresser(std::size_t faites) override { dernierProgres = faites; }
    void premierePasseInterrompue(std::size_t faites) override {
        appels.push_back("interrompue " + std::to_string(faites));
    }
    void apresPremierePasse() override { appels.push_back("premiere passe"); }
    void apresEtape(int etape) override { appels.push_back("etape " + std::to_string(etape)); }
    void apresStatistiques() override { appels.push_back("statistiques"); }
};

using Appels = std::vector<std::string>;

Appels etapes(int jusqua) {
    std::vector<std::string> e;
    for (int k = 1; k <= jusqua; ++k) e.push_back("etape " + std::to_string(k));
    return e;
}

template <typename... T>
std::vector<std::string> suite(std::vector<std::string> a, const T&... autres) {
    (a.insert(a.end(), autres.begin(), autres.end()), ...);
    return a;
}

// A result as an earlier analysis left it: every table holds one witness entry.
ResultatAnalyse resultatTemoin() {
    ResultatAnalyse r;
    for (auto* t : {&r.tables.statIP, &r.tables.statOS, &r.tables.statNav, &r.tables.statPrecedent,
                    &r.tables.statFichier, &r.tables.statTaux, &r.tables.statHoraires,
                    &r.tables.statVMensuelles}) {
        *t = {{"t\xE9moin", "", 1}};
    }
    r.journal = journalDe({ligneLog("9.9.9.9"), ligneLog("9.9.9.9")});
    r.lignesJournal = 2;
    r.periodeChoisie = "Mois";
    r.complements = Complements{};
    r.complements->requetes = 42;
    return r;
}

bool temoin(const tableauRapportStat& t) {
    return t.size() == 1 && t[0].libelle == "t\xE9moin";
}

const std::vector<std::string> kQuatre = {
    ligneLog("10.0.0.1", "06/Dec/2006", "10:15:32", "100"),
    ligneLog("10.0.0.2", "06/Dec/2006", "11:00:00", "200"),
    ligneLog("10.0.0.1", "07/Dec/2006", "12:00:00", "300"),
    ligneLog("10.0.0.3", "08/Dec/2006", "13:00:00", "400"),
};

PeriodeAnalyse periode(const char* debut, const char* fin) {
    PeriodeAnalyse p;
    p.active = true;
    EXPECT_TRUE(lireInstant(debut, "00:00:00", p.debut));
    EXPECT_TRUE(lireInstant(fin, "23:59:59", p.fin));
    return p;
}

}  // namespace

TEST(ServiceAnalyse, AnalyseCompleteDansLOrdre) {
    const Journal j = journalDe(kQuatre);
    ResultatAnalyse r = resultatTemoin();
    Suivi s;
    OptionsAnalyse o;
    o.largeurTranches = 2;
    EXPECT_EQ(analyserJournal(j, o, r, s), IssueAnalyse::terminee);
    EXPECT_EQ(s.appels,
              suite(Appels{"commencer", "premiere passe"}, etapes(8), Appels{"statistiques"}));
    EXPECT_EQ(r.journal.identite(), j.identite());
    EXPECT_EQ(r.lignesJournal, 4u);
    EXPECT_FALSE(r.periode.active);
    EXPECT_EQ(r.enregistrements.taille(), 4u);
    EXPECT_FALSE(r.retenues.souple());
    // The tables are the separate tallies', the requests table the whole journal's.
    tableauRapportStat ip, tranches;
    compterAdressesIP(j, ip);
    compterTranchesHoraires(j, 2, tranches);
    EXPECT_EQ(paires(r.tables.statIP), paires(ip));
    EXPECT_EQ(paires(r.tables.statHoraires), paires(tranches));
    EXPECT_EQ(paires(r.tables.statVMensuelles),
              (std::vector<std::pair<std::string, int64_t>>{{"Tous", 4}}));
    EXPECT_EQ(r.listes.annees, std::vector<std::string>{"2006"});
    EXPECT_EQ(r.periodeChoisie, kPeriodeToutLeFichier);
    // Not asked for: no Compléments figures, not even those of an earlier analysis.
    EXPECT_FALSE(r.complements);
    const ResumeAnalyse resume = resumer(r);
    EXPECT_EQ(resume.lignesAnalysees, 4u);
    EXPECT_EQ(resume.ignorees, 0u);
    EXPECT_EQ(resume.horsPeriode, 0u);
    EXPECT_EQ(resume.adresses, 3u);
}

TEST(ServiceAnalyse, RefusSansToucherAuResultat) {
    const struct {
        const char* nom;
        std::vector<std::string> lignes;
        PeriodeAnalyse periode;
        IssueAnalyse issue;
    } cas[] = {
        {"no line", {}, {}, IssueAnalyse::pasDeFichier},
        {"one line", {kQuatre[0]}, {}, IssueAnalyse::pasDeFichier},
        {"one line, a period",
         {kQuatre[0]},
         periode("01/Jan/2000", "01/Jan/2000"),
         IssueAnalyse::pasDeFichier},
        {"no line within the period", kQuatre, periode("01/Jan/2000", "31/Dec/2000"),
         IssueAnalyse::periodeVide},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        ResultatAnalyse r = resultatTemoin();
        const auto identite = r.journal.identite();
        Suivi s;
        OptionsAnalyse o;
        o.periode = c.periode;
        o.complements = true;
        EXPECT_EQ(analyserJournal(journalDe(c.lignes), o, r, s), c.issue);
        EXPECT_TRUE(s.appels.empty());
        EXPECT_EQ(r.journal.identite(), identite);
        EXPECT_EQ(r.lignesJournal, 2u);
        EXPECT_TRUE(temoin(r.tables.statIP) && temoin(r.tables.statVMensuelles));
        EXPECT_EQ(r.periodeChoisie, "Mois");
        ASSERT_TRUE(r.complements);
        EXPECT_EQ(r.complements->requetes, 42);
    }
}

TEST(ServiceAnalyse, PeriodeEtLignesIgnorees) {
    std::vector<std::string> lignes = kQuatre;
    lignes.insert(lignes.begin() + 1, "www.exemple.fr - - [06/Dec/2006:10:20:00 +0100] \"GET");
    const Journal j = journalDe(lignes);
    ResultatAnalyse r;
    Suivi s;
    OptionsAnalyse o;
    o.periode = periode("06/Dec/2006", "07/Dec/2006");
    o.ignorerNonConformes = true;
    o.complements = true;
    EXPECT_EQ(analyserJournal(j, o, r, s), IssueAnalyse::terminee);
    // The period is computed away from the window's thread.
    EXPECT_GE(s.enFondAppels, 1);
    EXPECT_EQ(r.lignesJournal, 5u);
    EXPECT_EQ(r.journal.nbLignes(), 4u);  // the unparsable line's date reads: it is within
    EXPECT_EQ(r.horsPeriode, 1u);
    EXPECT_TRUE(r.retenues.souple());
    EXPECT_EQ(r.retenues.nbIgnorees(), 1u);
    EXPECT_EQ(r.lignes().nbLignes(), 3u);
    EXPECT_EQ(paires(r.tables.statVMensuelles),
              (std::vector<std::pair<std::string, int64_t>>{{"Tous", 3}}));
    const ResumeAnalyse resume = resumer(r);
    EXPECT_EQ(resume.lignesAnalysees, 3u);
    EXPECT_EQ(resume.ignorees, 1u);
    EXPECT_EQ(resume.horsPeriode, 1u);
    EXPECT_EQ(resume.adresses, 2u);
    // The Compléments count the lines read, the skipped ones and those left out.
    ASSERT_TRUE(r.complements);
    EXPECT_EQ(r.complements->lignesLues, 5);
    EXPECT_EQ(r.complements->lignesAnalysees, 3);
    EXPECT_EQ(r.complements->lignesIgnorees, 1);
    EXPECT_EQ(r.complements->lignesHorsPeriode, 1);
    EXPECT_EQ(r.complements->requetes, 3);
    EXPECT_EQ(r.complements->adressesDistinctes, 2);
}

TEST(ServiceAnalyse, ErreurDeLaPremierePasse) {
    std::vector<std::string> lignes = kQuatre;
    lignes[2] = ligneLog("10.0.0.9", "07/Dec/2006", "12:00:00", "zz");
    const Journal j = journalDe(lignes);
    ResultatAnalyse r = resultatTemoin();
    Suivi s;
    try {
        analyserJournal(j, OptionsAnalyse{}, r, s);
        FAIL() << "conversion error expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_STREQ(e.what(), "'zz' n'est pas une valeur enti\xE8re correcte");
    }
    EXPECT_EQ(s.appels, (std::vector<std::string>{"commencer", "interrompue 2"}));
    // The lines read are the new ones, the records those before the failing line; the tables
    // and the rest stay as they were.
    EXPECT_EQ(r.journal.identite(), j.identite());
    EXPECT_EQ(r.enregistrements.taille(), 2u);
    EXPECT_TRUE(temoin(r.tables.statIP) && temoin(r.tables.statHoraires));
    EXPECT_EQ(r.periodeChoisie, "Mois");
    EXPECT_TRUE(r.complements);
}

TEST(ServiceAnalyse, ErreurDeLaPasseStatistique) {
    // An hour that does not convert stops the slices, the seventh step.
    std::vector<std::string> lignes = kQuatre;
    lignes[3] = ligneLog("10.0.0.3", "08/Dec/2006", "xx:00:00", "400");
    const Journal j = journalDe(lignes);
    ResultatAnalyse r = resultatTemoin();
    Suivi s;
    OptionsAnalyse o;
    o.complements = true;
    EXPECT_THROW(analyserJournal(j, o, r, s), ErreurKestrane);
    EXPECT_EQ(s.appels, suite(Appels{"commencer", "premiere passe"}, etapes(6)));
    tableauRapportStat taux;
    compterOctets(j, taux);
    EXPECT_EQ(paires(r.tables.statTaux), paires(taux));
    EXPECT_FALSE(temoin(r.tables.statHoraires));  // what the tally built before the line
    EXPECT_TRUE(temoin(r.tables.statVMensuelles));
    EXPECT_EQ(r.periodeChoisie, "Mois");
    ASSERT_TRUE(r.complements);
    EXPECT_EQ(r.complements->requetes, 42);
}

TEST(ServiceAnalyse, ComplementsRelusCommeAuPremierPassage) {
    std::vector<std::string> lignes = kQuatre;
    lignes.push_back(ligneLog("10.0.0.4", "08/Dec/2006", "14:00:00", "-"));
    lignes.push_back("pas une ligne de journal");
    for (const bool souple : {false, true}) {
        SCOPED_TRACE(souple ? "skipping" : "strict");
        std::vector<std::string> l = lignes;
        if (!souple) l.pop_back();
        const Journal journal = journalDe(l);
        OptionsAnalyse o;
        o.ignorerNonConformes = souple;
        o.complements = true;
        ResultatAnalyse avec;
        ASSERT_EQ(analyserJournal(journal, o, avec), IssueAnalyse::terminee);
        // The page switched on after an analysis made without it reads the same lines again.
        o.complements = false;
        ResultatAnalyse apres;
        ASSERT_EQ(analyserJournal(journal, o, apres), IssueAnalyse::terminee);
        ASSERT_FALSE(apres.complements);
        int calculs = 0;
        calculerComplements(apres, nullptr, [&](const std::function<void()>& t) {
            ++calculs;
            t();
        });
        EXPECT_GE(calculs, 2);
        ASSERT_TRUE(avec.complements && apres.complements);
        const Complements &a = *avec.complements, &b = *apres.complements;
        EXPECT_EQ(a.lignesAnalysees, b.lignesAnalysees);
        EXPECT_EQ(a.lignesIgnorees, b.lignesIgnorees);
        EXPECT_EQ(a.lignesIgnorees, souple ? 1 : 0);
        EXPECT_EQ(a.requetes, b.requetes);
        EXPECT_EQ(a.octets, b.octets);
        EXPECT_EQ(a.adressesDistinctes, b.adressesDistinctes);
        EXPECT_EQ(a.codes.size(), b.codes.size());
        EXPECT_EQ(a.jours.size(), b.jours.size());
    }
}
