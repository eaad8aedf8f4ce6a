// How readable tables write their numbers (units, tenths, the average day) and are ordered.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/analyse/Lisibles.h"
#include "core/journal/Langue.h"

namespace kestrane {

namespace {

void ajouterDecimal(std::string& s, uint64_t v) {
    char chiffres[24];
    int n = 0;
    do {
        chiffres[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) s += chiffres[--n];
}

std::string texteDecimal(int64_t v) {
    std::string s;
    if (v < 0) s += '-';
    ajouterDecimal(s, v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v));
    return s;
}

// "q,r" from tenths.
std::string texteDixiemes(uint64_t dixiemes) {
    std::string s;
    ajouterDecimal(s, dixiemes / 10);
    s += virguleDecimale();
    s += static_cast<char>('0' + dixiemes % 10);
    return s;
}

}  // namespace

void ordonnerParFrequence(tableauRapportStat& table) {
    const auto decroissant = [](const rapportStat& a, const rapportStat& b) {
        return a.nombre > b.nombre;
    };
    if (std::is_sorted(table.begin(), table.end(), decroissant)) return;
    const std::size_t n = table.size();
    if (n >= UINT32_MAX) {
        std::stable_sort(table.begin(), table.end(), decroissant);
        return;
    }
    // The entries' new places found first, then each entry moved once: a sort that moves the
    // entries themselves (two texts each) costs several times more on tables of many thousands.
    // A radix sort of the counts, stable, 8 bits at a time: the digits every count shares (the
    // high ones, for counts of lines) are skipped.
    std::vector<uint64_t> cles(n), autresCles(n);
    std::vector<uint32_t> ordre(n), autreOrdre(n);
    for (std::size_t k = 0; k < n; ++k) {
        // Decreasing signed counts as increasing unsigned keys.
        cles[k] = ~(static_cast<uint64_t>(table[k].nombre) ^ (uint64_t{1} << 63));
        ordre[k] = static_cast<uint32_t>(k);
    }
    for (unsigned decalage = 0; decalage < 64; decalage += 8) {
        std::array<std::size_t, 257> debut{};
        for (const uint64_t c : cles) ++debut[((c >> decalage) & 255) + 1];
        if (std::find(debut.begin(), debut.end(), n) != debut.end()) continue;
        for (std::size_t d = 1; d < debut.size(); ++d) debut[d] += debut[d - 1];
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t p = debut[(cles[k] >> decalage) & 255]++;
            autresCles[p] = cles[k];
            autreOrdre[p] = ordre[k];
        }
        cles.swap(autresCles);
        ordre.swap(autreOrdre);
    }
    tableauRapportStat triee;
    triee.reserve(n);
    for (const uint32_t k : ordre) triee.push_back(std::move(table[k]));
    table = std::move(triee);
}

tableauRapportStat journeeMoyenne(const HeuresDuJournal& heures, int largeur) {
    largeur = std::clamp(largeur, 1, 6);
    tableauRapportStat table;
    for (int debut = 0; debut < 24; debut += largeur) {
        const int fin = std::min(24, debut + largeur);
        int64_t lignes = 0;
        for (int h = debut; h < fin; ++h) lignes += heures.lignes[static_cast<std::size_t>(h)];
        rapportStat e;
        e.libelle = texteTranche(debut, fin);
        if (heures.jours > 0) {
            // Tenths of the mean, rounded half up.
            const auto jours = static_cast<int64_t>(heures.jours);
            e.nombre = (lignes * 20 + jours) / (2 * jours);
        }
        table.push_back(std::move(e));
    }
    return table;
}

std::string texteNombre(int64_t nombre, FormatNombre format) {
    switch (format) {
        case FormatNombre::entier:
            return texteDecimal(nombre);
        case FormatNombre::dixiemes:
            if (nombre < 0) {
                std::string s(1, '-');
                return s += texteDixiemes(0 - static_cast<uint64_t>(nombre));
            }
            return texteDixiemes(static_cast<uint64_t>(nombre));
        case FormatNombre::octets: {
            if (nombre < 0) return texteDecimal(nombre);
            if (nombre < 1024)
                return texteDecimal(nombre) + (nombre < 2 ? kUniteOctet : kUniteOctets);
            __extension__ using Large = unsigned __int128;
            const Large octets = static_cast<uint64_t>(nombre);
            Large diviseur = 1024;
            std::size_t u = 0;
            // Tenths of the unit, rounded; a value that rounds to 1024,0 is the next unit's 1,0.
            for (;;) {
                const Large dixiemes = (octets * 20 + diviseur) / (2 * diviseur);
                if (dixiemes < 10240 || u + 1 == std::size(kUnitesOctets)) {
                    return texteDixiemes(static_cast<uint64_t>(dixiemes)) + " " + kUnitesOctets[u];
                }
                diviseur *= 1024;
                ++u;
            }
        }
    }
    return {};
}

void ecrireNombres(const tableauRapportStat& table, GrilleRapport& grille, FormatNombre format) {
    if (format == FormatNombre::entier) return;
    const int n = std::min(static_cast<int>(table.size()), grille.nbLignes() - 1);
    for (int k = 0; k < n; ++k) {
        grille.ecrireCellule(1, k + 1,
                             texteNombre(table[static_cast<std::size_t>(k)].nombre, format));
    }
}

void remplirGrapheLisible(Graphe& graphe, int n, const tableauRapportStat& table,
                          FormatNombre format) {
    if (format != FormatNombre::dixiemes) return remplirGraphe(graphe, n, table);
    // remplirGraphe's points, their values in units.
    const std::size_t points =
        table.size() >= 2 && n > 0 ? std::min(table.size(), static_cast<std::size_t>(n)) : 0;
    for (int s = 0; s < graphe.nbSeries(); ++s) {
        graphe.viderSerie(s);
        for (std::size_t k = 0; k < points; ++k) {
            graphe.ajouterPoint(s, static_cast<double>(table[k].nombre) / 10.0, table[k].libelle);
        }
    }
}

FormatNombre formatStatTaux(bool lisibles) {
    return lisibles ? FormatNombre::octets : FormatNombre::entier;
}

FormatNombre formatStatHoraires(bool lisibles) {
    return lisibles ? FormatNombre::dixiemes : FormatNombre::entier;
}

}  // namespace kestrane
