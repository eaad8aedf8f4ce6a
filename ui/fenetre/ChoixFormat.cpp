#include "ui/fenetre/ChoixFormat.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <optional>

#include "core/journal/Erreur.h"
#include "core/journal/Journal.h"
#include "ui/dialogues/DialogueFormat.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

const QString kCle = QStringLiteral("analyse/formatJournal");

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

}  // namespace

ChoixFormat::ChoixFormat(QMenu* outils, QWidget* fenetre,
                         std::function<void(const std::function<void()>&)> executer,
                         std::function<const Journal&()> journal)
    : QObject(fenetre),
      executer_(std::move(executer)),
      journal_(std::move(journal)),
      dialogue_(new DialogueFormat(fenetre)) {
    QAction* menu = outils->addAction(QStringLiteral("&Format du journal..."));
    menu->setObjectName(QStringLiteral("menuFormatJournal"));
    connect(menu, &QAction::triggered, this, [this] {
        executer_([this] {
            dialogue_->preparer(choix_, journal_());
            dialogue_->open();
        });
    });
    connect(dialogue_, &QDialog::accepted, this, [this] { choisir(dialogue_->choix()); });
    // A saved choice that no longer reads (edited by hand) is the default.
    const QString saved = reglages().value(kCle).toString();
    try {
        if (!saved.isEmpty()) resoudreFormat(vers1252(saved));
        choix_ = saved;
    } catch (const ErreurKestrane&) {
        choix_.clear();
    }
}

void ChoixFormat::choisir(const QString& choix) {
    choix_ = choix == QStringLiteral("combine") ? QString() : choix;
    reglages().setValue(kCle, choix_);
}

void ChoixFormat::appliquer(OptionsAnalyse& options) const {
    options.format = FormatJournal();
    options.formatAutomatique = false;
    if (choix_.isEmpty()) return;
    try {
        const std::optional<FormatJournal> f = resoudreFormat(vers1252(choix_));
        options.formatAutomatique = !f;
        if (f) options.format = *f;
    } catch (const ErreurKestrane&) {
        // Checked when chosen: only a string changed behind the program's back gets here.
    }
}

QString texteFormatStatut(const ResultatAnalyse& r) {
    if (r.format.estDefaut() && !r.formatAutomatique) return {};
    QString s = QStringLiteral(" (format : ") + depuis1252(r.format.libelle());
    if (r.formatAutomatique) s += QStringLiteral(", d\u00e9tect\u00e9");
    return s + QStringLiteral(")");
}

}  // namespace kestrane
