// What an analysis in a format other than the default adds: the period read in that format, the
// format chosen by detection, and the tables of the fields beyond the combined format (virtual
// hosts, response times per loaded file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/analyse/ComptesJournal.h"
#include "core/journal/Journal.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

// The format "Automatique" picks on a sample of the journal (the default when none reads).
FormatJournal formatDetecte(const Journal& journal);

// The instants of the first and of the last line of `journal` that read in `format` (looking at
// most kLignesDetection lines from each end), for the period dialog's bounds; false when none.
bool bornesDuJournal(const Journal& journal, const FormatJournal& format, Instant& premiere,
                     Instant& derniere);

struct LigneHoteVirtuel {
    std::string hote;
    int64_t requetes = 0, octets = 0;
    double part = 0;  // of the requests, 0 to 1
};

// Response times in microseconds.
struct LigneTempsReponse {
    std::string fichier;
    int64_t requetes = 0, moyenne = 0, mediane = 0, centile95 = 0, maximum = 0;
};

struct TablesEnPlus {
    // By requests, most first (ties: first seen); empty when no line names its host.
    std::vector<LigneHoteVirtuel> hotes;
    // Per loaded file, slowest first (by mean, then maximum); empty when no line has a time.
    std::vector<LigneTempsReponse> temps;
    int64_t requetesAvecTemps = 0, tempsMoyen = 0, temps95 = 0;
};

// Counts the virtual hosts and the response times of a first pass in another format.
class ComptesEnPlus : public LecteurEnregistrements {
  public:
    ComptesEnPlus();
    ~ComptesEnPlus() override;
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) override;
    void terminer() override {}
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    // The statistics that come before this reader in the same series: a line's loaded file is
    // then found by its entry in their table rather than looked up again.
    void suivre(const ComptesJournal* statistiques) { statistiques_ = statistiques; }
    // The tables, the stretches merged in journal order.
    TablesEnPlus resultat() const;

    struct Cumul;

  private:
    std::vector<std::unique_ptr<Cumul>> tranches_;
    const ComptesJournal* statistiques_ = nullptr;
};

// One line of a journal cut into its fields in a format, for the format dialog's preview.
struct LigneApercu {
    enum Nature { Requete, Directive, NonConforme } nature = Requete;
    std::size_t numero = 0;  // from 0
    std::string raison;      // NonConforme: why (Windows-1252)
    // Client, date and time, request, status, bytes, referrer, browser, system, the other fields
    // ("nom=valeur" joined by "; "); the line itself for a directive or a line that does not read.
    std::vector<std::string> champs;
};
inline constexpr std::size_t kLignesApercu = 20;
std::vector<LigneApercu> apercuFormat(const Journal& journal, const FormatJournal& format,
                                      std::size_t nombre = kLignesApercu);

// The 95th percentile of `valeurs` (nearest rank); 0 when empty. Reorders them.
int64_t centile95(std::vector<int64_t>& valeurs);

}  // namespace kestrane
