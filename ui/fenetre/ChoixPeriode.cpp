#include "ui/fenetre/ChoixPeriode.h"

#include <QAction>
#include <QMenu>

#include "core/analyse/AnalyseFormat.h"
#include "core/journal/Journal.h"
#include "ui/dialogues/DialoguePeriode.h"

namespace kestrane {

ChoixPeriode::ChoixPeriode(QMenu* outils, QWidget* fenetre,
                           std::function<void(const std::function<void()>&)> executer,
                           std::function<const Journal&()> journal, std::function<bool()> souple)
    : QObject(fenetre),
      executer_(std::move(executer)),
      journal_(std::move(journal)),
      souple_(std::move(souple)),
      dialogue_(new DialoguePeriode(fenetre)) {
    QAction* menuPeriode = outils->addAction(QStringLiteral("&P\u00e9riode analys\u00e9e..."));
    menuPeriode->setObjectName(QStringLiteral("menuPeriode"));
    connect(menuPeriode, &QAction::triggered, this, [this] { menuPeriodeClick(); });
    connect(dialogue_, &QDialog::accepted, this, [this] { periode_ = dialogue_->periode(); });
}

void ChoixPeriode::menuPeriodeClick() {
    executer_([this] {
        const Journal& journal = journal_();
        Instant premiere, derniere;
        const std::size_t n = journal.nbLignes();
        const bool souple = souple_();
        const FormatJournal format = format_ ? format_() : FormatJournal();
        const bool bornes = format.estDefaut()
                                ? n > 0 && instantDeLigne(journal.ligne(0), premiere, souple) &&
                                      instantDeLigne(journal.ligne(n - 1), derniere, souple)
                                : bornesDuJournal(journal, format, premiere, derniere);
        dialogue_->preparer(periode_, bornes, premiere, derniere);
        dialogue_->open();
    });
}

bool ChoixPeriode::oublier() {
    const bool choisie = periode_.active;
    periode_ = PeriodeAnalyse();
    return choisie;
}

QString texteHorsPeriode(std::size_t n) {
    return QStringLiteral(" (%1 %2 hors p\u00e9riode)")
        .arg(n)
        .arg(n > 1 ? QStringLiteral("lignes") : QStringLiteral("ligne"));
}

}  // namespace kestrane
