// Helpers shared by the tests of the log core: the worked example line, its record and its detail
// text, the texts of the program's errors, comparisons of records and the reading of a whole file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/lecture/ULog.h"
#include "tests/commun/ChienDeGarde.h"

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

// The record of the worked example, written out by hand.
inline RLog recordExemple() {
    RLog r;
    r.ip1 = 192;
    r.ip2 = 168;
    r.ip3 = 1;
    r.ip4 = 20;
    r.autre = "-";
    r.logname = "-";
    r.date = "06/Dec/2006";
    r.heure = "10:15:32";
    r.fuseau = "+0100";
    r.requete = "GET /images/logo.gif HTTP/1.1";
    r.fichierCharge = "/images/logo.gif";
    r.pagePrecedente = "-";
    r.navigateur = "Mozilla/4.0 ";
    r.systeme = "Windows XP";
    r.codeRenvoye = 200;
    r.chargement = 2326;
    return r;
}

// The values shown by the detail text, as texts.
struct ValeursDetail {
    std::string ip, autre, logname, date, heure, fuseau, requete, code, chargement, page,
        navigateur, systeme;
};

// The detail text written out line by line: each label padded to its column.
inline std::string detailAttendu(const ValeursDetail& v) {
    const auto etiquette = [](std::string_view mots, std::size_t blancs) {
        std::string e(mots);
        e.append(blancs, ' ');
        e += ": ";
        return e;
    };
    const std::vector<std::string> lignes = {
        etiquette("Adresse IP", 6) + v.ip,
        "",
        etiquette("Autre", 11) + v.autre,
        etiquette("Logname", 9) + v.logname,
        etiquette("Date", 12) + v.date,
        etiquette("Heure", 11) + v.heure,
        cat(etiquette("Fuseau", 10), "GMT ", v.fuseau),
        etiquette("Requ\xEAte", 9) + v.requete,
        etiquette("Code renvoy\xE9", 4) + v.code,
        etiquette("Chargement", 6) + v.chargement + " octets",
        etiquette("Page pr\xE9"
                  "c\xE9"
                  "dente",
                  1) +
            v.page,
        etiquette("Navigateur/Robot", 0) + v.navigateur,
        cat("Syst\xE8me d'exploitation : ", v.systeme),
    };
    std::string s;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        if (i > 0) s += "\r\n";
        s += lignes[i];
    }
    return s;
}

inline ValeursDetail valeursExemple() {
    return {"192.168.1.20",
            "-",
            "-",
            "06/Dec/2006",
            "10:15:32",
            "+0100",
            "GET /images/logo.gif HTTP/1.1",
            "200",
            "2326",
            "-",
            "Mozilla/4.0 ",
            "Windows XP"};
}

// A fresh folder in the system's temporary folder, removed with what it holds.
struct DossierTemporaire {
    DossierTemporaire() {
        std::string modele = (std::filesystem::temp_directory_path() / "kestrane-XXXXXX").string();
        if (::mkdtemp(modele.data()) == nullptr) ADD_FAILURE() << "mkdtemp";
        chemin = modele;
    }
    ~DossierTemporaire() {
        std::error_code ec;
        std::filesystem::remove_all(chemin, ec);
    }
    DossierTemporaire(const DossierTemporaire&) = delete;
    DossierTemporaire& operator=(const DossierTemporaire&) = delete;
    std::string fichier(std::string_view nom) const { return (chemin / nom).string(); }
    // Writes the file (replacing it) and returns its path.
    std::string ecrire(std::string_view nom, std::string_view octets) const {
        std::ofstream(fichier(nom), std::ios::binary)
            .write(octets.data(), static_cast<std::streamsize>(octets.size()));
        return fichier(nom);
    }
    std::filesystem::path chemin;
};

// The whole content of a file, byte for byte.
inline std::string lireFichier(const std::filesystem::path& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace kestrane::test
