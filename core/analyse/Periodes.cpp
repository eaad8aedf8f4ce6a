#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/analyse/Decomptes.h"
#include "core/analyse/Interne.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Erreur.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/UString.h"

namespace kestrane {

std::string jourDeLigne(const PiecesDate& p) {
    std::string s(p.jour);
    s += '/';
    s += convertirMois(p.abreviation);
    s += '/';
    s += p.annee;
    return s;
}

namespace {

// Reads 1 to `max` decimal digits; false otherwise.
bool lireNombre(std::string_view t, std::size_t max, int& valeur) {
    if (t.empty() || t.size() > max) return false;
    valeur = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        valeur = valeur * 10 + (c - '0');
    }
    return true;
}

}  // namespace

bool essayerJourCalendaire(std::string_view texte, int64_t& jour) {
    const std::size_t b1 = texte.find('/');
    const std::size_t b2 = b1 == std::string_view::npos ? b1 : texte.find('/', b1 + 1);
    int j, m, a;
    if (b2 == std::string_view::npos || !lireNombre(texte.substr(0, b1), 2, j) ||
        !lireNombre(texte.substr(b1 + 1, b2 - b1 - 1), 2, m) ||
        !lireNombre(texte.substr(b2 + 1), 4, a)) {
        return false;
    }
    // A year of one or two digits belongs to this century, as date entry usually reads it.
    if (texte.size() - b2 - 1 <= 2) a += 2000;
    // The requests report has always refused the year 0.
    if (a < 1 || !dateReelle(a, m, j)) return false;
    jour = joursDepuisEpoque(a, m, j);
    return true;
}

int64_t jourCalendaire(std::string_view texte) {
    int64_t jour;
    if (!essayerJourCalendaire(texte, jour)) leverErreurDate(texte);
    return jour;
}

namespace {}  // namespace

bool examinerLigne(const RLog& r, std::string* raison) {
    // The hour as the slices read it (before its first ":") and as the requests report reads it
    // (its first two characters): two digits and a colon, as servers write it, read both ways;
    // anything else is tried.
    const std::string_view hh = r.heure;
    const auto chiffre = [](char c) { return c >= '0' && c <= '9'; };
    if (!(hh.size() >= 3 && hh[2] == ':' && chiffre(hh[0]) && chiffre(hh[1]))) {
        int32_t h;
        std::string_view reste = hh;
        if (!essayerConvertirEntier(extraireChamp(":", reste), h) ||
            !essayerConvertirEntier(copie(hh, 1, 2), h)) {
            if (raison) *raison = texteHeureIncorrecte(citerTexte(hh));
            return false;
        }
    }
    // The day: lines come in runs of one date, whose answer is kept (one per thread).
    struct DerniereDate {
        char octets[16];
        std::size_t taille = SIZE_MAX;
        bool lisible = false;
    };
    thread_local DerniereDate derniere;
    const std::string_view date = r.date;
    if (!raison && date.size() == derniere.taille &&
        memesOctets(date, std::string_view(derniere.octets, derniere.taille))) {
        return derniere.lisible;
    }
    const std::string jour = jourDeLigne(piecesDate(date, hh));
    int64_t numero;
    const bool lisible = essayerJourCalendaire(jour, numero);
    if (date.size() <= sizeof derniere.octets) {
        std::memcpy(derniere.octets, date.data(), date.size());
        derniere.taille = date.size();
        derniere.lisible = lisible;
    }
    if (!lisible && raison) *raison = texteDateIncorrecte(citerTexte(jour));
    return lisible;
}

}  // namespace kestrane
