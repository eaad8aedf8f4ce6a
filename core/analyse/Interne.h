// Pieces shared by the tallies and the one-pass statistics computation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/analyse/TablesStat.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/ULog.h"

namespace kestrane {

// The key of each table, chosen here once for the separate tallies and for the counts of the
// first pass, which must build exactly the same tables.

// The address tables (lines and bytes per client) are keyed by the four numbers.
inline CleIP cleAdresse(const RLog& r) {
    return CleIP{{r.ip1, r.ip2, r.ip3, r.ip4}};
}

// The text tables, in the order of the statistics pass.
enum TableTexte : std::size_t {
    kTableSystemes,
    kTableNavigateurs,
    kTableProvenances,
    kTableFichiers,
    kNbTablesTextes
};

inline std::string_view cleSysteme(const RLog& r) {
    return r.systeme;
}
inline std::string_view cleNavigateur(const RLog& r) {
    return r.navigateur;
}
inline std::string_view cleProvenance(const RLog& r) {
    return r.pagePrecedente;
}
inline std::string_view cleFichier(const RLog& r) {
    return r.fichierCharge;
}

using ChoixCle = std::string_view (*)(const RLog&);

inline constexpr ChoixCle kClesTextes[kNbTablesTextes] = {cleSysteme, cleNavigateur, cleProvenance,
                                                          cleFichier};

// The key of text table `t`: a direct call, inlined in the counting loops.
template <std::size_t t>
std::string_view cleTexte(const RLog& r) {
    constexpr ChoixCle choix = kClesTextes[t];
    return choix(r);
}

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
// The same without raising: false when the text is not a day of the calendar.
bool essayerJourCalendaire(std::string_view texte, int64_t& jour);

// The hour of a time text: the part before its first ":", converted.
int32_t heureDeLigne(std::string_view heure);

// Every entry divided by the number of days (integer division); nothing when there are none.
void diviserParJours(tableauRapportStat& table, std::size_t nbJours);

}  // namespace kestrane
