// Helpers shared by the tests of the log core: the worked example line, the texts of the
// program's errors, comparisons of records and the reading of a whole file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "log/Erreur.h"
#include "log/ULog.h"

namespace kestrane::test {

inline constexpr std::string_view kExemple =
    "192.168.1.20 - - [06/Dec/2006:10:15:32 +0100] \"GET /images/logo.gif HTTP/1.1\" 200 2326 "
    "\"-\" \"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)\"";

// Concatenation by appending (a literal on the left of + trips a false GCC 12 warning).
template <typename... T>
std::string cat(const T&... morceaux) {
    std::string s;
    (s.append(morceaux), ...);
    return s;
}

inline constexpr std::string_view kSuffixeEntier = "' n'est pas une valeur enti\xE8re correcte";

// "'<texte>' n'est pas une valeur entière correcte"
inline std::string messageEntier(std::string_view texte) {
    return cat("'", texte, kSuffixeEntier);
}

// The message of the ErreurKestrane raised by `f`; any other exception escapes to the test.
template <typename F>
std::optional<std::string> erreurDe(F&& f) {
    try {
        f();
    } catch (const ErreurKestrane& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

// `texte` with its first `ancien` replaced; a failure when there is none.
inline std::string remplacer(std::string_view texte, std::string_view ancien,
                             std::string_view nouveau) {
    std::string s(texte);
    const std::size_t p = s.find(ancien);
    if (p == std::string::npos) {
        ADD_FAILURE() << "'" << ancien << "' absent";
    } else {
        s.replace(p, ancien.size(), nouveau);
    }
    return s;
}

// Every field that differs, by name; empty when the records are equal.
inline std::string differences(const RLog& a, const RLog& b) {
    std::string d;
    auto entier = [&](std::string_view nom, int64_t x, int64_t y) {
        if (x != y) d += cat(nom, ": ", std::to_string(x), " / ", std::to_string(y), "\n");
    };
    auto texte = [&](std::string_view nom, std::string_view x, std::string_view y) {
        if (x != y) d += cat(nom, ": '", x, "' / '", y, "'\n");
    };
    entier("ip1", a.ip1, b.ip1);
    entier("ip2", a.ip2, b.ip2);
    entier("ip3", a.ip3, b.ip3);
    entier("ip4", a.ip4, b.ip4);
    texte("autre", a.autre, b.autre);
    texte("logname", a.logname, b.logname);
    texte("date", a.date, b.date);
    texte("heure", a.heure, b.heure);
    texte("fuseau", a.fuseau, b.fuseau);
    texte("requete", a.requete, b.requete);
    texte("fichierCharge", a.fichierCharge, b.fichierCharge);
    texte("pagePrecedente", a.pagePrecedente, b.pagePrecedente);
    texte("navigateur", a.navigateur, b.navigateur);
    texte("systeme", a.systeme, b.systeme);
    entier("codeRenvoye", a.codeRenvoye, b.codeRenvoye);
    entier("chargement", a.chargement, b.chargement);
    return d;
}

// The whole content of a file, byte for byte.
inline std::string lireFichier(const std::filesystem::path& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace kestrane::test
