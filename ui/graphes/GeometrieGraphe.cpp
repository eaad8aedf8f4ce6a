#include "ui/graphes/GeometrieGraphe.h"

#include <algorithm>
#include <cmath>

namespace kestrane {

bool estPetit(const QSizeF& taille) {
    return taille.height() < 220 || taille.width() < 260;
}

std::pair<double, double> plageZoomee(double min, double max, int pourcent) {
    const double d = (max - min) * (pourcent - 100) / 100.0;
    double bas = min + d, haut = max - d;
    if (haut - bas < (max - min) / 100.0) {
        const double milieu = (min + max) / 2, demi = (max - min) / 200.0;
        bas = milieu - demi;
        haut = milieu + demi;
    }
    return {bas, haut};
}

double taillePoliceTitre(const std::function<double(double)>& largeurTitre, double largeurGraphe) {
    double points = 8;
    for (; points >= 6; points -= 0.5) {
        if (largeurTitre(points) <= largeurGraphe - 16) return points;
    }
    return 6;
}

QMargins margesGraphe(double axe, double legende, bool axeInverse) {
    return QMargins(6 + (axeInverse ? static_cast<int>(axe) : 0), 4, 8 + static_cast<int>(legende),
                    4 + (axeInverse ? 0 : static_cast<int>(axe)));
}

int graduationsTravers(double largeurNombre, double largeurGraphe, const QMargins& marges) {
    const double large = largeurNombre + 16;
    const double plot = largeurGraphe - marges.left() - marges.right() - 12;
    return std::clamp(static_cast<int>(plot / large) + 1, 2, 3);
}

int graduationsHauteur(double hauteurGraphe, double hauteurTexte) {
    return std::clamp(static_cast<int>((hauteurGraphe - 60) / (hauteurTexte * 2)) + 1, 2, 5);
}

double tailleCamembert(const QSizeF& taille) {
    const double cote = std::min(taille.width(), taille.height() - 24);
    const double rayon = std::min(0.3 * cote, (taille.width() - 2 * 140) / 2 / 1.2);
    return std::clamp(cote > 0 ? 2 * rayon / cote : 0.6, 0.3, 0.6);
}

double placeLibellesAxe(const QSizeF& taille, bool axeInverse, int angleLibelles) {
    if (axeInverse) return std::max(30.0, taille.width() * 0.38);
    if (angleLibelles != 0) return std::max(30.0, taille.height() * 0.3);
    return 0;
}

int pasLibellesAxe(double rangee, double hauteurTexte, double plusLarge, bool droit) {
    const double besoin = droit ? std::min(plusLarge, 3 * rangee - 8) + 8 : hauteurTexte;
    return std::max(1, static_cast<int>(std::ceil(besoin / rangee)));
}

QPointF positionLibelleAxe(const QRectF& zone, const QPointF& point, double largeur,
                           double hauteurTexte, bool axeInverse, bool tourne) {
    if (axeInverse) return {zone.left() - 4 - largeur, point.y() - hauteurTexte / 2};
    if (tourne) return {point.x() - hauteurTexte / 2, zone.bottom() + 4 + largeur};
    return {point.x() - largeur / 2, zone.bottom() + 3};
}

int pixelsPoliceLegende(double hauteurGraphe, int n) {
    return std::clamp(static_cast<int>((hauteurGraphe - 30) / n) - 3, 7, 12);
}

double placeLegende(double largeurGraphe) {
    return std::max(40.0, largeurGraphe * 0.4 - 16);
}

double largeurLegende(double plusLarge, double hauteurTexte) {
    return std::ceil(plusLarge) + hauteurTexte + 10;
}

std::vector<RangeeLegende> rangeesLegende(const QRectF& zone, double largeurGraphe, double largeur,
                                          double hauteurTexte, int n) {
    std::vector<RangeeLegende> rangees;
    const double rangee = hauteurTexte + 1;
    const double x = largeurGraphe - 4 - largeur;
    double y = std::max(zone.top(), zone.center().y() - n * rangee / 2);
    for (int k = 0; k < n; ++k, y += rangee) {
        const double cote = hauteurTexte * 0.6;
        rangees.push_back(
            {QRectF(x, y + (rangee - cote) / 2, cote, cote), QPointF(x + cote + 4, y)});
    }
    return rangees;
}

std::vector<PlaceMarque> disposerMarques(const std::vector<MarqueAPlacer>& marques,
                                         const QRectF& plot, double largeurGraphe,
                                         const QPointF& origine, bool horizontales) {
    const QRectF zone = plot.adjusted(-1, -1, 1, 1);
    // Beside the plot up to the chart's right edge, never over the title or the axis below.
    const QRectF cadre(0, zone.top() - 2, largeurGraphe, zone.height() + 4);
    std::vector<PlaceMarque> places;
    places.reserve(marques.size());
    std::vector<QRectF> posees;
    for (const MarqueAPlacer& m : marques) {
        const QPointF& p = m.point;
        const QSizeF& r = m.taille;
        PlaceMarque place;
        if (horizontales) {
            place.place = QRectF(QPointF(p.x() + 4, p.y() - r.height() / 2), r);
            if (!cadre.contains(place.place) && p.x() - origine.x() > r.width() + 8) {
                place.place.moveRight(p.x() - 4);
                place.dedans = true;
            }
        } else {
            place.place = QRectF(QPointF(p.x() - r.width() / 2, p.y() - r.height()), r);
        }
        place.visible = zone.contains(p) && cadre.contains(place.place) &&
                        std::none_of(posees.begin(), posees.end(), [&](const QRectF& autre) {
                            return autre.intersects(place.place);
                        });
        if (place.visible) posees.push_back(place.place);
        places.push_back(place);
    }
    return places;
}

GeometrieCamembert geometrieCamembert(const QRectF& zone, const QSizeF& taille, double posH,
                                      double posV, double relative, double hauteurTexte) {
    GeometrieCamembert g;
    g.centre = QPointF(zone.left() + zone.width() * posH, zone.top() + zone.height() * posV);
    g.rayon = relative * std::min(zone.width(), zone.height()) / 2;
    g.bras = std::max(8.0, g.rayon * 0.2);
    const double h = hauteurTexte;
    g.hauteurTexte = h;
    g.haut = std::max(2.0, zone.top() - h / 2);
    g.bas = std::min(taille.height() - 2, zone.bottom() + h / 2);
    g.rangees = std::max(0, static_cast<int>((g.bas - g.haut) / h));
    return g;
}

std::array<std::vector<EtiquetteTranche>, 2> colonnesEtiquettes(
    const GeometrieCamembert& g, const std::vector<TrancheCamembert>& tranches) {
    const double h = g.hauteurTexte;
    std::array<std::vector<EtiquetteTranche>, 2> cotes;  // right, left
    for (int k = 0; k < static_cast<int>(tranches.size()); ++k) {
        const double a = (tranches[k].debut + tranches[k].etendue / 2) * M_PI / 180;
        const double y = g.centre.y() - (g.rayon + g.bras) * std::cos(a) - h / 2;
        cotes[std::sin(a) >= 0 ? 0 : 1].push_back({k, a, y});
    }
    for (std::vector<EtiquetteTranche>& liste : cotes) {
        // The slices come largest first: those past the column's rows give up their label.
        if (static_cast<int>(liste.size()) > g.rangees) {
            std::stable_sort(liste.begin(), liste.end(),
                             [&](const EtiquetteTranche& a, const EtiquetteTranche& b) {
                                 return tranches[a.tranche].valeur > tranches[b.tranche].valeur;
                             });
            liste.resize(g.rangees);
        }
        std::sort(liste.begin(), liste.end(),
                  [](const EtiquetteTranche& a, const EtiquetteTranche& b) { return a.y < b.y; });
        for (std::size_t i = 0; i < liste.size(); ++i) {
            liste[i].y = std::max(liste[i].y, i > 0 ? liste[i - 1].y + h : g.haut);
        }
        for (std::size_t i = liste.size(); i-- > 0;) {
            liste[i].y =
                std::min(liste[i].y, i + 1 < liste.size() ? liste[i + 1].y - h : g.bas - h);
        }
    }
    return cotes;
}

double abscisseColonne(const GeometrieCamembert& g, int cote) {
    return g.centre.x() + (cote == 0 ? 1 : -1) * (g.rayon + g.bras);
}

double placeColonne(const GeometrieCamembert& g, double largeurGraphe, int cote) {
    const double colonne = abscisseColonne(g, cote);
    return cote == 0 ? largeurGraphe - 4 - (colonne + 3) : colonne - 3 - 4;
}

std::array<QPointF, 3> traitEtiquette(const GeometrieCamembert& g, const EtiquetteTranche& e,
                                      int cote) {
    const QPointF sens(std::sin(e.angle), -std::cos(e.angle));
    return {g.centre + g.rayon * sens, g.centre + (g.rayon + g.bras / 2) * sens,
            QPointF(abscisseColonne(g, cote), e.y + g.hauteurTexte / 2)};
}

}  // namespace kestrane
