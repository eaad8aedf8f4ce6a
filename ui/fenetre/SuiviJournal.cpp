#include "ui/fenetre/SuiviJournal.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMetaObject>
#include <QTimer>
#include <utility>

#include "core/analyse/Comptage.h"
#include "core/journal/DeuxFils.h"
#include "ui/vues/SourceDetails.h"
#include "ui/vues/SourceJournal.h"

namespace kestrane {

namespace {

// A turn reads at most this much: a journal that grew by gigabytes while suspended is added in
// several turns, each shown.
constexpr std::size_t kMorceau = std::size_t{64} << 20;
// Turns begin at most this often: each shows every page again, which a journal written to all
// the time would otherwise ask for after every write; the figures stay well within a second.
constexpr int kEntreToursMs = 400;

}  // namespace

SuiviJournal::SuiviJournal(std::function<void(const std::function<void()>&)> executer,
                           std::function<void(Prolongement&)> appliquer, QObject* parent)
    : QObject(parent), executer_(std::move(executer)), appliquer_(std::move(appliquer)) {
    veille_ = new QFileSystemWatcher(this);
    minuterie_ = new QTimer(this);
    minuterie_->setInterval(1000);
    connect(minuterie_, &QTimer::timeout, this, &SuiviJournal::regarder);
    connect(veille_, &QFileSystemWatcher::fileChanged, this, &SuiviJournal::regarder);
    // A rotation replaces the file: the folder's change tells it.
    connect(veille_, &QFileSystemWatcher::directoryChanged, this, &SuiviJournal::regarder);
}

SuiviJournal::~SuiviJournal() {
    if (tour_.joinable()) tour_.join();
}

void SuiviJournal::suivre(const std::string& chemin, uint64_t depart, Journal charge,
                          std::shared_ptr<const SourceJournal> lignes) {
    arreter();
    fichier_.emplace(chemin, depart);
    charge_ = std::move(charge);
    lignes_ = std::move(lignes);
    const QString nom = QString::fromStdString(chemin);
    veille_->addPath(nom);
    veille_->addPath(QFileInfo(nom).absolutePath());
    minuterie_->start();
}

void SuiviJournal::arreter() {
    attendre();
    minuterie_->stop();
    if (!veille_->files().isEmpty()) veille_->removePaths(veille_->files());
    if (!veille_->directories().isEmpty()) veille_->removePaths(veille_->directories());
    fichier_.reset();
    attente_.clear();
    analyse_.reset();
    details_.reset();
    lignes_.reset();
    charge_ = Journal();
}

void SuiviJournal::suspendre(bool oui) {
    suspendu_ = oui;
    if (!oui) lancer();
}

void SuiviJournal::regarder() {
    if (!fichier_) return;
    // A file replaced is watched again under its name.
    const QString nom = QString::fromStdString(fichier_->chemin());
    if (!veille_->files().contains(nom) && QFileInfo::exists(nom)) veille_->addPath(nom);
    if (attente_.size() < kMorceau) {
        SuiviFichier::Lecture l = fichier_->lire(kMorceau - attente_.size());
        attente_ += l.lignes;
    }
    lancer();
}

void SuiviJournal::avantAnalyse() {
    attendre();
    enAnalyse_ = true;
}

void SuiviJournal::apresAnalyse(const Journal& charge, const OptionsAnalyse& options,
                                std::unique_ptr<Comptage> comptes, const ResultatAnalyse* resultat,
                                std::shared_ptr<const SourceDetails> details, bool lisibles) {
    enAnalyse_ = false;
    if (!fichier_) return;
    charge_ = charge;
    analyse_.reset();
    if (resultat) analyse_.emplace(charge, options, std::move(comptes), *resultat);
    details_ = std::move(details);
    lisibles_ = lisibles;
    lancer();
}

void SuiviJournal::attendre() {
    if (!tour_.joinable()) return;
    tour_.join();
    termine();
}

void SuiviJournal::lancer() {
    if (tour_.joinable() || enAnalyse_ || suspendu_ || attente_.empty() || !fichier_) return;
    if (dernierTour_.isValid() && dernierTour_.elapsed() < kEntreToursMs) {
        if (!relance_) {
            relance_ = true;
            QTimer::singleShot(kEntreToursMs - static_cast<int>(dernierTour_.elapsed()), this,
                               [this] {
                                   relance_ = false;
                                   lancer();
                               });
        }
        return;
    }
    dernierTour_.start();
    auto octets = std::make_shared<std::string>(std::move(attente_));
    attente_.clear();
    fait_.reset();
    tour_ = lancerFil([this, octets, lacher = std::move(aLacher_)]() mutable {
        lacher.reset();
        auto p = std::make_unique<Prolongement>();
        const std::size_t avant = charge_.nbLignes();
        try {
            if (analyse_) {
                auto r = std::make_unique<ResultatAnalyse>();
                const AnalyseProlongee::Bilan b = analyse_->prolonger(*octets, *r);
                if (b.issue == IssueAnalyse::terminee) {
                    const auto* precedent = b.relue ? nullptr : details_.get();
                    p->details = std::make_shared<SourceDetails>(
                        r->enregistrements, r->enregistrements.taille(), lisibles_,
                        r->numerosGardes, precedent);
                    p->resultat = std::move(r);
                }
                p->journal = analyse_->journal();
            } else {
                p->journal = charge_.prolonger(*octets);
            }
        } catch (...) {
            p->erreur = std::current_exception();
            p->journal = analyse_ ? analyse_->journal() : charge_.prolonger(*octets);
        }
        p->nouvelles = p->journal.nbLignes() - std::min(avant, p->journal.nbLignes());
        p->lignes = std::make_shared<SourceJournal>(p->journal, lignes_.get());
        fait_ = std::move(p);
        QMetaObject::invokeMethod(
            this, [this] { executer_([this] { attendre(); }); }, Qt::QueuedConnection);
    });
}

void SuiviJournal::termine() {
    std::unique_ptr<Prolongement> p = std::move(fait_);
    if (!p) return;
    charge_ = p->journal;
    lignes_ = p->lignes;
    if (p->details) details_ = p->details;
    appliquer_(*p);
    // The result the window showed before: let go of on the next turn's thread.
    aLacher_ = std::move(p->resultat);
    lancer();
}

}  // namespace kestrane
