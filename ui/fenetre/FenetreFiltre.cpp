// The window's side of the filter: its bar above the pages, Ctrl+L, the pages' rows filtered on,
// and the Analyse run again whenever the filter changes while results are shown. The filter is
// kept when the journal is analysed again and cleared when another one is loaded.
#include <QShortcut>
#include <QTabWidget>

#include "platform/Airs.h"
#include "ui/fenetre/BarreFiltre.h"
#include "ui/fenetre/UFormPrincipale.h"

namespace kestrane {

void TForm1::creerBarreFiltre() {
    barreFiltre_ = new BarreFiltre(
        this,
        [this] {
            // Only results shown are made again; otherwise the next Analyse applies it.
            if (PageControl1->isTabVisible(1)) executer([this] { analyserJournal(); });
        },
        [this](const QString& erreur) {
            afficherStatut(erreur);
            bipErreur(bip_);
        });
    addToolBar(Qt::TopToolBarArea, barreFiltre_);
    auto* raccourci = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    raccourci->setObjectName(QStringLiteral("raccourciFiltre"));
    connect(raccourci, &QShortcut::activated, this, [this] { barreFiltre_->saisir(); });
}

void TForm1::filtrerSur(SorteEntree sorte, const std::string& libelle, bool exclure) {
    const std::string terme = termePourEntree(sorte, libelle, exclure);
    if (!terme.empty()) barreFiltre_->ajouterTerme(terme);
}

}  // namespace kestrane
