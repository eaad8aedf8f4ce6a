// The pie: its slices grouped and coloured, and their labels laid around it.
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsPathItem>
#include <QGraphicsSimpleTextItem>
#include <QPainterPath>
#include <QPen>
#include <QPieSeries>
#include <QPieSlice>
#include <algorithm>

#include "ui/graphes/DessinGraphe.h"
#include "ui/graphes/GeometrieGraphe.h"
#include "ui/graphes/GrapheQt.h"

namespace kestrane {

using dessin::couleurPalette;
using dessin::kNbCouleurs;
using dessin::texteMarque;

std::vector<PartCamembert> partsCamembert(const std::vector<PointGraphe>& points,
                                          const QString& autres) {
    double total = 0;
    for (const PointGraphe& p : points) total += p.valeur;
    std::vector<PartCamembert> parts;
    double reste = 0;
    int regroupes = 0;
    for (int k = 0; k < static_cast<int>(points.size()); ++k) {
        // v / total < 2 % without a division: exact for counts.
        if (points[k].valeur * 50 < total) {
            reste += points[k].valeur;
            ++regroupes;
        } else {
            parts.push_back({points[k].libelle, points[k].valeur, k});
        }
    }
    std::stable_sort(
        parts.begin(), parts.end(),
        [](const PartCamembert& a, const PartCamembert& b) { return a.valeur > b.valeur; });
    if (regroupes > 0) parts.push_back({autres, reste, -1, regroupes});
    return parts;
}

std::vector<int> couleursCamembert(const std::vector<PartCamembert>& parts, int nbPoints) {
    const auto meme = [](int a, int b) { return (a - b) % kNbCouleurs == 0; };
    const int n = static_cast<int>(parts.size());
    std::vector<int> couleurs(n);
    for (int i = 0; i < n; ++i) {
        int c = parts[i].point >= 0 ? parts[i].point : nbPoints;
        const bool ferme = i == n - 1 && n > 2;  // the last slice also touches the first
        while (i > 0 && (meme(c, couleurs[i - 1]) || (ferme && meme(c, couleurs[0])))) ++c;
        couleurs[i] = c;
    }
    return couleurs;
}

void GrapheQt::construireCamembert(int s) {
    const ModeleSerie& m = modele_.series[s];
    const std::vector<PointGraphe>& points = points_[s];
    auto* camembert = new QPieSeries;
    camembert->setName(m.titre.toHtmlEscaped());
    camembert->setPieStartAngle(m.angleDepart);
    camembert->setPieEndAngle(m.angleDepart + 360);
    camembert->setPieSize(0.6);  // room for the labels around it
    std::vector<PartCamembert> parts = partsCamembert(points, m.libelleAutres);
    if (!parts.empty() && parts.back().point < 0 && m.nomAutres != nullptr)
        parts.back().libelle = m.nomAutres(parts.back().regroupes);
    libelleRegroupe_ = parts.empty() ? QString() : parts.back().libelle;
    const std::vector<int> couleurs = couleursCamembert(parts, static_cast<int>(points.size()));
    QList<QPieSlice*> tranches;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const PartCamembert& part = parts[i];
        auto* tranche = new QPieSlice(
            part.libelle.toHtmlEscaped() + QStringLiteral(" : ") + texteMarque(m, part.valeur),
            part.valeur);
        tranche->setColor(couleurPalette(couleurs[i]));
        // The labels are laid out by the chart itself (placerEtiquettesCamembert), so that
        // they never cover each other.
        tranche->setLabelVisible(false);
        const QString bulle = part.point >= 0
                                  ? texteBulle(s, part.point)
                                  : part.libelle + QLatin1Char('\n') + texteMarque(m, part.valeur);
        connect(tranche, &QPieSlice::hovered, this,
                [this, bulle](bool survol) { montrerBulle(bulle, survol); });
        tranches.append(tranche);
        pointsTranches_.push_back(part.point);
    }
    camembert->append(tranches);
    chart()->addSeries(camembert);
    if (camembert_ == nullptr) {
        camembert_ = camembert;
        serieCamembert_ = s;
    }
}

// Labels around the pie, in two columns left and right of it, each joined to its slice by a
// line. A column spreads its labels so that none covers another; when it has more slices than
// rows, the largest keep theirs and the others are told by their tooltip only.
void GrapheQt::placerEtiquettesCamembert() {
    for (const Etiquette& e : etiquettes_) {
        delete e.texte;
        delete e.trait;
    }
    etiquettes_.clear();
    if (camembert_ == nullptr || !modele_.series[serieCamembert_].marques) return;
    const ModeleSerie& m = modele_.series[serieCamembert_];
    QChart* c = chart();
    const QRectF zone = c->plotArea();
    if (zone.width() < 10 || zone.height() < 10) return;
    const QSizeF taille = c->size();
    const QFont police = dessin::policeMarques(m, estPetit(taille));
    const QFontMetricsF fm(police);
    const GeometrieCamembert g =
        geometrieCamembert(zone, taille, camembert_->horizontalPosition(),
                           camembert_->verticalPosition(), camembert_->pieSize(), fm.height());
    const QList<QPieSlice*> tranches = camembert_->slices();
    std::vector<TrancheCamembert> angles;
    angles.reserve(tranches.size());
    for (const QPieSlice* t : tranches)
        angles.push_back({t->startAngle(), t->angleSpan(), t->value()});
    const auto colonnes = colonnesEtiquettes(g, angles);
    for (int cote = 0; cote < 2; ++cote) {
        const double colonne = abscisseColonne(g, cote);
        const double place = placeColonne(g, taille.width(), cote);
        for (const EtiquetteTranche& e : colonnes[cote]) {
            const int point = pointsTranches_[e.tranche];
            const QString libelle =
                point >= 0 ? points_[serieCamembert_][point].libelle : libelleRegroupe_;
            const QString valeur =
                QStringLiteral(" : ") + texteMarque(m, tranches[e.tranche]->value());
            const double reste = place - fm.horizontalAdvance(valeur);
            QString elude = fm.elidedText(libelle, Qt::ElideMiddle, std::max(0.0, reste));
            if (point < 0 && elude != libelle && m.nomAutres != nullptr) {
                // Its short name rather than a name cut: the count is in the tooltip.
                elude = fm.elidedText(m.nomAutres(0), Qt::ElideMiddle, std::max(0.0, reste));
            }
            if (elude != libelle && elude.size() < 6) continue;  // "A…s" names nothing
            const QString texte = elude + valeur;
            auto* item = new QGraphicsSimpleTextItem(texte, c);
            item->setFont(police);
            item->setBrush(m.couleurMarques);
            item->setZValue(1000);
            const double largeurTexte = fm.horizontalAdvance(texte);
            item->setPos(cote == 0 ? colonne + 3 : colonne - 3 - largeurTexte, e.y);
            const std::array<QPointF, 3> trait = traitEtiquette(g, e, cote);
            QPainterPath chemin(trait[0]);
            chemin.lineTo(trait[1]);
            chemin.lineTo(trait[2]);
            auto* ligne = new QGraphicsPathItem(chemin, c);
            ligne->setPen(QPen(m.couleurMarques, 1));
            ligne->setZValue(999);
            etiquettes_.push_back({item, ligne});
        }
    }
}

QStringList GrapheQt::etiquettesCamembert() const {
    QStringList textes;
    for (const Etiquette& e : etiquettes_) textes.append(e.texte->text());
    return textes;
}

}  // namespace kestrane
