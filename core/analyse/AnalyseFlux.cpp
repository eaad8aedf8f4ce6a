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
    // The lines of every input, once the end was reached, and the bytes of the last one's.
    const std::vector<std::size_t>& nbLignes() const { return nbLignes_; }
    uint64_t octetsLignes() const { return octetsLignes_; }

  private:
    void lire() {
        try {
            uint64_t avant = 0;
            for (const std::size_t k : ordre_) {
                EntreeFlux& e = *entrees_[k];
                DecoupeLignes decoupe(e, options_.tailleBloc, options_.ligneMax);
                if (options_.ligneOuverteLaissee && k == ordre_.back())
                    decoupe.laisserLigneOuverte();
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
                octetsLignes_ = decoupe.octetsLignes();
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
    uint64_t octetsLignes_ = 0;
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

ComptesFlux::ComptesFlux(const OptionsAnalyse& options)
    : options_(options),
      fil_(std::make_unique<FilAuxiliaire>()),
      comptage_(std::make_unique<Comptage>(options, options.format)) {
    // One second thread for every block and every fold.
    comptage_->partagerFil(fil_.get());
    comptage_->commencer();
}

ComptesFlux::~ComptesFlux() = default;

void ComptesFlux::compter(const std::vector<std::string_view>& lignes, std::string_view octets,
                          std::size_t premiere, std::size_t entree) {
    Comptage::Bilan m;
    try {
        m = comptage_->compter(lignes, octets, premiere);
    } catch (const ErreurKestrane&) {
        // A sum past its range in the fold (the audience's bytes of a visitor, counted a line or
        // two after it is read, or added across the halves) names no line: the lines read again
        // in order name it, as the loaded analysis does.
        throw RelectureNecessaire();
    }
    horsPeriode_ += m.horsPeriode;
    horsFiltre_ += m.horsFiltre;
    ignorees_ += m.ignorees;
    analysees_ += m.gardees;
    if (m.erreur) {
        try {
            std::rethrow_exception(m.erreur);
        } catch (const ErreurKestrane& e) {
            throw ErreurLigneFlux(e.message(), entree, premiere + m.arret + 1, m.clientNonPointe,
                                  m.ligneVide);
        }
    }
    lignes_ += lignes.size();
}

IssueAnalyse ComptesFlux::resultat(ResultatAnalyse& r) {
    if (lignes_ < options_.lignesMinimum()) return IssueAnalyse::pasDeFichier;
    if (options_.periode.active && lignes_ == horsPeriode_) return IssueAnalyse::periodeVide;
    if (horsFiltre_ > 0 && lignes_ == horsPeriode_ + horsFiltre_) return IssueAnalyse::filtreVide;
    comptage_->terminer();
    const bool souple = options_.ignorerNonConformes;
    if (!comptage_->resultat(r, lignes_, horsPeriode_,
                             souple ? std::optional<std::size_t>(ignorees_) : std::nullopt,
                             horsFiltre_)) {
        throw RelectureNecessaire();
    }
    return IssueAnalyse::terminee;
}

IssueAnalyse analyserFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                          ResultatAnalyse& r, BilanFlux& bilan, const OptionsFlux& flux,
                          ComptesFlux* comptes) {
    // The stream reads the default format only; another one is read by the loaded analysis.
    if (!options.format.estDefaut() || options.formatAutomatique) throw RelectureNecessaire();
    // Every input opened before anything is counted, as the loaded analysis loads them first.
    std::vector<std::unique_ptr<EntreeFlux>> entrees;
    for (const std::string& c : chemins) entrees.push_back(std::make_unique<EntreeFlux>(c));
    bilan = BilanFlux{};
    bilan.ordre = ordreDesEntrees(chemins, entrees);

    std::optional<ComptesFlux> propres;
    ComptesFlux& c = comptes ? *comptes : propres.emplace(options);
    AvanceeFlux avancee;
    {
        LectureEntrees lecture(entrees, bilan.ordre, flux);
        while (Tampon* t = lecture.suivant()) {
            const BlocLignes& b = t->bloc;
            // Fewer than two lines in all: nothing would have been analysed.
            const bool seule =
                c.lignes() == 0 && b.lignes.size() == 1 && options.lignesMinimum() > 1;
            try {
                c.compter(b.lignes, b.octets(), b.premiere, t->entree);
            } catch (const ErreurLigneFlux&) {
                if (seule && !lecture.suivant()) return IssueAnalyse::pasDeFichier;
                throw;
            }
            lecture.rendre(t);
            avancee = lecture.avancee();
            avancee.lignes = c.lignes();
            if (flux.progression) flux.progression(avancee);
        }
        for (const std::size_t k : bilan.ordre) bilan.nbLignes.push_back(lecture.nbLignes()[k]);
        bilan.octetsLignes = lecture.octetsLignes();
    }
    bilan.lignesAnalysees = c.analysees();
    bilan.ignorees = c.ignorees();
    return c.resultat(r);
}

}  // namespace kestrane
