// How the charts write numbers: counts plainly, byte amounts the French way.
#pragma once

#include <QString>

namespace kestrane {

// Counts are whole numbers: written plainly, without grouping or exponent.
QString texteValeur(double v);

// "#,##0.### octets" written the French way: groups of three digits separated by a space, at
// most three decimals after a comma, trailing zeros dropped (1234.5 -> "1 234,5 octets").
QString formaterOctets(double valeur);
// Readable results: base 1024, one decimal ("1,2 Go", "350,0 Ko", "812 octets").
QString formaterOctetsLisibles(double valeur);

// The base-1024 unit in which `maximum` bytes are written, as formaterOctetsLisibles writes it:
// "octets" below 1024, then "Ko", "Mo"... and how many bytes it holds.
struct UniteOctets {
    QString nom;
    double taille;
};
UniteOctets uniteOctets(double maximum);

// Readable results: a pie's slice of the small entries, told apart from an entry named "Autre"
// ("Autres (3 entrées)", "Autres (1 entrée)"; "Autres" for 0, its short name).
QString formaterAutres(int nbRegroupes);

}  // namespace kestrane
