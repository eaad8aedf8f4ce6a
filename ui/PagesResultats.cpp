// The statistics and report pages of the main window and what ties them to the window: the
// status line, the error wrapper, the beep, the journal and the requests display.
#include <QVBoxLayout>

#include "ui/GrapheQt.h"
#include "ui/GraphesStat.h"
#include "ui/PageRapport.h"
#include "ui/PageStatistiques.h"
#include "ui/UFormPrincipale.h"

namespace kestrane {

ContexteFenetre TForm1::contextePages() {
    ContexteFenetre c;
    c.bip = &bip_;
    c.afficherStatut = [this](const QString& message) { afficherStatut(message); };
    c.executer = [this](const std::function<void()>& commande) { executer(commande); };
    c.enFond = [this](const std::function<void()>& travail) { enFond(travail); };
    c.journal = [this]() -> const Journal& { return journal_; };
    return c;
}

void TForm1::creerPageStatistiques() {
    auto* page = new QVBoxLayout(ongletStatistiques);
    page->setContentsMargins(0, 0, 0, 0);
    pageStatistiques = new PageStatistiques(contextePages(), ongletStatistiques);
    page->addWidget(pageStatistiques);
}

void TForm1::creerPageRapport() {
    auto* page = new QVBoxLayout(ongletRapportAnalyse);
    page->setContentsMargins(0, 0, 0, 0);
    pageRapport =
        new PageRapport(contextePages(), pageStatistiques->graphes(), ongletRapportAnalyse);
    page->addWidget(pageRapport);
}

}  // namespace kestrane
