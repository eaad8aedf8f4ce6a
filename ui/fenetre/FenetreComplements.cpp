// The window's side of the "Compléments" page: its tab, its item in "Outils" (remembered between
// runs), F2, and its counts taken during the first pass of the Analyse command.
#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/lecture/TableauLog.h"
#include "core/analyse/UFonctionsKestrane.h"
#include "ui/dialogues/DialoguePeriode.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/fenetre/UFormPrincipale.h"

namespace kestrane {

namespace {

constexpr int kIndexOnglet = 3;
const char* const kCleAfficher = "complements/afficher";

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

}  // namespace

void TForm1::creerComplements() {
    ongletComplements = new QWidget;
    ongletComplements->setObjectName(QStringLiteral("ongletComplements"));
    auto* l = new QVBoxLayout(ongletComplements);
    l->setContentsMargins(0, 0, 0, 0);
    pageComplements = new PageComplements(ongletComplements);
    l->addWidget(pageComplements);
    PageControl1->insertTab(kIndexOnglet, ongletComplements, QStringLiteral("Compl\u00e9ments"));
    PageControl1->setTabVisible(kIndexOnglet, false);

    menuAfficherComplements =
        menuOutils->addAction(QStringLiteral("Afficher les &compl\u00e9ments"));
    menuAfficherComplements->setObjectName(QStringLiteral("menuAfficherComplements"));
    menuAfficherComplements->setCheckable(true);
    menuAfficherComplements->setChecked(
        reglages().value(QLatin1String(kCleAfficher), false).toBool());
    connect(menuAfficherComplements, &QAction::triggered, this,
            [this](bool coche) { menuAfficherComplementsClick(coche); });

    menuPeriode = menuOutils->addAction(QStringLiteral("&P\u00e9riode analys\u00e9e..."));
    menuPeriode->setObjectName(QStringLiteral("menuPeriode"));
    connect(menuPeriode, &QAction::triggered, this, [this] { menuPeriodeClick(); });
    dialoguePeriode = new DialoguePeriode(this);
    connect(dialoguePeriode, &QDialog::accepted, this,
            [this] { periode_ = dialoguePeriode->periode(); });

    actionComplementsDevant = new QAction(this);
    actionComplementsDevant->setObjectName(QStringLiteral("actionComplementsDevant"));
    actionComplementsDevant->setShortcut(QKeySequence(Qt::Key_F2));
    actionComplementsDevant->setEnabled(false);
    addAction(actionComplementsDevant);
    connect(actionComplementsDevant, &QAction::triggered, this,
            [this] { executer([this] { PageControl1->setCurrentIndex(kIndexOnglet); }); });
}

bool TForm1::complementsActifs() const {
    return menuAfficherComplements->isChecked();
}

LecteurEnregistrements* TForm1::lecteurPremierePasse() {
    if (!complementsActifs()) return &comptesAnalyse_;
    lecteursAnalyse_ = std::make_unique<LecteursEnSerie>(
        std::vector<LecteurEnregistrements*>{&comptesAnalyse_, &comptesComplements_});
    return lecteursAnalyse_.get();
}

void TForm1::afficherComplements() {
    if (!complementsActifs()) return;
    if (!comptesComplements_.complet()) {
        // Switched on after the first pass: the records are read once more for the page alone.
        TableauLog lecture;
        // The same lines as the analysis shown: skipped then, skipped now.
        const ExamenLigne examen = tableauLog.souple() ? examinerLigne : nullptr;
        enFond([&] { lecture.memoriser(journalAnalyse_, {}, &comptesComplements_, examen); });
    }
    Complements c;
    enFond([&] { c = comptesComplements_.resultat(static_cast<int64_t>(statIP.size())); });
    comptesComplements_.vider();
    c.lignesLues = static_cast<int64_t>(journal_.nbLignes());
    c.lignesHorsPeriode = static_cast<int64_t>(horsPeriode_);
    if (tableauLog.souple()) c.lignesIgnorees = static_cast<int64_t>(tableauLog.nbIgnorees());
    pageComplements->afficher(c);
    derniersComplements_ = c;
}

void TForm1::menuAfficherComplementsClick(bool coche) {
    executer([this, coche] {
        reglages().setValue(QLatin1String(kCleAfficher), coche);
        const bool analyse = PageControl1->isTabVisible(1);
        if (coche && analyse) afficherComplements();
        PageControl1->setTabVisible(kIndexOnglet, coche && analyse);
        actionComplementsDevant->setEnabled(coche && analyse);
    });
}

void TForm1::menuPeriodeClick() {
    executer([this] {
        // The editors are bounded by the dates of the journal's first and last lines.
        Instant premiere, derniere;
        const std::size_t n = journal_.nbLignes();
        const bool souple = optionLignes_->active();
        const bool bornes = n > 0 && instantDeLigne(journal_.ligne(0), premiere, souple) &&
                            instantDeLigne(journal_.ligne(n - 1), derniere, souple);
        dialoguePeriode->preparer(periode_, bornes, premiere, derniere);
        dialoguePeriode->open();
    });
}

namespace {

QString lignesHorsPeriode(std::size_t n) {
    return QStringLiteral(" (%1 %2 hors p\u00e9riode)")
        .arg(n)
        .arg(n > 1 ? QStringLiteral("lignes") : QStringLiteral("ligne"));
}

}  // namespace

bool TForm1::preparerJournalAnalyse() {
    if (!periode_.active) {
        journalAnalyse_ = journal_;
        periodeAnalysee_ = periode_;
        horsPeriode_ = 0;
        return true;
    }
    Journal j;
    std::size_t hors = 0;
    const bool souple = optionLignes_->active();
    enFond([&] { j = lignesDeLaPeriode(journal_, periode_, hors, souple); });
    if (j.nbLignes() == 0) {
        // Nothing to analyse: what the last analysis shows stays as it is.
        afficherStatut(QStringLiteral("Aucune ligne dans la p\u00e9riode analys\u00e9e") +
                       lignesHorsPeriode(hors));
        return false;
    }
    journalAnalyse_ = j;
    periodeAnalysee_ = periode_;
    horsPeriode_ = hors;
    return true;
}

QString TForm1::suffixeFinAnalyse() const {
    return periodeAnalysee_.active ? lignesHorsPeriode(horsPeriode_) : QString();
}

QString TForm1::suffixeTitre() const {
    return texteDePeriode(periodeAnalysee_);
}

}  // namespace kestrane
