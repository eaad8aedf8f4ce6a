// The traffic by day of the Compléments page: its grid, its chart of requests, bytes and
// visitors, and the chart's tooltip.
#include <QAbstractTableModel>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPieSeries>
#include <QPieSlice>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "core/analyse/ResumeAudience.h"
#include "core/journal/Calendrier.h"
#include "ui/pages/complements/GrilleTitree.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/pages/complements/TablesAudience.h"
#include "ui/pages/complements/TextesComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

using namespace complements;

void PageComplements::afficherJours(const Complements& c, const Audience* audience) {
    joursAffiches_ = c.jours;
    const std::vector<JourAudience> visiteurs =
        audience ? joursAudience(c, *audience) : std::vector<JourAudience>();
    std::vector<TableauComplements::Ligne> lignes;
    int64_t maxOctets = 0;
    for (std::size_t k = 0; k < c.jours.size(); ++k) {
        const CompteJour& j = c.jours[k];
        lignes.push_back({{dateDuJour(j), QVariant::fromValue<qlonglong>(
                                              joursDepuisEpoque(j.annee, j.mois, j.jour))},
                          {francais(j.requetes), QVariant::fromValue<qlonglong>(j.requetes)},
                          {enOctets(j.octets), QVariant::fromValue<qlonglong>(j.octets)}});
        if (audience) {
            const JourAudience& v = visiteurs[k];
            lignes.back().push_back(
                {francais(v.visiteurs), QVariant::fromValue<qlonglong>(v.visiteurs)});
            lignes.back().push_back(
                {francais(v.visites), QVariant::fromValue<qlonglong>(v.visites)});
        } else {
            lignes.back().resize(5, {QString(), QVariant::fromValue<qlonglong>(0)});
        }
        maxOctets = std::max(maxOctets, j.octets);
    }
    jours_->remplir(std::move(lignes));
    for (int colonne : {3, 4}) jours_->vue()->setColumnHidden(colonne, audience == nullptr);

    // Bytes on the right axis in the unit of the largest day.
    static const char* const kUnites[] = {"octets", "Ko", "Mo", "Go", "To"};
    int unite = 0;
    double diviseur = 1;
    while (unite < 4 && static_cast<double>(maxOctets) / diviseur >= 1024) {
        diviseur *= 1024;
        ++unite;
    }

    QChart* graphe = grapheJours_->chart();
    graphe->removeAllSeries();
    axeJours_ = nullptr;
    for (QAbstractAxis* a : graphe->axes()) {
        graphe->removeAxis(a);
        delete a;
    }
    auto* requetes = new QLineSeries;
    requetes->setName(QStringLiteral("Requ\u00eates"));
    auto* octets = new QLineSeries;
    octets->setName(QStringLiteral("Octets (%1)").arg(QString::fromLatin1(kUnites[unite])));
    QList<QPointF> pr, po;
    double maxRequetes = 0;
    for (const CompteJour& j : c.jours) {
        // Noon of the day in local time, which is what the axis shows: its label is that day.
        const QDateTime d(QDate(j.annee, j.mois, j.jour), QTime(12, 0));
        const double x = static_cast<double>(d.toMSecsSinceEpoch());
        pr.append({x, static_cast<double>(j.requetes)});
        po.append({x, static_cast<double>(j.octets) / diviseur});
        maxRequetes = std::max(maxRequetes, static_cast<double>(j.requetes));
    }
    // The visitors share the requests' axis: never more than their requests.
    QLineSeries* visiteursJour = nullptr;
    if (audience) {
        visiteursJour = new QLineSeries;
        visiteursJour->setName(QStringLiteral("Visiteurs uniques"));
        QList<QPointF> pv;
        for (std::size_t k = 0; k < visiteurs.size(); ++k) {
            pv.append(
                {pr[static_cast<qsizetype>(k)].x(), static_cast<double>(visiteurs[k].visiteurs)});
        }
        visiteursJour->replace(pv);
        visiteursJour->setPointsVisible(c.jours.size() <= 62);
    }
    requetes->replace(pr);
    octets->replace(po);
    requetes->setPointsVisible(c.jours.size() <= 62);
    octets->setPointsVisible(c.jours.size() <= 62);
    graphe->addSeries(requetes);
    graphe->addSeries(octets);
    requetes->setColor(QColor(0x3b, 0x78, 0xc4));
    octets->setColor(QColor(0xf0, 0x8c, 0x00));

    // Each day named under its point (etiqueterJours); evenly spaced ticks of a date axis fell
    // between the days and named some twice and others not at all.
    auto* axeX = new QCategoryAxis;
    axeX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axeX->setTruncateLabels(false);  // spaced by etiqueterJours, which leaves them room
    if (!pr.isEmpty()) {
        // A single day still gets a range to be drawn in.
        const double demiJour = 12.0 * 3600 * 1000;
        axeX->setStartValue(pr.front().x() - demiJour);
        axeX->setRange(pr.front().x() - demiJour, pr.back().x() + demiJour);
    }
    auto* axeRequetes = new QValueAxis;
    axeRequetes->setTitleText(requetes->name());
    axeRequetes->setLabelFormat(QStringLiteral("%.0f"));
    axeRequetes->setRange(0, std::max(1.0, maxRequetes * 1.05));
    axeRequetes->setLinePenColor(requetes->color());
    auto* axeOctets = new QValueAxis;
    axeOctets->setTitleText(octets->name());
    axeOctets->setLabelFormat(QStringLiteral("%.1f"));
    axeOctets->setRange(0, std::max(1.0, static_cast<double>(maxOctets) / diviseur * 1.05));
    axeOctets->setLinePenColor(octets->color());
    graphe->addAxis(axeX, Qt::AlignBottom);
    axeJours_ = axeX;
    pasJours_ = 0;
    graphe->addAxis(axeRequetes, Qt::AlignLeft);
    graphe->addAxis(axeOctets, Qt::AlignRight);
    requetes->attachAxis(axeX);
    requetes->attachAxis(axeRequetes);
    octets->attachAxis(axeX);
    octets->attachAxis(axeOctets);
    if (visiteursJour) {
        graphe->addSeries(visiteursJour);
        visiteursJour->setColor(QColor(0x3c, 0x9d, 0x3c));
        visiteursJour->attachAxis(axeX);
        visiteursJour->attachAxis(axeRequetes);
    }

    const auto bulle = [this](QLineSeries* s) {
        connect(s, &QLineSeries::hovered, this, [this, s](const QPointF& p, bool survol) {
            if (!survol || joursAffiches_.empty()) {
                QToolTip::hideText();
                return;
            }
            // The day nearest to the pointer.
            const auto& points = s->points();
            int k = 0;
            for (int i = 1; i < points.size(); ++i) {
                if (std::fabs(points[i].x() - p.x()) < std::fabs(points[k].x() - p.x())) k = i;
            }
            QToolTip::showText(QCursor::pos(), bulleJour(k), grapheJours_);
        });
    };
    bulle(requetes);
    bulle(octets);
    etiqueterJours();
}

void PageComplements::etiqueterJours() {
    if (axeJours_ == nullptr || joursAffiches_.empty() || etiquetage_) return;
    const int n = static_cast<int>(joursAffiches_.size());
    const auto date = [this](int k) {
        const CompteJour& j = joursAffiches_[static_cast<std::size_t>(k)];
        return QDate(j.annee, j.mois, j.jour);
    };
    // The year only when a day and month could come back.
    const QString format =
        date(0).daysTo(date(n - 1)) < 365 ? QStringLiteral("dd/MM") : QStringLiteral("dd/MM/yy");
    const double largeur = QFontMetricsF(axeJours_->labelsFont())
                               .horizontalAdvance(QDate(2000, 12, 28).toString(format)) +
                           10;
    const double place = grapheJours_->chart()->plotArea().width();
    const int pas = place >= 1 ? std::max(1, static_cast<int>(std::ceil(n * largeur / place))) : 1;
    if (pas == pasJours_) return;
    etiquetage_ = true;
    pasJours_ = pas;
    for (const QString& libelle : axeJours_->categoriesLabels()) axeJours_->remove(libelle);
    for (int k = 0; k < n; k += pas) {
        // Noon of the day, where its point stands.
        const double x = static_cast<double>(QDateTime(date(k), QTime(12, 0)).toMSecsSinceEpoch());
        axeJours_->append(date(k).toString(format), x);
    }
    etiquetage_ = false;
}

QString PageComplements::bulleJour(int k) const {
    if (k < 0 || k >= static_cast<int>(joursAffiches_.size())) return {};
    const CompteJour& j = joursAffiches_[static_cast<std::size_t>(k)];
    return QStringLiteral("%1 : %2 %3, %4")
        .arg(dateDuJour(j), francais(j.requetes), requetes(j.requetes), enOctets(j.octets));
}

}  // namespace kestrane
