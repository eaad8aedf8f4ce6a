#include "ui/graphes/GrapheQt.h"

#include <QBarSet>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLineSeries>
#include <QLinearGradient>
#include <QLocale>
#include <QPieSeries>
#include <QScrollBar>
#include <QStackedBarSeries>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/graphes/DessinGraphe.h"
#include "ui/graphes/GeometrieGraphe.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

using dessin::couleurPalette;
using dessin::kNbCouleurs;
using dessin::policeMarques;
using dessin::texteMarque;

namespace {

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

bool estCartesienne(GenreSerie g) {
    return g != GenreSerie::camembert;
}

}  // namespace

// ---- GrapheQt

GrapheQt::GrapheQt(ModeleGraphe modele, QWidget* parent)
    : QChartView(parent), modele_(std::move(modele)), points_(modele_.series.size()) {
    setObjectName(modele_.nom);
    setAccessibleName(modele_.titre);
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
    rangees_ = Rangees{};
}

void GrapheQt::construire() {
    effacerDessin();
    diviseur_ = 1;
    unite_.clear();
    if (modele_.axeEnOctets) {
        double plusGrande = 0;
        for (int s = 0; s < nbSeries(); ++s) {
            if (!modele_.series[s].active || !estCartesienne(modele_.series[s].genre)) continue;
            for (const PointGraphe& p : points_[s])
                plusGrande = std::max(plusGrande, std::fabs(p.valeur));
        }
        const UniteOctets u = uniteOctets(plusGrande);
        diviseur_ = u.taille;
        unite_ = QLatin1Char(' ') + u.nom;
    }
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
                valeurs[position(i)] = points[debut + i].valeur / diviseur_;
            ensemble->append(valeurs);
            colorer(ensemble, couleurPalette(debut + j), m.degrade, horizontal);
            ensembles.append(ensemble);
        }
    } else {
        auto* ensemble = new QBarSet(m.titre.toHtmlEscaped());
        QList<qreal> valeurs(nb, 0.0);
        for (int i = 0; i < nb; ++i) valeurs[position(i)] = points[debut + i].valeur / diviseur_;
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
    if (rangees_.serie == nullptr) rangees_ = {serie, s, debut, nb, horizontal};
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
        sommets.append(QPointF(static_cast<double>(i), points[i].valeur / diviseur_));
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
        const double v = points[i].valeur / diviseur_;
        const QPointF ancre = horizontal ? QPointF(v, position) : QPointF(position, v);
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
    std::vector<MarqueAPlacer> aPlacer;
    aPlacer.reserve(marques_.size());
    for (const Marque& m : marques_) {
        aPlacer.push_back(
            {c->mapToPosition(m.ancre, serieMarques_), m.texte->boundingRect().size()});
    }
    const std::vector<PlaceMarque> places =
        disposerMarques(aPlacer, c->plotArea(), c->size().width(),
                        c->mapToPosition(QPointF(0, 0), serieMarques_), marquesHorizontales_);
    for (std::size_t k = 0; k < marques_.size(); ++k) {
        const Marque& m = marques_[k];
        m.texte->setPos(places[k].place.topLeft());
        m.texte->setBrush(places[k].dedans ? m.dedans : m.dehors);
        m.texte->setVisible(places[k].visible);
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
    QFont police;
    police.setPointSize(estPetit(taille) ? 7 : 8);
    const double axe = ajusterAxeCategories(police);
    const double legende = ajusterLegende();
    const QMargins marges = margesGraphe(axe, legende, axeInverse_);
    if (c->margins() != marges) c->setMargins(marges);

    // Qt centres the title between the margins and cuts it to their room, which labels left of
    // the plot or a legend narrow: it shrinks first.
    const double largeurTitre =
        std::min(taille.width(), taille.width() - marges.left() - marges.right() + 16.0);
    QFont titre(QStringLiteral("Arial"), 8, QFont::Bold);
    titre.setPointSizeF(taillePoliceTitre(
        [&](double points) {
            QFont f = titre;
            f.setPointSizeF(points);
            return QFontMetricsF(f).horizontalAdvance(modele_.titre);
        },
        largeurTitre));
    if (c->titleFont() != titre) c->setTitleFont(titre);
    placerLibellesAxe();
    placerLegende();
    if (axeValeurs_ != nullptr) {
        if (axeValeurs_->labelsFont() != police) axeValeurs_->setLabelsFont(police);
        // Numbers along the bottom stand on the background's darkest part.
        const QColor couleur =
            axeValeurs_->orientation() == Qt::Horizontal ? couleurDessous() : QColor(Qt::black);
        if (axeValeurs_->labelsColor() != couleur) axeValeurs_->setLabelsColor(couleur);
        const QFontMetricsF fm(police);
        const int graduations =
            axeInverse_ || axeValeurs_->orientation() == Qt::Horizontal
                ? graduationsTravers(
                      fm.horizontalAdvance(
                          c->locale().toString(static_cast<qint64>(plages_.back().max)) + unite_),
                      taille.width(), marges)
                : graduationsHauteur(taille.height(), fm.height());
        if (axeValeurs_->tickCount() != graduations) axeValeurs_->setTickCount(graduations);
    }
    if (camembert_ != nullptr) {
        const double relatif = tailleCamembert(taille);
        if (std::fabs(camembert_->pieSize() - relatif) > 0.005) camembert_->setPieSize(relatif);
        placerEtiquettesCamembert();
    }
}

// Texts below the plot: black on a light background's bottom, white on a dark one.
QColor GrapheQt::couleurDessous() const {
    return modele_.couleurFond.lightnessF() < 0.4 ? QColor(Qt::white) : QColor(Qt::black);
}

void GrapheQt::changerFormats(int serie, QString (*marque)(double), QString (*bulle)(double)) {
    if (serie < 0 || serie >= nbSeries()) return;
    modele_.series[serie].formatMarque = marque;
    modele_.series[serie].formatBulle = bulle;
    sale_ = true;
}

void GrapheQt::montrerLibellesCategories(bool montrer) {
    if (modele_.libellesCategories == montrer) return;
    modele_.libellesCategories = montrer;
    sale_ = true;
}

void GrapheQt::exprimerAxeEnOctets(bool octets) {
    if (modele_.axeEnOctets == octets) return;
    modele_.axeEnOctets = octets;
    sale_ = true;
}

void GrapheQt::changerNomAutres(int serie, QString (*nom)(int nbRegroupes)) {
    if (serie < 0 || serie >= nbSeries()) return;
    modele_.series[serie].nomAutres = nom;
    sale_ = true;
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
    // QChartView holds the view to the chart's minimum, which the room of category labels fitted
    // to the former, larger size (38 % of its width) may raise far above the size asked: once
    // they are fitted to it, that size stands.
    const QSize demandee = event->size();
    if (!redimensionne_ && !libellesPage_.isEmpty() &&
        (minimumWidth() > demandee.width() || minimumHeight() > demandee.height())) {
        redimensionne_ = true;
        setMinimumSize(chart()->minimumSize().toSize().boundedTo(demandee));
        resize(demandee);
        redimensionne_ = false;
    }
}

}  // namespace kestrane
