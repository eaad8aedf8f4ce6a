// The report grids: filled from a table, sorted, searched; and the charts fed from a table.
#pragma once

#include <string_view>

#include "core/analyse/Interfaces.h"
#include "core/analyse/TablesStat.h"

namespace kestrane {

void remplirTableauRapport(std::string_view entete0, std::string_view entete1,
                           const tableauRapportStat& table, GrilleRapport& grille);

enum class ChampTri { libelle, complement, nombre };
// Exchange sort, in place; equal values end up exactly where the exchanges leave them.
// Rewrites rows 1..n of the grid from the table.
void trierTableau(tableauRapportStat& table, GrilleRapport& grille, bool croissant, ChampTri champ);
// Its two halves: the order of the table (the long part), then rows 1..n of the grid from it
// (header and row count untouched).
void ordonnerTableau(tableauRapportStat& table, bool croissant, ChampTri champ);
void recopierLignes(const tableauRapportStat& table, GrilleRapport& grille);
void trierParNombre(tableauRapportStat& table, GrilleRapport& grille, bool croissant);
// Looks for `texte` in column 0 of rows 1..; the last matching row becomes current.
void rechercherTableau(GrilleRapport& grille, std::string_view texte, Etiquette& resultat);

// Charts: every series is cleared, then takes the first `n` entries when the table has at
// least two.
void remplirGraphe(Graphe& graphe, int n, const tableauRapportStat& table);

}  // namespace kestrane
