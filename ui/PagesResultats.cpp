// The statistics and report pages of the main window, and the report page's actions that the
// Analyse command relies on.
#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/Graphes.h"
#include "ui/PageRapport.h"
#include "ui/PageStatistiques.h"
#include "ui/UFormPrincipale.h"

namespace kestrane {

void TForm1::creerPageStatistiques() {
    auto* page = new QVBoxLayout(ongletStatistiques);
    page->setContentsMargins(0, 0, 0, 0);
    PageStatistiques::Contexte contexte;
    contexte.bip = &bip_;
    contexte.afficherStatut = [this](const QString& message) { afficherStatut(message); };
    contexte.executer = [this](const std::function<void()>& commande) { executer(commande); };
    pageStatistiques = new PageStatistiques(std::move(contexte), ongletStatistiques);
    page->addWidget(pageStatistiques);
    graphes = pageStatistiques->graphes;
    panelGraphe = pageStatistiques->panelGraphe;
    editAdressesIP_Param = pageStatistiques->editAdressesIP_Param;
}

void TForm1::creerPageRapport() {
    auto* page = new QVBoxLayout(ongletRapportAnalyse);
    page->setContentsMargins(0, 0, 0, 0);
    pageRapport = new PageRapport(ongletRapportAnalyse);
    page->addWidget(pageRapport);
    connect(pageRapport->radioRapportRequetesToutJournal, &QRadioButton::toggled, this,
            [this](bool choisi) {
                if (choisi) executer([this] { radioRapportRequetesToutJournalClick(); });
            });
}

}  // namespace kestrane
