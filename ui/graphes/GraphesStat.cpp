#include "ui/graphes/GraphesStat.h"

#include "ui/graphes/FormatsGraphes.h"
#include "ui/graphes/GrapheQt.h"

namespace kestrane {

namespace {

ModeleGraphe graphe(const char* nom, const QString& titre, QColor couleurTitre,
                    QColor couleurFond) {
    ModeleGraphe g;
    g.nom = QString::fromLatin1(nom);
    g.titre = titre;
    g.couleurTitre = couleurTitre;
    g.couleurFond = couleurFond;
    return g;
}

ModeleSerie serie(const QString& titre, GenreSerie genre, bool active = true) {
    ModeleSerie s;
    s.titre = titre;
    s.genre = genre;
    s.active = active;
    return s;
}

const QColor kOlive(128, 128, 0), kVert(0, 128, 0), kPourpre(128, 0, 128), kSarcelle(0, 128, 128),
    kMarron(128, 0, 0), kArgent(192, 192, 192);

}  // namespace

GrapheQt* creerGrapheStatIP(QWidget* parent) {
    ModeleGraphe g =
        graphe("grapheStatIP", QStringLiteral("Adresses IP"), Qt::blue, QColor(0, 128, 192));
    ModeleSerie ip = serie(QStringLiteral("IP"), GenreSerie::barres);
    ip.couleurParPoint = true;
    ip.largeurBarres = 0.9;
    ip.degrade = true;
    ip.marques = true;
    ip.couleurMarques = Qt::blue;
    g.series = {ip};
    g.pointsParPage = 10;
    g.ligneAxeValeurs = false;
    g.legende = true;  // the bars' addresses: the category axis is hidden
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatOS(QWidget* parent) {
    ModeleGraphe g = graphe("grapheStatOS", QStringLiteral("Systèmes d'exploitation"), kOlive,
                            QColor(255, 255, 128));
    ModeleSerie os = serie(QStringLiteral("OS"), GenreSerie::camembert);
    os.couleurParPoint = true;
    os.marques = true;
    os.marquesGras = true;
    os.libelleAutres = QStringLiteral("Autres");
    g.series = {os};
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatNavRobots(QWidget* parent) {
    ModeleGraphe g = graphe("grapheStatNavRobots", QStringLiteral("Navigateurs / Robots"), kVert,
                            QColor(0, 255, 128));
    ModeleSerie camembert = serie(QStringLiteral("Camenbert"), GenreSerie::camembert);
    camembert.couleurParPoint = true;
    camembert.marques = true;
    camembert.marquesGras = true;
    camembert.libelleAutres = QStringLiteral("Autre");
    camembert.angleDepart = 60;
    g.series = {camembert, serie(QStringLiteral("Histogramme"), GenreSerie::barres, false)};
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatFichierCharge(QWidget* parent) {
    ModeleGraphe g =
        graphe("grapheStatFichierCharge", QStringLiteral("Fichiers chargés"), kPourpre, kPourpre);
    ModeleSerie fichier = serie(QStringLiteral("Fichier"), GenreSerie::barresHorizontales);
    fichier.couleurParPoint = true;
    fichier.degrade = true;
    ModeleSerie mois =
        serie(QStringLiteral("FichierMoyenMois"), GenreSerie::barresHorizontales, false);
    mois.largeurBarres = 0.4;
    ModeleSerie jour = mois;
    jour.titre = QStringLiteral("FichierMoyenJour");
    g.series = {fichier, mois, jour};
    g.libellesCategories = true;
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatTauxCharge(QWidget* parent) {
    ModeleGraphe g = graphe("grapheStatTauxCharge", QStringLiteral("Taux de chargement"), kSarcelle,
                            QColor(64, 128, 128));
    ModeleSerie barres = serie(QString(), GenreSerie::barresHorizontales);
    barres.couleurParPoint = true;
    barres.largeurBarres = 0.5;
    barres.marques = true;
    barres.marquesGras = true;
    barres.formatMarque = formaterOctets;
    g.series = {serie(QStringLiteral("tauxChargement"), GenreSerie::ligne, false), barres};
    g.libellesCategories = true;
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatPrecedent(QWidget* parent) {
    ModeleGraphe g = graphe("grapheStatPrecedent", QStringLiteral("Provenances des visites"),
                            Qt::black, kArgent);
    ModeleSerie provenance = serie(QStringLiteral("Provenance1"), GenreSerie::barresHorizontales);
    provenance.couleurParPoint = true;
    provenance.marques = true;
    g.series = {provenance};
    g.pointsParPage = 10;
    g.zoomSouris = true;
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatHoraires(QWidget* parent) {
    ModeleGraphe g = graphe("grapheStatHoraires", QStringLiteral("Tranches horaires"), kMarron,
                            QColor(128, 64, 0));
    ModeleSerie ligne = serie(QString(), GenreSerie::ligne);
    ligne.couleur = Qt::black;
    ligne.epaisseur = 2;
    g.series = {ligne};
    g.libellesCategories = true;
    g.angleLibelles = -90;  // "08 à 09" side by side would overlap
    return new GrapheQt(std::move(g), parent);
}

GrapheQt* creerGrapheStatVMensuelles(QWidget* parent) {
    ModeleGraphe g =
        graphe("grapheStatVMensuelles", QStringLiteral("Visites"), kMarron, QColor(255, 128, 0));
    ModeleSerie ligne = serie(QString(), GenreSerie::ligne);
    ligne.couleur = Qt::red;
    ligne.marques = true;
    g.series = {ligne};
    g.libellesCategories = true;
    return new GrapheQt(std::move(g), parent);
}

std::array<GrapheQt*, 8> GraphesStat::tous() const {
    return {grapheStatIP,         grapheStatOS,        grapheStatNavRobots, grapheStatFichierCharge,
            grapheStatTauxCharge, grapheStatPrecedent, grapheStatHoraires,  grapheStatVMensuelles};
}

GraphesStat creerGraphes(QWidget* parent) {
    GraphesStat g;
    g.grapheStatIP = creerGrapheStatIP(parent);
    g.grapheStatOS = creerGrapheStatOS(parent);
    g.grapheStatNavRobots = creerGrapheStatNavRobots(parent);
    g.grapheStatFichierCharge = creerGrapheStatFichierCharge(parent);
    g.grapheStatTauxCharge = creerGrapheStatTauxCharge(parent);
    g.grapheStatPrecedent = creerGrapheStatPrecedent(parent);
    g.grapheStatHoraires = creerGrapheStatHoraires(parent);
    g.grapheStatVMensuelles = creerGrapheStatVMensuelles(parent);
    for (GrapheQt* graphe : g.tous()) graphe->hide();
    return g;
}

}  // namespace kestrane
