#include "log/TableauLog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "log/DeuxFils.h"
#include "log/Erreur.h"
#include "log/UString.h"

namespace kestrane {

TableauLog tableauLog;

RLog TableauLog::operator[](std::size_t i) const {
    try {
        return analyserLigne(journal_.ligne(i));
    } catch (const ErreurKestrane&) {
        // Only if the line's bytes changed since it was parsed.
        RLog r;
        r.autre = r.logname = r.date = r.heure = r.fuseau = r.requete = r.pagePrecedente =
            r.navigateur = r.systeme = kTiret;
        return r;
    }
}

bool TableauLog::couvre(const Journal& journal) const {
    return complet_ && journal_.identite() == journal.identite() && taille_ == journal.nbLignes();
}

namespace {

// Parses lines [debut, fin) and hands each record to the reader as stretch `tranche`; returns
// the index of the first failing line (or fin) and leaves its error in `erreur`.
std::size_t analyserTranche(const Journal& j, std::size_t debut, std::size_t fin,
                            LecteurEnregistrements* lecteur, int tranche,
                            std::exception_ptr& erreur, std::atomic<std::size_t>* faites = nullptr,
                            const std::atomic<bool>* arreter = nullptr) {
    constexpr std::size_t kPas = 8192;
    for (std::size_t i = debut; i < fin; ++i) {
        if ((i - debut) % kPas == kPas - 1) {
            if (faites) faites->fetch_add(kPas, std::memory_order_relaxed);
            // Asked to stop: what is left of this half no longer matters to anybody.
            if (arreter && arreter->load(std::memory_order_relaxed)) return i;
        }
        try {
            const RLog r = analyserLigne(j.ligne(i));
            if (lecteur) lecteur->lire(tranche, r);
        } catch (...) {
            erreur = std::current_exception();
            return i;
        }
    }
    return fin;
}

}  // namespace

void TableauLog::memoriser(const Journal& journal,
                           const std::function<void(std::size_t faites)>& progression,
                           LecteurEnregistrements* lecteur) {
    const std::size_t n = journal.nbLignes();
    complet_ = false;
    taille_ = 0;
    journal_ = journal;

    // Two halves on the two cores; the error that counts is that of the first failing line, so
    // the second half stops early once the first has failed.
    std::exception_ptr erreurA, erreurB, erreurSuivi;
    std::size_t arretA = 0, arretB = n;
    const std::size_t milieu = n >= kSeuilDeuxFilsLignes ? n / 2 : n;
    if (lecteur) lecteur->commencer(journal, milieu < n ? 2 : 1);
    if (milieu < n) {
        std::atomic<std::size_t> faites{0};
        std::atomic<bool> arreterPremier{false}, arreterSecond{false};
        std::mutex verrou;
        std::condition_variable fin;
        int finies = 0;
        const auto finie = [&] {
            std::lock_guard garde(verrou);
            ++finies;
            fin.notify_one();
        };
        std::atomic<std::size_t>* compte = progression ? &faites : nullptr;
        std::thread second = lancerFil([&] {
            arretB =
                analyserTranche(journal, milieu, n, lecteur, 1, erreurB, compte, &arreterSecond);
            finie();
        });
        const auto premiereMoitie = [&] {
            arretA =
                analyserTranche(journal, 0, milieu, lecteur, 0, erreurA, compte, &arreterPremier);
            if (erreurA) arreterSecond = true;
            finie();
        };
        if (!progression) {
            premiereMoitie();  // cannot throw: every failure is kept in erreurA
        } else {
            // Both halves on worker threads; this thread reports how far they are. Whatever
            // fails here, both threads are stopped and joined before anything is thrown.
            std::thread premier;
            try {
                premier = lancerFil(premiereMoitie);
                std::unique_lock garde(verrou);
                while (!fin.wait_for(garde, std::chrono::milliseconds(20),
                                     [&] { return finies == 2; })) {
                    garde.unlock();
                    if (!erreurSuivi) progression(faites.load(std::memory_order_relaxed));
                    garde.lock();
                }
            } catch (...) {
                erreurSuivi = std::current_exception();
                arreterPremier = true;
                arreterSecond = true;
            }
            if (premier.joinable()) premier.join();
        }
        second.join();
    } else {
        arretA = analyserTranche(journal, 0, n, lecteur, 0, erreurA);
    }
    if (erreurSuivi) std::rethrow_exception(erreurSuivi);
    if (erreurA) {
        taille_ = arretA;
        std::rethrow_exception(erreurA);
    }
    if (erreurB) {
        taille_ = arretB;
        std::rethrow_exception(erreurB);
    }
    taille_ = n;
    complet_ = true;
    if (lecteur) lecteur->terminer();
}

}  // namespace kestrane
