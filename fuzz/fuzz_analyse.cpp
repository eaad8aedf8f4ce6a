// The Analyse command's computations on small journals: the first pass with its counts and the
// statistics pass (on two halves past the lowered threshold) against the separate tallies, and
// these against plain linear counts; the hourly slices of every width; the sort against the
// exchange sort itself; the search. The same with the non-conforming lines skipped: the kept
// lines against the rules, the skipped ones against the builds that could not read them.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/GrillesRapport.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"
#include "core/lecture/UString.h"
#include "fuzz/Regles.h"

using namespace kestrane;

namespace {

void exiger(bool condition) {
    if (!condition) std::abort();
}

bool memes(const tableauRapportStat& a, const tableauRapportStat& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].libelle != b[k].libelle || a[k].complement != b[k].complement ||
            a[k].nombre != b[k].nombre) {
            return false;
        }
    }
    return true;
}

// A table and the error that ended its tally, if any.
struct Issue {
    tableauRapportStat table;
    std::optional<std::string> erreur;
};

Issue tally(const std::function<void(tableauRapportStat&)>& f) {
    Issue i;
    try {
        f(i.table);
    } catch (const ErreurKestrane& e) {
        i.erreur = e.message();
    }
    return i;
}

// Linear counts, as the tallies are described: the key compared with every entry.
tableauRapportStat compteLineaire(const Journal& j,
                                  const std::function<std::string(const RLog&)>& cle,
                                  const std::function<int64_t(const RLog&)>& apport) {
    tableauRapportStat t;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) {
        const RLog r = analyserLigne(j.ligne(i));
        const std::string k = cle(r);
        bool vu = false;
        for (auto& e : t) {
            if (e.libelle == k) {
                e.nombre += apport(r);
                vu = true;
            }
        }
        if (!vu) t.push_back({k, {}, apport(r)});
    }
    return t;
}

class Grille : public GrilleRapport {
  public:
    std::vector<std::string> c0, c1;
    int courante = -1;
    int nbLignes() const override { return static_cast<int>(c0.size()); }
    void changerNbLignes(int n) override {
        c0.resize(static_cast<std::size_t>(n));
        c1.resize(static_cast<std::size_t>(n));
    }
    std::string cellule(int c, int l) const override {
        return (c == 0 ? c0 : c1)[static_cast<std::size_t>(l)];
    }
    void ecrireCellule(int c, int l, std::string_view t) override {
        (c == 0 ? c0 : c1)[static_cast<std::size_t>(l)] = t;
    }
    void choisirLigne(int l) override { courante = l; }
};

class Texte : public Etiquette {
  public:
    std::string texte;
    void ecrireTexte(std::string_view t) override { texte = t; }
};

// The exchange sort itself.
void trierParEchanges(tableauRapportStat& t, bool croissant, ChampTri champ) {
    const auto inferieur = [&](const rapportStat& a, const rapportStat& b) {
        switch (champ) {
            case ChampTri::libelle:
                return a.libelle < b.libelle;
            case ChampTri::complement:
                return a.complement < b.complement;
            case ChampTri::nombre:
                break;
        }
        return a.nombre < b.nombre;
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        for (std::size_t j = i; j < t.size(); ++j) {
            if (croissant ? inferieur(t[j], t[i]) : inferieur(t[i], t[j])) std::swap(t[i], t[j]);
        }
    }
}

void verifierTri(const tableauRapportStat& table) {
    for (const ChampTri champ : {ChampTri::nombre, ChampTri::libelle, ChampTri::complement}) {
        for (const bool croissant : {true, false}) {
            tableauRapportStat a = table, b = table;
            Grille g;
            remplirTableauRapport("a", "b", a, g);
            trierTableau(a, g, croissant, champ);
            trierParEchanges(b, croissant, champ);
            exiger(memes(a, b));
            for (std::size_t k = 0; k < a.size(); ++k) {
                exiger(g.c0[k + 1] == a[k].libelle && g.c1[k + 1] == ecrireEntier(a[k].nombre));
            }
            // The search: the last row equal to the text becomes current.
            for (std::size_t k = 0; k < a.size() && k < 4; ++k) {
                Texte resultat;
                g.courante = -1;
                rechercherTableau(g, a[k].libelle, resultat);
                int derniere = -1;
                for (std::size_t l = 0; l < a.size(); ++l) {
                    if (a[l].libelle == a[k].libelle) derniere = static_cast<int>(l) + 1;
                }
                exiger(g.courante == derniere && resultat.texte ==
                                                     "correspondance trouv\xE9"
                                                     "e !");
            }
        }
    }
}

// Whether every build of the tables reads the hour and the day of a line that parses: the slices,
// and the requests of one day and of a period.
bool lisibleParLesTables(const std::string& ligne) {
    const Journal un = Journal::depuisTexte(ligne);
    try {
        tableauRapportStat t;
        compterTranchesHoraires(un, 1, t);
        compterRequetes(un, kPeriodeJournee, "01/01/2000", "", t);
        compterRequetes(un, kPeriodePeriode, "01/01/2000", "02/01/2000", t);
    } catch (const ErreurKestrane&) {
        return false;
    }
    return true;
}

// The analysis that skips the lines that do not conform.
void verifierSouple(const Journal& j, int largeur) {
    TableauLog t;
    ComptesJournal comptes;
    try {
        t.memoriser(j, {}, &comptes, examinerLigne);
    } catch (const ErreurKestrane&) {
        std::abort();  // no line ends the run
    }
    std::vector<std::size_t> gardees, ignorees;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) {
        const std::string ligne(j.ligne(i));
        const regles::Analyse a = regles::analyserSouple(ligne);
        bool gardee = !a.erreur;
        if (gardee) {
            // The line with a dotted address in front: the same hour and day, parsed as before.
            std::string reste = ligne;
            if (!a.ligne.adresse.empty()) {
                const std::size_t blanc = ligne.find(' ');
                reste = "0.0.0.0 " + (blanc == std::string::npos ? "" : ligne.substr(blanc + 1));
            }
            gardee = lisibleParLesTables(reste);
        }
        (gardee ? gardees : ignorees).push_back(i);
        if (!gardee) continue;
        const RLog r = t[gardees.size() - 1];
        exiger(t.numeroLigne(gardees.size() - 1) == i);
        exiger(r.adresse == (a.ligne.adresse.empty() ? std::string_view() : a.ligne.adresse));
        exiger(r.requete == a.ligne.requete && r.date == a.ligne.date && r.heure == a.ligne.heure &&
               r.chargement == a.ligne.chargement && r.systeme == a.ligne.systeme);
    }
    exiger(t.taille() == gardees.size() && t.nbIgnorees() == ignorees.size());
    const auto& liste = t.premieresIgnorees();
    exiger(liste.size() == std::min(ignorees.size(), kLignesIgnoreesListees));
    for (std::size_t k = 0; k < liste.size(); ++k) {
        exiger(liste[k].numero == ignorees[k] && !liste[k].raison.empty());
    }

    // The statistics pass over the kept lines, with the first pass's counts and without, against
    // the separate tallies over the same lines and a linear count of the clients' texts.
    const std::vector<Issue> separees = {
        tally([&](auto& s) { compterAdressesIP(t, s); }),
        tally([&](auto& s) { compterSystemes(t, s); }),
        tally([&](auto& s) { compterNavigateurs(t, s); }),
        tally([&](auto& s) { compterProvenances(t, s); }),
        tally([&](auto& s) { compterFichiers(t, s); }),
        tally([&](auto& s) { compterOctets(t, s); }),
        tally([&](auto& s) { compterTranchesHoraires(t, largeur, s); }),
    };
    tableauRapportStat lineaire;
    for (std::size_t k = 0; k < t.taille(); ++k) {
        const std::string cle = adresseIP(t[k]);
        bool vu = false;
        for (auto& e : lineaire) {
            if (e.libelle == cle) {
                ++e.nombre;
                vu = true;
            }
        }
        if (!vu) lineaire.push_back({cle, {}, 1});
    }
    exiger(!separees[0].erreur && memes(separees[0].table, lineaire));
    for (const bool premierePasse : {true, false}) {
        ComptesJournal* c = premierePasse ? &comptes : nullptr;
        std::optional<std::string> erreur;
        TablesAnalyse s;
        try {
            calculerTables(t, largeur, s, c);
        } catch (const ErreurKestrane& e) {
            erreur = e.message();
        }
        tableauRapportStat* tables[] = {&s.statIP,        &s.statOS,      &s.statNav,
                                        &s.statPrecedent, &s.statFichier, &s.statTaux,
                                        &s.statHoraires};
        std::size_t k = 0;
        while (k < separees.size() && !separees[k].erreur) ++k;
        exiger(erreur == (k < separees.size() ? separees[k].erreur : std::nullopt));
        for (std::size_t e = 0; e < k && e < separees.size(); ++e) {
            exiger(memes(*tables[e], separees[e].table));
        }
        if (!erreur) {
            exiger(s.statVMensuelles.size() == 1 &&
                   s.statVMensuelles[0].nombre == static_cast<int64_t>(t.taille()));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    // One input in four on both cores, with the thresholds lowered.
    kSeuilDeuxFilsLignes = taille > 0 && donnees[0] % 4 == 0 ? 8 : SIZE_MAX;
    kSeuilDeuxFilsOctets = kSeuilDeuxFilsLignes == 8 ? 256 : SIZE_MAX;
    if (taille > 1 << 16) return 0;
    const Journal j =
        Journal::depuisTexte(std::string(reinterpret_cast<const char*>(donnees), taille));
    const int largeur = 1 + static_cast<int>(taille % 6);
    verifierSouple(j, largeur);

    // The separate tallies, in the order of the statistics pass.
    const std::vector<Issue> separees = {
        tally([&](auto& t) { compterAdressesIP(j, t); }),
        tally([&](auto& t) { compterSystemes(j, t); }),
        tally([&](auto& t) { compterNavigateurs(j, t); }),
        tally([&](auto& t) { compterProvenances(j, t); }),
        tally([&](auto& t) { compterFichiers(j, t); }),
        tally([&](auto& t) { compterOctets(j, t); }),
        tally([&](auto& t) { compterTranchesHoraires(j, largeur, t); }),
    };

    // The statistics pass, with the first pass's counts and without: the tables of the steps
    // before the first error are the tallies', the later ones untouched.
    for (const bool premierePasse : {true, false}) {
        TablesAnalyse s;
        tableauRapportStat* tables[] = {&s.statIP,        &s.statOS,      &s.statNav,
                                        &s.statPrecedent, &s.statFichier, &s.statTaux,
                                        &s.statHoraires};
        for (auto* t : tables) *t = {{"t\xE9moin", "", 1}};
        ComptesJournal comptes;
        if (premierePasse) {
            try {
                TableauLog().memoriser(j, {}, &comptes);
            } catch (const ErreurKestrane&) {
            }
        }
        std::optional<std::string> erreur;
        int etapes = 0;
        try {
            calculerTables(j, largeur, s, premierePasse ? &comptes : nullptr,
                           [&](int e) { exiger(e == ++etapes); });
        } catch (const ErreurKestrane& e) {
            erreur = e.message();
        }
        std::size_t k = 0;
        while (k < separees.size() && !separees[k].erreur) ++k;
        exiger(erreur == (k < separees.size() ? separees[k].erreur : std::nullopt));
        for (std::size_t e = 0; e < separees.size(); ++e) {
            if (e <= k && e < separees.size()) {
                exiger(memes(*tables[e], separees[e].table));
            } else {
                exiger(tables[e]->size() == 1 && tables[e]->front().libelle == "t\xE9moin");
            }
        }
        exiger(etapes == (k < separees.size() ? static_cast<int>(k) : 8));
    }
    if (separees[0].erreur) return 0;  // the journal does not parse: nothing more to count

    // The tallies against linear counts.
    const auto ip = [](const RLog& r) { return adresseIP(r); };
    const auto un = [](const RLog&) { return int64_t{1}; };
    exiger(memes(separees[0].table, compteLineaire(j, ip, un)));
    exiger(
        memes(separees[1].table, compteLineaire(
                                     j, [](const RLog& r) { return std::string(r.systeme); }, un)));
    exiger(memes(separees[3].table,
                 compteLineaire(
                     j, [](const RLog& r) { return std::string(r.pagePrecedente); }, un)));
    if (!separees[5].erreur) {
        exiger(memes(separees[5].table,
                     compteLineaire(j, ip, [](const RLog& r) { return r.chargement; })));
    }
    // The same hours give the same slices whatever the width asked before.
    if (!separees[6].erreur) {
        for (int w = 1; w <= 6; ++w) {
            tableauRapportStat t;
            compterTranchesHoraires(j, w, t);
            exiger(!t.empty() && t[0].libelle.empty());
        }
    }
    for (const Issue& i : separees) {
        if (!i.erreur && i.table.size() <= 64) verifierTri(i.table);
    }
    return 0;
}
