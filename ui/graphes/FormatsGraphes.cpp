#include "ui/graphes/FormatsGraphes.h"

#include <cmath>
#include <iterator>

#include "core/analyse/Lisibles.h"

namespace kestrane {

QString texteValeur(double v) {
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15) {
        return QString::number(static_cast<qint64>(v));
    }
    return QString::number(v, 'g', 15);
}

QString formaterOctetsLisibles(double valeur) {
    if (!std::isfinite(valeur) || std::fabs(valeur) >= 9e18) return formaterOctets(valeur);
    return QString::fromLatin1(texteNombre(std::llround(valeur), FormatNombre::octets));
}

UniteOctets uniteOctets(double maximum) {
    static const char* const kUnites[] = {"octets", "Ko", "Mo", "Go", "To", "Po", "Eo"};
    std::size_t u = 0;
    double taille = 1;
    // A value that rounds to 1024,0 of a unit is written 1,0 of the next one.
    while (u + 1 < std::size(kUnites) && std::fabs(maximum) / taille >= 1023.95) {
        taille *= 1024;
        ++u;
    }
    return {QString::fromLatin1(kUnites[u]), taille};
}

QString formaterAutres(int nbRegroupes) {
    if (nbRegroupes <= 0) return QStringLiteral("Autres");
    return nbRegroupes > 1 ? QStringLiteral("Autres (%1 entrées)").arg(nbRegroupes)
                           : QStringLiteral("Autres (%1 entrée)").arg(nbRegroupes);
}

QString formaterOctets(double valeur) {
    if (!std::isfinite(valeur)) return QString::number(valeur) + QStringLiteral(" octets");
    const double absolue = std::fabs(valeur);
    QString chiffres;
    int milliemes = 0;
    if (absolue < 9e15) {
        const long long total = std::llround(absolue * 1000.0);
        chiffres = QString::number(total / 1000);
        milliemes = static_cast<int>(total % 1000);
    } else {
        chiffres = QString::number(absolue, 'f', 0);
    }
    QString texte;
    if (valeur < 0 && (chiffres != QLatin1String("0") || milliemes != 0)) texte += QLatin1Char('-');
    for (qsizetype i = 0; i < chiffres.size(); ++i) {
        if (i > 0 && (chiffres.size() - i) % 3 == 0) texte += QLatin1Char(' ');
        texte += chiffres[i];
    }
    if (milliemes != 0) {
        QString decimales = QStringLiteral("%1").arg(milliemes, 3, 10, QLatin1Char('0'));
        while (decimales.endsWith(QLatin1Char('0'))) decimales.chop(1);
        texte += QLatin1Char(',') + decimales;
    }
    return texte + QStringLiteral(" octets");
}

}  // namespace kestrane
