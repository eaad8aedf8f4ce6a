#include "ui/dialogues/DialoguePeriode.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

namespace kestrane {

namespace {

QDateTimeEdit* editeur(const char* nom) {
    auto* e = new QDateTimeEdit;
    e->setObjectName(QString::fromLatin1(nom));
    e->setLocale(QLocale(QLocale::French, QLocale::France));
    // The log's times are shown as written: no zone, no daylight saving moves them.
    e->setTimeSpec(Qt::UTC);
    e->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    e->setCalendarPopup(true);
    return e;
}

}  // namespace

DialoguePeriode::DialoguePeriode(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialoguePeriode"));
    setWindowTitle(QStringLiteral("P\u00e9riode analys\u00e9e"));
    auto* l = new QVBoxLayout(this);
    radioPeriodeTout = new QRadioButton(QStringLiteral("Tout le journal"));
    radioPeriodeTout->setObjectName(QStringLiteral("radioPeriodeTout"));
    radioPeriodeDu = new QRadioButton(QStringLiteral("Du"));
    radioPeriodeDu->setObjectName(QStringLiteral("radioPeriodeDu"));
    cbPeriodeDebut = editeur("cbPeriodeDebut");
    cbPeriodeFin = editeur("cbPeriodeFin");
    auto* grille = new QGridLayout;
    grille->addWidget(radioPeriodeTout, 0, 0, 1, 4);
    grille->addWidget(radioPeriodeDu, 1, 0);
    grille->addWidget(cbPeriodeDebut, 1, 1);
    grille->addWidget(new QLabel(QStringLiteral("au")), 1, 2);
    grille->addWidget(cbPeriodeFin, 1, 3);
    l->addLayout(grille);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    boutons->setObjectName(QStringLiteral("boutonsPeriode"));
    l->addWidget(boutons);
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto activer = [this] {
        cbPeriodeDebut->setEnabled(radioPeriodeDu->isChecked());
        cbPeriodeFin->setEnabled(radioPeriodeDu->isChecked());
    };
    connect(radioPeriodeDu, &QRadioButton::toggled, this, activer);
    // The end never comes before the start.
    connect(cbPeriodeDebut, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& d) {
        if (cbPeriodeFin->dateTime() < d) cbPeriodeFin->setDateTime(d);
    });
    connect(cbPeriodeFin, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& d) {
        if (cbPeriodeDebut->dateTime() > d) cbPeriodeDebut->setDateTime(d);
    });
    radioPeriodeTout->setChecked(true);
    activer();
}

QDateTime DialoguePeriode::versDateHeure(Instant i) {
    return QDateTime::fromSecsSinceEpoch(i.secondes, Qt::UTC);
}

Instant DialoguePeriode::versInstant(const QDateTime& d) {
    return Instant{d.toSecsSinceEpoch()};
}

void DialoguePeriode::preparer(const PeriodeAnalyse& periode, bool bornes, Instant premiere,
                               Instant derniere) {
    if (premiere.secondes > derniere.secondes) std::swap(premiere, derniere);
    for (QDateTimeEdit* e : {cbPeriodeDebut, cbPeriodeFin}) {
        if (bornes) {
            e->setDateTimeRange(versDateHeure(premiere), versDateHeure(derniere));
        } else {
            e->clearMinimumDateTime();
            e->clearMaximumDateTime();
        }
    }
    const QDateTime maintenant(QDate::currentDate(), QTime(0, 0), Qt::UTC);
    cbPeriodeDebut->setDateTime(periode.active ? versDateHeure(periode.debut)
                                : bornes       ? versDateHeure(premiere)
                                               : maintenant);
    cbPeriodeFin->setDateTime(periode.active ? versDateHeure(periode.fin)
                              : bornes       ? versDateHeure(derniere)
                                             : maintenant);
    (periode.active ? radioPeriodeDu : radioPeriodeTout)->setChecked(true);
}

PeriodeAnalyse DialoguePeriode::periode() const {
    PeriodeAnalyse p;
    p.active = radioPeriodeDu->isChecked();
    p.debut = versInstant(cbPeriodeDebut->dateTime());
    p.fin = versInstant(cbPeriodeFin->dateTime());
    return p;
}

QString texteDePeriode(const PeriodeAnalyse& periode) {
    if (!periode.active) return {};
    return QStringLiteral(" du ") + QString::fromStdString(texteInstant(periode.debut)) +
           QStringLiteral(" au ") + QString::fromStdString(texteInstant(periode.fin));
}

}  // namespace kestrane
