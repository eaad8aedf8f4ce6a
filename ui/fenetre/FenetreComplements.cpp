// The window's side of the "Compléments" page: its tab, its item in "Outils" (remembered between
// runs) and F2. Its figures are those of the analysis (ControleurAnalyse).
#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/fenetre/ControleurAnalyse.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/complements/PageComplements.h"

namespace kestrane {

namespace {

constexpr int kIndexOnglet = 3;
const char* const kCleAfficher = "complements/afficher";
const char* const kCleDetail = "complements/detailEntrees";

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

    // The figures of each file, site and address: counted by the next Analyse, when the
    // Compléments are shown.
    menuDetailEntrees =
        menuOutils->addAction(QStringLiteral("D\u00e9tail par &entr\u00e9e des compl\u00e9ments"));
    menuDetailEntrees->setObjectName(QStringLiteral("menuDetailEntrees"));
    menuDetailEntrees->setCheckable(true);
    menuDetailEntrees->setChecked(reglages().value(QLatin1String(kCleDetail), false).toBool());
    connect(menuDetailEntrees, &QAction::toggled, this,
            [](bool coche) { reglages().setValue(QLatin1String(kCleDetail), coche); });

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

void TForm1::menuAfficherComplementsClick(bool coche) {
    executer([this, coche] {
        reglages().setValue(QLatin1String(kCleAfficher), coche);
        const bool analyse = PageControl1->isTabVisible(1);
        if (coche && analyse) controleur_->afficherComplements();
        PageControl1->setTabVisible(kIndexOnglet, coche && analyse);
        actionComplementsDevant->setEnabled(coche && analyse);
    });
}

}  // namespace kestrane
