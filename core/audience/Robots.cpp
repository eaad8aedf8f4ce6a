#include "core/audience/Robots.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/audience/Referents.h"
#include "core/audience/TexteUtf8.h"

namespace kestrane {

namespace {

bool separateur(char c) {
    return c == ' ' || c == ';' || c == '(' || c == ')' || c == ',' || c == '"' || c == '\t';
}

// Whether one of the robots' words, "bot", "crawler" or "spider" with its first letter in either
// case, starts at p, `reste` bytes before the end.
bool motDeRobotA(const char* p, std::size_t reste) {
    const auto suite = [&](std::string_view s) {
        return reste > s.size() && std::memcmp(p + 1, s.data(), s.size()) == 0;
    };
    switch (p[0]) {
        case 'b':
        case 'B':
            return suite("ot");
        case 'c':
        case 'C':
            return suite("rawler");
        case 's':
        case 'S':
            return suite("pider");
        default:
            return false;
    }
}

}  // namespace

// One pass, 16 places at a time by the words' first three bytes: six searches of a long agent
// full of their first letters (a hostile one of 52 KB) compared at each of them.
std::size_t motDeRobot(std::string_view agent) {
    const char* p = agent.data();
    const std::size_t n = agent.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const auto charger = [](const char* q) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    };
    const auto egal = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    // The first letter in lower case: only 'B' and 'b' give 'b' with the 0x20 bit set.
    const __m128i minuscule = _mm_set1_epi8(0x20);
    for (; i + 18 <= n; i += 16) {
        const __m128i a = _mm_or_si128(charger(p + i), minuscule);
        const __m128i b = charger(p + i + 1);
        const __m128i c = charger(p + i + 2);
        const __m128i bot = _mm_and_si128(egal(a, 'b'), _mm_and_si128(egal(b, 'o'), egal(c, 't')));
        const __m128i cra = _mm_and_si128(egal(a, 'c'), _mm_and_si128(egal(b, 'r'), egal(c, 'a')));
        const __m128i spi = _mm_and_si128(egal(a, 's'), _mm_and_si128(egal(b, 'p'), egal(c, 'i')));
        auto places =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(bot, _mm_or_si128(cra, spi))));
        for (; places != 0; places &= places - 1) {
            const std::size_t k = i + static_cast<std::size_t>(__builtin_ctz(places));
            if (motDeRobotA(p + k, n - k)) return k;
        }
    }
#endif
    for (; i + 3 <= n; ++i) {
        if (motDeRobotA(p + i, n - i)) return i;
    }
    return std::string_view::npos;
}

bool robotParSonNom(std::string_view agent, std::string& nom) {
    const std::size_t p = motDeRobot(agent);
    if (p == std::string_view::npos) return false;
    std::size_t debut = p, fin = p;
    while (debut > 0 && !separateur(agent[debut - 1])) --debut;
    while (fin < agent.size() && !separateur(agent[fin])) ++fin;
    std::string_view mot = agent.substr(debut, fin - debut);
    while (!mot.empty() && mot.front() == '+') mot.remove_prefix(1);
    while (!mot.empty() && mot.back() == '+') mot.remove_suffix(1);
    const std::string hote = hoteReferent(mot);
    if (!hote.empty()) {
        nom = hote;
    } else {
        nom = texteUtf8(mot.substr(0, mot.find('/')));
    }
    if (nom.empty()) nom = texteUtf8(mot);
    return true;
}

bool reconnaitreRobot(const ReconnaitreRobot& catalogue, std::string_view agent, std::string& nom) {
    nom.clear();
    if (catalogue && catalogue(agent, nom)) {
        if (nom.empty()) {
            // A robot the catalogue knows but does not name: named by the rule, or by itself.
            if (!robotParSonNom(agent, nom)) nom = texteUtf8(agent);
        } else if (!estUtf8(nom)) {
            nom = texteUtf8(nom);
        }
        return true;
    }
    nom.clear();
    return robotParSonNom(agent, nom);
}

}  // namespace kestrane
