#include "core/analyse/AnalyseFlux.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/analyse/Complements.h"
#include "core/analyse/Comptage.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/analyse/TablesStat.h"
#include "core/audience/Audience.h"
#include "core/journal/Assemblage.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/FilAuxiliaire.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane {

namespace {

// A block and the input (index among the paths) it comes from.
struct Tampon {
    BlocLignes bloc;
    std::size_t entree = 0;
};

// Reads the inputs one after the other on a thread of its own, a few blocks ahead of the
// counting; the blocks come back to it once counted, so that their memory is reused.
class LectureEntrees {
  public:
    static constexpr int kTampons = 3;

    LectureEntrees(std::vector<std::unique_ptr<EntreeFlux>>& entrees,
                   const std::vector<std::size_t>& ordre, const OptionsFlux& options)
        : entrees_(entrees), ordre_(ordre), options_(options), nbLignes_(entrees.size(), 0) {
        for (auto& t : tampons_) libres_.push_back(&t);
        for (const auto& e : entrees_) octetsTotal_ += e->taille();
        for (const auto& e : entrees_) {
            if (e->taille() == 0) octetsTotal_ = 0;
        }
        fil_ = lancerFil([this] { lire(); });
    }
    ~LectureEntrees() {
        {
            std::lock_guard garde(verrou_);
            arreter_ = true;
        }
        signal_.notify_all();
        fil_.join();
    }

    // The next block to count, or null at the end; raises the reading's error in its place.
    Tampon* suivant() {
        std::unique_lock garde(verrou_);
        signal_.wait(garde, [&] { return !pleins_.empty() || fini_; });
        if (!pleins_.empty()) {
            Tampon* t = pleins_.front();
            pleins_.pop_front();
            return t;
        }
        if (erreur_) std::rethrow_exception(erreur_);
        return nullptr;
    }
    void rendre(Tampon* t) {
        {
            std::lock_guard garde(verrou_);
            libres_.push_back(t);
        }
        signal_.notify_all();
    }
    AvanceeFlux avancee() const {
        return {octets_.load(std::memory_order_relaxed), octetsTotal_, 0};
    }
    // The lines of every input, once the end was reached.
    const std::vector<std::size_t>& nbLignes() const { return nbLignes_; }

  private:
    void lire() {
        try {
            uint64_t avant = 0;
            for (const std::size_t k : ordre_) {
                EntreeFlux& e = *entrees_[k];
                DecoupeLignes decoupe(e, options_.tailleBloc, options_.ligneMax);
                for (;;) {
                    Tampon* t;
                    {
                        std::unique_lock garde(verrou_);
                        signal_.wait(garde, [&] { return !libres_.empty() || arreter_; });
                        if (arreter_) return;
                        t = libres_.front();
                        libres_.pop_front();
                    }
                    bool encore;
                    try {
                        encore = decoupe.suivant(t->bloc);
                    } catch (const ErreurLigneTropLongue& e) {
                        throw ErreurLigneFlux(e.message(), k, e.ligne(), false);
                    }
                    octets_.store(avant + e.octetsLus(), std::memory_order_relaxed);
                    std::lock_guard garde(verrou_);
                    if (!encore) {
                        libres_.push_back(t);
                        break;
                    }
                    t->entree = k;
                    pleins_.push_back(t);
                    signal_.notify_all();
                }
                nbLignes_[k] = decoupe.lignesLues();
                avant += e.octetsLus();
            }
        } catch (...) {
            std::lock_guard garde(verrou_);
            erreur_ = std::current_exception();
        }
        std::lock_guard garde(verrou_);
        fini_ = true;
        signal_.notify_all();
    }

    std::vector<std::unique_ptr<EntreeFlux>>& entrees_;
    const std::vector<std::size_t>& ordre_;
    const OptionsFlux& options_;
    std::vector<std::size_t> nbLignes_;
    Tampon tampons_[kTampons];
    std::deque<Tampon*> libres_, pleins_;
    std::mutex verrou_;
    std::condition_variable signal_;
    bool fini_ = false, arreter_ = false;
    std::exception_ptr erreur_;
    std::atomic<uint64_t> octets_{0};
    uint64_t octetsTotal_ = 0;
    std::thread fil_;
};

}  // namespace

std::vector<std::size_t> ordreDesEntrees(const std::vector<std::string>& chemins,
                                         std::vector<std::unique_ptr<EntreeFlux>>& entrees) {
    std::vector<std::optional<int64_t>> dates;
    for (std::size_t k = 0; k < chemins.size(); ++k) {
        if (chemins[k] == kEntreeStandard || chemins.size() < 2) {
            dates.emplace_back();
        } else {
            // Read through the input itself, which gives those bytes again: a pipe has no others.
            dates.push_back(dateDeLigne(entrees[k]->premiereLigne()));
        }
    }
    return ordreChronologique(dates);
}

IssueAnalyse analyserFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                          ResultatAnalyse& r, BilanFlux& bilan, const OptionsFlux& flux) {
    // The stream reads the default format only; another one is read by the loaded analysis.
    if (!options.format.estDefaut() || options.formatAutomatique) throw RelectureNecessaire();
    // Every input opened before anything is counted, as the loaded analysis loads them first.
    std::vector<std::unique_ptr<EntreeFlux>> entrees;
    for (const std::string& c : chemins) entrees.push_back(std::make_unique<EntreeFlux>(c));
    bilan = BilanFlux{};
    bilan.ordre = ordreDesEntrees(chemins, entrees);

    const bool souple = options.ignorerNonConformes;
    Comptage comptage(options, options.format);
    // One second thread for every block and every fold.
    FilAuxiliaire fil;
    comptage.partagerFil(&fil);
    comptage.commencer();

    std::size_t lignes = 0, horsPeriode = 0, horsFiltre = 0;
    AvanceeFlux avancee;
    {
        LectureEntrees lecture(entrees, bilan.ordre, flux);
        while (Tampon* t = lecture.suivant()) {
            const BlocLignes& b = t->bloc;
            Comptage::Bilan m;
            try {
                m = comptage.compter(b.lignes, b.octets(), b.premiere);
            } catch (const ErreurKestrane&) {
                // A sum past its range in the fold (the audience's bytes of a visitor, counted a
                // line or two after it is read, or added across the halves) names no line: the
                // lines read again in order name it, as the loaded analysis does.
                throw RelectureNecessaire();
            }
            horsPeriode += m.horsPeriode;
            horsFiltre += m.horsFiltre;
            bilan.ignorees += m.ignorees;
            bilan.lignesAnalysees += m.gardees;
            if (m.erreur) {
                // Fewer than two lines in all: nothing would have been analysed.
                if (lignes + m.arret == 0 && b.lignes.size() == 1 && options.lignesMinimum() > 1) {
                    Tampon* autre = lecture.suivant();
                    if (!autre) return IssueAnalyse::pasDeFichier;
                }
                try {
                    std::rethrow_exception(m.erreur);
                } catch (const ErreurKestrane& e) {
                    throw ErreurLigneFlux(e.message(), t->entree, b.premiere + m.arret + 1,
                                          m.clientNonPointe, m.ligneVide);
                }
            }
            lignes += b.lignes.size();
            lecture.rendre(t);
            avancee = lecture.avancee();
            avancee.lignes = lignes;
            if (flux.progression) flux.progression(avancee);
        }
        for (const std::size_t k : bilan.ordre) bilan.nbLignes.push_back(lecture.nbLignes()[k]);
    }
    if (lignes < options.lignesMinimum()) return IssueAnalyse::pasDeFichier;
    if (options.periode.active && lignes == horsPeriode) return IssueAnalyse::periodeVide;
    if (horsFiltre > 0 && lignes == horsPeriode + horsFiltre) return IssueAnalyse::filtreVide;
    comptage.terminer();
    if (!comptage.resultat(r, lignes, horsPeriode,
                           souple ? std::optional<std::size_t>(bilan.ignorees) : std::nullopt,
                           horsFiltre)) {
        throw RelectureNecessaire();
    }
    return IssueAnalyse::terminee;
}

}  // namespace kestrane
