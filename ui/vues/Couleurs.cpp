#include "ui/vues/Couleurs.h"

#include <algorithm>
#include <cmath>

namespace kestrane {

namespace {

double luminance(const QColor& c) {
    const auto canal = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * canal(c.redF()) + 0.7152 * canal(c.greenF()) + 0.0722 * canal(c.blueF());
}

}  // namespace

double contraste(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor texteSur(const QColor& fond) {
    const QColor noir(Qt::black), blanc(Qt::white);
    return contraste(noir, fond) >= contraste(blanc, fond) ? noir : blanc;
}

QColor couleurLisible(const QColor& voulue, const QColor& fond, double minimum) {
    if (contraste(voulue, fond) >= minimum) return voulue;
    // Towards white on a dark background, towards black on a light one, by steps of lightness.
    const bool eclaircir = luminance(fond) < 0.18;
    const QColor hsl = voulue.toHsl();
    for (int pas = 1; pas <= 20; ++pas) {
        const double l = eclaircir ? hsl.lightnessF() + (1 - hsl.lightnessF()) * pas / 20.0
                                   : hsl.lightnessF() * (1 - pas / 20.0);
        const QColor c = QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), l).toRgb();
        if (contraste(c, fond) >= minimum) return c;
    }
    return texteSur(fond);
}

}  // namespace kestrane
