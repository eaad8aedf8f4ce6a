// Whether the window can be shown at all, decided before Qt starts: without a display, Qt aborts
// the process (status 134) with a message of its own.
#pragma once

namespace kestrane {

// Whether Qt's platform has something to show on: the one named by "-platform" or
// QT_QPA_PLATFORM (any of a ';' list), otherwise X11 or Wayland as Qt picks them. X11 needs
// DISPLAY, Wayland WAYLAND_DISPLAY (or its usual socket); the others (offscreen, vnc...) are taken
// at their word.
bool affichageDisponible(int argc, const char* const* argv);

// What the program says then, on standard error, before it exits with status 1.
inline constexpr const char* kSansAffichage =
    "kestrane : aucun affichage disponible ; sans fen\u00eatre : kestrane --rapport FICHIER.html "
    "journal... (kestrane --help pour l'aide)\n";

}  // namespace kestrane
