#include "ui/fenetre/BaseGeolocalisation.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

#include "core/audience/BasePays.h"
#include "core/journal/Erreur.h"
#include "ui/dialogues/Dialogues.h"
#include "ui/fenetre/ExecuteurCommandes.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

const char* const kCleBase = "audience/baseGeolocalisation";

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

// The error's message with the path as the system gave it.
QString message(const ErreurKestrane& e) {
    if (const auto* b = dynamic_cast<const ErreurBasePays*>(&e)) {
        return QLatin1Char('"') + QString::fromStdString(b->chemin()) + QLatin1Char('"') +
               depuis1252(kBaseIllisible);
    }
    return depuis1252(e.message());
}

}  // namespace

ChoixBaseGeolocalisation::ChoixBaseGeolocalisation(
    QMenu* outils, QWidget* fenetre, DialogueFichier& dialogue,
    std::function<void(const std::function<void()>&)> executer, std::function<void()> apresChoix,
    std::function<void(const QString&)> signaler)
    : QObject(fenetre),
      fenetre_(fenetre),
      dialogue_(dialogue),
      executer_(std::move(executer)),
      apresChoix_(std::move(apresChoix)),
      signaler_(std::move(signaler)) {
    QAction* action = outils->addAction(QStringLiteral("Base de &g\u00e9olocalisation..."));
    action->setObjectName(QStringLiteral("menuBaseGeolocalisation"));
    dialogue_.changerTitre(QStringLiteral("Base de g\u00e9olocalisation"));
    dialogue_.changerFiltre(QStringLiteral("Base MaxMind DB|*.mmdb|Tous les fichiers|*"));
    connect(action, &QAction::triggered, this, [this] { executer_([this] { choisir(); }); });
}

ChoixBaseGeolocalisation::~ChoixBaseGeolocalisation() = default;

QString ChoixBaseGeolocalisation::chemin() const {
    const QString choisi = reglages().value(QLatin1String(kCleBase)).toString();
    if (!choisi.isEmpty()) return choisi;
    return QString::fromStdString(chercherBasePays());
}

std::shared_ptr<const BasePays> ChoixBaseGeolocalisation::base() {
    const QString c = chemin();
    if (c.isEmpty()) return nullptr;
    if (c == cheminOuvert_) return base_;
    cheminOuvert_ = c;
    base_.reset();
    try {
        base_ = std::make_shared<const BasePays>(c.toStdString());
    } catch (const ErreurKestrane& e) {
        if (signaler_) signaler_(message(e));
    }
    return base_;
}

void ChoixBaseGeolocalisation::choisir() {
    dialogue_.changerNomFichier(chemin());
    if (!dialogue_.executer(fenetre_)) return;
    const QString c = dialogue_.nomFichier();
    std::shared_ptr<const BasePays> base;
    try {
        base = std::make_shared<const BasePays>(c.toStdString());
    } catch (const ErreurKestrane& e) {
        // The choice before stays.
        throw ErreurAffichable{message(e)};
    }
    reglages().setValue(QLatin1String(kCleBase), c);
    cheminOuvert_ = c;
    base_ = std::move(base);
    if (apresChoix_) apresChoix_();
}

}  // namespace kestrane
