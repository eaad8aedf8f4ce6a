// The Analyse command: the first pass into the records, the detail view, the statistics pass
// into the report grids, the requests report, the chart feeding and the reveal of the results.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>
#include <memory>
#include <string>

#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"
#include "core/lecture/UString.h"
#include "core/analyse/UFonctionsKestrane.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/SourceDetails.h"
#include "ui/vues/Texte1252.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

namespace {

// Repaints of the progress at most this often; the last value is always painted.
constexpr qint64 kIntervallePeintureMs = 50;

QString messageProgression(const char* debut, std::size_t i, const QString& total) {
    return QString::fromUtf8(debut) + QString::number(i) + QLatin1Char('/') + total;
}

}  // namespace

void TForm1::progresser(std::size_t position, const QString& message, bool toujours) {
    if (!toujours && peintureProgression_.isValid() &&
        peintureProgression_.elapsed() < kIntervallePeintureMs) {
        return;
    }
    barreProgressionAnalyse->setValue(static_cast<int>(std::min<std::size_t>(
        position, static_cast<std::size_t>(barreProgressionAnalyse->maximum()))));
    // Only the status line and the bar change while the run goes on: they are what is painted
    // at once, the window's other parts have nothing new to show.
    ecrireStatut(message);
    statusBar()->repaint();
    barreProgressionAnalyse->repaint();
    peintureProgression_.start();
}

void TForm1::analyserJournal() {
    RichEdit1->vider();
    const std::size_t n = journal_.nbLignes();
    if (n < 2) {
        afficherStatut(QStringLiteral("Pas de fichier \u00e0 analyser"));
        return;
    }
    if (!preparerJournalAnalyse()) return;
    barreProgressionAnalyse->show();
    barreProgressionAnalyse->setValue(0);
    barreProgressionAnalyse->setMaximum(
        static_cast<int>(std::min<std::size_t>(2 * journalAnalyse_.nbLignes(), INT32_MAX)));
    peintureProgression_.invalidate();

    const auto jalon = [this](const char* phase) {
        if (jalonAnalyse) jalonAnalyse(phase);
    };
    memoriserJournal();
    jalon("first pass (records)");
    afficherDetails();
    jalon("detail view");
    calculerStatistiques();
    afficherComplements();
    jalon("statistics pass and grids");
    pageRapport->oublierTriAdresses();
    pageStatistiques->alimenter(pageStatistiques->nbAdresses());
    jalon("chart feeding");
    montrerAnalyse(true);
    pageRapport->changerTitre(QStringLiteral("Rapport d'analyse du fichier ") +
                              nomFichier(dialogOuvrir.nomFichier()) + suffixeTitre());
    afficherStatut(QStringLiteral("Analyse du fichier termin\u00e9e !") + optionLignes_->suffixe() +
                   suffixeFinAnalyse());
    PageControl1->setCurrentIndex(0);
    bipTermine(bip_);
    barreProgressionAnalyse->hide();
    jalon("reveal, title, tune");
}

void TForm1::memoriserJournal() {
    const std::size_t n = journalAnalyse_.nbLignes();
    const QString total = QString::number(n);
    const char* texte = "Mise en m\u00e9moire du fichier journal... en cours - ";
    const QString messageAvant = panneauMessage->text();
    // The records are parsed on both cores; the bar follows the count of lines done.
    const auto suivre = [&](std::size_t faites) {
        if (faites > 0) progresser(faites, messageProgression(texte, faites - 1, total), false);
        entretenir();
    };
    try {
        tableauLog.memoriser(journalAnalyse_, suivre, lecteurPremierePasse(),
                             optionLignes_->active() ? examinerLigne : nullptr);
    } catch (...) {
        // What a line-by-line pass shows when it stops: the bar at the lines done, the message
        // of the last line parsed (none when the first line fails).
        const std::size_t faites = tableauLog.taille();
        if (faites > 0) {
            progresser(faites, messageProgression(texte, faites - 1, total), true);
        } else {
            // The other half may have been reported meanwhile: no line was parsed after all.
            barreProgressionAnalyse->setValue(0);
            barreProgressionAnalyse->repaint();
            panneauMessage->setText(messageAvant);
            panneauMessage->repaint();
        }
        throw;
    }
    progresser(n, messageProgression(texte, n - 1, total), true);
}

void TForm1::afficherDetails() {
    // The detail text is produced from the records when it is shown or exported; handing the
    // view its source is the whole second pass.
    // Skipped lines have no block; the pass still covers every line of the journal.
    RichEdit1->changerSource(std::make_shared<SourceDetails>(tableauLog, tableauLog.taille()));
    const std::size_t n = journalAnalyse_.nbLignes();
    progresser(2 * n,
               messageProgression("Analyse du contenu... en cours - ", n - 1, QString::number(n)),
               true);
}

void TForm1::calculerStatistiques() {
    PageRapport& p = *pageRapport;
    ListesPeriodes listes;
    optionLignes_->retenir(tableauLog);
    // Each tally's table goes to its grid as soon as it is ready, in the pass's order.
    const auto montrer = [&](int etape) {
        entretenir();
        if (etape == kEtapeRequetes) {
            p.afficherTotalRequetes(optionLignes_->lignes(journalAnalyse_).nbLignes());
        } else {
            p.afficherTable(etape);
        }
    };
    calculerTables(optionLignes_->lignes(journalAnalyse_), p.largeurTranches(), &comptesAnalyse_,
                   montrer, &listes,
                   [this](const std::function<void()>& travail) { enFond(travail); });
    p.preparerRequetes(listes);
}

}  // namespace kestrane
