#include "core/journal/Langue.h"

#include <libintl.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "core/journal/Texte.h"

namespace kestrane {

namespace interne {
bool gAnglais = false;
}

namespace {

constexpr const char* kDomaine = "kestrane";
Langue gLangue = Langue::francais;

// The folders that may hold <langue>/LC_MESSAGES/kestrane.mo.
std::vector<std::filesystem::path> dossiersCatalogues() {
    std::vector<std::filesystem::path> d;
    if (const char* v = std::getenv("KESTRANE_CATALOGUES"); v && *v) d.emplace_back(v);
    std::error_code e;
    const auto programme = std::filesystem::read_symlink("/proc/self/exe", e);
    if (!e) {
        const auto ici = programme.parent_path();
        // The program in the build folder, a test one or two folders below it, installed.
        d.push_back(ici / "locale");
        d.push_back(ici.parent_path() / "locale");
        d.push_back(ici.parent_path().parent_path() / "locale");
        d.push_back(ici.parent_path() / "share" / "locale");
    }
    d.emplace_back("/usr/share/locale");
    return d;
}

// Windows-1252 of a UTF-8 text whose characters all have one; nothing otherwise.
std::optional<std::string> en1252(std::string_view utf8) {
    std::string r;
    r.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto o = static_cast<unsigned char>(utf8[i]);
        char32_t c = o;
        std::size_t n = 1;
        if (o >= 0xF0) {
            return std::nullopt;
        } else if (o >= 0xE0 && i + 2 < utf8.size()) {
            c = (o & 0x0Fu) << 12 | (utf8[i + 1] & 0x3Fu) << 6 | (utf8[i + 2] & 0x3Fu);
            n = 3;
        } else if (o >= 0xC0 && i + 1 < utf8.size()) {
            c = (o & 0x1Fu) << 6 | (utf8[i + 1] & 0x3Fu);
            n = 2;
        } else if (o >= 0x80) {
            return std::nullopt;
        }
        int octet = -1;
        for (int b = 0; b < 256 && octet < 0; ++b) {
            if (kTable1252[b] == c) octet = b;
        }
        if (octet < 0) return std::nullopt;
        r += static_cast<char>(octet);
        i += n;
    }
    return r;
}

std::mutex gVerrou;
// Each text's translation in its own encoding, by the address of its French text: made once,
// kept for the program's life (the catalogue's own texts are UTF-8).
std::unordered_map<const char*, std::string>& traductions() {
    static std::unordered_map<const char*, std::string> t;
    return t;
}

}  // namespace

Langue langueDuSysteme(const char* lcAll, const char* lcMessages, const char* lang) {
    const char* v = lcAll && *lcAll ? lcAll : lcMessages && *lcMessages ? lcMessages : lang;
    return v && std::strncmp(v, "en", 2) == 0 &&
                   (v[2] == '\0' || v[2] == '_' || v[2] == '.' || v[2] == '@')
               ? Langue::anglais
               : Langue::francais;
}

Langue langueDuSysteme() {
    return langueDuSysteme(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

std::optional<Langue> langueNommee(std::string_view nom) {
    if (nom == "fr") return Langue::francais;
    if (nom == "en") return Langue::anglais;
    return std::nullopt;
}

bool choisirLangue(Langue langue) {
    std::lock_guard verrou(gVerrou);
    if (langue == Langue::francais) {
        interne::gAnglais = false;
        gLangue = langue;
        return true;
    }
    for (const auto& dossier : dossiersCatalogues()) {
        std::error_code e;
        if (!std::filesystem::is_regular_file(dossier / "en" / "LC_MESSAGES" / "kestrane.mo", e)) {
            continue;
        }
        bindtextdomain(kDomaine, dossier.c_str());
        bind_textdomain_codeset(kDomaine, "UTF-8");
        // The catalogue is read for the messages' locale, by LANGUAGE unless that locale is "C";
        // C.UTF-8 (always there) stands in for it, and setting it again makes gettext forget the
        // translations it kept.
        setenv("LANGUAGE", "en", 1);
        const char* messages = std::setlocale(LC_MESSAGES, nullptr);
        if (!messages || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0) {
            std::setlocale(LC_MESSAGES, "C.UTF-8");
        } else {
            std::setlocale(LC_MESSAGES, std::string(messages).c_str());
        }
        interne::gAnglais = true;
        gLangue = langue;
        return true;
    }
    interne::gAnglais = false;
    gLangue = Langue::francais;
    return false;
}

Langue langueChoisie() {
    return gLangue;
}

const char* interne::traduire(const char* original, bool cp1252) {
    std::lock_guard verrou(gVerrou);
    auto [it, nouveau] = traductions().try_emplace(original);
    if (nouveau) {
        const std::string cle = cp1252 ? utf8Depuis1252(original) : std::string(original);
        const char* t = dgettext(kDomaine, cle.c_str());
        if (t == cle.c_str()) {
            it->second = original;
        } else if (cp1252) {
            it->second = en1252(t).value_or(original);
        } else {
            it->second = t;
        }
    }
    return it->second.c_str();
}

std::string remplir(std::string_view modele, std::initializer_list<std::string_view> valeurs) {
    std::string r;
    auto v = valeurs.begin();
    for (std::size_t i = 0; i < modele.size(); ++i) {
        if (modele[i] == '{' && i + 1 < modele.size() && modele[i + 1] == '}' &&
            v != valeurs.end()) {
            r += *v++;
            ++i;
        } else {
            r += modele[i];
        }
    }
    return r;
}

const char* pluriel(const char* singulier, const char* pluriel, unsigned long long n, bool cp1252) {
    if (!interne::gAnglais) return n <= 1 ? singulier : pluriel;
    std::lock_guard verrou(gVerrou);
    const std::string s = cp1252 ? utf8Depuis1252(singulier) : std::string(singulier);
    const std::string p = cp1252 ? utf8Depuis1252(pluriel) : std::string(pluriel);
    const char* t = dngettext(kDomaine, s.c_str(), p.c_str(), static_cast<unsigned long>(n));
    if (t == s.c_str()) return singulier;
    if (t == p.c_str()) return pluriel;
    if (!cp1252) return t;
    // Both forms of each text kept, by the address of the form asked and the one found.
    auto [it, nouveau] = traductions().try_emplace(t);
    if (nouveau) it->second = en1252(t).value_or(t);
    return it->second.c_str();
}

}  // namespace kestrane
