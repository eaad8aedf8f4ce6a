// generer_journal <lines> <output path> [seed [days]]: writes a synthetic combined-format journal
// (over 30 days unless told).
#include <charconv>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string_view>

#include "bench/generateur.h"

namespace {

bool lireEntier(std::string_view texte, uint64_t& valeur) {
    const char* fin = texte.data() + texte.size();
    const auto [p, ec] = std::from_chars(texte.data(), fin, valeur);
    return ec == std::errc() && p == fin && !texte.empty();
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t lignes = 0;
    uint64_t graine = kestrane::kGraineParDefaut, jours = kestrane::kJoursParDefaut;
    if (argc < 3 || argc > 5 || !lireEntier(argv[1], lignes) ||
        (argc >= 4 && !lireEntier(argv[3], graine)) ||
        (argc == 5 && (!lireEntier(argv[4], jours) || jours == 0 || jours > 100000))) {
        std::fprintf(stderr, "usage: %s <lines> <output path> [seed [days]]\n", argv[0]);
        return 2;
    }
    try {
        const auto debut = std::chrono::steady_clock::now();
        const uint64_t taille =
            kestrane::ecrireJournal(argv[2], lignes, graine, static_cast<int>(jours));
        const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
        std::printf(
            "%llu lines, %llu bytes (%.1f bytes/line), seed %llu, written to %s in %.3f s\n",
            static_cast<unsigned long long>(lignes), static_cast<unsigned long long>(taille),
            lignes ? static_cast<double>(taille) / static_cast<double>(lignes) : 0.0,
            static_cast<unsigned long long>(graine), argv[2], duree.count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "generer_journal: %s\n", e.what());
        return 1;
    }
    return 0;
}
