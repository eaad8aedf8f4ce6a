// The French texts of the Compléments page's figures, shared by its sub-pages.
#pragma once

#include <QLatin1Char>
#include <QString>
#include <cstdint>

#include "core/analyse/Complements.h"

namespace kestrane::complements {

inline QString francais(int64_t n) {
    return QString::fromStdString(nombreFrancais(n));
}
// "requête" or "requêtes" after the number n.
inline QString requetes(int64_t n) {
    return QString::fromUtf8(accord(n, "requ\u00eate", "requ\u00eates"));
}

inline QString enOctets(int64_t n) {
    return QString::fromStdString(octetsFrancais(n));
}
inline QString enPourcent(double p) {
    return QString::fromStdString(pourcentFrancais(p));
}
inline QString dateDuJour(const CompteJour& j) {
    return QStringLiteral("%1/%2/%3")
        .arg(j.jour, 2, 10, QLatin1Char('0'))
        .arg(j.mois, 2, 10, QLatin1Char('0'))
        .arg(j.annee, 4, 10, QLatin1Char('0'));
}

}  // namespace kestrane::complements
