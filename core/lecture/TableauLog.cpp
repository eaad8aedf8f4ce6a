#include "core/lecture/TableauLog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/lecture/FinAgent.h"
#include "core/lecture/LectureFormatee.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

const std::vector<LigneIgnoree> kAucuneIgnoree;

RLog enregistrementVide() {
    RLog r;
    r.autre = r.logname = r.date = r.heure = r.fuseau = r.requete = r.pagePrecedente =
        r.navigateur = r.systeme = kTiret;
    return r;
}

}  // namespace

// The texts of the records read in another format: one store per stretch of the first pass, and
// one shared by the records made again on any thread.
struct TableauLog::Textes {
    MagasinTextes tranches[2];
    MagasinTextes partage;
};

const std::vector<LigneIgnoree>& TableauLog::premieresIgnorees() const {
    return premieres_ ? *premieres_ : kAucuneIgnoree;
}

std::size_t TableauLog::numeroLigne(std::size_t k) const {
    if (!plages_ || plages_->empty()) return k;
    // Kept lines before run p: p.debut - p.avant, which grows with p.
    const std::vector<Plage>& p = *plages_;
    const auto apres = std::upper_bound(
        p.begin(), p.end(), k, [](std::size_t v, const Plage& q) { return v < q.debut - q.avant; });
    if (apres == p.begin()) return k;
    const Plage& q = *(apres - 1);
    return k + q.avant + q.nb;
}

RLog TableauLog::lire(std::size_t k, ChampsEnPlus* enPlus) const {
    if (parFormat()) {
        // One reader per thread and format, made again when the format changes.
        struct Cache {
            const FormatJournal::Donnees* format = nullptr;
            const DirectivesW3C* directives = nullptr;
            std::unique_ptr<LecteurLignes> lecteur;
        };
        thread_local Cache cache;
        if (!cache.lecteur || cache.format != &format_.donnees() ||
            cache.directives != directives_.get()) {
            cache.lecteur = std::make_unique<LecteurLignes>(format_, directives_);
            cache.format = &format_.donnees();
            cache.directives = directives_.get();
        }
        RLog r;
        ChampsEnPlus plus;
        const std::size_t i = numeroLigne(k);
        if (lireStable(*cache.lecteur, textes_->partage, journal_.ligne(i), i, r, plus, nullptr,
                       true) == Lecture::Requete) {
            if (enPlus) *enPlus = plus;
            return r;
        }
        return enregistrementVide();
    }
    if (souple_) {
        RLog r;
        std::string_view fautif;
        if (analyserLigneSouple(journal_.ligne(numeroLigne(k)), r, fautif)) return r;
        return enregistrementVide();
    }
    try {
        return analyserLigne(journal_.ligne(k));
    } catch (const ErreurKestrane&) {
        // Only if the line's bytes changed since it was parsed.
        return enregistrementVide();
    }
}

// The lines one stretch skipped.
struct TableauLog::Ignorees {
    std::vector<TableauLog::Plage> plages;
    std::vector<LigneIgnoree> premieres;
    std::size_t nb = 0;
    std::size_t directives = 0;  // W3C "#" lines: absent from the records, not skipped

    void absente(std::size_t i) {
        if (!plages.empty() && plages.back().debut + plages.back().nb == i) {
            ++plages.back().nb;
        } else {
            plages.push_back({i, 1, 0});
        }
    }
    void ajouterRaison(std::size_t i, std::string&& raison, std::string_view hote = "-") {
        ++nb;
        absente(i);
        if (premieres.size() >= kLignesIgnoreesListees) return;
        premieres.push_back(
            {i, std::move(raison), hote == "-" ? std::string() : std::string(hote)});
    }

    void ajouter(std::size_t i, std::string_view ligne, const RLog& r, bool analysee,
                 std::string_view fautif, ExamenLigne examen) {
        ++nb;
        if (!plages.empty() && plages.back().debut + plages.back().nb == i) {
            ++plages.back().nb;
        } else {
            plages.push_back({i, 1, 0});
        }
        if (premieres.size() >= kLignesIgnoreesListees) return;
        LigneIgnoree l;
        l.numero = i;
        if (analysee) {
            examen(r, &l.raison);
        } else {
            l.raison = raisonNonConforme(ligne, fautif);
        }
        premieres.push_back(std::move(l));
    }
};

const RLog& agentLisible(const RLog& r, const ChampsEnPlus& plus, const char* debut,
                         const char* fin, RLog& copie) {
    if (!plus.agent.data() || dansOctets(plus.agent.data(), debut, fin)) return r;
    copie = r;
    copie.navigateur = plus.agent;
    return copie;
}

bool lireLigne(std::string_view ligne, LecteurEnregistrements* lecteur, int tranche,
               ExamenLigne examen, LigneRefusee* refus, CoupeAgent coupe) {
    if (!examen) {
        const RLog r = analyserLigne(ligne, coupe);
        if (lecteur) lecteur->lire(tranche, r);
        return true;
    }
    RLog r;
    std::string_view fautif;
    const bool analysee = analyserLigneSouple(ligne, r, fautif, coupe);
    if (analysee && examen(r, nullptr)) {
        if (lecteur) lecteur->lire(tranche, r);
        return true;
    }
    if (refus) {
        refus->r = r;
        refus->analysee = analysee;
        refus->fautif = fautif;
    }
    return false;
}

bool TableauLog::couvre(const Journal& journal) const {
    return complet_ && journal_.identite() == journal.identite() &&
           taille_ + nbIgnorees_ + nbDirectives_ == journal.nbLignes();
}

namespace {

// One stretch's reading: the kept lines go to the reader, the others to `ignorees`.
struct Tranche {
    LecteurEnregistrements* lecteur;
    int numero;
    ExamenLigne examen;  // null: every line must parse
    TableauLog::Ignorees* ignorees;
    // Another format than the default: this stretch's reader and store.
    LecteurLignes* lecteurFormat = nullptr;
    MagasinTextes* magasin = nullptr;
    CoupeAgent coupe = CoupeAgent::navigateurEtSysteme;

    void lireFormat(std::string_view ligne, std::size_t i) const {
        RLog r;
        ChampsEnPlus plus;
        std::string raison;
        const Lecture l = lireStable(*lecteurFormat, *magasin, ligne, i, r, plus, &raison);
        if (l == Lecture::Directive) {
            ++ignorees->directives;
            ignorees->absente(i);
        } else if (l == Lecture::NonConforme) {
            if (!examen) throw ErreurKestrane(raison);
            ignorees->ajouterRaison(i, std::move(raison), lecteurFormat->hoteLu());
        } else if (!examen || examen(r, nullptr)) {
            if (lecteur) lecteur->lireEnPlus(numero, r, plus);
        } else {
            examen(r, &raison);
            ignorees->ajouterRaison(i, std::move(raison), plus.hoteVirtuel);
        }
    }

    void lire(std::string_view ligne, std::size_t i) const {
        if (lecteurFormat) {
            lireFormat(ligne, i);
            return;
        }
        if (!examen) {
            lireLigne(ligne, lecteur, numero, nullptr, nullptr, coupe);
            return;
        }
        LigneRefusee refus;
        if (!lireLigne(ligne, lecteur, numero, examen, &refus, coupe)) {
            ignorees->ajouter(i, ligne, refus.r, refus.analysee, refus.fautif, examen);
        }
    }
};

// Parses lines [debut, fin) and hands each record to the reader as stretch `tranche`; returns
// the index of the first failing line (or fin) and leaves its error in `erreur`.
std::size_t analyserTranche(const Journal& j, std::size_t debut, std::size_t fin,
                            const Tranche& tranche, std::exception_ptr& erreur,
                            std::atomic<std::size_t>* faites = nullptr,
                            const std::atomic<bool>* arreter = nullptr) {
    constexpr std::size_t kPas = 8192;
    for (std::size_t i = debut; i < fin; ++i) {
        if ((i - debut) % kPas == kPas - 1) {
            if (faites) faites->fetch_add(kPas, std::memory_order_relaxed);
            // Asked to stop: what is left of this half no longer matters to anybody.
            if (arreter && arreter->load(std::memory_order_relaxed)) return i;
        }
        try {
            tranche.lire(j.ligne(i), i);
        } catch (...) {
            erreur = std::current_exception();
            return i;
        }
    }
    return fin;
}

}  // namespace

void TableauLog::retenirIgnorees(Ignorees& a, Ignorees& b) {
    nbIgnorees_ = a.nb + b.nb;
    nbDirectives_ = a.directives + b.directives;
    std::vector<Plage> plages = std::move(a.plages);
    for (const Plage& p : b.plages) {
        if (!plages.empty() && plages.back().debut + plages.back().nb == p.debut) {
            plages.back().nb += p.nb;
        } else {
            plages.push_back(p);
        }
    }
    std::size_t avant = 0;
    for (Plage& p : plages) {
        p.avant = avant;
        avant += p.nb;
    }
    std::vector<LigneIgnoree> premieres = std::move(a.premieres);
    for (LigneIgnoree& l : b.premieres) {
        if (premieres.size() >= kLignesIgnoreesListees) break;
        premieres.push_back(std::move(l));
    }
    plages_ = std::make_shared<const std::vector<Plage>>(std::move(plages));
    premieres_ = std::make_shared<const std::vector<LigneIgnoree>>(std::move(premieres));
}

void TableauLog::memoriser(const Journal& journal,
                           const std::function<void(std::size_t faites)>& progression,
                           LecteurEnregistrements* lecteur, ExamenLigne examen,
                           const FormatJournal* format) {
    const std::size_t n = journal.nbLignes();
    complet_ = false;
    taille_ = 0;
    journal_ = journal;
    souple_ = examen != nullptr;
    plages_.reset();
    premieres_.reset();
    nbIgnorees_ = 0;
    nbDirectives_ = 0;
    format_ = format ? *format : FormatJournal();
    directives_.reset();
    textes_.reset();
    std::unique_ptr<LecteurLignes> lecteurA, lecteurB;
    if (parFormat()) {
        textes_ = std::make_shared<Textes>();
        if (format_.aDirectives()) {
            directives_ =
                DirectivesW3C::indexer(n, [&journal](std::size_t i) { return journal.ligne(i); });
        }
        lecteurA = std::make_unique<LecteurLignes>(format_, directives_);
        lecteurB = std::make_unique<LecteurLignes>(format_, directives_);
    }
    Ignorees ignoreesA, ignoreesB;
    Tranche trancheA{lecteur, 0, examen, &ignoreesA};
    Tranche trancheB{lecteur, 1, examen, &ignoreesB};
    trancheA.coupe = trancheB.coupe = coupePour(lecteur);
    if (parFormat()) {
        trancheA.lecteurFormat = lecteurA.get();
        trancheA.magasin = &textes_->tranches[0];
        trancheB.lecteurFormat = lecteurB.get();
        trancheB.magasin = &textes_->tranches[1];
    }

    // Two halves on the two cores; the error that counts is that of the first failing line, so
    // the second half stops early once the first has failed.
    std::exception_ptr erreurA, erreurB, erreurSuivi;
    std::size_t arretA = 0, arretB = n;
    const std::size_t milieu = n >= kSeuilDeuxFilsLignes ? n / 2 : n;
    if (lecteur) lecteur->commencer(journal, milieu < n ? 2 : 1, souple_);
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
            arretB = analyserTranche(journal, milieu, n, trancheB, erreurB, compte, &arreterSecond);
            finie();
        });
        const auto premiereMoitie = [&] {
            arretA =
                analyserTranche(journal, 0, milieu, trancheA, erreurA, compte, &arreterPremier);
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
        arretA = analyserTranche(journal, 0, n, trancheA, erreurA);
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
    if (souple_ || parFormat()) retenirIgnorees(ignoreesA, ignoreesB);
    taille_ = n - nbIgnorees_ - nbDirectives_;
    complet_ = true;
    if (lecteur) lecteur->terminer();
}

void TableauLog::prolonger(const Journal& plusLong, ExamenLigne examen) {
    if (!complet_ || parFormat() || plusLong.nbLignes() < journal_.nbLignes()) {
        throw std::logic_error("TableauLog::prolonger");
    }
    const std::size_t n0 = journal_.nbLignes(), n1 = plusLong.nbLignes();
    Ignorees nouvelles;
    const Tranche tranche{nullptr, 0, souple_ ? examen : nullptr, &nouvelles};
    std::exception_ptr erreur;
    analyserTranche(plusLong, n0, n1, tranche, erreur);
    if (erreur) std::rethrow_exception(erreur);
    if (nouvelles.nb > 0) {
        std::vector<Plage> plages = plages_ ? *plages_ : std::vector<Plage>();
        std::vector<LigneIgnoree> premieres =
            premieres_ ? *premieres_ : std::vector<LigneIgnoree>();
        for (Plage p : nouvelles.plages) {
            if (!plages.empty() && plages.back().debut + plages.back().nb == p.debut) {
                plages.back().nb += p.nb;
                continue;
            }
            p.avant = plages.empty() ? 0 : plages.back().avant + plages.back().nb;
            plages.push_back(p);
        }
        for (LigneIgnoree& l : nouvelles.premieres) {
            if (premieres.size() >= kLignesIgnoreesListees) break;
            premieres.push_back(std::move(l));
        }
        plages_ = std::make_shared<const std::vector<Plage>>(std::move(plages));
        premieres_ = std::make_shared<const std::vector<LigneIgnoree>>(std::move(premieres));
        nbIgnorees_ += nouvelles.nb;
    }
    journal_ = plusLong;
    taille_ = n1 - nbIgnorees_ - nbDirectives_;
}

}  // namespace kestrane
