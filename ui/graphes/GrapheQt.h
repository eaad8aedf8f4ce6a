// The chart engine: a chart described by a model (series, colours, marks, paging), fed points as
// plain data, that builds its Qt Charts objects from them only when it is about to be seen:
// feeding the eight charts after an analysis, most of them hidden, costs a few vector copies,
// and a shown chart is rebuilt once per feed with whole lists, never point by point.
#pragma once

#include <QAbstractAxis>
#include <QAbstractSeries>
#include <QChartView>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "core/analyse/Interfaces.h"

class QGraphicsItem;
class QGraphicsPathItem;
class QGraphicsSimpleTextItem;
class QPieSeries;
class QBarSet;
class QScrollBar;
class QValueAxis;

namespace kestrane {

enum class GenreSerie { barres, barresHorizontales, camembert, ligne };

// What a series draws. An inactive series keeps the points it is fed and draws nothing.
struct ModeleSerie {
    QString titre;
    GenreSerie genre = GenreSerie::barres;
    bool active = true;
    bool couleurParPoint = false;  // each point takes its colour from the palette
    QColor couleur;                // otherwise this one (invalid: the palette's first)
    int epaisseur = 1;             // lines, in pixels
    double largeurBarres = 0.8;    // share of a category
    bool degrade = false;          // bars fade to white
    bool marques = false;          // each point shows its value
    QColor couleurMarques = Qt::black;
    bool marquesGras = false;
    QString (*formatMarque)(double) = nullptr;  // null: the plain number
    QString (*formatBulle)(double) = nullptr;   // the tooltip's value; null: as the mark
    QString libelleAutres;                      // pies: the slice gathering those under 2 %
    // Its name from how many it gathers (0: the short name drawn where the whole has no room);
    // null: libelleAutres.
    QString (*nomAutres)(int) = nullptr;
    double angleDepart = 0;  // pies, in degrees
};

struct ModeleGraphe {
    QString nom;  // objectName
    QString titre;
    QColor couleurTitre;
    QColor couleurFond;  // bottom of the background gradient, white at the top
    std::vector<ModeleSerie> series;
    int pointsParPage = 0;            // 0: every point at once; otherwise a paging bar
    bool libellesCategories = false;  // the points' labels on the category axis
    int angleLibelles = 0;            // of those labels, in degrees
    bool ligneAxeValeurs = true;
    bool legende = false;
    bool zoomSouris = false;
    bool axeEnOctets = false;  // the value axis in the base-1024 unit of the largest value
};

struct PointGraphe {
    double valeur = 0;
    QString libelle;
};

class GrapheQt : public QChartView, public Graphe {
    Q_OBJECT

  public:
    explicit GrapheQt(ModeleGraphe modele, QWidget* parent = nullptr);
    ~GrapheQt() override;

    int nbSeries() const override;
    void viderSerie(int serie) override;
    void ajouterPoint(int serie, double valeur, std::string_view libelle) override;

    // How a series writes its marks and its tooltips' values (see ModeleSerie).
    void changerFormats(int serie, QString (*marque)(double), QString (*bulle)(double));
    // Whether the chart names its points along its category axis, and writes its value axis in
    // bytes' units (ModeleGraphe).
    void montrerLibellesCategories(bool montrer);
    void exprimerAxeEnOctets(bool octets);
    // How a pie names its gathered slice (see ModeleSerie::nomAutres).
    void changerNomAutres(int serie, QString (*nom)(int nbRegroupes));

    int nbPoints(int serie) const;
    double valeur(int serie, int k) const;
    QString libelle(int serie, int k) const;
    QString titreSerie(int serie) const;
    bool serieActive(int serie) const;
    const ModeleGraphe& modele() const { return modele_; }

    // Builds the drawing from the points when they changed since the last build. Runs by itself
    // when the chart is shown and after a feed of a shown chart (queued, once per feed); a caller
    // that wants the drawing at once (a test, a picture) calls it.
    void actualiser();
    bool aActualiser() const { return sale_; }

    // Paging along the category axis: the first point shown, and the bar that moves it (null on
    // a chart without pages; hidden while every point fits on one page).
    int premierPoint() const { return premier_; }
    void allerAuPoint(int k);
    QScrollBar* barrePages() const { return barre_; }

    // Shows p % of the unzoomed view: each value axis goes from min + d to max - d, with
    // d = (max - min) * (p - 100) / 100. Any zoom by mouse is undone first. From 150 up, where
    // that range would be empty or reversed, the view keeps 1 % of the range around its middle.
    void zoomPourcent(int p);
    int zoom() const { return zoom_; }

    // The value marks of the drawing, in point order, and those drawn: a mark is left out when
    // it would cover another or stand outside the chart (its value is in the tooltip).
    QStringList textesMarques() const;
    QStringList marquesVisibles() const;

    // What the tooltip of a bar, slice or point tells: its whole label and its value.
    QString texteBulle(int serie, int point) const;

    // The labels of the drawing as drawn, after they were fitted to the chart's size: the
    // category axis (in axis order, a label left out as ""), the legend, and the pie's labels
    // (those with room, largest slices first kept).
    QStringList libellesAxe() const;
    QStringList libellesLegende() const;
    QStringList etiquettesCamembert() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    struct Etiquette {  // a pie slice's label and its leader line
        QGraphicsSimpleTextItem* texte;
        QGraphicsPathItem* trait;
    };
    struct Marque {
        QGraphicsSimpleTextItem* texte;
        QPointF ancre;          // in the series' values
        QColor dehors, dedans;  // beside the bar, and inside its end
    };
    struct Plage {
        QValueAxis* axe;
        double min, max;
    };
    struct Rangees {  // the bars whose rows (columns) show their tooltips
        QAbstractSeries* serie = nullptr;
        int s = 0, debut = 0, nb = 0;
        bool horizontales = false;
    };

    void demanderActualisation();
    void construire();
    void effacerDessin();
    void construireCamembert(int s);
    void construireBarres(int s, int debut, int fin);
    void construireLigne(int s);
    void construireAxes(const std::vector<PointGraphe>& points, int debut, int fin,
                        bool horizontal);
    void attacher(QAbstractSeries* serie);
    void ajouterMarques(const ModeleSerie& m, const std::vector<PointGraphe>& points, int debut,
                        int fin, bool horizontal);
    void placerMarques();
    void ajuster();
    double ajusterAxeCategories(const QFont& police);
    void placerLibellesAxe();
    double ajusterLegende();
    void placerLegende();
    void placerEtiquettesCamembert();
    void montrerBulle(const QString& texte, bool survol);
    void montrerBulleRangee(const QPoint& position);
    QColor couleurDessous() const;
    void appliquerZoom();
    int nbPointsPagines() const;
    void mettreAJourBarre();
    void placerBarre();

    ModeleGraphe modele_;
    std::vector<std::vector<PointGraphe>> points_;
    bool sale_ = true;
    bool prevue_ = false;
    int premier_ = 0;
    int zoom_ = 100;
    QScrollBar* barre_ = nullptr;
    QAbstractAxis* axeCategories_ = nullptr;
    QValueAxis* axeValeurs_ = nullptr;
    std::vector<Plage> plages_;  // unzoomed ranges of the value axes
    double diviseur_ = 1;        // the drawing's values are the points' divided by it
    QString unite_;              // after the value axis's numbers: " Mo"
    Rangees rangees_;
    bool bulleRangee_ = false;  // the tooltip shown is a row's
    bool redimensionne_ = false;
    std::vector<Marque> marques_;
    std::vector<Etiquette> etiquettes_;
    QPieSeries* camembert_ = nullptr;
    std::vector<int> pointsTranches_;  // each slice's point, -1 for the gathered one
    QString libelleRegroupe_;          // the gathered slice's name
    int serieCamembert_ = -1;
    QStringList libellesPage_;  // the page's whole labels, in axis order
    bool axeInverse_ = false;
    std::vector<std::pair<QBarSet*, QString>> ensemblesNommes_;  // legend entries, whole labels
    QStringList textesLegende_;                                  // as drawn
    QStringList textesAxe_;  // the category labels elided, in axis order
    QStringList libellesVisibles_;
    QFont policeAxe_;
    std::vector<QGraphicsSimpleTextItem*> libellesAxe_;
    QAbstractSeries* serieAxes_ = nullptr;  // the series the category axis places
    QFont policeLegende_;
    double largeurLegende_ = 0;
    std::vector<QGraphicsItem*> legende_;
    QAbstractSeries* serieMarques_ = nullptr;
    bool marquesHorizontales_ = false;
};

// The slices of a pie: the points holding 2 % of the total or more, largest first (equal ones
// in point order), then, if any point holds less, one slice `autres` gathering them.
struct PartCamembert {
    QString libelle;
    double valeur;
    int point;          // index of the point, -1 for the gathered slice
    int regroupes = 0;  // the gathered slice: how many points it holds
};
std::vector<PartCamembert> partsCamembert(const std::vector<PointGraphe>& points,
                                          const QString& autres);

// Palette indexes of a pie's slices: each part keeps its point's colour (the gathered slice the
// one after the last point's) unless it would repeat the slice before it, or, for the last
// slice, the first one it touches: then the next colour that differs from both.
std::vector<int> couleursCamembert(const std::vector<PartCamembert>& parts, int nbPoints);

// Names for a category axis, which merges equal names and skips empty ones: each label escaped
// for the chart's rich text, and one made unique by zero-width spaces when empty or repeated.
QStringList categoriesUniques(const QStringList& libelles);

}  // namespace kestrane
