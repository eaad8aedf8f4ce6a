// An analysis carried on over the lines appended to its journal, in pieces of every size: the
// same result as one analysis of the whole, its records and skipped lines included; counted from
// the merged counts where they tell, analysed again where they cannot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/analyse/AnalyseProlongee.h"
#include "core/analyse/Comptage.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/journal/DeuxFils.h"
#include "tests/commun/JournalDeJours.h"
#include "tests/commun/ResultatEnTexte.h"

namespace kestrane {
namespace {

// The result, its records and the skipped lines, as text.
std::string enTexte(const ResultatAnalyse& r) {
    std::string t = test::resultatEnTexte(r);
    const TableauLog& e = r.enregistrements;
    t += "\nrecords " + std::to_string(e.taille()) + " ignorees " + std::to_string(e.nbIgnorees());
    for (std::size_t k = 0; k < e.taille(); k += 97) t += ' ' + std::to_string(e.numeroLigne(k));
    if (e.taille() > 0) t += " dernier " + std::to_string(e.numeroLigne(e.taille() - 1));
    for (const LigneIgnoree& l : e.premieresIgnorees()) t += '|' + std::to_string(l.numero);
    return t + " lignes " + std::to_string(r.lignes().nbLignes());
}

TEST(AnalyseProlongee, EnMorceauxLeMemeResultatQuUneAnalyseDuTout) {
    struct Cas {
        bool souple, complements, lisibles, periode;
        std::size_t coupe;  // where the first analysis stops, in bytes of the whole
        int relues;         // how many pieces are analysed again with the whole rather than counted
    };
    // Long enough to be read in two stretches (a journal read in one is analysed again).
    const std::size_t n = kSeuilDeuxFilsLignes + 5000;
    const std::string texte = test::journalDeJours(n, true);
    const std::string propre = test::journalDeJours(n, false);
    // After the first lines long enough for two stretches, at a line's end.
    std::size_t ligne = 0;
    for (std::size_t k = 0; k < kSeuilDeuxFilsLignes + 100; ++k)
        ligne = texte.find('\n', ligne) + 1;
    const Cas cas[] = {
        {true, false, false, false, ligne, 0},
        {true, true, false, false, ligne, 0},
        {false, true, true, false, 0, 0},  // 0: the same place in the journal without faults
        {true, false, true, false, ligne, 0},
        {true, true, false, true, ligne, 5},       // a period: only the lines read again tell
        {true, true, false, false, ligne - 7, 1},  // its last line unfinished
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message()
                     << c.souple << c.complements << c.lisibles << c.periode << ' ' << c.coupe);
        const std::string& tout = c.souple ? texte : propre;
        std::size_t coupe = c.coupe;
        if (coupe == 0) {
            for (std::size_t k = 0; k < kSeuilDeuxFilsLignes + 100; ++k)
                coupe = tout.find('\n', coupe) + 1;
        }
        OptionsAnalyse o;
        o.ignorerNonConformes = c.souple;
        o.complements = o.detailEntrees = c.complements;
        o.resultatsLisibles = c.lisibles;
        if (c.periode) {
            o.periode.active = true;
            lireInstant("10/Oct/2005", "22:00:00", o.periode.debut);
            lireInstant("12/Oct/2005", "03:00:00", o.periode.fin);
        }
        ResultatAnalyse attendu;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(tout), o, attendu), IssueAnalyse::terminee);

        const Journal debut = Journal::depuisTexte(tout.substr(0, coupe));
        ResultatAnalyse r;
        SuiviAnalyse sansSuivi;
        std::unique_ptr<Comptage> comptes;
        ASSERT_EQ(analyserJournal(debut, o, r, sansSuivi, &comptes), IssueAnalyse::terminee);
        AnalyseProlongee suite(debut, o, std::move(comptes), r);
        // Pieces of one line, of a few, and the rest; each ends at a line's end.
        std::size_t fait = coupe, lignes = debut.nbLignes();
        int relues = 0;
        for (const std::size_t nb : {std::size_t{1}, std::size_t{2}, std::size_t{0},
                                     std::size_t{333}, std::size_t{SIZE_MAX}}) {
            std::size_t fin = fait;
            for (std::size_t i = 0; i < nb && fin < tout.size(); ++i)
                fin = tout.find('\n', fin) + 1;
            const AnalyseProlongee::Bilan b = suite.prolonger({tout.data() + fait, fin - fait}, r);
            relues += b.relue;
            lignes += b.nouvelles;
            fait = fin;
        }
        EXPECT_EQ(relues, c.relues);
        EXPECT_EQ(lignes, attendu.lignesJournal);
        EXPECT_EQ(suite.journal().octets(), tout);
        EXPECT_EQ(enTexte(r), enTexte(attendu));
    }
}

TEST(AnalyseProlongee, UneLigneQuiNeSeLitPasLaisseLAnalyseCommeElleEtait) {
    const std::string tout = test::journalDeJours(300, false);
    OptionsAnalyse o;
    o.complements = true;
    const Journal j = Journal::depuisTexte(tout);
    ResultatAnalyse r;
    SuiviAnalyse sansSuivi;
    std::unique_ptr<Comptage> comptes;
    ASSERT_EQ(analyserJournal(j, o, r, sansSuivi, &comptes), IssueAnalyse::terminee);
    const std::string avant = enTexte(r);
    AnalyseProlongee suite(j, o, std::move(comptes), r);
    const std::string bonne = tout.substr(0, tout.find('\n') + 1);
    const std::string fautive = "10.0.0.1 - - [10/Oct/2005:25:00:00 +0200] \"GET\n";
    EXPECT_ANY_THROW(suite.prolonger(bonne + fautive, r));
    EXPECT_EQ(enTexte(r), avant);
    // The journal keeps the lines; the analysis raises that line's error as an Analyse would.
    EXPECT_EQ(suite.journal().octets(), tout + bonne + fautive);
    EXPECT_ANY_THROW(suite.prolonger(bonne, r));
    EXPECT_EQ(enTexte(r), avant);
}

}  // namespace
}  // namespace kestrane
