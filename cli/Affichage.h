// Whether the window can be shown at all, decided before Qt starts: without a display, Qt aborts
// the process (status 134) with a message of its own.
#pragma once

#include "cli/MessagesCommande.h"

namespace kestrane {

// Whether Qt's platform has something to show on: the one named by "-platform" or
// QT_QPA_PLATFORM (any of a ';' list), otherwise X11 or Wayland as Qt picks them. X11 needs
// DISPLAY, Wayland WAYLAND_DISPLAY (or its usual socket); the others (offscreen, vnc...) are taken
// at their word.
bool affichageDisponible(int argc, const char* const* argv);

// What the program says then, on standard error, before it exits with status 1: kSansAffichage
// (cli/MessagesCommande.h).

}  // namespace kestrane
