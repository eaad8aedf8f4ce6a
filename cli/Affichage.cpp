#include "cli/Affichage.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace kestrane {

namespace {

bool defini(const char* variable) {
    const char* v = std::getenv(variable);
    return v != nullptr && *v != '\0';
}

bool wayland() {
    if (defini("WAYLAND_DISPLAY")) return true;
    const char* dossier = std::getenv("XDG_RUNTIME_DIR");
    return dossier != nullptr && *dossier != '\0' &&
           ::access((std::string(dossier) + "/wayland-0").c_str(), F_OK) == 0;
}

}  // namespace

bool affichageDisponible(int argc, const char* const* argv) {
    std::string plateformes;
    bool ecranDonne = false;  // "-display" names the X11 display itself
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-platform") plateformes = argv[i + 1];
        if (a == "-display") ecranDonne = true;
    }
    if (plateformes.empty() && std::getenv("QT_QPA_PLATFORM")) {
        plateformes = std::getenv("QT_QPA_PLATFORM");
    }
    if (plateformes.empty()) return ecranDonne || defini("DISPLAY") || wayland();
    for (std::size_t debut = 0; debut <= plateformes.size();) {
        std::size_t fin = plateformes.find(';', debut);
        if (fin == std::string::npos) fin = plateformes.size();
        // "xcb:option=..." names its options after a colon.
        std::string nom = plateformes.substr(debut, fin - debut);
        nom = nom.substr(0, nom.find(':'));
        if (nom == "xcb") {
            if (ecranDonne || defini("DISPLAY")) return true;
        } else if (nom.rfind("wayland", 0) == 0) {
            if (wayland()) return true;
        } else if (!nom.empty()) {
            return true;
        }
        debut = fin + 1;
    }
    return false;
}

}  // namespace kestrane
