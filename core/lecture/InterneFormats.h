// What the format modules share and callers never see: the compiled template of a format
// string, the values of one line before they become a record, and the reader's scratch memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/lecture/FormatJournal.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

// How a time field is written.
enum class TypeTemps : uint8_t {
    Quelconque,     // any form convertirDateQuelconque reads
    Journal,        // 10/Oct/2000:13:55:36 -0700
    Secondes,       // epoch, a fraction allowed
    Millisecondes,  // epoch
    Microsecondes,  // epoch
};

// One piece of a template: a literal text, or a field.
struct Element {
    bool litteral = false;
    std::string texte;  // the literal; for a field, its name as the format writes it
    ChampJournal champ = ChampJournal::Autre;
    TypeTemps temps = TypeTemps::Quelconque;
    uint8_t blancs = 0;       // blanks the value holds (a time written with a blank)
    bool guillemets = false;  // between two quotes: read up to the closing quote
    bool nonVide = false;     // Apache writes "-" for what it does not know: never empty
    uint8_t rang = 0;         // of two fields feeding one slot, the lower rank wins
    // A field ended by a one-byte literal read the usual way: how many such field and literal
    // pairs follow one another from here (0 for any other element).
    uint32_t paires = 0;
    // Of those pairs, how many in a row from here hold a field of no slot that may be empty:
    // when such fields are not listed, only their separators are looked for.
    uint32_t pairesAutres = 0;
};

struct Gabarit {
    std::vector<Element> elements;
    // Combined followed by other fields: blank-separated fields, quoted or not, may follow.
    bool suiteLibre = false;
};

struct ArbreJson;

struct FormatJournal::Donnees {
    TypeFormat type = TypeFormat::Defaut;
    std::string libelle;
    // Tried in order on each line (vhost_combined has two forms).
    std::vector<Gabarit> gabarits;
    std::shared_ptr<const ArbreJson> json;
};

inline constexpr std::size_t kNbEmplacements = static_cast<std::size_t>(ChampJournal::Autre);
inline constexpr uint8_t kAbsent = 255;

// The values of one line, one slot per field kind, before they become a record. A slot is set
// by the field of lowest rank; a field written empty holds "-".
struct ValeursLigne {
    std::array<std::string_view, kNbEmplacements> valeur;
    std::array<uint8_t, kNbEmplacements> rang;
    TypeTemps temps = TypeTemps::Quelconque;
    // Whether the fields of no slot go to ChampsEnPlus::autres (LecteurLignes::listerAutres).
    bool listerAutres = false;

    void vider() { rang.fill(kAbsent); }
    bool present(ChampJournal c) const { return rang[static_cast<std::size_t>(c)] != kAbsent; }
    std::string_view operator[](ChampJournal c) const {
        return valeur[static_cast<std::size_t>(c)];
    }
    void poser(ChampJournal c, std::string_view v, uint8_t r) {
        const auto i = static_cast<std::size_t>(c);
        if (r >= rang[i]) return;
        valeur[i] = v.empty() ? std::string_view("-") : v;
        rang[i] = r;
    }
};

// Scratch memory for the texts of one line. What it hands out never moves until the next line:
// when its block is full (never, for blocks sized from the line) it takes another.
class Brouillon {
  public:
    // For a new line of `taille` bytes: what the previous line took is given back.
    void preparer(std::size_t taille);
    char* prendre(std::size_t n);
    std::string_view garder(std::string_view t);
    // The unescaped text when `t` holds a backslash, `t` itself otherwise.
    std::string_view desechapper(std::string_view t);
    // Whether anything was handed out since preparer().
    bool utilise() const;

  private:
    std::unique_ptr<char[]> bloc_;
    std::size_t capacite_ = 0, utilise_ = 0;
    std::vector<std::unique_ptr<char[]>> debordements_;
};

// The record and its extras out of the values; false with the reason when a value does not
// convert (a status that is no integer, a date that is no date).
bool construireEnregistrement(const ValeursLigne& v, Brouillon& b, RLog& r, ChampsEnPlus& plus,
                              std::string* raison);

// Reads `ligne` with a template. `echappements`: quoted fields end at the first unescaped quote
// and are unescaped (every format but the default); otherwise a quoted field ends at the first
// quote followed by the next literal, as the default reading cuts it. `atteint` receives how far
// the line was read, to tell which of several templates came closest.
bool lireGabarit(const Gabarit& g, std::string_view ligne, bool echappements, Brouillon& b,
                 ValeursLigne& v, ChampsEnPlus& plus, std::string* raison, std::size_t& atteint);

// Counts the pairs of each element of a template once its elements are final.
void compterPaires(Gabarit& g);

// The combined format's template (what the default reading cuts, as a format string).
const Gabarit& gabaritCombine();

// The columns of a W3C "#Fields:" line. Their names are views into one copy of the line, made
// without an allocation per column (a file may hold hundreds of such lines of thousands of
// columns): not copyable, those views would point into the original.
struct ColonnesW3C {
    struct Colonne {
        ChampJournal champ;
        uint8_t rang;
        std::string_view nom;  // in `ligne`
    };
    std::string ligne;
    std::vector<Colonne> colonnes;

    ColonnesW3C() = default;
    ColonnesW3C(const ColonnesW3C&) = delete;
    ColonnesW3C& operator=(const ColonnesW3C&) = delete;
};
// Whether `ligne` is a "#Fields:" line; its columns in `c` when it is.
bool lireChampsW3C(std::string_view ligne, ColonnesW3C& c);
bool lireLigneW3C(const ColonnesW3C& c, std::string_view ligne, Brouillon& b, ValeursLigne& v,
                  ChampsEnPlus& plus, std::string* raison);

// JSON lines: the compiled mapping and the reading of one line, with the reader's own state.
std::shared_ptr<const ArbreJson> compilerCorrespondance(const CorrespondanceJson& c);
// Whether a key of the mapping feeds `champ`.
bool nommeChamp(const ArbreJson& arbre, ChampJournal champ);
struct EtatJson;
struct SupprimerEtatJson {
    void operator()(EtatJson* e) const;
};
using PtrEtatJson = std::unique_ptr<EtatJson, SupprimerEtatJson>;
PtrEtatJson creerEtatJson();
bool lireJson(const ArbreJson& arbre, EtatJson& e, std::string_view ligne, Brouillon& b,
              ValeursLigne& v, ChampsEnPlus& plus, std::string* raison);
// Whether the last line read gave a value out of the parser's own memory (a number, a string
// unescaped) rather than a view into the line.
bool valeurHorsLigne(const EtatJson& e);

// `t` without the blanks, tabs and carriage returns at either end.
inline std::string_view rogner(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t' || t.front() == '\r')) {
        t.remove_prefix(1);
    }
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) {
        t.remove_suffix(1);
    }
    return t;
}

// The error of an unusable format string: "Format de journal incorrect : <quoi>".
[[noreturn]] void leverFormatIncorrect(std::string_view quoi);

}  // namespace kestrane
