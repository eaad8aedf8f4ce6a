// Colours that stay readable whatever the system's palette (light, dark, high contrast): a colour
// chosen for its meaning (an error's red) moved towards light or dark until it stands out from
// the background it is drawn on, and the text for a background the window fixes itself.
#pragma once

#include <QColor>

namespace kestrane {

// The contrast of two colours as WCAG 2 measures it, from 1 (the same) to 21 (black on white).
double contraste(const QColor& a, const QColor& b);

// `voulue`, or the nearest colour of the same hue whose contrast with `fond` is at least
// `minimum` (4.5: what body text needs); black or white when no shade of it reaches it.
QColor couleurLisible(const QColor& voulue, const QColor& fond, double minimum = 4.5);

// Black or white, whichever stands out more on `fond`.
QColor texteSur(const QColor& fond);

}  // namespace kestrane
