#include "ui/fenetre/FichiersRecents.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QVariant>
#include <algorithm>

#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

const QString kCle = QStringLiteral("fichiersRecents");

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

// The local files of a drag, or nothing when any of it is not a local file.
QStringList fichiersLocaux(const QMimeData* donnees) {
    QStringList fichiers;
    if (!donnees || !donnees->hasUrls()) return fichiers;
    for (const QUrl& url : donnees->urls()) {
        if (!url.isLocalFile()) return {};
        fichiers << url.toLocalFile();
    }
    return fichiers;
}

// A menu caption shows "&" as itself only when doubled.
QString sansRaccourci(QString texte) {
    return texte.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

FichiersRecents::FichiersRecents(TForm1& fenetre, QMenu* menuFichier)
    : QObject(&fenetre), fenetre_(fenetre) {
    setObjectName(QStringLiteral("fichiersRecents"));
    // "&r" is the report export's, in the same menu.
    menu_ = new QMenu(QStringLiteral("&Fichiers r\u00e9cents"), menuFichier);
    menu_->setObjectName(QStringLiteral("menuFichiersRecents"));
    QAction* apres = menuFichier->findChild<QAction*>(QStringLiteral("menuChargerJournal"));
    const QList<QAction*> actions = menuFichier->actions();
    const qsizetype k = actions.indexOf(apres);
    QAction* avant = k >= 0 && k + 1 < actions.size() ? actions[k + 1] : nullptr;
    menuFichier->insertMenu(avant, menu_);

    for (const QVariant& v : reglages().value(kCle).toList()) {
        const QStringList fichiers = v.toStringList();
        if (!fichiers.isEmpty() && !journaux_.contains(fichiers)) journaux_ << fichiers;
        if (journaux_.size() == kNombre) break;
    }
    remplirMenu();
    // A file may have gone since the menu was filled.
    connect(menu_, &QMenu::aboutToShow, this, [this] { remplirMenu(); });

    fenetre.setAcceptDrops(true);
    fenetre.installEventFilter(this);
}

void FichiersRecents::ajouter(const QStringList& fichiers) {
    if (fichiers.isEmpty()) return;
    journaux_.removeAll(fichiers);
    journaux_.prepend(fichiers);
    while (journaux_.size() > kNombre) journaux_.removeLast();
    enregistrer();
    remplirMenu();
}

void FichiersRecents::enregistrer() const {
    QVariantList liste;
    for (const QStringList& fichiers : journaux_) liste << QVariant(fichiers);
    QSettings r = reglages();
    r.setValue(kCle, liste);
}

void FichiersRecents::remplirMenu() {
    menu_->clear();
    for (qsizetype k = 0; k < journaux_.size(); ++k) {
        const QStringList& fichiers = journaux_[k];
        QString texte;
        if (fichiers.size() == 1) {
            texte = fichiers[0];
        } else {
            QStringList noms;
            for (const QString& f : fichiers) noms << nomFichier(f);
            texte = QStringLiteral("%1 fichiers : ").arg(fichiers.size()) +
                    noms.join(QStringLiteral(", "));
        }
        const bool present = std::all_of(fichiers.begin(), fichiers.end(),
                                         [](const QString& f) { return QFileInfo::exists(f); });
        if (!present) texte += QStringLiteral(" (introuvable)");
        QAction* a = menu_->addAction(QStringLiteral("&%1 ").arg(k + 1) + sansRaccourci(texte));
        a->setObjectName(QStringLiteral("menuFichierRecent%1").arg(k + 1));
        a->setEnabled(present);
        a->setToolTip(bulleTexte(fichiers.join(QLatin1Char('\n'))));
        connect(a, &QAction::triggered, this, [this, fichiers] {
            fenetre_.executer([this, fichiers] { fenetre_.chargerSansDialogue(fichiers); });
        });
    }
    menu_->menuAction()->setEnabled(!journaux_.isEmpty());
}

bool FichiersRecents::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet != &fenetre_) return QObject::eventFilter(objet, evenement);
    if (evenement->type() == QEvent::DragEnter || evenement->type() == QEvent::DragMove) {
        auto* e = static_cast<QDropEvent*>(evenement);
        if (fichiersLocaux(e->mimeData()).isEmpty()) return false;
        e->acceptProposedAction();
        return true;
    }
    if (evenement->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(evenement);
        const QStringList fichiers = fichiersLocaux(e->mimeData());
        if (fichiers.isEmpty()) return false;
        e->acceptProposedAction();
        // Once the drop has ended: the program the files come from is not kept waiting.
        QMetaObject::invokeMethod(
            this,
            [this, fichiers] {
                fenetre_.executer([this, fichiers] { fenetre_.chargerSansDialogue(fichiers); });
            },
            Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(objet, evenement);
}

}  // namespace kestrane
