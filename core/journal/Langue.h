// The language of every text the program shows: French, its own, or English through the
// catalogue "kestrane" (gettext, one catalogue for the core, the command line and the window).
// In French nothing is looked up: the texts are the program's own, byte for byte.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace kestrane {

enum class Langue { francais, anglais };

// The system's language as the locale variables tell it (LC_ALL, then LC_MESSAGES, then LANG):
// English for "en..." ("en_GB.UTF-8"), French for every other language and for none.
Langue langueDuSysteme();
Langue langueDuSysteme(const char* lcAll, const char* lcMessages, const char* lang);
// "fr" and "en" (as --langue takes them); nothing for any other name.
std::optional<Langue> langueNommee(std::string_view nom);

// Chooses the language of the texts from now on. English needs its catalogue, looked for in
// $KESTRANE_CATALOGUES, then beside the program (locale/ in the build, ../share/locale once
// installed); without it the texts stay French and this answers false.
bool choisirLangue(Langue langue);
Langue langueChoisie();

namespace interne {
extern bool gAnglais;  // written only by choisirLangue, before the texts are read
const char* traduire(const char* original, bool cp1252);
}  // namespace interne

// A text of the program in French, translated when it is read in another language. It stands
// where its French text stood: as a view or a std::string, joined to one (c_str() where a
// `const char*` is asked). Windows-1252
// (the core's texts) unless made with `utf8` (the command line's and the window's).
class Texte {
  public:
    constexpr explicit Texte(const char* francais, bool cp1252 = true)
        : francais_(francais), cp1252_(cp1252) {}
    const char* c_str() const {
        return interne::gAnglais ? interne::traduire(francais_, cp1252_) : francais_;
    }
    operator std::string_view() const { return c_str(); }
    operator std::string() const { return c_str(); }
    std::size_t size() const { return std::string_view(c_str()).size(); }
    const char* francais() const { return francais_; }

  private:
    const char* francais_;
    bool cp1252_;
};

// A text of the command line or the window, in UTF-8.
constexpr Texte TexteU(const char* francais) {
    return Texte(francais, false);
}

inline std::ostream& operator<<(std::ostream& o, const Texte& t) {
    return o << t.c_str();
}
inline bool operator==(std::string_view a, const Texte& b) {
    return a == b.c_str();
}
inline std::string operator+(const std::string& a, const Texte& b) {
    return a + b.c_str();
}
inline std::string operator+(std::string&& a, const Texte& b) {
    return std::move(a) + b.c_str();
}
inline std::string operator+(const Texte& a, const std::string& b) {
    return a.c_str() + b;
}
inline std::string operator+(const Texte& a, std::string&& b) {
    return std::move(b.insert(0, a.c_str()));
}
inline std::string operator+(const Texte& a, const char* b) {
    return std::string(a.c_str()) + b;
}
inline std::string operator+(const char* a, const Texte& b) {
    return std::string(a) + b.c_str();
}
inline std::string operator+(char a, const Texte& b) {
    return a + std::string(b.c_str());
}
inline std::string operator+(const Texte& a, char b) {
    return std::string(a.c_str()) + b;
}

// The decimal mark and the thousands separator of the language: "2,5" and "1 234" in French,
// "2.5" and "1,234" in English.
inline char virguleDecimale() {
    return interne::gAnglais ? '.' : ',';
}
inline char separateurMilliers() {
    return interne::gAnglais ? ',' : ' ';
}

// The text with each "{}" replaced by the next value, in order: a sentence that quotes something
// stays one text to translate, the quotation where the language puts it.
std::string remplir(std::string_view modele, std::initializer_list<std::string_view> valeurs);

// One of two forms by the number: in French the singular for 0 and 1, in English by the
// catalogue's plural rule. Both forms in the text's encoding (`cp1252` as for Texte).
const char* pluriel(const char* singulier, const char* pluriel, unsigned long long n,
                    bool cp1252 = true);

}  // namespace kestrane
