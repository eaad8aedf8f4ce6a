// The window's side of a journal followed as it grows: "Fichier" > "Suivre le journal"
// (remembered) and "Suspendre le suivi", the follow begun on the loaded journal's last file, and
// each turn's lines shown: the journal's view, the detail view, the report's grids in the orders
// chosen, the charts and the Compléments, then the status line.
#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTime>

#include "core/journal/Erreur.h"
#include "core/journal/Gzip.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/BarreDeStatut.h"
#include "ui/fenetre/ControleurAnalyse.h"
#include "ui/fenetre/SuiviJournal.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/SourceDetails.h"
#include "ui/vues/SourceJournal.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

namespace {

const char* const kCleSuivi = "suivi/actif";

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

}  // namespace

void TForm1::creerSuivi() {
    suivi_ = new SuiviJournal([this](const std::function<void()>& c) { executer(c); },
                              [this](Prolongement& p) { appliquerSuivi(p); }, this);
    menuSuivreJournal = new QAction(QStringLiteral("Sui&vre le journal"), this);
    menuSuivreJournal->setObjectName(QStringLiteral("menuSuivreJournal"));
    menuSuivreJournal->setCheckable(true);
    menuSuivreJournal->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    menuSuspendreSuivi = new QAction(QStringLiteral("Sus&pendre le suivi"), this);
    menuSuspendreSuivi->setObjectName(QStringLiteral("menuSuspendreSuivi"));
    menuSuspendreSuivi->setCheckable(true);
    menuSuspendreSuivi->setEnabled(false);
    // Before "Quitter", after the journal's commands.
    QAction* avant = nullptr;
    for (QAction* a : menuFichier->actions()) {
        if (a->objectName() == QLatin1String("N1")) avant = a;
    }
    menuFichier->insertAction(avant, menuSuivreJournal);
    menuFichier->insertAction(avant, menuSuspendreSuivi);
    menuSuivreJournal->setChecked(reglages().value(QLatin1String(kCleSuivi), false).toBool());
    connect(menuSuivreJournal, &QAction::toggled, this, [this](bool oui) {
        reglages().setValue(QLatin1String(kCleSuivi), oui);
        executer([this] { commencerSuivi(); });
    });
    connect(menuSuspendreSuivi, &QAction::toggled, this, [this](bool oui) {
        executer([this, oui] {
            suivi_->suspendre(oui);
            if (oui) statut_->ecrire(QStringLiteral("Suivi suspendu"));
        });
    });
}

void TForm1::commencerSuivi() {
    suivi_->arreter();
    menuSuspendreSuivi->setChecked(false);
    menuSuspendreSuivi->setEnabled(false);
    if (!menuSuivreJournal->isChecked() || fichiersJournal_.isEmpty()) return;
    const QString chemin = fichiersJournal_.last();
    QFile f(chemin);
    if (f.open(QIODevice::ReadOnly) && estGzip(f.read(2).toStdString())) {
        afficherStatut(QStringLiteral("Suivi impossible : ") + nomFichier(chemin) +
                       QStringLiteral(" est compress\u00e9"));
        return;
    }
    nouvellesSuivies_ = 0;
    const uint64_t depart = journal_.octets().size() - debutDernierFichier_;
    suivi_->suivre(cheminSysteme(chemin), depart, journal_,
                   std::dynamic_pointer_cast<const SourceJournal>(vueJournal->source()));
    // The analysis shown is of this very journal: it goes on, analysed again at the first turn
    // (its counts were not kept).
    if (controleur_->analyseDuJournal()) {
        suivi_->avantAnalyse();
        suivi_->apresAnalyse(journal_, controleur_->optionsAnalysees(), nullptr, &*resultat_,
                             nullptr, controleur_->optionsAnalysees().resultatsLisibles);
    }
    menuSuspendreSuivi->setEnabled(true);
}

void TForm1::analyserJournal() {
    suivi_->avantAnalyse();
    try {
        controleur_->analyser();
    } catch (...) {
        suivi_->apresAnalyse(journal_, controleur_->optionsAnalysees(), nullptr, nullptr, nullptr,
                             false);
        throw;
    }
    const bool analyse = controleur_->analyseDuJournal();
    suivi_->apresAnalyse(journal_, controleur_->optionsAnalysees(), controleur_->prendreComptes(),
                         analyse ? &*resultat_ : nullptr,
                         std::dynamic_pointer_cast<const SourceDetails>(vueDetails->source()),
                         controleur_->optionsAnalysees().resultatsLisibles);
}

void TForm1::appliquerSuivi(Prolongement& p) {
    QElapsedTimer duree;
    duree.start();
    journal_ = p.journal;
    vueJournal->prolongerSource(p.lignes);
    lbNbLignes->setText(
        quantiteTexte(static_cast<int64_t>(journal_.nbLignes()), "ligne", "lignes"));
    nouvellesSuivies_ += p.nouvelles;
    if (p.resultat) {
        // The period of the requests chosen on the report page stays chosen.
        p.resultat->periodeChoisie = resultat_->periodeChoisie;
        std::swap(*resultat_, *p.resultat);
        vueDetails->prolongerSource(p.details);
        optionLignes_->retenir(resultat_->retenues);
        pageRapport->actualiserTables();
        pageStatistiques->alimenter();
        if (resultat_->complements) {
            pageComplements->conserverEtat(true);
            pageComplements->afficher(*resultat_->complements,
                                      resultat_->audience ? &*resultat_->audience : nullptr);
            pageComplements->afficherEnPlus(resultat_->enPlus);
            pageComplements->afficherEntrees(resultat_->entrees ? &*resultat_->entrees : nullptr);
            pageComplements->conserverEtat(false);
        }
    }
    QString message = QStringLiteral("Suivi : ") +
                      quantiteTexte(static_cast<int64_t>(nouvellesSuivies_), "ligne nouvelle",
                                    "lignes nouvelles") +
                      QStringLiteral(" \u2014 ") + horloge().toString(QStringLiteral("hh:mm:ss"));
    if (p.erreur) {
        try {
            std::rethrow_exception(p.erreur);
        } catch (const ErreurKestrane& e) {
            message += QStringLiteral(" \u2014 ") + depuis1252(e.what());
        } catch (const std::exception& e) {
            message += QStringLiteral(" \u2014 ") + QString::fromLocal8Bit(e.what());
        }
    }
    statut_->ecrire(message);
    if (dureeSuivi) dureeSuivi(static_cast<double>(duree.nsecsElapsed()) / 1e6);
}

}  // namespace kestrane
