// The Compléments sub-page of the fields beyond the combined format.
#include <QFont>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/analyse/Complements.h"
#include "ui/pages/complements/GrilleTitree.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

QString nombre(int64_t n) {
    return depuis1252(nombreFrancais(n));
}

// Microseconds as milliseconds, "12,345", sorted by the microseconds.
TableauComplements::Cellule ms(int64_t us) {
    return {QStringLiteral("%1,%2").arg(us / 1000).arg(us % 1000, 3, 10, QLatin1Char('0')),
            QVariant::fromValue<qlonglong>(us)};
}

}  // namespace

void PageComplements::afficherEnPlus(const TablesEnPlus& t) {
    QStringList resume = lignesResumeComplements_;
    if (t.requetesAvecTemps > 0) {
        resume << QStringLiteral("Temps de r\u00e9ponse moyen : ") + ms(t.tempsMoyen).texte +
                      QStringLiteral(" ms")
               << QStringLiteral("95e centile du temps de r\u00e9ponse : ") + ms(t.temps95).texte +
                      QStringLiteral(" ms");
    }
    ecrireResume(resume);
    const bool montrer = !t.hotes.empty() || !t.temps.empty();
    if (!ongletEnPlus_) {
        if (!montrer) return;
        auto* s = new QSplitter(Qt::Horizontal);
        hotes_ = new TableauComplements(
            QStringLiteral("tableauComplementsHotes"),
            {QStringLiteral("H\u00f4te virtuel"), QStringLiteral("Requ\u00eates"),
             QStringLiteral("Octets"), QStringLiteral("Part")},
            1, Qt::DescendingOrder);
        temps_ = new TableauComplements(
            QStringLiteral("tableauComplementsTemps"),
            {QStringLiteral("Fichier charg\u00e9"), QStringLiteral("Requ\u00eates"),
             QStringLiteral("Moyenne (ms)"), QStringLiteral("M\u00e9diane (ms)"),
             QStringLiteral("95e centile (ms)"), QStringLiteral("Maximum (ms)")},
            2, Qt::DescendingOrder);
        s->addWidget(grilleTitree(QStringLiteral("H\u00f4tes virtuels"), hotes_));
        s->addWidget(grilleTitree(QStringLiteral("Temps de r\u00e9ponse"), temps_));
        ongletEnPlus_ = s;
        ongletEnPlus_->setObjectName(QStringLiteral("ongletComplementsEnPlus"));
    }
    const int index = onglets_->indexOf(ongletEnPlus_);
    if (!montrer) {
        if (index >= 0) onglets_->removeTab(index);
        return;
    }
    if (index < 0) {
        onglets_->addTab(ongletEnPlus_, QStringLiteral("H\u00f4tes et temps de r\u00e9ponse"));
    }
    std::vector<TableauComplements::Ligne> h;
    for (const LigneHoteVirtuel& l : t.hotes) {
        const QString nom = depuis1252(l.hote);
        h.push_back({{nom, nom},
                     {nombre(l.requetes), QVariant::fromValue<qlonglong>(l.requetes)},
                     {nombre(l.octets), QVariant::fromValue<qlonglong>(l.octets)},
                     {depuis1252(pourcentFrancais(100.0 * l.part)), l.part}});
    }
    hotes_->remplir(std::move(h));
    std::vector<TableauComplements::Ligne> p;
    for (const LigneTempsReponse& l : t.temps) {
        const QString nom = depuis1252(l.fichier);
        p.push_back({{nom, nom},
                     {nombre(l.requetes), QVariant::fromValue<qlonglong>(l.requetes)},
                     ms(l.moyenne),
                     ms(l.mediane),
                     ms(l.centile95),
                     ms(l.maximum)});
    }
    temps_->remplir(std::move(p));
}

}  // namespace kestrane
