// Pieces shared by the tallies and the one-pass statistics computation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stats/UFonctionsKestrane.h"

namespace kestrane {

// Characters from position `debut` (from 1), at most `nombre` of them; empty past the end.
inline std::string_view copie(std::string_view s, std::size_t debut, std::size_t nombre) {
    if (debut < 1 || debut > s.size()) return s.substr(s.size(), 0);
    return s.substr(debut - 1, nombre);
}

// The pieces of a line that the requests report reads.
struct PiecesDate {
    std::string_view jour;       // characters 1-2 of the date
    std::string_view moisTexte;  // the date from character 4: Mon/yyyy
    std::string_view abreviation;
    std::string_view annee;  // characters 8-11
    std::string_view heure;  // characters 1-2 of the time
};

inline PiecesDate piecesDate(std::string_view date, std::string_view heure) {
    PiecesDate p;
    p.jour = copie(date, 1, 2);
    p.moisTexte = copie(date, 4, std::string_view::npos);
    p.abreviation = copie(p.moisTexte, 1, 3);
    p.annee = copie(date, 8, 4);
    p.heure = copie(heure, 1, 2);
    return p;
}

// The line's day as dd/mm/yyyy text.
std::string jourDeLigne(const PiecesDate& p);

// Day number of a dd/mm/yyyy text; raises "'%s' n'est pas une date correcte" when the text is
// not a day of the calendar.
int64_t jourCalendaire(std::string_view texte);

// The hour of a time text: the part before its first ":", converted.
int32_t heureDeLigne(std::string_view heure);

// Every entry divided by the number of days (integer division); nothing when there are none.
void diviserParJours(tableauRapportStat& table, std::size_t nbJours);

}  // namespace kestrane
