#include "core/lecture/Dates.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/journal/Calendrier.h"

namespace kestrane {

namespace {

bool chiffre(char c) {
    return c >= '0' && c <= '9';
}

void deuxChiffres(char* p, int64_t v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
}

bool heureCorrecte(int64_t h, int64_t m, int64_t s) {
    return h >= 0 && h <= 23 && m >= 0 && m <= 59 && s >= 0 && s <= 59;
}

// The digits read may be -1 (not digits), which no real date holds.
bool jourCorrect(int64_t a, int64_t m, int64_t j) {
    return a >= 0 &&
           dateReelle(static_cast<int32_t>(a), static_cast<int32_t>(m), static_cast<int32_t>(j));
}

// "hh:mm:ss" at t[debut]; false unless it is a correct time.
bool heureA(std::string_view t, std::size_t debut, int64_t& h, int64_t& m, int64_t& s) {
    int64_t secondes;
    if (debut > t.size() || !lireHeure(t.substr(debut, 8), secondes)) return false;
    h = secondes / 3600;
    m = secondes / 60 % 60;
    s = secondes % 60;
    return true;
}

// Drops ".123" or ",123" at t[i...]; returns the position after it.
std::size_t sauterFraction(std::string_view t, std::size_t i) {
    if (i < t.size() && (t[i] == '.' || t[i] == ',') && i + 1 < t.size() && chiffre(t[i + 1])) {
        ++i;
        while (i < t.size() && chiffre(t[i])) ++i;
    }
    return i;
}

void ecrireJour(int64_t a, int64_t m, int64_t j, DateTexte& d) {
    deuxChiffres(d.jour, j);
    d.jour[2] = '/';
    std::memcpy(d.jour + 3, abreviationMois(static_cast<int>(m)).data(), 3);
    d.jour[6] = '/';
    deuxChiffres(d.jour + 7, a / 100);
    deuxChiffres(d.jour + 9, a % 100);
}

void ecrireHeure(int64_t h, int64_t m, int64_t s, DateTexte& d) {
    deuxChiffres(d.heure, h);
    d.heure[2] = ':';
    deuxChiffres(d.heure + 3, m);
    d.heure[5] = ':';
    deuxChiffres(d.heure + 6, s);
}

bool ecrireZone(int32_t minutes, DateTexte& d) {
    const int32_t z = minutes < 0 ? -minutes : minutes;
    if (z >= 100 * 60) return false;
    d.fuseau[0] = minutes < 0 ? '-' : '+';
    deuxChiffres(d.fuseau + 1, z / 60);
    deuxChiffres(d.fuseau + 3, z % 60);
    return true;
}

// The days of the years 0 to 9999, which a record's date writes in four digits.
constexpr int64_t kPremierJour = joursDepuisEpoque(0, 1, 1);
constexpr int64_t kDernierJour = joursDepuisEpoque(9999, 12, 31);

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian).
void dateCivile(int64_t jour, int64_t& a, int64_t& m, int64_t& j) {
    // Lines come in runs of one day: the last answer is kept (one per thread).
    thread_local int64_t dernierJour = INT64_MIN;
    thread_local int32_t derA = 0, derM = 0, derJ = 0;
    if (jour != dernierJour) {
        dateDuJour(jour, derA, derM, derJ);
        dernierJour = jour;
    }
    a = derA;
    m = derM;
    j = derJ;
}

}  // namespace

bool ecrireDate(int64_t jour, int64_t secondeDuJour, int32_t minutesZone, DateTexte& d) {
    // Outside the years 0 to 9999 (an epoch time of 20 digits), before any conversion.
    if (jour < kPremierJour || jour > kDernierJour || secondeDuJour < 0 ||
        secondeDuJour >= kSecondesParJour) {
        return false;
    }
    int64_t a, m, j;
    dateCivile(jour, a, m, j);
    ecrireJour(a, m, j, d);
    ecrireHeure(secondeDuJour / 3600, secondeDuJour / 60 % 60, secondeDuJour % 60, d);
    return ecrireZone(minutesZone, d);
}

bool couperDateJournal(std::string_view t, std::string_view& date, std::string_view& heure,
                       std::string_view& fuseau) {
    // dd/Mon/yyyy:hh:mm:ss +zzzz
    if (t.size() != 26 || t[2] != '/' || t[6] != '/' || t[11] != ':' || t[20] != ' ') return false;
    const int m = moisAbrege(t.substr(3, 3));
    const int64_t a = lireChiffres(t, 7, 4), j = lireChiffres(t, 0, 2);
    int64_t h, mi, s;
    if (m == 0 || !jourCorrect(a, m, j) || !heureA(t, 12, h, mi, s)) return false;
    if ((t[21] != '+' && t[21] != '-') || lireChiffres(t, 22, 4) < 0) return false;
    date = t.substr(0, 11);
    heure = t.substr(12, 8);
    fuseau = t.substr(21, 5);
    return true;
}

bool convertirIso8601(std::string_view t, DateTexte& d) {
    if (t.size() < 16 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != ' ')) {
        return false;
    }
    const int64_t a = lireChiffres(t, 0, 4), m = lireChiffres(t, 5, 2), j = lireChiffres(t, 8, 2);
    if (!jourCorrect(a, m, j)) return false;
    int64_t h = lireChiffres(t, 11, 2), mi = -1, s = 0;
    if (t[13] != ':') return false;
    mi = lireChiffres(t, 14, 2);
    std::size_t i = 16;
    if (i < t.size() && t[i] == ':') {
        s = lireChiffres(t, 17, 2);
        i = sauterFraction(t, 19);
    }
    if (!heureCorrecte(h, mi, s)) return false;
    int32_t zone = 0;
    if (i < t.size()) {
        if (t[i] == 'Z' && i + 1 == t.size()) {
            zone = 0;
        } else if (t[i] == '+' || t[i] == '-') {
            const std::string_view z = t.substr(i + 1);
            int64_t zh = lireChiffres(z, 0, 2), zm = 0;
            if (z.size() == 5 && z[2] == ':') {
                zm = lireChiffres(z, 3, 2);
            } else if (z.size() == 4) {
                zm = lireChiffres(z, 2, 2);
            } else if (z.size() != 2) {
                return false;
            }
            if (zh < 0 || zm < 0 || zm > 59) return false;
            zone = static_cast<int32_t>(zh * 60 + zm) * (t[i] == '-' ? -1 : 1);
        } else {
            return false;
        }
    }
    ecrireJour(a, m, j, d);
    ecrireHeure(h, mi, s, d);
    return ecrireZone(zone, d);
}

bool convertirEpoque(std::string_view t, int64_t parSeconde, DateTexte& d) {
    std::size_t i = 0;
    int64_t unites = 0;
    while (i < t.size() && chiffre(t[i])) {
        // Beyond 64 bits no year under 10000 is left, whatever the unit.
        if (__builtin_mul_overflow(unites, 10, &unites) ||
            __builtin_add_overflow(unites, t[i] - '0', &unites)) {
            return false;
        }
        ++i;
    }
    if (i == 0) return false;
    if (i < t.size()) {
        if (t[i] != '.') return false;
        ++i;
        if (i == t.size()) return false;
        for (; i < t.size(); ++i) {
            if (!chiffre(t[i])) return false;
        }
    }
    const int64_t secondes = unites / parSeconde;
    return ecrireDate(secondes / kSecondesParJour, secondes % kSecondesParJour, 0, d);
}

bool convertirDateW3C(std::string_view date, std::string_view heure, DateTexte& d) {
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    const int64_t a = lireChiffres(date, 0, 4), m = lireChiffres(date, 5, 2),
                  j = lireChiffres(date, 8, 2);
    int64_t h, mi, s;
    if (!jourCorrect(a, m, j) || !heureA(heure, 0, h, mi, s)) return false;
    if (sauterFraction(heure, 8) != heure.size()) return false;
    ecrireJour(a, m, j, d);
    ecrireHeure(h, mi, s, d);
    return ecrireZone(0, d);
}

bool convertirDateQuelconque(std::string_view t, DateTexte& d) {
    std::string_view date, heure, fuseau;
    if (couperDateJournal(t, date, heure, fuseau)) {
        std::memcpy(d.jour, date.data(), sizeof d.jour);
        std::memcpy(d.heure, heure.data(), sizeof d.heure);
        std::memcpy(d.fuseau, fuseau.data(), sizeof d.fuseau);
        return true;
    }
    if (t.size() >= 16 && t[4] == '-') return convertirIso8601(t, d);
    // An epoch time; its unit told by the digits before any fraction (today: 10 in seconds).
    std::size_t n = 0;
    while (n < t.size() && chiffre(t[n])) ++n;
    if (n < t.size() && (t[n] == 'e' || t[n] == 'E' ||
                         (t[n] == '.' && t.find_first_of("eE") != std::string_view::npos))) {
        // A JSON number with an exponent: seconds.
        const std::string copie(t);
        char* fin = nullptr;
        const double v = std::strtod(copie.c_str(), &fin);
        if (fin != copie.c_str() + copie.size() || !(v >= 0 && v < 253402300800.0)) return false;
        const auto s = static_cast<int64_t>(std::floor(v));
        return ecrireDate(s / kSecondesParJour, s % kSecondesParJour, 0, d);
    }
    const int64_t parSeconde = n <= 11 ? 1 : n <= 14 ? 1000 : n <= 17 ? 1000000 : 1000000000;
    return convertirEpoque(t, parSeconde, d);
}

}  // namespace kestrane
