// "Période analysée": the whole journal, or the lines from one date and time to another (both
// included), for the next Analyse.
#pragma once

#include <QDateTime>
#include <QDialog>

#include "core/analyse/Complements.h"

class QDateTimeEdit;
class QRadioButton;

namespace kestrane {

class DialoguePeriode : public QDialog {
    Q_OBJECT
  public:
    explicit DialoguePeriode(QWidget* parent = nullptr);

    // Shows `periode`; the editors are kept within [premiere, derniere] when the journal's first
    // and last dates are known (`bornes`).
    void preparer(const PeriodeAnalyse& periode, bool bornes, Instant premiere, Instant derniere);
    PeriodeAnalyse periode() const;

    static QDateTime versDateHeure(Instant i);
    static Instant versInstant(const QDateTime& d);

  private:
    QRadioButton *radioPeriodeTout, *radioPeriodeDu;
    QDateTimeEdit *cbPeriodeDebut, *cbPeriodeFin;
};

// " du 01/02/2026 00:00:00 au 02/02/2026 23:59:59"
QString texteDePeriode(const PeriodeAnalyse& periode);

}  // namespace kestrane
