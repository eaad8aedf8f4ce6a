#include "ui/graphes/GrapheQt.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLinearGradient>
#include <QLocale>
#include <QPieSeries>
#include <QPieSlice>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QStackedBarSeries>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/graphes/FormatsGraphes.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// One colour per point, in point order; white is left out, the backgrounds fade to it.
constexpr QRgb kPalette[] = {0xFF0000, 0x008000, 0xFFFF00, 0x0000FF, 0xFF8000, 0x808080,
                             0xFF00FF, 0x008080, 0x000080, 0x800000, 0x00FF00, 0x808000,
                             0x800080, 0xC0C0C0, 0x00FFFF, 0x804000};

constexpr int kNbCouleurs = static_cast<int>(std::size(kPalette));

QColor couleurPalette(int k) {
    return QColor(kPalette[((k % kNbCouleurs) + kNbCouleurs) % kNbCouleurs]);
}

QString texteMarque(const ModeleSerie& m, double v) {
    return m.formatMarque != nullptr ? m.formatMarque(v) : texteValeur(v);
}

// Below these sizes a chart's texts take a point less: seven charts share the first window.
bool estPetit(const QSizeF& taille) {
    return taille.height() < 220 || taille.width() < 260;
}

QFont policeMarques(const ModeleSerie& m, bool petit = false) {
    QFont police;
    police.setPointSize(petit ? 7 : 8);
    police.setItalic(true);
    police.setBold(m.marquesGras);
    return police;
}

void colorer(QBarSet* ensemble, const QColor& couleur, bool degrade, bool horizontal) {
    ensemble->setBorderColor(couleur.darker(150));
    if (!degrade) {
        ensemble->setColor(couleur);
        return;
    }
    // From the bar's foot to its end, in the bar's own coordinates.
    QLinearGradient fondu(horizontal ? QPointF(0, 0) : QPointF(0, 1),
                          horizontal ? QPointF(1, 0) : QPointF(0, 0));
    fondu.setCoordinateMode(QGradient::ObjectMode);
    fondu.setColorAt(0, couleur);
    fondu.setColorAt(1, couleur.lighter(170));
    ensemble->setBrush(QBrush(fondu));
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

bool estCartesienne(GenreSerie g) {
    return g != GenreSerie::camembert;
}

}  // namespace

std::vector<PartCamembert> partsCamembert(const std::vector<PointGraphe>& points,
                                          const QString& autres) {
    double total = 0;
    for (const PointGraphe& p : points) total += p.valeur;
    std::vector<PartCamembert> parts;
    double reste = 0;
    bool regroupe = false;
    for (int k = 0; k < static_cast<int>(points.size()); ++k) {
        // v / total < 2 % without a division: exact for counts.
        if (points[k].valeur * 50 < total) {
            reste += points[k].valeur;
            regroupe = true;
        } else {
            parts.push_back({points[k].libelle, points[k].valeur, k});
        }
    }
    std::stable_sort(
        parts.begin(), parts.end(),
        [](const PartCamembert& a, const PartCamembert& b) { return a.valeur > b.valeur; });
    if (regroupe) parts.push_back({autres, reste, -1});
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

QStringList categoriesUniques(const QStringList& libelles) {
    QStringList noms;
    noms.reserve(libelles.size());
    QSet<QString> vus;
    for (const QString& libelle : libelles) {
        QString nom = libelle.toHtmlEscaped();
        while (nom.isEmpty() || vus.contains(nom)) nom += QChar(0x200B);
        vus.insert(nom);
        noms.append(nom);
    }
    return noms;
}

// ---- GrapheQt

GrapheQt::GrapheQt(ModeleGraphe modele, QWidget* parent)
    : QChartView(parent), modele_(std::move(modele)), points_(modele_.series.size()) {
    setObjectName(modele_.nom);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setRenderHint(QPainter::Antialiasing);

    QChart* c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->setTitle(modele_.titre.toHtmlEscaped());
    c->setTitleFont(QFont(QStringLiteral("Arial"), 8, QFont::Bold));
    c->setTitleBrush(modele_.couleurTitre);
    QLinearGradient fond(QPointF(0, 1), QPointF(0, 0));
    fond.setCoordinateMode(QGradient::ObjectMode);
    fond.setColorAt(0, modele_.couleurFond);
    fond.setColorAt(1, Qt::white);
    c->setBackgroundBrush(QBrush(fond));
    c->setBackgroundRoundness(0);
    // The background fills the view and the margins stay thin: small charts need every pixel.
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setMargins(QMargins(6, 4, 8, 4));
    c->setLocalizeNumbers(true);
    c->setLocale(QLocale(QLocale::French, QLocale::France));
    c->legend()->setVisible(false);  // the chart draws its own (ajusterLegende)
    connect(c, &QChart::plotAreaChanged, this, [this] {
        placerMarques();
        placerEtiquettesCamembert();
        placerLegende();
        placerLibellesAxe();
    });
    if (modele_.zoomSouris) setRubberBand(QChartView::RectangleRubberBand);

    if (modele_.pointsParPage > 0) {
        // Along the category axis: under vertical bars, beside horizontal ones.
        bool horizontales = false;
        for (const ModeleSerie& m : modele_.series) {
            if (m.active && estCartesienne(m.genre)) {
                horizontales = m.genre == GenreSerie::barresHorizontales;
                break;
            }
        }
        barre_ = new QScrollBar(horizontales ? Qt::Vertical : Qt::Horizontal, this);
        barre_->setObjectName(modele_.nom + QStringLiteral("_pages"));
        barre_->hide();
        connect(barre_, &QScrollBar::valueChanged, this, &GrapheQt::allerAuPoint);
    }
}

GrapheQt::~GrapheQt() = default;

int GrapheQt::nbSeries() const {
    return static_cast<int>(points_.size());
}

void GrapheQt::viderSerie(int serie) {
    if (serie < 0 || serie >= nbSeries()) return;
    points_[serie].clear();
    premier_ = 0;
    sale_ = true;
    demanderActualisation();
}

void GrapheQt::ajouterPoint(int serie, double valeur, std::string_view libelle) {
    if (serie < 0 || serie >= nbSeries()) return;
    points_[serie].push_back({valeur, depuis1252(libelle)});
    sale_ = true;
    demanderActualisation();
}

int GrapheQt::nbPoints(int serie) const {
    return static_cast<int>(points_.at(serie).size());
}

double GrapheQt::valeur(int serie, int k) const {
    return points_.at(serie).at(k).valeur;
}

QString GrapheQt::libelle(int serie, int k) const {
    return points_.at(serie).at(k).libelle;
}

QString GrapheQt::titreSerie(int serie) const {
    return modele_.series.at(serie).titre;
}

bool GrapheQt::serieActive(int serie) const {
    return modele_.series.at(serie).active;
}

// A feed calls this once per point: only the first call of a feed queues the build.
void GrapheQt::demanderActualisation() {
    if (prevue_ || !isVisible()) return;
    prevue_ = true;
    QTimer::singleShot(0, this, [this] {
        prevue_ = false;
        if (isVisible()) actualiser();
    });
}

void GrapheQt::actualiser() {
    if (!sale_) return;
    sale_ = false;
    construire();
}

void GrapheQt::effacerDessin() {
    for (const Marque& m : marques_) delete m.texte;
    marques_.clear();
    serieMarques_ = nullptr;
    for (const Etiquette& e : etiquettes_) {
        delete e.texte;
        delete e.trait;
    }
    etiquettes_.clear();
    camembert_ = nullptr;
    pointsTranches_.clear();
    serieCamembert_ = -1;
    libellesPage_.clear();
    ensemblesNommes_.clear();
    textesLegende_.clear();
    for (QGraphicsItem* item : legende_) delete item;
    legende_.clear();
    textesAxe_.clear();
    for (QGraphicsSimpleTextItem* item : libellesAxe_) delete item;
    libellesAxe_.clear();
    libellesVisibles_.clear();
    serieAxes_ = nullptr;
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axe : c->axes()) {
        c->removeAxis(axe);
        delete axe;
    }
    axeCategories_ = nullptr;
    axeValeurs_ = nullptr;
    plages_.clear();
}

void GrapheQt::construire() {
    effacerDessin();
    for (int s = 0; s < nbSeries(); ++s) {
        const ModeleSerie& m = modele_.series[s];
        const int n = static_cast<int>(points_[s].size());
        if (!m.active || n == 0) continue;
        switch (m.genre) {
            case GenreSerie::camembert:
                construireCamembert(s);
                break;
            case GenreSerie::barres:
            case GenreSerie::barresHorizontales: {
                const int parPage = modele_.pointsParPage;
                if (parPage > 0) premier_ = std::clamp(premier_, 0, std::max(0, n - parPage));
                const int debut = parPage > 0 ? premier_ : 0;
                const int fin = parPage > 0 ? std::min(n, debut + parPage) : n;
                construireBarres(s, debut, fin);
                break;
            }
            case GenreSerie::ligne:
                construireLigne(s);
                break;
        }
    }
    appliquerZoom();
    mettreAJourBarre();
    ajuster();
    placerMarques();
}

void GrapheQt::construireCamembert(int s) {
    const ModeleSerie& m = modele_.series[s];
    const std::vector<PointGraphe>& points = points_[s];
    auto* camembert = new QPieSeries;
    camembert->setName(m.titre.toHtmlEscaped());
    camembert->setPieStartAngle(m.angleDepart);
    camembert->setPieEndAngle(m.angleDepart + 360);
    camembert->setPieSize(0.6);  // room for the labels around it
    const std::vector<PartCamembert> parts = partsCamembert(points, m.libelleAutres);
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

// One colour per bar: a stacked series whose set c holds the bars of palette colour c at their
// own categories and zero elsewhere (zero bars are not drawn), so n bars cost at most 16 n bar
// items rather than n². Only the page's bars are built. Horizontal bars are laid out from the
// top, as the table reads (a reversed axis is not supported under bar series).
void GrapheQt::construireBarres(int s, int debut, int fin) {
    const ModeleSerie& m = modele_.series[s];
    const std::vector<PointGraphe>& points = points_[s];
    const bool horizontal = m.genre == GenreSerie::barresHorizontales;
    QAbstractBarSeries* serie = nullptr;
    if (horizontal) {
        serie = new QHorizontalStackedBarSeries;
    } else {
        serie = new QStackedBarSeries;
    }
    serie->setName(m.titre.toHtmlEscaped());
    serie->setBarWidth(m.largeurBarres);
    const int nb = fin - debut;
    auto position = [&](int i) { return horizontal ? nb - 1 - i : i; };
    QList<QBarSet*> ensembles;
    if (m.couleurParPoint) {
        const int nbEnsembles = std::min(nb, kNbCouleurs);
        for (int j = 0; j < nbEnsembles; ++j) {
            // Named after its bar while each set holds one: the legend lists them.
            const bool nomme = nb <= kNbCouleurs;
            auto* ensemble =
                new QBarSet(nomme ? points[debut + j].libelle.toHtmlEscaped() : QString());
            if (nomme) ensemblesNommes_.emplace_back(ensemble, points[debut + j].libelle);
            QList<qreal> valeurs(nb, 0.0);
            for (int i = j; i < nb; i += kNbCouleurs)
                valeurs[position(i)] = points[debut + i].valeur;
            ensemble->append(valeurs);
            colorer(ensemble, couleurPalette(debut + j), m.degrade, horizontal);
            ensembles.append(ensemble);
        }
    } else {
        auto* ensemble = new QBarSet(m.titre.toHtmlEscaped());
        QList<qreal> valeurs(nb, 0.0);
        for (int i = 0; i < nb; ++i) valeurs[position(i)] = points[debut + i].valeur;
        ensemble->append(valeurs);
        colorer(ensemble, m.couleur.isValid() ? m.couleur : couleurPalette(0), m.degrade,
                horizontal);
        ensembles.append(ensemble);
    }
    for (QBarSet* ensemble : ensembles) {
        connect(ensemble, &QBarSet::hovered, this,
                [this, s, debut, nb, horizontal](bool survol, int k) {
                    // k is the category; horizontal bars count them from the bottom.
                    montrerBulle(texteBulle(s, debut + (horizontal ? nb - 1 - k : k)), survol);
                });
    }
    serie->append(ensembles);
    chart()->addSeries(serie);
    construireAxes(points, debut, fin, horizontal);
    attacher(serie);
    if (m.marques && serieMarques_ == nullptr) {
        serieMarques_ = serie;
        ajouterMarques(m, points, debut, fin, horizontal);
    }
}

void GrapheQt::construireLigne(int s) {
    const ModeleSerie& m = modele_.series[s];
    const std::vector<PointGraphe>& points = points_[s];
    auto* ligne = new QLineSeries;
    ligne->setName(m.titre.toHtmlEscaped());
    QList<QPointF> sommets;
    sommets.reserve(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        sommets.append(QPointF(static_cast<double>(i), points[i].valeur));
    }
    ligne->replace(sommets);
    QPen crayon(m.couleur.isValid() ? m.couleur : couleurPalette(0));
    crayon.setWidth(m.epaisseur);
    ligne->setPen(crayon);
    connect(ligne, &QLineSeries::hovered, this, [this, s](const QPointF& p, bool survol) {
        montrerBulle(texteBulle(s, static_cast<int>(std::lround(p.x()))), survol);
    });
    chart()->addSeries(ligne);
    const int n = static_cast<int>(points.size());
    construireAxes(points, 0, n, false);
    attacher(ligne);
    if (m.marques && serieMarques_ == nullptr) {
        serieMarques_ = ligne;
        ajouterMarques(m, points, 0, n, false);
    }
}

// The first cartesian series sets the axes; the others of the chart share them.
void GrapheQt::construireAxes(const std::vector<PointGraphe>& points, int debut, int fin,
                              bool horizontal) {
    if (axeValeurs_ != nullptr) return;
    QChart* c = chart();
    if (modele_.libellesCategories) {
        for (int i = debut; i < fin; ++i) libellesPage_.append(points[i].libelle);
        QStringList noms = categoriesUniques(libellesPage_);
        if (horizontal) {
            std::reverse(libellesPage_.begin(), libellesPage_.end());
            std::reverse(noms.begin(), noms.end());
        }
        axeInverse_ = horizontal;
        auto* axe = new QBarCategoryAxis;
        axe->append(noms);
        axe->setLabelsAngle(modele_.angleLibelles);
        axe->setLabelsVisible(false);  // drawn by placerLibellesAxe
        axeCategories_ = axe;
    } else {
        // Positions only: the points are named by the legend or not at all.
        auto* axe = new QValueAxis;
        axe->setVisible(false);
        axe->setTruncateLabels(false);
        plages_.push_back({axe, -0.5, fin - debut - 0.5});
        connect(axe, &QValueAxis::rangeChanged, this, [this] { placerMarques(); });
        axeCategories_ = axe;
    }
    double bas = 0, haut = 0;
    for (int i = debut; i < fin; ++i) {
        bas = std::min(bas, points[i].valeur);
        haut = std::max(haut, points[i].valeur);
    }
    // Headroom for the marks beyond the longest bar or the highest point.
    haut = haut > 0 ? haut * 1.15 : 1.0;
    bas *= 1.15;
    axeValeurs_ = new QValueAxis;
    axeValeurs_->setLineVisible(modele_.ligneAxeValeurs);
    axeValeurs_->setTickCount(horizontal ? 3 : 5);  // room for wide numbers across
    axeValeurs_->setLabelFormat(haut - bas >= 10 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
    axeValeurs_->setTruncateLabels(false);  // "5…" tells no value
    plages_.push_back({axeValeurs_, bas, haut});
    connect(axeValeurs_, &QValueAxis::rangeChanged, this, [this] { placerMarques(); });

    c->addAxis(axeCategories_, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    c->addAxis(axeValeurs_, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
}

void GrapheQt::attacher(QAbstractSeries* serie) {
    if (serieAxes_ == nullptr) serieAxes_ = serie;
    serie->attachAxis(axeCategories_);
    serie->attachAxis(axeValeurs_);
}

void GrapheQt::ajouterMarques(const ModeleSerie& m, const std::vector<PointGraphe>& points,
                              int debut, int fin, bool horizontal) {
    const QFont police = policeMarques(m);
    marquesHorizontales_ = horizontal;
    marques_.reserve(fin - debut);
    for (int i = debut; i < fin; ++i) {
        auto* texte = new QGraphicsSimpleTextItem(texteMarque(m, points[i].valeur), chart());
        texte->setFont(police);
        texte->setBrush(m.couleurMarques);
        texte->setZValue(1000);
        const double position = horizontal ? fin - 1 - i : i - debut;
        const QPointF ancre =
            horizontal ? QPointF(points[i].valeur, position) : QPointF(position, points[i].valeur);
        // Inside its bar's end, a mark takes the colour that reads on it.
        QColor barre = m.couleurParPoint ? couleurPalette(debut + (i - debut) % kNbCouleurs)
                                         : (m.couleur.isValid() ? m.couleur : couleurPalette(0));
        if (m.degrade) barre = barre.lighter(170);
        const QColor dedans = barre.lightnessF() < 0.55 ? QColor(Qt::white) : QColor(Qt::black);
        marques_.push_back({texte, ancre, m.couleurMarques, dedans});
    }
}

// A mark stands above its point, or right of a horizontal bar's end (inside the bar's end when
// the chart has no room right of it). Marks are laid in point order, the largest first in a
// sorted table: one that would cover a mark already laid, or leave the chart, is left out, as
// are those of points a zoom pushed out of the plot.
void GrapheQt::placerMarques() {
    if (serieMarques_ == nullptr) return;
    QChart* c = chart();
    const QRectF zone = c->plotArea().adjusted(-1, -1, 1, 1);
    // Beside the plot up to the chart's right edge, never over the title or the axis below.
    const QRectF cadre(0, zone.top() - 2, c->size().width(), zone.height() + 4);
    const QPointF origine = c->mapToPosition(QPointF(0, 0), serieMarques_);
    std::vector<QRectF> posees;
    for (const Marque& m : marques_) {
        const QPointF p = c->mapToPosition(m.ancre, serieMarques_);
        const QSizeF r = m.texte->boundingRect().size();
        QRectF place;
        bool dedans = false;
        if (marquesHorizontales_) {
            place = QRectF(QPointF(p.x() + 4, p.y() - r.height() / 2), r);
            if (!cadre.contains(place) && p.x() - origine.x() > r.width() + 8) {
                place.moveRight(p.x() - 4);
                dedans = true;
            }
        } else {
            place = QRectF(QPointF(p.x() - r.width() / 2, p.y() - r.height()), r);
        }
        const bool libre = zone.contains(p) && cadre.contains(place) &&
                           std::none_of(posees.begin(), posees.end(), [&](const QRectF& autre) {
                               return autre.intersects(place);
                           });
        m.texte->setPos(place.topLeft());
        m.texte->setBrush(dedans ? m.dedans : m.dehors);
        m.texte->setVisible(libre);
        if (libre) posees.push_back(place);
    }
}

// Fits the drawing's texts to the chart's size: the title shrinks before it is cut, the
// category labels are elided in the middle and thinned out to the room of the axis, the legend
// and the value axis take a smaller font on small charts. Runs on a shown chart only: a hidden
// one has no size of its own yet.
void GrapheQt::ajuster() {
    if (!isVisible()) return;
    QChart* c = chart();
    const QSizeF taille = c->size();
    QFont titre(QStringLiteral("Arial"), 8, QFont::Bold);
    for (double points = 8; points >= 6; points -= 0.5) {
        titre.setPointSizeF(points);
        if (QFontMetricsF(titre).horizontalAdvance(modele_.titre) <= taille.width() - 16) break;
    }
    if (c->titleFont() != titre) c->setTitleFont(titre);

    QFont police;
    police.setPointSize(estPetit(taille) ? 7 : 8);
    const double axe = ajusterAxeCategories(police);
    const double legende = ajusterLegende();
    const QMargins marges(6 + (axeInverse_ ? static_cast<int>(axe) : 0), 4,
                          8 + static_cast<int>(legende),
                          4 + (axeInverse_ ? 0 : static_cast<int>(axe)));
    if (c->margins() != marges) c->setMargins(marges);
    placerLibellesAxe();
    placerLegende();
    if (axeValeurs_ != nullptr) {
        if (axeValeurs_->labelsFont() != police) axeValeurs_->setLabelsFont(police);
        // Numbers along the bottom stand on the background's darkest part.
        const QColor couleur =
            axeValeurs_->orientation() == Qt::Horizontal ? couleurDessous() : QColor(Qt::black);
        if (axeValeurs_->labelsColor() != couleur) axeValeurs_->setLabelsColor(couleur);
        const QFontMetricsF fm(police);
        int graduations = 0;
        if (axeInverse_ || axeValeurs_->orientation() == Qt::Horizontal) {
            const double large = fm.horizontalAdvance(c->locale().toString(
                                     static_cast<qint64>(plages_.back().max))) +
                                 16;
            const double plot = taille.width() - marges.left() - marges.right() - 12;
            graduations = std::clamp(static_cast<int>(plot / large) + 1, 2, 3);
        } else {
            graduations =
                std::clamp(static_cast<int>((taille.height() - 60) / (fm.height() * 2)) + 1, 2, 5);
        }
        if (axeValeurs_->tickCount() != graduations) axeValeurs_->setTickCount(graduations);
    }
    if (camembert_ != nullptr) {
        // The pie leaves each side room for labels of 140 pixels or so.
        const double cote = std::min(taille.width(), taille.height() - 24);
        const double rayon = std::min(0.3 * cote, (taille.width() - 2 * 140) / 2 / 1.2);
        const double relatif = std::clamp(cote > 0 ? 2 * rayon / cote : 0.6, 0.3, 0.6);
        if (std::fabs(camembert_->pieSize() - relatif) > 0.005) camembert_->setPieSize(relatif);
        placerEtiquettesCamembert();
    }
}

// The category labels are drawn by the chart itself, in a margin it keeps for them: Qt's axis
// hides its first label as soon as a row is lower than a label with its padding, and cuts the
// others to "…". Here each label is elided in the middle to the room given, at most 38 % of the
// width on the left of horizontal bars, 30 % of the height for turned labels; this returns the
// margin that room takes.
double GrapheQt::ajusterAxeCategories(const QFont& police) {
    textesAxe_.clear();
    if (libellesPage_.isEmpty()) return 0;
    policeAxe_ = police;
    const QFontMetricsF fm(police);
    const QSizeF taille = chart()->size();
    double place = 0;
    if (axeInverse_) {
        place = std::max(30.0, taille.width() * 0.38);
    } else if (modele_.angleLibelles != 0) {
        place = std::max(30.0, taille.height() * 0.3);
    } else {
        return fm.height() + 6;  // elided in placerLibellesAxe, to the columns' width
    }
    double large = 0;
    for (const QString& libelle : libellesPage_) {
        textesAxe_.append(fm.elidedText(libelle, Qt::ElideMiddle, place));
        large = std::max(large, fm.horizontalAdvance(textesAxe_.back()));
    }
    return std::ceil(large) + 6;
}

// Lays the category labels along the plot: when the rows (or columns) are narrower than a
// label, only every second, third... is drawn, counted from the first point of the page.
void GrapheQt::placerLibellesAxe() {
    for (QGraphicsSimpleTextItem* item : libellesAxe_) delete item;
    libellesAxe_.clear();
    libellesVisibles_.clear();
    if (libellesPage_.isEmpty() || serieAxes_ == nullptr || !isVisible()) return;
    QChart* c = chart();
    const QRectF zone = c->plotArea();
    const int n = static_cast<int>(libellesPage_.size());
    if (zone.width() < 2 || zone.height() < 2) return;
    libellesVisibles_ = QStringList(n, QString());
    const QFontMetricsF fm(policeAxe_);
    const double h = fm.height();
    const bool tourne = !axeInverse_ && modele_.angleLibelles != 0;
    const double rangee = (axeInverse_ ? zone.height() : zone.width()) / n;
    double besoin = h;  // a row, or a turned label's column
    if (!axeInverse_ && !tourne) {
        double large = 0;
        for (const QString& l : libellesPage_) large = std::max(large, fm.horizontalAdvance(l));
        besoin = std::min(large, 3 * rangee - 8) + 8;
    }
    const int pas = std::max(1, static_cast<int>(std::ceil(besoin / rangee)));
    for (int k = 0; k < n; ++k) {
        const int rang = axeInverse_ ? n - 1 - k : k;  // the point's place on its page
        if (rang % pas != 0) continue;
        QString texte = textesAxe_.isEmpty()
                            ? fm.elidedText(libellesPage_[k], Qt::ElideMiddle, pas * rangee - 8)
                            : textesAxe_[k];
        if (texte.isEmpty()) continue;
        const QPointF p = c->mapToPosition(axeInverse_ ? QPointF(0, k) : QPointF(k, 0), serieAxes_);
        const double large = fm.horizontalAdvance(texte);
        auto* item = new QGraphicsSimpleTextItem(texte, c);
        item->setFont(policeAxe_);
        if (!axeInverse_) item->setBrush(couleurDessous());
        if (axeInverse_) {
            item->setPos(zone.left() - 4 - large, p.y() - h / 2);
        } else if (tourne) {
            item->setRotation(-90);
            item->setPos(p.x() - h / 2, zone.bottom() + 4 + large);
        } else {
            item->setPos(p.x() - large / 2, zone.bottom() + 3);
        }
        libellesAxe_.push_back(item);
        libellesVisibles_[k] = texte;
    }
}

// The address chart's legend is the only key to its bars: drawn by the chart in its right
// margin, every entry keeps its row, its text smaller and elided in the middle when the chart is
// small (the whole text in the bar's tooltip). Qt's own legend drops the rows it has no room for.
double GrapheQt::ajusterLegende() {
    textesLegende_.clear();
    if (!modele_.legende || ensemblesNommes_.empty()) return 0;
    const QSizeF taille = chart()->size();
    const int n = static_cast<int>(ensemblesNommes_.size());
    policeLegende_ = QFont();
    policeLegende_.setPixelSize(
        std::clamp(static_cast<int>((taille.height() - 30) / n) - 3, 7, 12));
    const QFontMetricsF fm(policeLegende_);
    const double place = std::max(40.0, taille.width() * 0.4 - 16);
    double large = 0;
    for (const auto& e : ensemblesNommes_) {
        textesLegende_.append(fm.elidedText(e.second, Qt::ElideMiddle, place));
        large = std::max(large, fm.horizontalAdvance(textesLegende_.back()));
    }
    largeurLegende_ = std::ceil(large) + fm.height() + 10;
    return largeurLegende_;
}

void GrapheQt::placerLegende() {
    for (QGraphicsItem* item : legende_) delete item;
    legende_.clear();
    if (textesLegende_.isEmpty()) return;
    QChart* c = chart();
    const QRectF zone = c->plotArea();
    const QFontMetricsF fm(policeLegende_);
    const double rangee = fm.height() + 1;
    const int n = static_cast<int>(textesLegende_.size());
    const double x = c->size().width() - 4 - largeurLegende_;
    double y = std::max(zone.top(), zone.center().y() - n * rangee / 2);
    for (int k = 0; k < n; ++k, y += rangee) {
        const double cote = fm.height() * 0.6;
        auto* carre = new QGraphicsRectItem(x, y + (rangee - cote) / 2, cote, cote, c);
        carre->setBrush(ensemblesNommes_[k].first->brush());
        carre->setPen(ensemblesNommes_[k].first->borderColor());
        auto* texte = new QGraphicsSimpleTextItem(textesLegende_[k], c);
        texte->setFont(policeLegende_);
        texte->setPos(x + cote + 4, y);
        legende_.push_back(carre);
        legende_.push_back(texte);
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
    const QPointF centre(zone.left() + zone.width() * camembert_->horizontalPosition(),
                         zone.top() + zone.height() * camembert_->verticalPosition());
    const double rayon = camembert_->pieSize() * std::min(zone.width(), zone.height()) / 2;
    const double bras = std::max(8.0, rayon * 0.2);
    const QFont police = policeMarques(m, estPetit(taille));
    const QFontMetricsF fm(police);
    const double h = fm.height();
    const double haut = std::max(2.0, zone.top() - h / 2);
    const double bas = std::min(taille.height() - 2, zone.bottom() + h / 2);
    const int rangees = std::max(0, static_cast<int>((bas - haut) / h));

    struct Candidate {
        int tranche;
        double angle;  // radians, clockwise from the top
        double y;      // the label's top
    };
    std::vector<Candidate> cotes[2];  // right, left
    const QList<QPieSlice*> tranches = camembert_->slices();
    for (int k = 0; k < static_cast<int>(tranches.size()); ++k) {
        const double a = (tranches[k]->startAngle() + tranches[k]->angleSpan() / 2) * M_PI / 180;
        const double y = centre.y() - (rayon + bras) * std::cos(a) - h / 2;
        cotes[std::sin(a) >= 0 ? 0 : 1].push_back({k, a, y});
    }
    for (int cote = 0; cote < 2; ++cote) {
        std::vector<Candidate>& liste = cotes[cote];
        // The slices come largest first: those past the column's rows give up their label.
        if (static_cast<int>(liste.size()) > rangees) {
            std::stable_sort(liste.begin(), liste.end(),
                             [&](const Candidate& a, const Candidate& b) {
                                 return tranches[a.tranche]->value() > tranches[b.tranche]->value();
                             });
            liste.resize(rangees);
        }
        std::sort(liste.begin(), liste.end(),
                  [](const Candidate& a, const Candidate& b) { return a.y < b.y; });
        for (std::size_t i = 0; i < liste.size(); ++i) {
            liste[i].y = std::max(liste[i].y, i > 0 ? liste[i - 1].y + h : haut);
        }
        for (std::size_t i = liste.size(); i-- > 0;) {
            liste[i].y = std::min(liste[i].y, i + 1 < liste.size() ? liste[i + 1].y - h : bas - h);
        }
        const double colonne = centre.x() + (cote == 0 ? 1 : -1) * (rayon + bras);
        const double place = cote == 0 ? taille.width() - 4 - (colonne + 3) : colonne - 3 - 4;
        for (const Candidate& cand : liste) {
            const int point = pointsTranches_[cand.tranche];
            const QString libelle =
                point >= 0 ? points_[serieCamembert_][point].libelle : m.libelleAutres;
            const QString valeur =
                QStringLiteral(" : ") + texteMarque(m, tranches[cand.tranche]->value());
            const double reste = place - fm.horizontalAdvance(valeur);
            const QString elude = fm.elidedText(libelle, Qt::ElideMiddle, std::max(0.0, reste));
            if (elude != libelle && elude.size() < 6) continue;  // "A…s" names nothing
            const QString texte = elude + valeur;
            auto* item = new QGraphicsSimpleTextItem(texte, c);
            item->setFont(police);
            item->setBrush(m.couleurMarques);
            item->setZValue(1000);
            const double largeurTexte = fm.horizontalAdvance(texte);
            item->setPos(cote == 0 ? colonne + 3 : colonne - 3 - largeurTexte, cand.y);
            const QPointF bord =
                centre + rayon * QPointF(std::sin(cand.angle), -std::cos(cand.angle));
            const QPointF coude =
                centre + (rayon + bras / 2) * QPointF(std::sin(cand.angle), -std::cos(cand.angle));
            QPainterPath chemin(bord);
            chemin.lineTo(coude);
            chemin.lineTo(colonne, cand.y + h / 2);
            auto* trait = new QGraphicsPathItem(chemin, c);
            trait->setPen(QPen(m.couleurMarques, 1));
            trait->setZValue(999);
            etiquettes_.push_back({item, trait});
        }
    }
}

// Texts below the plot: black on a light background's bottom, white on a dark one.
QColor GrapheQt::couleurDessous() const {
    return modele_.couleurFond.lightnessF() < 0.4 ? QColor(Qt::white) : QColor(Qt::black);
}

QString GrapheQt::texteBulle(int serie, int point) const {
    if (serie < 0 || serie >= nbSeries() || point < 0 || point >= nbPoints(serie)) return {};
    const PointGraphe& p = points_[serie][point];
    const QString valeur = texteMarque(modele_.series[serie], p.valeur);
    return p.libelle.isEmpty() ? valeur : p.libelle + QLatin1Char('\n') + valeur;
}

void GrapheQt::montrerBulle(const QString& texte, bool survol) {
    if (survol && !texte.isEmpty()) {
        // At the pointer, which hovers the bar; the chart's middle if it is elsewhere.
        const QPoint pointeur = QCursor::pos();
        QToolTip::showText(
            rect().contains(mapFromGlobal(pointeur)) ? pointeur : mapToGlobal(rect().center()),
            texte, this);
    } else {
        QToolTip::hideText();
    }
}

QStringList GrapheQt::libellesAxe() const {
    return libellesVisibles_;
}

QStringList GrapheQt::libellesLegende() const {
    QStringList textes;
    for (const QGraphicsItem* item : legende_) {
        if (const auto* t = dynamic_cast<const QGraphicsSimpleTextItem*>(item))
            textes.append(t->text());
    }
    return textes;
}

QStringList GrapheQt::etiquettesCamembert() const {
    QStringList textes;
    for (const Etiquette& e : etiquettes_) textes.append(e.texte->text());
    return textes;
}

QStringList GrapheQt::marquesVisibles() const {
    QStringList textes;
    for (const Marque& m : marques_) {
        if (m.texte->isVisible()) textes.append(m.texte->text());
    }
    return textes;
}

QStringList GrapheQt::textesMarques() const {
    QStringList textes;
    for (const Marque& m : marques_) textes.append(m.texte->text());
    return textes;
}

void GrapheQt::zoomPourcent(int p) {
    zoom_ = p;
    chart()->zoomReset();
    appliquerZoom();
}

void GrapheQt::appliquerZoom() {
    for (const Plage& plage : plages_) {
        const auto [bas, haut] = plageZoomee(plage.min, plage.max, zoom_);
        plage.axe->setRange(bas, haut);
    }
}

int GrapheQt::nbPointsPagines() const {
    int n = 0;
    for (std::size_t s = 0; s < points_.size(); ++s) {
        if (modele_.series[s].active) n = std::max(n, static_cast<int>(points_[s].size()));
    }
    return n;
}

void GrapheQt::allerAuPoint(int k) {
    const int parPage = modele_.pointsParPage;
    if (parPage <= 0) return;
    k = std::clamp(k, 0, std::max(0, nbPointsPagines() - parPage));
    if (k == premier_) return;
    premier_ = k;
    sale_ = true;
    if (barre_ != nullptr) {
        const QSignalBlocker bloque(barre_);
        barre_->setValue(k);
    }
    if (isVisible()) actualiser();
}

void GrapheQt::mettreAJourBarre() {
    if (barre_ == nullptr) return;
    const int parPage = modele_.pointsParPage;
    const int n = nbPointsPagines();
    {
        const QSignalBlocker bloque(barre_);
        barre_->setRange(0, std::max(0, n - parPage));
        barre_->setPageStep(parPage);
        barre_->setSingleStep(1);
        barre_->setValue(premier_);
    }
    const bool visible = n > parPage;
    if (visible == !barre_->isHidden()) return;
    barre_->setVisible(visible);
    placerBarre();
}

// The bar takes a strip of the view; the chart fills what is left.
void GrapheQt::placerBarre() {
    const bool visible = barre_ != nullptr && !barre_->isHidden();
    if (visible) {
        const QRect r = contentsRect();
        if (barre_->orientation() == Qt::Horizontal) {
            const int h = barre_->sizeHint().height();
            setViewportMargins(0, 0, 0, h);
            barre_->setGeometry(r.left(), r.bottom() + 1 - h, r.width(), h);
        } else {
            const int l = barre_->sizeHint().width();
            setViewportMargins(0, 0, l, 0);
            barre_->setGeometry(r.right() + 1 - l, r.top(), l, r.height());
        }
    } else {
        setViewportMargins(0, 0, 0, 0);
    }
    const QSize taille = viewport()->size();
    chart()->resize(taille);
    setSceneRect(QRectF(QPointF(0, 0), QSizeF(taille)));
}

void GrapheQt::showEvent(QShowEvent* event) {
    QChartView::showEvent(event);
    if (sale_) {
        actualiser();
    } else {
        ajuster();  // drawn while hidden: fitted to the size it is shown at
    }
}

// QChartView sizes the chart to the whole widget; the frame and the paging bar take their share.
void GrapheQt::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    placerBarre();
    ajuster();
}

void GrapheQt::wheelEvent(QWheelEvent* event) {
    if (barre_ != nullptr && !barre_->isHidden()) {
        QCoreApplication::sendEvent(barre_, event);
        return;
    }
    QChartView::wheelEvent(event);
}

}  // namespace kestrane
