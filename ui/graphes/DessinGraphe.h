// What the parts of the chart engine (GrapheQt*.cpp) share to draw: the palette, the marks'
// texts and font. Internal to ui/graphes.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <iterator>

#include "ui/graphes/FormatsGraphes.h"
#include "ui/graphes/GrapheQt.h"

namespace kestrane::dessin {

// One colour per point, in point order; white is left out, the backgrounds fade to it.
inline constexpr QRgb kPalette[] = {0xFF0000, 0x008000, 0xFFFF00, 0x0000FF, 0xFF8000, 0x808080,
                                    0xFF00FF, 0x008080, 0x000080, 0x800000, 0x00FF00, 0x808000,
                                    0x800080, 0xC0C0C0, 0x00FFFF, 0x804000};

inline constexpr int kNbCouleurs = static_cast<int>(std::size(kPalette));

inline QColor couleurPalette(int k) {
    return QColor(kPalette[((k % kNbCouleurs) + kNbCouleurs) % kNbCouleurs]);
}

inline QString texteMarque(const ModeleSerie& m, double v) {
    return m.formatMarque != nullptr ? m.formatMarque(v) : texteValeur(v);
}

inline QFont policeMarques(const ModeleSerie& m, bool petit = false) {
    QFont police;
    police.setPointSize(petit ? 7 : 8);
    police.setItalic(true);
    police.setBold(m.marquesGras);
    return police;
}

}  // namespace kestrane::dessin
