// The supplementary counts of an analysis: a summary, the status codes, the files answered 404
// or 5xx and the traffic of each calendar day. They are counted while the first pass parses each
// line (a reader of its own, beside ComptesJournal), one set of counts per stretch, merged in
// journal order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Journal.h"
#include "core/journal/Texte.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane {

struct CompteCode {
    int32_t code = 0;
    int64_t nombre = 0;
    int64_t octets = 0;
};

struct CompteFichier {
    std::string fichier;
    int64_t nombre = 0;
};

struct CompteJour {
    int32_t annee = 0, mois = 0, jour = 0;
    int64_t requetes = 0;
    int64_t octets = 0;
};

// A moment as written in a log line (its zone left aside): seconds since 1970-01-01 00:00:00.
struct Instant {
    int64_t secondes = 0;
};

struct Complements {
    int64_t lignesLues = 0;  // lines of the journal read (the caller's journal, period included)
    // Lines the analysis skipped as not conforming; shown only when some were.
    int64_t lignesIgnorees = 0;
    int64_t lignesHorsFiltre = 0;   // lines left out by the filter; shown when some were
    int64_t lignesHorsPeriode = 0;  // lines left out by the period analysed; shown when some were
    int64_t lignesAnalysees = 0;    // lines kept: read, within the period, not skipped
    int64_t requetes = 0;
    int64_t adressesDistinctes = 0;
    int64_t octets = 0;
    // Requests whose day cannot be read, and their bytes: in no day.
    int64_t datesIllisibles = 0, octetsSansDate = 0;
    bool dates = false;  // whether `premiere` and `derniere` hold anything
    // The first and last moments of the lines whose day and time read.
    Instant premiere, derniere;
    int64_t nbJours = 0;            // calendar days from the first day to the last, both counted
    std::vector<CompteCode> codes;  // by increasing code
    // By the request's path whatever the method (cheminRequete), largest first.
    std::vector<CompteFichier> introuvables, erreursServeur;
    // Every calendar day from the first to the last with a line whose day reads (its time read or
    // not), days without a line at 0; only the days with lines when the journal spans more than
    // kJoursContinusMax days (a line dated in another century would otherwise ask for a million
    // empty days). With `datesIllisibles`, they add up to the requests.
    std::vector<CompteJour> jours;
};

inline constexpr int64_t kJoursContinusMax = 3660;

// The period an analysis is limited to; inactive: the whole journal.
struct PeriodeAnalyse {
    bool active = false;
    Instant debut, fin;  // both included
};

// The instant of a journal line, its date and time cut exactly as the parser cuts them (`souple`:
// as the parser that keeps a client which is no dotted address as its text); false when they are
// not a real date and time (whether the rest of the line parses or not).
bool instantDeLigne(std::string_view ligne, Instant& instant, bool souple = false);
// The date and time texts that instantDeLigne reads ("06/Dec/2006", "10:15:32"), cut as it cuts
// them, not checked.
void dateEtHeureDeLigne(std::string_view ligne, std::string_view& date, std::string_view& heure,
                        bool souple = false);
// The lines of a period: PeriodeLignes.h.

// "06/Dec/2006" and "10:15:32" into an instant; false when either is not a real date or time.
bool lireInstant(std::string_view date, std::string_view heure, Instant& instant);
// "08/12/2026 10:15:32"
std::string texteInstant(Instant instant);

// French writing of byte amounts: "512 octets", "1,24 Go" (powers of 1024, three significant
// digits); of shares: "12,3 %", "< 0,1 %" for a share above 0 that would show as 0. Numbers:
// nombreFrancais (core/journal/Texte.h).
std::string octetsFrancais(int64_t octets);
std::string pourcentFrancais(double part);
// The form of a noun after the number n, singular for 0 and 1 as French writes it
// ("0 ligne ignorée", "2 lignes ignorées"); the texts in any encoding, given as they are.
std::string_view accord(int64_t n, std::string_view singulier, std::string_view pluriel);
// The number in plain decimal, a blank and that form: "1 ligne ignorée".
std::string quantite(int64_t n, std::string_view singulier, std::string_view pluriel);

// The class of a status code: 1 to 5 for 1xx to 5xx, 0 for any other code.
int classeCode(int32_t code);
// "404", "000" for 0: codes below 100 are written on three digits, as servers log them.
std::string texteCode(int32_t code);

class ComptesComplements : public LecteurEnregistrements {
  public:
    ComptesComplements();
    ~ComptesComplements() override;
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void terminer() override;
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    bool complet() const { return complet_; }
    // Whether a byte sum may have passed the 64-bit range, which only the lines read again in
    // order can tell (resultat does it when it has the journal).
    bool octetsIncertains() const;
    bool litNavigateurEtSysteme() const override { return false; }
    // The statistics counted each line just before, in the same series: the file's entry there
    // spares looking up the files answered 404 or 5xx. Null: each looked up by its text.
    void suivre(const SourceClesLigne* statistiques) { statistiques_ = statistiques; }

    // The counts merged in journal order (as a fold merges them: nothing is lost, and more lines
    // may be read after). The distinct addresses are not counted again here: they are the entries
    // of statIP, which the statistics pass builds.
    // Raises ErreurDebordement, naming the line, when a byte sum taken in journal order passes
    // the 64-bit range.
    // `trier` false: the files answered 404 and 5xx in order of first appearance.
    Complements resultat(int64_t adressesDistinctes = 0, bool trier = true);

    struct Cumul;

  private:
    // The line (from 0) at which the sums, taken line by line in journal order over the lines
    // counted (those examinerLigne keeps, when the pass skipped some), first pass the range.
    std::optional<std::size_t> premierDebordement() const;

    std::vector<std::unique_ptr<Cumul>> tranches_;
    const SourceClesLigne* statistiques_ = nullptr;
    Journal journal_;
    bool souple_ = false;
    int64_t lignes_ = 0;
    bool complet_ = false;
};

// Hands every record to several readers, in their order.
class LecteursEnSerie : public LecteurEnregistrements {
  public:
    explicit LecteursEnSerie(std::vector<LecteurEnregistrements*> lecteurs)
        : lecteurs_(std::move(lecteurs)) {}
    void commencer(const Journal& journal, int nbTranches, bool souple) override {
        for (auto* l : lecteurs_) l->commencer(journal, nbTranches, souple);
    }
    void lire(int tranche, const RLog& r) override {
        for (auto* l : lecteurs_) l->lire(tranche, r);
    }
    void lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) override {
        for (auto* l : lecteurs_) l->lireEnPlus(tranche, r, plus);
    }
    void terminer() override {
        for (auto* l : lecteurs_) l->terminer();
    }
    void replier() override {
        for (auto* l : lecteurs_) l->replier();
    }
    // Each reader from its counterpart in `autre`, a series of the same readers.
    void adopter(LecteurEnregistrements& autre, int tranche) override {
        auto& a = dynamic_cast<LecteursEnSerie&>(autre);
        for (std::size_t k = 0; k < lecteurs_.size(); ++k) {
            lecteurs_[k]->adopter(*a.lecteurs_.at(k), tranche);
        }
    }
    void bloc(std::string_view octets) override {
        for (auto* l : lecteurs_) l->bloc(octets);
    }
    bool litNavigateurEtSysteme() const override {
        return std::any_of(lecteurs_.begin(), lecteurs_.end(),
                           [](const auto* l) { return l->litNavigateurEtSysteme(); });
    }

  private:
    std::vector<LecteurEnregistrements*> lecteurs_;
};

}  // namespace kestrane
