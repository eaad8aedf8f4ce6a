// The window's side of the base of days: "Fichier" > "Ouvrir une base d'historique..." (an
// SQLite file or a postgresql:// address, remembered with the server name the journals are added
// under), "Ajouter à la base" for the journal loaded, and the "Historique" page, shown once a
// base is open. Every read and feed runs off the window's thread while it keeps painting.
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

#include "cli/LigneDeCommande.h"
#include "cli/MessagesCommande.h"
#include "core/historique/BaseJours.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/ChoixFormat.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/historique/PageHistorique.h"

namespace kestrane {

namespace {

const char* const kCleBase = "historique/base";
const char* const kCleServeur = "historique/serveur";

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

// The dialog of "Ouvrir une base d'historique...": the base's address and the server name.
std::optional<std::pair<QString, QString>> dialogueBase(QWidget* parent, const QString& adresse,
                                                        const QString& serveur) {
    QDialog d(parent);
    d.setObjectName(QStringLiteral("dialogueBase"));
    d.setWindowTitle(QStringLiteral("Base d'historique - Kestrane"));
    auto* f = new QFormLayout(&d);
    auto* champ = new QLineEdit(adresse);
    champ->setObjectName(QStringLiteral("editAdresseBase"));
    champ->setPlaceholderText(QStringLiteral("fichier SQLite ou postgresql://..."));
    champ->setMinimumWidth(380);
    auto* parcourir = new QPushButton(QStringLiteral("&Parcourir..."));
    auto* ligne = new QHBoxLayout;
    ligne->addWidget(champ, 1);
    ligne->addWidget(parcourir);
    auto* etiquette = new QLabel(QStringLiteral("&Base :"));
    etiquette->setBuddy(champ);  // a row of a layout gets no buddy by itself
    f->addRow(etiquette, ligne);
    auto* nom = new QLineEdit(serveur);
    nom->setObjectName(QStringLiteral("editServeurBase"));
    f->addRow(QStringLiteral("&Serveur des journaux ajout\u00e9s :"), nom);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    f->addRow(boutons);
    QObject::connect(parcourir, &QPushButton::clicked, &d, [&d, champ] {
        // A new file is a new base: the dialog does not ask for an existing one.
        const QString chemin = QFileDialog::getSaveFileName(
            &d, QStringLiteral("Base d'historique"), champ->text(),
            QStringLiteral("Base SQLite (*.sqlite *.db);;Tous les fichiers (*)"), nullptr,
            QFileDialog::DontConfirmOverwrite);
        if (!chemin.isEmpty()) champ->setText(chemin);
    });
    QObject::connect(boutons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(boutons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted || champ->text().trimmed().isEmpty()) return std::nullopt;
    return std::pair{champ->text().trimmed(), nom->text().trimmed()};
}

}  // namespace

void TForm1::creerHistorique() {
    demanderBase = [this](const QString& adresse, const QString& serveur) {
        return dialogueBase(this, adresse, serveur);
    };
    menuOuvrirBase = new QAction(QStringLiteral("Ouvrir une &base d'historique..."), this);
    menuOuvrirBase->setObjectName(QStringLiteral("menuOuvrirBase"));
    menuAjouterBase = new QAction(QStringLiteral("&Ajouter \u00e0 la base"), this);
    menuAjouterBase->setObjectName(QStringLiteral("menuAjouterBase"));
    // Before the separator above "Quitter", after the exports.
    QAction* avant = findChild<QAction*>(QStringLiteral("N1"));
    menuFichier->insertAction(avant, menuOuvrirBase);
    menuFichier->insertAction(avant, menuAjouterBase);
    connect(menuOuvrirBase, &QAction::triggered, this,
            [this] { executer([this] { ouvrirBaseHistorique(); }); });
    connect(menuAjouterBase, &QAction::triggered, this,
            [this] { executer([this] { ajouterALaBase(); }); });

    ongletHistorique = new QWidget;
    ongletHistorique->setObjectName(QStringLiteral("ongletHistorique"));
    auto* l = new QVBoxLayout(ongletHistorique);
    l->setContentsMargins(0, 0, 0, 0);
    // In a scroll area: the page's controls never make the window wider than its other pages do.
    auto* defilement = new QScrollArea;
    defilement->setWidgetResizable(true);
    defilement->setFrameShape(QFrame::NoFrame);
    pageHistorique = new PageHistorique;
    defilement->setWidget(pageHistorique);
    l->addWidget(defilement);
    const int index = PageControl1->addTab(ongletHistorique, QStringLiteral("Historique"));
    ongletHistorique->setAccessibleName(QStringLiteral("Historique"));
    PageControl1->setTabVisible(index, false);
}

bool TForm1::ouvrirBaseHistorique() {
    QSettings r = reglages();
    const auto choix = demanderBase(
        r.value(QLatin1String(kCleBase)).toString(),
        r.value(QLatin1String(kCleServeur), QString::fromStdString(nomDeLaMachine())).toString());
    if (!choix) return false;
    r.setValue(QLatin1String(kCleBase), choix->first);
    r.setValue(QLatin1String(kCleServeur), choix->second);
    ouvrirBaseHistorique(choix->first);
    return true;
}

void TForm1::ouvrirBaseHistorique(const QString& adresse) {
    afficherStatut(QStringLiteral("Ouverture de la base d'historique..."));
    std::unique_ptr<BaseJours> base;
    std::vector<std::string> serveurs;
    Historique tout;
    const std::string a = adresse.toStdString();
    enFond([&] {
        base = std::make_unique<BaseJours>(a);
        serveurs = base->serveurs();
        tout = base->lire();
    });
    baseHistorique_ = std::move(base);
    pageHistorique->ouvrir(
        adresse, std::move(serveurs), std::move(tout),
        [this](const std::string& serveur, std::optional<int64_t> premier,
               std::optional<int64_t> dernier) {
            Historique h;
            enFond([&] { h = baseHistorique_->lire(serveur, premier, dernier); });
            return h;
        },
        [this](const std::function<void()>& c) { executer(c); });
    PageControl1->setTabVisible(PageControl1->indexOf(ongletHistorique), true);
    PageControl1->setCurrentWidget(ongletHistorique);
    afficherStatut(QStringLiteral("Base d'historique ouverte"));
}

void TForm1::ajouterALaBase() {
    if (fichiersJournal_.isEmpty()) {
        afficherStatut(QStringLiteral("Pas de journal \u00e0 ajouter"));
        return;
    }
    OptionsAnalyse o;
    choixFormat_->appliquer(o);
    if (!o.format.estDefaut() || o.formatAutomatique) {
        throw ErreurAffichable{QString::fromUtf8(kBaseFormatCombine.c_str())};
    }
    if (!baseHistorique_ && !ouvrirBaseHistorique()) return;
    o.ignorerNonConformes = optionLignes_->active();
    std::vector<std::string> chemins;
    for (const QString& f : fichiersJournal_) chemins.push_back(f.toStdString());
    const std::string serveur =
        reglages()
            .value(QLatin1String(kCleServeur), QString::fromStdString(nomDeLaMachine()))
            .toString()
            .toStdString();
    afficherStatut(QStringLiteral("Ajout \u00e0 la base d'historique..."));
    std::size_t lignes = 0;
    std::vector<std::string> serveurs;
    enFond([&] {
        for (const AjoutFichier& a :
             baseHistorique_->ajouter(chemins, serveur.empty() ? nomDeLaMachine() : serveur, o)) {
            lignes += a.lignes;
        }
        serveurs = baseHistorique_->serveurs();
    });
    pageHistorique->relire(std::move(serveurs));
    PageControl1->setTabVisible(PageControl1->indexOf(ongletHistorique), true);
    afficherStatut(QString::fromStdString(
        texteAjoutBase(lignes, chemins.size(), serveur.empty() ? nomDeLaMachine() : serveur)));
}

}  // namespace kestrane
