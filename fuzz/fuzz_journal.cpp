// The journal's line index against the rule of line breaks (CR LF, lone LF and lone CR end a
// line; an empty line after the last break is none), given as text and read from a file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"
#include "core/journal/Memoire.h"

using namespace kestrane;

namespace {

void exiger(bool condition) {
    if (!condition) std::abort();
}

struct Decoupe {
    std::vector<std::string> lignes;
    bool finitParSaut = false;
};

Decoupe decouper(const std::string& t) {
    Decoupe d;
    std::string courante;
    bool ouverte = false;  // a line has begun since the last break
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r' || t[i] == '\n') {
            d.lignes.push_back(courante);
            courante.clear();
            ouverte = false;
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
        } else {
            courante += t[i];
            ouverte = true;
        }
    }
    if (ouverte) d.lignes.push_back(courante);
    d.finitParSaut = !t.empty() && !ouverte;
    return d;
}

void verifier(const Journal& j, const Decoupe& d, const std::string& texte) {
    exiger(j.octets() == texte);
    exiger(j.nbLignes() == d.lignes.size());
    exiger(j.finitParSautDeLigne() == d.finitParSaut);
    for (std::size_t i = 0; i < d.lignes.size(); ++i) exiger(j.ligne(i) == d.lignes[i]);
    std::string ecrit, attendu;
    j.ecrireCRLF([&](std::string_view morceau) { ecrit.append(morceau); });
    for (std::size_t i = 0; i < d.lignes.size(); ++i) {
        attendu += d.lignes[i];
        if (i + 1 < d.lignes.size() || d.finitParSaut) attendu += "\r\n";
    }
    exiger(ecrit == attendu);
}

// A file in memory, named through the process's file table: no disk touched per input.
const std::string& fichierEnMemoire(int& fd) {
    static int f = ::memfd_create("journal", 0);
    static const std::string chemin = "/proc/self/fd/" + std::to_string(f);
    fd = f;
    return chemin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    // One input in four on both cores, with the thresholds lowered.
    kSeuilDeuxFilsOctets = donnees && taille > 0 && donnees[0] % 4 == 0 ? 256 : SIZE_MAX;
    kSeuilDeuxFilsLignes = kSeuilDeuxFilsOctets == 256 ? 8 : SIZE_MAX;
    const std::string texte(reinterpret_cast<const char*>(donnees), taille);
    const Decoupe d = decouper(texte);
    exiger(compterLignes(texte) == d.lignes.size());
    verifier(Journal::depuisTexte(texte), d, texte);

    // Read from a file: the copy made at load (in two halves past the lowered threshold).
    int fd = -1;
    const std::string& chemin = fichierEnMemoire(fd);
    exiger(fd >= 0 && ::ftruncate(fd, 0) == 0);
    exiger(::pwrite(fd, texte.data(), texte.size(), 0) == static_cast<ssize_t>(texte.size()));
    if (estGzip(texte)) {
        // A compressed file loads as what it decompresses to, or fails as its decompression does.
        bool decompresse = false;
        try {
            const Decompresse z = decompresserGzip(texte, chemin);
            decompresse = true;
            const std::string clair(z.bloc->donnees(), z.taille);
            verifier(Journal::charger(chemin), decouper(clair), clair);
        } catch (const ErreurFichier&) {
            exiger(!decompresse);
            bool echec = false;
            try {
                Journal::charger(chemin);
            } catch (const ErreurFichier&) {
                echec = true;
            }
            exiger(echec);
        }
        return 0;
    }
    verifier(Journal::charger(chemin), d, texte);
    return 0;
}
