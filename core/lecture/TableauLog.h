// The records of an analysis, made by a first pass over the journal that hands each record to a
// reader as it is parsed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/journal/Journal.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"

namespace kestrane {

// Reads the records of a first pass while they are parsed. A long journal is parsed in two
// stretches at once, one per core: lire(0, ...) receives the lines of the first stretch and
// lire(1, ...) those of the second, each stretch in journal order, from two threads.
class LecteurEnregistrements {
  public:
    virtual ~LecteurEnregistrements() = default;
    // Before any line: the journal, the number of stretches (1 or 2), and whether the lines that
    // do not conform are skipped (they are then never read).
    virtual void commencer(const Journal& journal, int nbTranches, bool souple) = 0;
    virtual void lire(int tranche, const RLog& r) = 0;
    // The same with the fields beyond the record, in a format other than the default (the
    // virtual host's text lives as long as the records); by default only the record is read.
    virtual void lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& /*plus*/) {
        lire(tranche, r);
    }
    // After the last line, only when every line parsed.
    virtual void terminer() = 0;
    // For a stream counted block by block on two cores: the records of stretch 1 follow those of
    // stretch 0, which takes them in; stretch 1 then starts again empty. A reader that cannot
    // cannot be handed a stream.
    virtual void replier() { throw std::logic_error("lecteur sans repli"); }
    // For counts merged with those of the lines that follow (Comptage::fusionner): stretch
    // `tranche` of `autre`, a reader of the same kind over the same journal, becomes this
    // reader's stretch 1 (which a fold left empty), to be folded in by replier() next.
    virtual void adopter(LecteurEnregistrements& /*autre*/, int /*tranche*/) {
        throw std::logic_error("lecteur sans adoption");
    }
    // For a stream: the bytes of the block whose lines come next; a record's texts lie within
    // them until the next block.
    virtual void bloc(std::string_view /*octets*/) {}
    // Whether the reader reads the browser and the system cut from the agent; false: it may be
    // handed records whose `navigateur` is the whole agent and `systeme` empty (CoupeAgent).
    virtual bool litNavigateurEtSysteme() const { return true; }
};

// The entries of the statistics' tables that a line was counted under, numbered per stretch, for
// a reader that comes after the statistics in the same series and keeps its own data per entry
// instead of looking the line's texts up again. A number names one key of its stretch until the
// stretch is emptied (a stream's stretch 1 at each fold starts again from 0); stretch 0 keeps its
// numbers, the keys folded in from stretch 1 coming after them.
struct ClesLigne {
    static constexpr uint32_t kSansCle = UINT32_MAX;
    // A client that is no dotted address (text n) is kAdresseTexte | n; dotted address n is n.
    static constexpr uint32_t kAdresseTexte = 0x80000000u;
    uint32_t adresse = kSansCle;
    // Entries of the tables of systems, browsers, referrers and loaded files.
    uint32_t systeme = kSansCle, navigateur = kSansCle, provenance = kSansCle, fichier = kSansCle;
    // The whole agent's, when the statistics count whole agents.
    uint32_t agent = kSansCle;
};

// The slot of entry `cle` in a reader's table kept by the statistics' entries, the table grown
// (its new slots `vide`) to hold it.
inline uint32_t& caseParCle(std::vector<uint32_t>& table, uint32_t cle,
                            uint32_t vide = ClesLigne::kSansCle) {
    if (cle >= table.size()) table.resize(std::max<std::size_t>(cle + 1, table.size() * 2), vide);
    return table[cle];
}

// Where a reader finds the entries of the line it is handed (all kSansCle when the line was not
// counted).
class SourceClesLigne {
  public:
    virtual const ClesLigne& clesLigne(int tranche) const = 0;
    // The whole agent counted under agent entry `agent` of stretch `tranche`, and its hash
    // (hacher()), for a reader that would otherwise hash it again or keep a copy of its own. Read
    // from the stretch's own thread while its lines are read; stretch 1's until a stream's next
    // fold empties it, stretch 0's in a stream past the counts' end (vider()), until they are
    // begun again or destroyed.
    struct AgentEntier {
        std::string_view texte;
        uint64_t hachage = 0;
    };
    virtual AgentEntier agentEntier(int tranche, uint32_t agent) const = 0;
    // The entry in stretch 0 of agent entry `agent` of stretch 1, once a stream's last fold has
    // taken stretch 1 in; kSansCle when there is none.
    virtual uint32_t agentReplie(uint32_t agent) const = 0;

  protected:
    ~SourceClesLigne() = default;
};

// The cut of the agent that the first pass owes the reader (any when there is none).
inline CoupeAgent coupePour(const LecteurEnregistrements* lecteur) {
    return lecteur && lecteur->litNavigateurEtSysteme() ? CoupeAgent::navigateurEtSysteme
                                                        : CoupeAgent::agentEntier;
}

// For a reader that reads the whole agent on from the record's browser within the bytes
// [debut, fin): `r` itself, or, when the format's reader rewrote the agent outside them (escapes,
// IIS's "+"), a copy in `copie` whose browser is the whole agent.
const RLog& agentLisible(const RLog& r, const ChampsEnPlus& plus, const char* debut,
                         const char* fin, RLog& copie);

// For an analysis that skips the lines that do not conform: beyond its parse, whether a record can
// be counted (its hour and date readable wherever the tables read them). False when it cannot,
// with the reason (Windows-1252) in `raison` when it is not null. Called from both threads.
using ExamenLigne = bool (*)(const RLog& r, std::string* raison);

// Why the first pass did not keep a line: its record as far as it was cut, whether it parsed,
// and the text that did not convert.
struct LigneRefusee {
    RLog r;
    bool analysee = false;
    std::string_view fautif;
};

// The first pass's reading of one line: its record handed to `lecteur` (when there is one) as
// stretch `tranche`. Without `examen` the parse error of a line is raised; with it a line that
// does not conform is not read, false is returned and `refus` (when given) tells why.
bool lireLigne(std::string_view ligne, LecteurEnregistrements* lecteur, int tranche,
               ExamenLigne examen, LigneRefusee* refus = nullptr,
               CoupeAgent coupe = CoupeAgent::navigateurEtSysteme);

// A skipped line: its number in the journal (from 0) and why it was skipped (Windows-1252).
struct LigneIgnoree {
    std::size_t numero = 0;
    std::string raison;
    // In a format that names the virtual host, the one the line named, when it got that far.
    std::string hote;
};
// How many skipped lines are listed with their reason; the others are only counted.
inline constexpr std::size_t kLignesIgnoreesListees = 10000;

// The records of the last analysis run, one per journal line, or one per kept line when the
// lines that do not conform were skipped. A record is not stored: it is the
// parse of its line, made again when it is asked for (a fraction of a microsecond), so the
// records of a journal of ten million lines cost no memory at all.
class TableauLog {
  public:
    // Parses every line of the journal in order, handing each record to `lecteur` when there
    // is one. On a conversion error the records before the failing line stay, `taille()` is the
    // failing line's index and the error is raised. On a long journal `progression` is called on
    // this thread every few tens of milliseconds with the number of lines parsed so far (the two
    // halves are parsed at once, so the count is not a prefix of the journal).
    //
    // With `examen`, the lines that do not conform are skipped instead: those that
    // analyserLigneSouple rejects, then those that `examen` rejects. No line raises an error; the
    // reader and the records see the kept lines only, in journal order.
    //
    // With a `format` other than the default, lines are read in it (LecteurLignes) and the
    // readers get lireEnPlus(); a line that does not read raises its reason, or is skipped with
    // it; W3C "#" lines are neither records nor skipped lines (nbDirectives()).
    void memoriser(const Journal& journal,
                   const std::function<void(std::size_t faites)>& progression = {},
                   LecteurEnregistrements* lecteur = nullptr, ExamenLigne examen = nullptr,
                   const FormatJournal* format = nullptr);

    // The records of `plusLong`, this pass's journal with lines appended (Journal::prolonger), in
    // the default format: the new lines parsed on this thread with `examen` (that of the pass,
    // null when it skipped nothing), the records before kept. A new line that does not parse
    // raises its error, the records left as they were. Copies made before see nothing change.
    void prolonger(const Journal& plusLong, ExamenLigne examen);

    std::size_t taille() const { return taille_; }
    // Record k: the parse of line k, or of the k-th kept line.
    RLog operator[](std::size_t k) const { return lire(k, nullptr); }
    // The same with, in a format other than the default, the fields beyond the record (the
    // virtual host's text lives as long as the records).
    RLog lire(std::size_t k, ChampsEnPlus* plus) const;
    // The journal's line that record k was made from.
    std::size_t numeroLigne(std::size_t k) const;
    // Whether the last pass skipped the lines that do not conform; how many it skipped, and the
    // first kLignesIgnoreesListees of them in journal order.
    bool souple() const { return souple_; }
    std::size_t nbIgnorees() const { return nbIgnorees_; }
    const std::vector<LigneIgnoree>& premieresIgnorees() const;
    // The format the last pass read in, whether it is another than the default, and the W3C
    // directive lines it left out.
    const FormatJournal& format() const { return format_; }
    bool parFormat() const { return !format_.estDefaut(); }
    std::size_t nbDirectives() const { return nbDirectives_; }
    // The journal the records were made from.
    const Journal& journal() const { return journal_; }
    // Whether the records are the complete parse of exactly this journal (of its kept lines).
    bool couvre(const Journal& journal) const;

    // A run of consecutive skipped lines, and how many were skipped before it.
    struct Plage {
        std::size_t debut = 0, nb = 0, avant = 0;
    };

    struct Ignorees;
    struct Textes;

  private:
    void retenirIgnorees(Ignorees& a, Ignorees& b);

    Journal journal_;
    std::size_t taille_ = 0;
    bool complet_ = false;
    bool souple_ = false;
    // Shared by the copies (the detail view keeps one): set once by each pass.
    std::shared_ptr<const std::vector<Plage>> plages_;
    std::size_t nbIgnorees_ = 0;
    std::shared_ptr<const std::vector<LigneIgnoree>> premieres_;
    FormatJournal format_;
    std::shared_ptr<const DirectivesW3C> directives_;
    std::size_t nbDirectives_ = 0;
    // The texts of the records in another format that lie outside their lines.
    std::shared_ptr<Textes> textes_;
};

}  // namespace kestrane
