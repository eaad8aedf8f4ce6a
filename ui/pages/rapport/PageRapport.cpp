// The report page: its controls and their layout, its scrolling, and what the statistics pass
// shows on it. Its commands (sorts, searches, slices, periods) are in CommandesRapport.cpp.
#include "ui/pages/rapport/PageRapport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/GrillesRapport.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/pages/rapport/ConstructionRapport.h"
#include "ui/pages/rapport/GroupeRapport.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

using namespace rapport;

namespace {

constexpr int kMarge = GroupeRapport::kMarge;
constexpr int kHauteurGroupe = GroupeRapport::kHauteur;

// -1 for a wheel turned up (towards the top of the report), +1 down, 0 for no vertical turn.
int sensMolette(const QWheelEvent* e) {
    int dy = e->angleDelta().y();
    if (dy == 0) dy = e->pixelDelta().y();
    return dy > 0 ? -1 : dy < 0 ? 1 : 0;
}

// The report's scroll area: one wheel event, one fixed step, whatever the platform's settings.
class BoiteDefilement : public QScrollArea {
  public:
    using QScrollArea::QScrollArea;

    void defiler(const QWheelEvent* e) {
        const int sens = sensMolette(e);
        if (sens == 0) return;
        QScrollBar* barre = verticalScrollBar();
        barre->setValue(barre->value() + sens * PageRapport::kPasMolette);
    }

  protected:
    void wheelEvent(QWheelEvent* e) override {
        if (sensMolette(e) == 0) {
            e->ignore();
            return;
        }
        defiler(e);
        e->accept();
    }
};

}  // namespace

PageRapport::PageRapport(ContexteFenetre contexte, GraphesStat graphes, QWidget* parent)
    : QWidget(parent), contexte_(std::move(contexte)), graphes_(graphes) {
    if (!contexte_.resultat) contexte_.resultat = std::make_shared<ResultatAnalyse>();
    setObjectName(QStringLiteral("PageRapport"));
    setFont(police(11, false));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    creerBarreOutils();
    page->addWidget(panelOutilsRapport);

    auto* boite = new BoiteDefilement(this);
    scrollBoxRapport = boite;
    scrollBoxRapport->setObjectName(QStringLiteral("scrollBoxRapport"));
    scrollBoxRapport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBoxRapport->setBackgroundRole(QPalette::Window);
    scrollBoxRapport->setWidgetResizable(true);
    // The scroll bar would step by its own amount: the report's step applies there too.
    scrollBoxRapport->verticalScrollBar()->installEventFilter(this);
    page->addWidget(scrollBoxRapport, 1);

    contenuRapport = new QWidget;
    contenuRapport->setObjectName(QStringLiteral("contenuRapport"));
    contenuRapport->setFixedHeight(kHauteurContenu);
    contenuRapport->setMinimumWidth(kLargeurGroupe + 2 * kMarge);
    contenuRapport->installEventFilter(this);
    creerContenu();
    scrollBoxRapport->setWidget(contenuRapport);
    placerSurLaLargeur();

    connect(btRapportRapport, &QToolButton::clicked, this, [this] { allerA(0); });
    connect(btRapportAudience, &QToolButton::clicked, this, [this] { allerA(kPositionAudience); });
    nommerGroupes();
    brancher();
}

void PageRapport::nommerGroupes() {
    const std::pair<QButtonGroup*, const char*> groupes[] = {
        {groupeTriTranches, "groupeTriTranches"},
        {groupeTriRequetes, "groupeTriRequetes"},
        {groupePeriodeRequetes, "groupePeriodeRequetes"},
    };
    for (const auto& [groupe, nom] : groupes) groupe->setObjectName(QString::fromLatin1(nom));
}

// --- What the statistics pass shows ---------------------------------------------------------

void PageRapport::afficherTable(int etape) {
    struct Remplissage {
        const char *entete0, *entete1;
        const tableauRapportStat& table;
        GrilleRapport* grille;
    };
    const TablesAnalyse& t = resultat().tables;
    const Remplissage remplissages[] = {
        {"Adresses IP", "Occurences", t.statIP, groupes_[kGroupeAdresses]->grille()},
        {"Syst\xE8me d'Exploitation", "Occurences", t.statOS, groupes_[kGroupeSystemes]->grille()},
        {"Navigateur / Robot", "Occurences", t.statNav, groupes_[kGroupeNavigateurs]->grille()},
        {"Page de provenance", "Occurences", t.statPrecedent,
         groupes_[kGroupeProvenances]->grille()},
        {"Fichier charg\xE9", "Occurences", t.statFichier, groupes_[kGroupeFichiers]->grille()},
        {"Adresse IP", "Octets", t.statTaux, groupes_[kGroupeOctets]->grille()},
        {"Tranche horaire", "Nb Acc\xE8s", t.statHoraires, tableauRapportTranches},
    };
    static_assert(std::size(remplissages) == kEtapeTranches - kEtapeIP + 1);
    if (etape < kEtapeIP || etape > kEtapeTranches) return;
    const Remplissage& r = remplissages[etape - kEtapeIP];
    remplirTableauRapport(r.entete0, r.entete1, r.table, *r.grille);
    ecrireNombresLisibles(r.table, *r.grille);
}

void PageRapport::ecrireNombresLisibles(const tableauRapportStat& table, GrilleRapport& grille) {
    const ResultatAnalyse& r = resultat();
    if (!r.lisibles.actifs) return;
    if (&table == &r.tables.statTaux) ecrireNombres(table, grille, formatStatTaux(true));
    if (&table == &r.tables.statHoraires) ecrireNombres(table, grille, formatStatHoraires(true));
}

void PageRapport::afficherTotalRequetes(std::size_t nbLignes) {
    lbRapportRequetesTotal->setText(QString::number(nbLignes));
}

void PageRapport::preparerRequetes(const ListesPeriodes& listes) {
    // The one-entry-per-date build has been made by the statistics pass, which derived the two
    // lists from it.
    cbRapportRequetesAnnees->clear();
    cbRapportRequetesMois->clear();
    for (const std::string& a : listes.annees) cbRapportRequetesAnnees->addItem(depuis1252(a));
    cbRapportRequetesAnnees->setCurrentIndex(0);
    for (const std::string& m : listes.mois) cbRapportRequetesMois->addItem(depuis1252(m));
    cbRapportRequetesMois->setCurrentIndex(0);
    // Selecting the button runs its action when it was not selected already.
    radioRapportRequetesToutJournal->setChecked(true);
    // Readable results show the requests by period, which the raw ones keep hidden.
    boiteRapportRequetes->setVisible(resultat().lisibles.actifs);
    compterRequetes(lignes(), kPeriodeToutLeFichier, "", "", resultat().tables.statVMensuelles);
    afficherRequetes();
}

void PageRapport::afficherRequetes() {
    const tableauRapportStat& requetes = resultat().tables.statVMensuelles;
    remplirTableauRapport("Date", "Occurences", requetes, *tableauRapportRequetes);
    remplirGraphe(*graphes_.grapheStatVMensuelles, 50, requetes);
    emit requetesAffichees();
}

int PageRapport::largeurTranches() const {
    return seRapportTrancheRecherche->value();
}

void PageRapport::changerTitre(const QString& titre) {
    lbTitreRapport->setText(titre);
}

void PageRapport::oublierTriAdresses() {
    decocherSansAction(groupes_[kGroupeAdresses]->tri());
}

void PageRapport::creerBarreOutils() {
    panelOutilsRapport = new QFrame(this);
    panelOutilsRapport->setObjectName(QStringLiteral("panelOutilsRapport"));
    panelOutilsRapport->setFixedHeight(25);
    auto* barre = new QHBoxLayout(panelOutilsRapport);
    barre->setContentsMargins(2, 1, 2, 1);
    btRapportRapport = controle<QToolButton>(panelOutilsRapport, "btRapportRapport", {});
    btRapportRapport->setText(QStringLiteral("Rapport"));
    btRapportAudience = controle<QToolButton>(panelOutilsRapport, "btRapportAudience", {});
    btRapportAudience->setText(QStringLiteral("Audience"));
    btRapportAudience->hide();
    barre->addWidget(btRapportRapport);
    barre->addStretch(1);
    barre->addWidget(btRapportAudience);
}

void PageRapport::creerContenu() {
    lbTitreRapport = texte(contenuRapport, "lbTitreRapport", {}, {0, 8, kLargeurGroupe, 33});
    bandeau(lbTitreRapport, 21);

    const QString vide;
    const QString adresse = QStringLiteral("xxx.xxx.xxx.xxx");
    const GroupeRapport::Description groupes[] = {
        {"AdressesIP", "boiteRapportAdressesIP", "tableauRapportAdressesIP",
         QStringLiteral("Adresses IP :"), 48, 150, 150, adresse},
        {"OS", "boiteRapportOS", "tableauRapportOS",
         QStringLiteral("Syst\u00e8mes d'exploitation :"), 224, 150, 150, vide},
        {"Nav", "boiteRapportNavRobots", "tableauRapportNav",
         QStringLiteral("Navigateurs / Robots :"), 400, 237, 62, vide},
        {"Fichier", "boiteRapportFichierCharge", "tableauRapportFichierCharge",
         QStringLiteral("Fichiers charg\u00e9s :"), 576, 150, 150, vide},
        {"Taux", "boiteRapportTauxChargement", "tableauRapportTauxChargement",
         QStringLiteral("Taux de chargement :"), 752, 150, 150, adresse},
        {"Precedent", "boiteRapportPrecedent", "tableauRapportPrecedent",
         QStringLiteral("Provenance des visites :"), 928, 260, 150, vide},
    };
    // What a row of each group's grid stands for, when the window filters on it.
    constexpr SorteEntree sortes[] = {SorteEntree::adresse,    SorteEntree::systeme,
                                      SorteEntree::navigateur, SorteEntree::fichier,
                                      SorteEntree::adresse,    SorteEntree::provenance};
    for (std::size_t k = 0; k < groupes_.size(); ++k) {
        groupes_[k] = new GroupeRapport(groupes[k], contenuRapport);
        molletteSiFocus(groupes_[k]->grille());
        permettreFiltrage(groupes_[k]->grille(), sortes[k]);
    }

    creerGroupeTranches();

    Bevel1 = controle<QFrame>(contenuRapport, "Bevel1", {0, 1283, kLargeurGroupe, 2});
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    creerAudience();
    creerGroupeRequetes();
}

void PageRapport::creerGroupeTranches() {
    boiteRapportTranches =
        groupe(contenuRapport, "boiteRapportTranches", QStringLiteral("Tranches horaires :"),
               {kMarge, 1103, kLargeurGroupe, kHauteurGroupe});
    tableauRapportTranches =
        grille(boiteRapportTranches, "tableauRapportTranches", {8, 24, 249, 129}, 99, 120, false);
    tableauRapportTranches->setAccessibleName(QStringLiteral("Tranches horaires"));
    molletteSiFocus(tableauRapportTranches);
    permettreFiltrage(tableauRapportTranches, SorteEntree::heure);

    groupeRapportTrancheTri = groupe(boiteRapportTranches, "groupeRapportTrancheTri",
                                     QStringLiteral("Options de tri :"), {272, 16, 345, 81});
    QWidget* tri = groupeRapportTrancheTri;
    radioRapportTranchesCroissant = radio(tri, "radioRapportTranchesCroissant",
                                          QStringLiteral("Ordre croissant (<)"), {8, 24, 150, 17});
    radioRapportTranchesDecroissant =
        radio(tri, "radioRapportTranchesDecroissant", QStringLiteral("Ordre d\u00e9croissant (>)"),
              {8, 48, 150, 17});
    ligneRapportTrancheTri = controle<QFrame>(tri, "ligneRapportTrancheTri", {164, 18, 2, 56});
    ligneRapportTrancheTri->setFrameShape(QFrame::VLine);
    ligneRapportTrancheTri->setFrameShadow(QFrame::Sunken);
    radioRapportTranchesHDF =
        radio(tri, "radioRapportTranchesHDF", QStringLiteral("D\u00e9but -> Fin de journ\u00e9e"),
              {176, 24, 164, 17});
    radioRapportTranchesHFD =
        radio(tri, "radioRapportTranchesHFD", QStringLiteral("Fin -> D\u00e9but de journ\u00e9e"),
              {176, 48, 164, 17});
    groupeTriTranches = grouper({radioRapportTranchesCroissant, radioRapportTranchesDecroissant,
                                 radioRapportTranchesHDF, radioRapportTranchesHFD});

    lbRapportTrancheDiviser = texte(
        boiteRapportTranches, "lbRapportTrancheDiviser",
        QStringLiteral("Diviser la journ\u00e9e moyenne en tranches de"), {272, 116, 215, 16});
    seRapportTrancheRecherche =
        controle<QSpinBox>(boiteRapportTranches, "seRapportTrancheRecherche", {490, 112, 41, 22});
    seRapportTrancheRecherche->setRange(1, 6);
    seRapportTrancheRecherche->setValue(1);
    // Stepping only: the arrows and the keys step, typed text never reaches the value.
    if (auto* edit = seRapportTrancheRecherche->findChild<QLineEdit*>()) edit->setReadOnly(true);
    molletteSiFocus(seRapportTrancheRecherche);
    lbRapportTrancheHeures = texte(boiteRapportTranches, "lbRapportTrancheHeures",
                                   QStringLiteral("heures."), {536, 116, 60, 16});
    aLaSuite(lbRapportTrancheDiviser, seRapportTrancheRecherche, 4);
    aLaSuite(seRapportTrancheRecherche, lbRapportTrancheHeures, 4);
}

void PageRapport::creerAudience() {
    lbRapportAudience = texte(contenuRapport, "lbRapportAudience", QStringLiteral("AUDIENCE"),
                              {0, 1295, kLargeurGroupe, 25});
    bandeau(lbRapportAudience, 16);
    lbRapportAudience->hide();
    StaticText1 =
        texte(contenuRapport, "StaticText1", QStringLiteral("Nombre total de requ\u00e8tes : "),
              {kMarge, 1335, 150, 17});
    StaticText1->hide();
    lbRapportRequetesTotal = texte(contenuRapport, "lbRapportRequetesTotal",
                                   QStringLiteral("nbRequ\u00e8tes"), {160, 1335, 150, 17});
    lbRapportRequetesTotal->hide();
    aLaSuite(StaticText1, lbRapportRequetesTotal, 0);
}

void PageRapport::creerGroupeRequetes() {
    boiteRapportRequetes =
        groupe(contenuRapport, "boiteRapportRequetes", QStringLiteral("Requ\u00e8tes :"),
               {kMarge, 1367, kLargeurGroupe, 289});
    boiteRapportRequetes->hide();
    QWidget* b = boiteRapportRequetes;
    tableauRapportRequetes =
        grille(b, "tableauRapportRequetes", {8, 24, 287, 257}, 128, 150, false);
    tableauRapportRequetes->setAccessibleName(QStringLiteral("Requ\u00eates par p\u00e9riode"));
    molletteSiFocus(tableauRapportRequetes);
    radioRapportRequetesCroissant =
        radio(b, "radioRapportRequetesCroissant", QStringLiteral("Ordre croissant (<)"),
              {312, 24, 140, 17});
    radioRapportRequetesDecroissant =
        radio(b, "radioRapportRequetesDecroissant", QStringLiteral("Ordre d\u00e9croissant (>)"),
              {456, 24, 160, 17});
    groupeTriRequetes = grouper({radioRapportRequetesCroissant, radioRapportRequetesDecroissant});

    groupRapportRequetesParam =
        controle<QGroupBox>(b, "groupRapportRequetesParam", {304, 48, 313, 233});
    QWidget* p = groupRapportRequetesParam;
    radioRapportRequetesToutJournal =
        radio(p, "radioRapportRequetesToutJournal", QStringLiteral("Sur tout le fichier journal"),
              {8, 16, 220, 17});
    radioRapportRequetesAnnee =
        radio(p, "radioRapportRequetesAnnee", QStringLiteral("Sur l'ann\u00e9e"), {8, 44, 124, 17});
    radioRapportRequetesMois =
        radio(p, "radioRapportRequetesMois", QStringLiteral("Sur le mois de"), {8, 72, 124, 17});
    radioRapportRequetesPeriode =
        radio(p, "radioRapportRequetesPeriode", QStringLiteral("Sur la p\u00e9riode du"),
              {8, 100, 124, 17});
    radioRapportRequetesJournee =
        radio(p, "radioRapportRequetesJournee", QStringLiteral("Sur la journ\u00e9e du"),
              {8, 156, 124, 17});
    groupePeriodeRequetes = grouper({radioRapportRequetesToutJournal, radioRapportRequetesAnnee,
                                     radioRapportRequetesMois, radioRapportRequetesPeriode,
                                     radioRapportRequetesJournee});

    cbRapportRequetesAnnees = controle<QComboBox>(p, "cbRapportRequetesAnnees", {136, 42, 97, 21});
    cbRapportRequetesMois = controle<QComboBox>(p, "cbRapportRequetesMois", {136, 70, 97, 21});
    molletteSiFocus(cbRapportRequetesAnnees);
    molletteSiFocus(cbRapportRequetesMois);
    cbDateRapportRequetesPeriodeDu =
        date(p, "cbDateRapportRequetesPeriodeDu", {136, 98, 97, 21}, QDate(2002, 10, 8));
    lbRapportRequetesAu = texte(p, "lbRapportRequetesAu", QStringLiteral("au"), {112, 130, 20, 16});
    cbDateRapportRequetesPeriodeAu =
        date(p, "cbDateRapportRequetesPeriodeAu", {136, 126, 97, 21}, QDate(2005, 10, 8));
    cbDateRapportJournee = date(p, "cbDateRapportJournee", {136, 154, 97, 21}, QDate(2005, 10, 8));
    for (QWidget* d : {static_cast<QWidget*>(cbDateRapportRequetesPeriodeDu),
                       static_cast<QWidget*>(cbDateRapportRequetesPeriodeAu),
                       static_cast<QWidget*>(cbDateRapportJournee)}) {
        molletteSiFocus(d);
    }
    btRapportRequetesActualiser =
        controle<QPushButton>(p, "btRapportRequetesActualiser", {224, 196, 81, 25});
    btRapportRequetesActualiser->setText(QStringLiteral("Actualiser"));
}

QButtonGroup* PageRapport::grouper(std::initializer_list<QRadioButton*> boutons) {
    auto* g = new QButtonGroup(this);
    g->setExclusive(true);
    for (QRadioButton* b : boutons) g->addButton(b);
    return g;
}

void PageRapport::molletteSiFocus(QWidget* controle) {
    controle->setFocusPolicy(Qt::StrongFocus);
    controle->installEventFilter(this);
    if (auto* vue = qobject_cast<QAbstractScrollArea*>(controle)) {
        vue->viewport()->installEventFilter(this);
    }
}

void PageRapport::placerSurLaLargeur() {
    const int largeur = contenuRapport->width();
    const int groupe = std::max(kLargeurGroupe, largeur - 2 * kMarge);
    for (GroupeRapport* g : groupes_) g->resize(groupe, g->height());
    for (QWidget* w : {static_cast<QWidget*>(boiteRapportTranches),
                       static_cast<QWidget*>(boiteRapportRequetes)}) {
        w->resize(groupe, w->height());
    }
    for (QWidget* w : {static_cast<QWidget*>(lbTitreRapport), static_cast<QWidget*>(Bevel1),
                       static_cast<QWidget*>(lbRapportAudience)}) {
        w->resize(std::max(largeur, kLargeurGroupe), w->height());
    }
}

bool PageRapport::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::Resize && objet == contenuRapport) {
        placerSurLaLargeur();
    } else if (evenement->type() == QEvent::Wheel) {
        if (objet == scrollBoxRapport->verticalScrollBar()) {
            static_cast<BoiteDefilement*>(scrollBoxRapport)
                ->defiler(static_cast<QWheelEvent*>(evenement));
            evenement->accept();
            return true;
        }
        // A grid's wheel arrives on its viewport; the focus belongs to the grid.
        auto* cible = static_cast<QWidget*>(objet);
        if (auto* vue = qobject_cast<QAbstractScrollArea*>(cible->parentWidget());
            vue && vue->viewport() == cible) {
            cible = vue;
        }
        if (!cible->hasFocus()) {
            // Ignored and filtered: the event goes up to the report, which scrolls.
            evenement->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(objet, evenement);
}

int PageRapport::position() const {
    return scrollBoxRapport->verticalScrollBar()->value();
}

void PageRapport::allerA(int position) {
    scrollBoxRapport->verticalScrollBar()->setValue(position);
}

void PageRapport::decocherSansAction(QButtonGroup* groupe) {
    const QList<QAbstractButton*> boutons = groupe->buttons();
    std::vector<QSignalBlocker> silences;
    silences.reserve(static_cast<std::size_t>(boutons.size()) + 1);
    silences.emplace_back(groupe);
    for (QAbstractButton* b : boutons) silences.emplace_back(b);
    const bool exclusif = groupe->exclusive();
    groupe->setExclusive(false);
    for (QAbstractButton* b : boutons) b->setChecked(false);
    groupe->setExclusive(exclusif);
}

std::array<const GroupeRapport*, 6> PageRapport::groupesStandard() const {
    std::array<const GroupeRapport*, 6> g{};
    std::copy(groupes_.begin(), groupes_.end(), g.begin());
    return g;
}

void PageRapport::permettreFiltrage(GrilleRapportQt* grille, SorteEntree sorte) {
    if (!contexte_.filtrerSur) return;
    const auto filtrer = [this, grille, sorte](int ligne, bool exclure, bool voir = false) {
        const std::string libelle = grille->cellule(0, ligne);
        // Systems and browsers are filtered by the catalogue's names, which only the readable
        // tables give.
        const bool parNom = sorte == SorteEntree::systeme || sorte == SorteEntree::navigateur;
        if (ligne < 1 || libelle.empty() || (parNom && !resultat().lisibles.actifs)) return;
        contexte_.executer([this, sorte, libelle, exclure, voir] {
            contexte_.filtrerSur(sorte, libelle, exclure);
            if (voir && contexte_.montrerLignes) contexte_.montrerLignes();
        });
    };
    connect(grille, &QTableView::doubleClicked, this,
            [filtrer](const QModelIndex& i) { filtrer(i.row() + 1, false); });
    grille->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grille, &QWidget::customContextMenuRequested, this,
            [grille, filtrer](const QPoint& point) {
                const QModelIndex i = grille->indexAt(point);
                if (!i.isValid()) return;
                QMenu menu(grille);
                menu.addAction(QStringLiteral("Filtrer sur cette entr\u00e9e"));
                QAction* exclure = menu.addAction(QStringLiteral("Exclure cette entr\u00e9e"));
                QAction* voir = menu.addAction(QStringLiteral("Voir les lignes"));
                if (QAction* choix = menu.exec(grille->viewport()->mapToGlobal(point))) {
                    filtrer(i.row() + 1, choix == exclure, choix == voir);
                }
            });
}

}  // namespace kestrane
