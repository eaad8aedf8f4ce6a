// Sort and search of report tables.
//
// The order is that of an exchange sort: for i from the first entry, for j from i to the last,
// entries i and j are exchanged when they stand in the wrong order. Equal values are never
// exchanged with each other, but they travel with the exchanges of others, and where they end
// is part of what users see (the report grids, the charts fed after a sort). Run as written the
// sort costs n^2 comparisons, far too slow for the tables of a real log (a hundred thousand
// distinct files is common), so the same order is computed here in O(n log n + n sqrt n):
//
// - Ascending, the entries of one value v end in the order that the sort gives them when run on
//   the entries of value <= v alone: an entry greater than v is never a record of a pass that
//   moves a v, so it neither moves a v nor changes which one moves.
// - Within that subsequence v is the greatest value, and a v moves only when it stands first in
//   the part still to sort: it then jumps behind the run of v that follows it, onto the first
//   smaller entry. Reading the subsequence from left to right, the v seen so far form a run that
//   turns by one step for each smaller entry met after it; the run as it stands at the end is the
//   order of the v.
// Descending is the same on the reversed ranks. Tests check this against the exchange sort
// itself on many small tables.
#include "core/analyse/GrillesRapport.h"

#include <algorithm>
#include <numeric>

#include "core/journal/Messages.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

// Dense ranks of the entries on one field: equal values share a rank.
std::vector<uint32_t> rangs(const tableauRapportStat& table, ChampTri champ) {
    const std::size_t n = table.size();
    std::vector<uint32_t> ordre(n);
    std::iota(ordre.begin(), ordre.end(), 0u);
    const auto inferieur = [&](uint32_t a, uint32_t b) {
        switch (champ) {
            case ChampTri::libelle:
                return table[a].libelle < table[b].libelle;
            case ChampTri::complement:
                return table[a].complement < table[b].complement;
            case ChampTri::nombre:
                break;
        }
        return table[a].nombre < table[b].nombre;
    };
    std::sort(ordre.begin(), ordre.end(), inferieur);
    std::vector<uint32_t> rang(n);
    uint32_t r = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && inferieur(ordre[k - 1], ordre[k])) ++r;
        rang[ordre[k]] = r;
    }
    return rang;
}

// Counts the marked positions below a position.
class Fenwick {
  public:
    explicit Fenwick(std::size_t n) : arbre_(n + 1, 0) {}
    void marquer(std::size_t pos) {
        for (std::size_t i = pos + 1; i < arbre_.size(); i += i & (~i + 1)) ++arbre_[i];
    }
    // Marked positions in [0, pos).
    uint32_t avant(std::size_t pos) const {
        uint32_t s = 0;
        for (std::size_t i = pos; i > 0; i -= i & (~i + 1)) s += arbre_[i];
        return s;
    }

  private:
    std::vector<uint32_t> arbre_;
};

// The permutation that the exchange sort applies, ascending on `rang`: entry ordre[k] ends at k.
std::vector<uint32_t> ordreDuTriParEchanges(const std::vector<uint32_t>& rang) {
    const std::size_t n = rang.size();
    uint32_t nbRangs = 0;
    for (const uint32_t r : rang) nbRangs = std::max(nbRangs, r + 1);
    // Positions of each rank, in increasing position.
    std::vector<uint32_t> debutRang(nbRangs + 1, 0);
    for (const uint32_t r : rang) ++debutRang[r + 1];
    std::partial_sum(debutRang.begin(), debutRang.end(), debutRang.begin());
    std::vector<uint32_t> positions(n);
    {
        std::vector<uint32_t> rempli(debutRang.begin(), debutRang.end() - 1);
        for (std::size_t p = 0; p < n; ++p) positions[rempli[rang[p]]++] = static_cast<uint32_t>(p);
    }

    std::vector<uint32_t> ordre;
    ordre.reserve(n);
    Fenwick plusPetits(n);
    std::vector<uint32_t> suivant, precedent;
    for (uint32_t v = 0; v < nbRangs; ++v) {
        const uint32_t* p = positions.data() + debutRang[v];
        const std::size_t c = debutRang[v + 1] - debutRang[v];
        // The run of v, as a ring read from `tete`.
        suivant.resize(c);
        precedent.resize(c);
        std::size_t tete = 0;
        for (std::size_t j = 0; j < c; ++j) {
            if (j == 0) {
                suivant[0] = precedent[0] = 0;
            } else {
                const uint32_t queue = precedent[tete];
                suivant[queue] = static_cast<uint32_t>(j);
                precedent[j] = queue;
                suivant[j] = static_cast<uint32_t>(tete);
                precedent[tete] = static_cast<uint32_t>(j);
            }
            const std::size_t fin = j + 1 < c ? p[j + 1] : n;
            const uint32_t entre = plusPetits.avant(fin) - plusPetits.avant(p[j] + 1);
            for (std::size_t pas = entre % (j + 1); pas > 0; --pas) tete = suivant[tete];
        }
        for (std::size_t j = 0, k = tete; j < c; ++j, k = suivant[k]) ordre.push_back(p[k]);
        for (std::size_t j = 0; j < c; ++j) plusPetits.marquer(p[j]);
    }
    return ordre;
}

}  // namespace

void ordonnerTableau(tableauRapportStat& table, bool croissant, ChampTri champ) {
    std::vector<uint32_t> rang = rangs(table, champ);
    if (!croissant && !rang.empty()) {
        const uint32_t haut = *std::max_element(rang.begin(), rang.end());
        for (auto& r : rang) r = haut - r;
    }
    const std::vector<uint32_t> ordre = ordreDuTriParEchanges(rang);
    tableauRapportStat trie;
    trie.reserve(table.size());
    for (const uint32_t k : ordre) trie.push_back(std::move(table[k]));
    table = std::move(trie);
}

void recopierLignes(const tableauRapportStat& table, GrilleRapport& grille) {
    std::string nombre;
    for (std::size_t k = 0; k < table.size(); ++k) {
        const int ligne = static_cast<int>(k) + 1;
        grille.ecrireCellule(0, ligne, table[k].libelle);
        nombre.clear();
        ajouterEntier(nombre, table[k].nombre);
        grille.ecrireCellule(1, ligne, nombre);
    }
}

void trierTableau(tableauRapportStat& table, GrilleRapport& grille, bool croissant,
                  ChampTri champ) {
    ordonnerTableau(table, croissant, champ);
    recopierLignes(table, grille);
}

void trierParNombre(tableauRapportStat& table, GrilleRapport& grille, bool croissant) {
    trierTableau(table, grille, croissant, ChampTri::nombre);
}

void rechercherTableau(GrilleRapport& grille, std::string_view texte, Etiquette& resultat) {
    bool trouve = false;
    const int n = grille.nbLignes();
    for (int ligne = 1; ligne < n; ++ligne) {
        if (grille.cellule(0, ligne) == texte) {
            grille.choisirLigne(ligne);
            trouve = true;
        }
    }
    resultat.ecrireTexte(trouve ? kCorrespondanceTrouvee : kAucuneCorrespondance);
}

void remplirTableauRapport(std::string_view entete0, std::string_view entete1,
                           const tableauRapportStat& table, GrilleRapport& grille) {
    grille.changerNbLignes(static_cast<int>(table.size()) + 1);
    grille.ecrireCellule(0, 0, entete0);
    grille.ecrireCellule(1, 0, entete1);
    recopierLignes(table, grille);
}

void remplirGraphe(Graphe& graphe, int n, const tableauRapportStat& table) {
    const std::size_t points =
        table.size() >= 2 && n > 0 ? std::min(table.size(), static_cast<std::size_t>(n)) : 0;
    for (int s = 0; s < graphe.nbSeries(); ++s) {
        graphe.viderSerie(s);
        for (std::size_t k = 0; k < points; ++k) {
            graphe.ajouterPoint(s, static_cast<double>(table[k].nombre), table[k].libelle);
        }
    }
}

}  // namespace kestrane
