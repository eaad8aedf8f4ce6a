// The statistics and report pages of the main window and what ties them to the window: the
// status line, the error wrapper, the beep, the journal and the requests display.
#include <QVBoxLayout>

#include "ui/GrapheQt.h"
#include "ui/GraphesStat.h"
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
    ContexteRapport contexte;
    contexte.bip = &bip_;
    contexte.journal = [this]() -> const Journal& { return journal_; };
    contexte.graphes = graphes;
    contexte.executer = [this](const std::function<void()>& commande) { executer(commande); };
    contexte.afficherRapportRequetes = [this] { afficherRapportRequetes(); };
    contexte.enFond = [this](const std::function<void()>& travail) { enFond(travail); };
    pageRapport->brancher(std::move(contexte));
}

}  // namespace kestrane
