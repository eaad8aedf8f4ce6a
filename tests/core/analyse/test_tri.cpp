#include <gtest/gtest.h>

#include <random>

#include "tests/commun/Doublures.h"
#include "core/analyse/GrillesRapport.h"

using namespace kestrane;
using namespace kestrane::test;

using Paires = std::vector<std::pair<std::string, int64_t>>;

namespace {

tableauRapportStat tableDe(const Paires& p) {
    tableauRapportStat t;
    for (const auto& [l, n] : p) t.push_back({l, "c" + l, n});
    return t;
}

// The exchange sort exactly as users know it, as the reference for ties.
void trierParEchanges(tableauRapportStat& t, bool croissant, ChampTri champ) {
    const auto valeur = [champ](const rapportStat& e) -> std::pair<std::string, int64_t> {
        switch (champ) {
            case ChampTri::libelle:
                return {e.libelle, 0};
            case ChampTri::complement:
                return {e.complement, 0};
            case ChampTri::nombre:
                break;
        }
        return {"", e.nombre};
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        for (std::size_t j = i; j < t.size(); ++j) {
            const auto a = valeur(t[i]), b = valeur(t[j]);
            if (croissant ? b < a : a < b) std::swap(t[i], t[j]);
        }
    }
}

GrilleMemoire grilleDe(const tableauRapportStat& t) {
    GrilleMemoire g;
    remplirTableauRapport("Cl\xE9", "Nombre", t, g);
    return g;
}

Paires lignesDe(const GrilleMemoire& g) {
    Paires p;
    for (std::size_t r = 1; r < g.lignes.size(); ++r) {
        p.emplace_back(g.lignes[r].first, std::stoi(g.lignes[r].second));
    }
    return p;
}

}  // namespace

TEST(Tri, EgalitesSelonLesEchanges) {
    const struct {
        Paires depart;
        bool croissant;
        Paires attendu;
    } cas[] = {
        {{{"P", 3}, {"Q", 1}, {"R", 3}, {"S", 2}}, true, {{"Q", 1}, {"S", 2}, {"R", 3}, {"P", 3}}},
        {{{"P", 3}, {"Q", 1}, {"R", 3}, {"S", 2}}, false, {{"P", 3}, {"R", 3}, {"S", 2}, {"Q", 1}}},
        {{{"P", 2}, {"Q", 2}, {"R", 1}}, true, {{"R", 1}, {"Q", 2}, {"P", 2}}},
    };
    for (const auto& c : cas) {
        tableauRapportStat t = tableDe(c.depart);
        GrilleMemoire g = grilleDe(t);
        trierParNombre(t, g, c.croissant);
        EXPECT_EQ(paires(t), c.attendu);
        EXPECT_EQ(lignesDe(g), c.attendu);
        EXPECT_EQ(g.lignes[0].first, "Cl\xE9");
        EXPECT_EQ(t[0].complement, "c" + c.attendu[0].first);  // whole entries travel
    }
}

TEST(Tri, LibellesParCodeDeCaractere) {
    tableauRapportStat t = tableDe({{"9", 1},
                                    {"alpha", 1},
                                    {"abcd", 1},
                                    {"\xE9t\xE9", 1},
                                    {"10", 1},
                                    {"Zeta", 1},
                                    {"abc", 1},
                                    {"", 1}});
    GrilleMemoire g = grilleDe(t);
    trierTableau(t, g, true, ChampTri::libelle);
    const std::vector<std::string> attendu = {"",    "10",   "9",     "Zeta",
                                              "abc", "abcd", "alpha", "\xE9t\xE9"};
    std::vector<std::string> obtenu;
    for (const auto& e : t) obtenu.push_back(e.libelle);
    EXPECT_EQ(obtenu, attendu);
    trierTableau(t, g, false, ChampTri::libelle);
    EXPECT_EQ(t.front().libelle, "\xE9t\xE9");
    EXPECT_EQ(t.back().libelle, "");
}

TEST(Tri, TableVideEtEnTeteIntacts) {
    tableauRapportStat t;
    GrilleMemoire g = grilleDe(t);
    trierParNombre(t, g, true);
    EXPECT_TRUE(t.empty());
    ASSERT_EQ(g.lignes.size(), 1u);
    EXPECT_EQ(g.lignes[0].second, "Nombre");
}

TEST(Tri, DeuxFoisDansLeMemeSens) {
    tableauRapportStat t = tableDe({{"a", 2}, {"b", 1}, {"c", 2}, {"d", 1}, {"e", 2}, {"f", 3}});
    GrilleMemoire g = grilleDe(t);
    trierParNombre(t, g, false);
    const Paires une = paires(t);
    trierParNombre(t, g, false);
    EXPECT_EQ(paires(t), une);
}

TEST(Tri, MemeOrdreQueLesEchangesSurDesTablesAuHasard) {
    std::mt19937 alea(12345);
    for (int essai = 0; essai < 4000; ++essai) {
        const int n = static_cast<int>(alea() % 24);
        const int valeurs = 1 + static_cast<int>(alea() % 5);
        tableauRapportStat t;
        for (int k = 0; k < n; ++k) {
            const std::string l(1, static_cast<char>('a' + alea() % valeurs));
            t.push_back({l + std::to_string(k), l, static_cast<int32_t>(alea() % valeurs) - 1});
        }
        const bool croissant = alea() % 2;
        const ChampTri champ = essai % 3 == 0 ? ChampTri::complement : ChampTri::nombre;
        tableauRapportStat attendu = t;
        trierParEchanges(attendu, croissant, champ);
        GrilleMemoire g = grilleDe(t);
        trierTableau(t, g, croissant, champ);
        ASSERT_EQ(paires(t), paires(attendu)) << "essai " << essai;
        ASSERT_EQ(lignesDe(g), paires(attendu));
    }
}

TEST(Tri, MemeOrdreQueLesEchangesSurUneGrandeTable) {
    // Many ties over few values, after an earlier sort in the other direction.
    std::mt19937 alea(777);
    tableauRapportStat t;
    for (int k = 0; k < 1500; ++k) {
        t.push_back({"k" + std::to_string(k), "", static_cast<int32_t>(alea() % 7)});
    }
    for (const bool croissant : {false, true, true, false}) {
        tableauRapportStat attendu = t;
        trierParEchanges(attendu, croissant, ChampTri::nombre);
        GrilleMemoire g = grilleDe(t);
        trierParNombre(t, g, croissant);
        ASSERT_EQ(paires(t), paires(attendu));
    }
}

TEST(Recherche, TrouveEtChoisitLaDerniereLigneEgale) {
    tableauRapportStat t = tableDe({{"10.0.0.9", 1},
                                    {"10.0.0.2", 4},
                                    {"10.0.0.3", 2},
                                    {"10.0.0.4", 1},
                                    {"10.0.0.1", 3},
                                    {"10.0.0.5", 5}});
    GrilleMemoire g = grilleDe(t);
    EtiquetteMemoire e;
    rechercherTableau(g, "10.0.0.1", e);
    EXPECT_EQ(g.ligneCourante, 5);
    EXPECT_EQ(e.texte,
              "correspondance trouv\xE9"
              "e !");

    g.lignes[2].first = "10.0.0.1";
    g.choixFaits = 0;
    rechercherTableau(g, "10.0.0.1", e);
    EXPECT_EQ(g.ligneCourante, 5);
    EXPECT_EQ(g.choixFaits, 2);
}

TEST(Recherche, SansCorrespondance) {
    tableauRapportStat t = tableDe({{"10.0.0.1", 42}, {"Linux", 7}, {"", 1}});
    GrilleMemoire g = grilleDe(t);
    g.ligneCourante = 2;
    EtiquetteMemoire e;
    for (const char* texte : {"10.0.0", "linux", "42", "Cl\xE9", "Nombre", "10.0.0.1 "}) {
        e.texte.clear();
        rechercherTableau(g, texte, e);
        EXPECT_EQ(e.texte, "aucune correspondance !") << texte;
        EXPECT_EQ(g.ligneCourante, 2);
    }
    rechercherTableau(g, "", e);  // matches only the empty label
    EXPECT_EQ(g.ligneCourante, 3);
    EXPECT_EQ(e.texte,
              "correspondance trouv\xE9"
              "e !");

    GrilleMemoire vide = grilleDe({});
    rechercherTableau(vide, "", e);
    EXPECT_EQ(e.texte, "aucune correspondance !");
}
