#include "ui/GrapheQt.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalStackedBarSeries>
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
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/FormatsGraphes.h"
#include "ui/Texte1252.h"

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

QFont policeMarques(const ModeleSerie& m) {
    QFont police;
    police.setPointSize(8);
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
    c->setLocalizeNumbers(true);
    c->setLocale(QLocale(QLocale::French, QLocale::France));
    c->legend()->setVisible(modele_.legende);
    c->legend()->setAlignment(Qt::AlignRight);
    connect(c, &QChart::plotAreaChanged, this, [this] { placerMarques(); });
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
    for (std::size_t s = 0; s < modele_.series.size(); ++s) {
        const ModeleSerie& m = modele_.series[s];
        const std::vector<PointGraphe>& points = points_[s];
        if (!m.active || points.empty()) continue;
        switch (m.genre) {
            case GenreSerie::camembert:
                construireCamembert(m, points);
                break;
            case GenreSerie::barres:
            case GenreSerie::barresHorizontales: {
                const int n = static_cast<int>(points.size());
                const int parPage = modele_.pointsParPage;
                if (parPage > 0) premier_ = std::clamp(premier_, 0, std::max(0, n - parPage));
                const int debut = parPage > 0 ? premier_ : 0;
                const int fin = parPage > 0 ? std::min(n, debut + parPage) : n;
                construireBarres(m, points, debut, fin);
                break;
            }
            case GenreSerie::ligne:
                construireLigne(m, points);
                break;
        }
    }
    appliquerZoom();
    mettreAJourBarre();
    placerMarques();
}

void GrapheQt::construireCamembert(const ModeleSerie& m, const std::vector<PointGraphe>& points) {
    auto* camembert = new QPieSeries;
    camembert->setName(m.titre.toHtmlEscaped());
    camembert->setPieStartAngle(m.angleDepart);
    camembert->setPieEndAngle(m.angleDepart + 360);
    camembert->setPieSize(0.6);  // room for the marks around it
    const QFont police = policeMarques(m);
    QList<QPieSlice*> tranches;
    for (const PartCamembert& part : partsCamembert(points, m.libelleAutres)) {
        auto* tranche = new QPieSlice(
            part.libelle.toHtmlEscaped() + QStringLiteral(" : ") + texteMarque(m, part.valeur),
            part.valeur);
        tranche->setColor(
            couleurPalette(part.point >= 0 ? part.point : static_cast<int>(points.size())));
        tranche->setLabelVisible(m.marques);
        tranche->setLabelFont(police);
        tranche->setLabelColor(m.couleurMarques);
        tranches.append(tranche);
    }
    camembert->append(tranches);
    chart()->addSeries(camembert);
}

// One colour per bar: a stacked series whose set c holds the bars of palette colour c at their
// own categories and zero elsewhere (zero bars are not drawn), so n bars cost at most 16 n bar
// items rather than n². Only the page's bars are built. Horizontal bars are laid out from the
// top, as the table reads (a reversed axis is not supported under bar series).
void GrapheQt::construireBarres(const ModeleSerie& m, const std::vector<PointGraphe>& points,
                                int debut, int fin) {
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
            auto* ensemble = new QBarSet(
                nb <= kNbCouleurs ? points[debut + j].libelle.toHtmlEscaped() : QString());
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
    serie->append(ensembles);
    chart()->addSeries(serie);
    construireAxes(points, debut, fin, horizontal);
    attacher(serie);
    if (m.marques && serieMarques_ == nullptr) {
        serieMarques_ = serie;
        ajouterMarques(m, points, debut, fin, horizontal);
    }
}

void GrapheQt::construireLigne(const ModeleSerie& m, const std::vector<PointGraphe>& points) {
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
        QStringList libelles;
        libelles.reserve(fin - debut);
        for (int i = debut; i < fin; ++i) libelles.append(points[i].libelle);
        QStringList noms = categoriesUniques(libelles);
        if (horizontal) std::reverse(noms.begin(), noms.end());
        auto* axe = new QBarCategoryAxis;
        axe->append(noms);
        axe->setLabelsAngle(modele_.angleLibelles);
        // Whole labels, even when they touch: "0..." names no hour.
        axe->setTruncateLabels(modele_.angleLibelles == 0);
        axeCategories_ = axe;
    } else {
        // Positions only: the points are named by the legend or not at all.
        auto* axe = new QValueAxis;
        axe->setVisible(false);
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
    plages_.push_back({axeValeurs_, bas, haut});
    connect(axeValeurs_, &QValueAxis::rangeChanged, this, [this] { placerMarques(); });

    c->addAxis(axeCategories_, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    c->addAxis(axeValeurs_, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
}

void GrapheQt::attacher(QAbstractSeries* serie) {
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
        marques_.push_back({texte, ancre});
    }
}

// A mark stands above its point, or right of a horizontal bar's end; the marks of points that
// a zoom pushed out of the plot are hidden.
void GrapheQt::placerMarques() {
    if (serieMarques_ == nullptr) return;
    QChart* c = chart();
    const QRectF zone = c->plotArea().adjusted(-1, -1, 1, 1);
    for (const Marque& m : marques_) {
        const QPointF p = c->mapToPosition(m.ancre, serieMarques_);
        const QRectF r = m.texte->boundingRect();
        m.texte->setPos(marquesHorizontales_ ? QPointF(p.x() + 4, p.y() - r.height() / 2)
                                             : QPointF(p.x() - r.width() / 2, p.y() - r.height()));
        m.texte->setVisible(zone.contains(p));
    }
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
    actualiser();
}

// QChartView sizes the chart to the whole widget; the frame and the paging bar take their share.
void GrapheQt::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    placerBarre();
}

void GrapheQt::wheelEvent(QWheelEvent* event) {
    if (barre_ != nullptr && !barre_->isHidden()) {
        QCoreApplication::sendEvent(barre_, event);
        return;
    }
    QChartView::wheelEvent(event);
}

}  // namespace kestrane
