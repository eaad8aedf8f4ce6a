// The log record, the parser of one journal line, the three classifiers, the detail text of a
// record and the records of the last analysis run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "log/Journal.h"

namespace kestrane {

// One request of the journal. The texts are views into the parsed line or into constant
// texts of the program: the line must outlive the record.
struct RLog {
    int32_t ip1 = 0, ip2 = 0, ip3 = 0, ip4 = 0;
    std::string_view autre, logname, date, heure, fuseau, requete;
    std::string_view fichierCharge, pagePrecedente, navigateur, systeme;
    int32_t codeRenvoye = 0;
    int64_t chargement = 0;  // bytes: a response may pass 2 GiB
};

// Loaded file out of the request line: from after the last blank that follows a "T" (or from
// the fifth character) to before the last blank.
std::string_view extraireFichier(std::string_view requete);
// Browser or robot: the user agent before its last "(".
std::string_view extraireNavigateur(std::string_view agent);
// Operating system: the item after the second semicolon (or the first), renamed for
// Windows NT 5.0 and 5.1; "-" without a semicolon.
std::string_view extraireSysteme(std::string_view agent);

// Cuts one journal line (without its break) into a record. Raises
// "'%s' n'est pas une valeur entière correcte" when a number does not convert.
RLog analyserLigne(std::string_view ligne);

// Thirteen labelled lines joined by CR LF, no break after the last.
std::string detailLog(const RLog& r);
// The same text appended to `sortie`.
void ajouterDetailLog(std::string& sortie, const RLog& r);

// The client address text: the four numbers in decimal joined by ".".
std::string adresseIP(const RLog& r);
void ajouterAdresseIP(std::string& sortie, int32_t a, int32_t b, int32_t c, int32_t d);

// Reads the records of a first pass while they are parsed. A long journal is parsed in two
// stretches at once, one per core: lire(0, ...) receives the lines of the first stretch and
// lire(1, ...) those of the second, each stretch in journal order, from two threads.
class LecteurEnregistrements {
  public:
    virtual ~LecteurEnregistrements() = default;
    // Before any line: the journal and the number of stretches (1 or 2).
    virtual void commencer(const Journal& journal, int nbTranches) = 0;
    virtual void lire(int tranche, const RLog& r) = 0;
    // After the last line, only when every line parsed.
    virtual void terminer() = 0;
};

// The records of the last analysis run, one per journal line. A record is not stored: it is the
// parse of its line, made again when it is asked for (a fraction of a microsecond), so the
// records of a journal of ten million lines cost no memory at all.
class TableauLog {
  public:
    // Parses every line of the journal in order, handing each record to `lecteur` when there
    // is one. On a conversion error the records before the failing line stay, `taille()` is the
    // failing line's index and the error is raised. On a long journal `progression` is called on
    // this thread every few tens of milliseconds with the number of lines parsed so far (the two
    // halves are parsed at once, so the count is not a prefix of the journal).
    void memoriser(const Journal& journal,
                   const std::function<void(std::size_t faites)>& progression = {},
                   LecteurEnregistrements* lecteur = nullptr);

    std::size_t taille() const { return taille_; }
    RLog operator[](std::size_t i) const;
    // The journal the records were made from.
    const Journal& journal() const { return journal_; }
    // Whether the records are the complete parse of exactly this journal.
    bool couvre(const Journal& journal) const;

  private:
    Journal journal_;
    std::size_t taille_ = 0;
    bool complet_ = false;
};

// The records of the last analysis run.
extern TableauLog tableauLog;

}  // namespace kestrane
