// Where a chart's texts go and how much room they get, from sizes alone: no widget and no font
// here, the caller measures its texts and draws at the places computed. Kept apart so that the
// layout rules can be checked on plain numbers.
#pragma once

#include <QMargins>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace kestrane {

// Below these sizes a chart's texts take a point less: seven charts share the first window.
bool estPetit(const QSizeF& taille);

// The range a value axis shows at p % of its unzoomed one [min, max]: min + d to max - d with
// d = (max - min) * (p - 100) / 100, never narrower than 1 % of the range (kept around its
// middle, where a zoom from 150 up would empty or reverse it).
std::pair<double, double> plageZoomee(double min, double max, int pourcent);

// The title's point size: the largest of 8, 7.5 ... 6 at which the title (of that width at that
// size) fits the chart's width less 16; 6 when none does.
double taillePoliceTitre(const std::function<double(double)>& largeurTitre, double largeurGraphe);

// The chart's margins around its plot: room for the category labels (left of horizontal bars,
// below the others) and for the legend on the right.
QMargins margesGraphe(double axe, double legende, bool axeInverse);

// How many graduations a value axis shows: across, as many numbers as fit side by side
// (`largeurNombre` the widest one's), 2 or 3; down, one per two text rows, 2 to 5.
int graduationsTravers(double largeurNombre, double largeurGraphe, const QMargins& marges);
int graduationsHauteur(double hauteurGraphe, double hauteurTexte);

// The pie's diameter as a share of the chart's smaller side, leaving each side room for labels
// of about 140 pixels: 0.3 to 0.6.
double tailleCamembert(const QSizeF& taille);

// The room a category label is elided to: 38 % of the width left of horizontal bars, 30 % of
// the height for turned labels, 30 pixels at least; 0 for straight labels under vertical bars
// (elided to their columns when laid out).
double placeLibellesAxe(const QSizeF& taille, bool axeInverse, int angleLibelles);

// Every how many rows (or columns) a category label is drawn, counted from the page's first
// point, so that labels do not cover each other: a straight label needs its width (at most three
// columns) and 8 pixels, a turned one or one beside horizontal bars a text row.
int pasLibellesAxe(double rangee, double hauteurTexte, double plusLarge, bool droit);

// The top left of a category label of the given size, for its point at `point` on the plot:
// left of the plot beside horizontal bars, under it otherwise (turned labels: their foot).
QPointF positionLibelleAxe(const QRectF& zone, const QPointF& point, double largeur,
                           double hauteurTexte, bool axeInverse, bool tourne);

// The legend in the right margin: its font's pixel size for n entries (7 to 12), the room an
// entry is elided to, the margin it takes, and its rows (a coloured square, then the text),
// centred beside the plot but never above it.
int pixelsPoliceLegende(double hauteurGraphe, int n);
double placeLegende(double largeurGraphe);
double largeurLegende(double plusLarge, double hauteurTexte);
struct RangeeLegende {
    QRectF carre;
    QPointF texte;
};
std::vector<RangeeLegende> rangeesLegende(const QRectF& zone, double largeurGraphe, double largeur,
                                          double hauteurTexte, int n);

// The value marks: each above its point, or right of a horizontal bar's end (inside the end when
// the chart has no room right of it). Laid in order; one that would cover a mark laid before,
// leave the chart or whose point is out of the plot (zoomed away) is not shown.
struct MarqueAPlacer {
    QPointF point;  // the point on the chart
    QSizeF taille;  // of its text
};
struct PlaceMarque {
    QRectF place;
    bool dedans = false;  // inside the bar's end
    bool visible = false;
};
std::vector<PlaceMarque> disposerMarques(const std::vector<MarqueAPlacer>& marques,
                                         const QRectF& zone, double largeurGraphe,
                                         const QPointF& origine, bool horizontales);

// The labels around a pie, in two columns beside it. `zone` is the plot, the pie at
// (posH, posV) of it with the relative size `relative`; each text row `hauteurTexte` high.
struct GeometrieCamembert {
    QPointF centre;
    double rayon = 0;
    double bras = 0;           // the leader line's length outside the pie
    double haut = 0, bas = 0;  // the labels' room, top and bottom
    int rangees = 0;           // text rows in a column
    double hauteurTexte = 0;
};
GeometrieCamembert geometrieCamembert(const QRectF& zone, const QSizeF& taille, double posH,
                                      double posV, double relative, double hauteurTexte);

struct TrancheCamembert {  // in degrees, clockwise from the top, as the pie gives them
    double debut, etendue, valeur;
};
struct EtiquetteTranche {
    int tranche;
    double angle;  // of the slice's middle, radians, clockwise from the top
    double y;      // the label's top
};
// Each column (0 right, 1 left) lists its slices' labels top to bottom, spread so that none
// covers another within the room; a column with more slices than rows keeps the largest.
std::array<std::vector<EtiquetteTranche>, 2> colonnesEtiquettes(
    const GeometrieCamembert& g, const std::vector<TrancheCamembert>& tranches);
// The column's x (where leader lines end), and the width its texts have up to the chart's edge.
double abscisseColonne(const GeometrieCamembert& g, int cote);
double placeColonne(const GeometrieCamembert& g, double largeurGraphe, int cote);
// The leader line of a label: from the slice's edge, out, then to the column.
std::array<QPointF, 3> traitEtiquette(const GeometrieCamembert& g, const EtiquetteTranche& e,
                                      int cote);

}  // namespace kestrane
