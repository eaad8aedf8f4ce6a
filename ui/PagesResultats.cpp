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
#include "ui/UFormPrincipale.h"

namespace kestrane {

void TForm1::creerPageStatistiques() {
    // The charts live here, hidden until the page lays them out; the address count they are fed
    // with sits in the address chart's parameter box.
    auto* page = new QHBoxLayout(ongletStatistiques);
    page->setContentsMargins(0, 0, 0, 0);
    auto* parametres = new QGroupBox(QStringLiteral("Adresses IP :"), ongletStatistiques);
    parametres->setObjectName(QStringLiteral("grapheStatIP_Param"));
    parametres->setFixedSize(193, 96);
    editAdressesIP_Param = new QLineEdit(QStringLiteral("10"), parametres);
    editAdressesIP_Param->setObjectName(QStringLiteral("editAdressesIP_Param"));
    editAdressesIP_Param->setGeometry(16, 16, 145, 17);
    QFont gras = editAdressesIP_Param->font();
    gras.setBold(true);
    editAdressesIP_Param->setFont(gras);
    page->addWidget(parametres, 0, Qt::AlignTop);

    auto* cadre = new QFrame(ongletStatistiques);
    cadre->setObjectName(QStringLiteral("panelGraphe"));
    cadre->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panelGraphe = cadre;
    page->addWidget(panelGraphe, 1);
    graphes = creerGraphes(panelGraphe);
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
