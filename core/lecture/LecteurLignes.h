// Reading journal lines in a format: the record (RLog) and the fields the record has no place
// for, one reader per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/lecture/FormatJournal.h"
#include "core/lecture/ULog.h"

namespace kestrane {

// The fields of a line beyond its record. Texts are "-" when the format or the line has none.
struct ChampsEnPlus {
    // The whole user agent, which the record cuts into browser and system: for the counts that
    // read it whole when the format's reader rewrote it outside the line (escapes, IIS's "+").
    std::string_view agent;
    std::string_view hoteVirtuel = "-";
    int64_t tempsReponse = -1;  // microseconds; -1 when unknown
    int32_t port = -1;          // -1 when unknown
    // Every other field of the format, named as the format names it ("%{X-Forwarded-For}i",
    // "$upstream_addr", "s-ip", a JSON key, "champ 2" after a combined line), in line order;
    // empty unless the reader was asked to list them (LecteurLignes::listerAutres).
    struct Autre {
        std::string_view nom, valeur;
    };
    std::vector<Autre> autres;
};

// What a line is. Only the W3C format has directives (FormatJournal::aDirectives()): there any
// line starting with "#" is one, neither a record nor a skipped line, and a first pass leaves it
// out of both (counted nowhere; "#Fields:" lines change the columns of the lines after them). In
// every other format a line starting with "#" is an ordinary line, which does not conform.
enum class Lecture : uint8_t {
    Requete,      // a request: the record is filled
    Directive,    // a W3C "#" line
    NonConforme,  // the line does not read in the format; the reason says why
};

struct ColonnesW3C;

// Which W3C columns are in force at each line of a journal: the columns of the last "#Fields:"
// line before it. Made once by looking at the first byte of every line; read by both threads.
class DirectivesW3C {
  public:
    // `ligne(i)` gives line i of the journal, for i < nbLignes.
    static std::shared_ptr<const DirectivesW3C> indexer(
        std::size_t nbLignes, const std::function<std::string_view(std::size_t)>& ligne);

    // The columns in force at line `numero`, with the range of lines they hold for; null before
    // the first "#Fields:" line.
    const ColonnesW3C* colonnesA(std::size_t numero, std::size_t& debut, std::size_t& fin) const;
    std::size_t nbChangements() const { return numeros_.size(); }

  private:
    std::vector<std::size_t> numeros_;  // lines holding "#Fields:", increasing
    std::vector<std::shared_ptr<const ColonnesW3C>> colonnes_;
};

// One reader per thread: it owns the scratch memory that the records it makes may point into.
//
// Lifetime of what lire() gives: the texts of the record and of enPlus() are views into the line,
// into the format (field names, constant texts) or into this reader's scratch memory (a text that
// had to be unescaped, converted or joined: a date written otherwise than "10/Oct/2000:13:55:36
// -0700", a request made of its parts, a JSON value). They stay valid until the next lire() on
// this reader or its destruction, and as long as the line's bytes and the format live: a caller
// that keeps a text copies it.
class LecteurLignes {
  public:
    // W3C: without `directives`, the reader learns the columns from the "#Fields:" lines it reads,
    // so lines must then come in journal order from the first one; with them, any line can be
    // read alone (the second stretch, the detail view).
    explicit LecteurLignes(FormatJournal format,
                           std::shared_ptr<const DirectivesW3C> directives = nullptr);
    ~LecteurLignes();
    LecteurLignes(const LecteurLignes&) = delete;
    LecteurLignes& operator=(const LecteurLignes&) = delete;

    // Reads line `numero` of the journal. On NonConforme `r` is incomplete and `raison`, when
    // given, receives why (Windows-1252: "'abc' n'est pas une date correcte", "Ligne
    // incomplète"...); a pass that does not skip such lines raises ErreurKestrane(raison). In
    // every format but the default a client that is no dotted address (IPv6, a name) is kept in
    // `r.adresse`, and a field the format lacks is "-" (0 for the status and the bytes).
    // The default format reads as analyserLigneSouple, for the callers that read every format one
    // way; the first pass keeps calling analyserLigne itself for that format.
    Lecture lire(std::string_view ligne, std::size_t numero, RLog& r,
                 std::string* raison = nullptr);
    const ChampsEnPlus& enPlus() const { return plus_; }
    // Whether lire() lists the format's other fields in enPlus().autres; off by default. The
    // analysis reads none of them (the first pass hands its readers none), and a line of
    // thousands of such fields would write 32 bytes for each: the preview of a format asks.
    void listerAutres(bool oui);
    // The virtual host the last line named before it failed to read, or "-" (a line skipped
    // still tells which site it was sent to). Valid as long as what lire() gives.
    std::string_view hoteLu() const;
    // Whether a text of the last line's record or extras may lie in this reader's scratch memory;
    // when not, each lies in the line, in the format or in constant memory.
    bool texteHorsLigne() const;
    const FormatJournal& format() const { return format_; }

    struct Etat;

  private:
    FormatJournal format_;
    std::shared_ptr<const DirectivesW3C> directives_;
    ChampsEnPlus plus_;
    std::unique_ptr<Etat> etat_;
};

}  // namespace kestrane
