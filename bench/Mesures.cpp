#include "bench/Mesures.h"

#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/generateur.h"

namespace kestrane {

double chronometrer(const std::function<void()>& f) {
    const auto debut = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

// `avant` runs untimed before each run.
Mesure mesurer(int runs, const std::function<void()>& etape, const std::function<void()>& avant) {
    Mesure m;
    for (int k = 0; k < runs; ++k) {
        if (avant) avant();
        const auto debut = std::chrono::steady_clock::now();
        etape();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - debut;
        m.secondes.push_back(d.count());
    }
    return m;
}

void afficher(const char* nom, const Mesure& m) {
    std::printf("%-42s %10.4f %10.4f %10.4f %10.4f\n", nom, m.premiere(), m.mediane(), m.min(),
                m.max());
    std::fflush(stdout);
}

double mio(double octets) {
    return octets / (1024.0 * 1024.0);
}

// journal-1M.log, journal-250k.log, journal-1234.log
std::string nomJournal(std::size_t lignes) {
    std::string n = "journal-";
    if (lignes >= 1'000'000 && lignes % 1'000'000 == 0) {
        n += std::to_string(lignes / 1'000'000) + "M";
    } else if (lignes >= 1000 && lignes % 1000 == 0) {
        n += std::to_string(lignes / 1000) + "k";
    } else {
        n += std::to_string(lignes);
    }
    return n + ".log";
}

// The journal of `lines` lines for the default seed, generated unless a file of exactly the
// expected size is already there.
std::filesystem::path preparerJournal(std::size_t lignes, const std::filesystem::path& racine) {
    namespace fs = std::filesystem;
    const fs::path dossier = racine / "bench" / "data";
    const fs::path chemin = dossier / nomJournal(lignes);
    fs::create_directories(dossier);

    auto debut = std::chrono::steady_clock::now();
    const uint64_t attendu = tailleJournal(lignes);
    std::error_code ec;
    const auto present = fs::file_size(chemin, ec);
    if (!ec && present == attendu) {
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - debut;
        std::printf("journal: %s (reused: size matches the generator's, checked in %.3f s)\n",
                    chemin.c_str(), d.count());
        return chemin;
    }
    debut = std::chrono::steady_clock::now();
    // Written under another name first, so that an interrupted run leaves no short journal.
    const fs::path provisoire = chemin.string() + ".part";
    ecrireJournal(provisoire.string(), lignes);
    fs::rename(provisoire, chemin);
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - debut;
    std::printf("journal: %s (generated in %.3f s)\n", chemin.c_str(), d.count());
    return chemin;
}

// The machine is shared: the load average tells how far the figures can be trusted.
std::string chargeMachine() {
    std::ifstream f("/proc/loadavg");
    double une = 0, cinq = 0;
    if (!(f >> une >> cinq)) return "unknown";
    char t[64];
    std::snprintf(t, sizeof t, "%.2f (1 min), %.2f (5 min)", une, cinq);
    return t;
}

// Peak resident memory in KiB: the larger of what the kernel reports both ways.
long creteRssKio() {
    long crete = 0;
    rusage u{};
    if (getrusage(RUSAGE_SELF, &u) == 0) crete = u.ru_maxrss;
    std::ifstream statut("/proc/self/status");
    std::string ligne;
    while (std::getline(statut, ligne)) {
        if (ligne.rfind("VmHWM:", 0) == 0) crete = std::max(crete, std::atol(ligne.c_str() + 6));
    }
    return crete;
}

bool lireEntier(std::string_view texte, long& valeur) {
    const char* fin = texte.data() + texte.size();
    const auto [p, ec] = std::from_chars(texte.data(), fin, valeur);
    return ec == std::errc() && p == fin && !texte.empty();
}

bool lireArguments(int argc, char** argv, long& lignes, long& runs) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if ((a == "--runs" || a == "-r") && i + 1 < argc) {
            if (!lireEntier(argv[++i], runs) || runs < 1) return false;
        } else if (!lireEntier(a, lignes) || lignes < 2) {
            return false;
        }
    }
    return true;
}

}  // namespace kestrane
