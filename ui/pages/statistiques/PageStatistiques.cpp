#include "ui/pages/statistiques/PageStatistiques.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <algorithm>

#include "platform/Airs.h"
#include "core/lecture/UString.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

constexpr int kLargeurPanelStats = 217;
constexpr int kHauteurEntree = 14;
constexpr int kPasZoom = 5;

// The check-list entries, in list order.
const std::array<QString, 7> kEntrees = {
    QStringLiteral("Adresses IP"),          QStringLiteral("Systèmes d'exploitation"),
    QStringLiteral("Navigateurs / Robots"), QStringLiteral("Fichiers chargés"),
    QStringLiteral("Taux de chargement"),   QStringLiteral("Provenance des visites"),
    QStringLiteral("Tranches horaires"),
};

// Where n charts go when they are not docked (4 to 7), and the progress step after each.
std::vector<QRect> placesLibres(int n, int w, int h) {
    const int w2 = w / 2, w3 = w / 3, h2 = h / 2, h3 = h / 3;
    switch (n) {
        case 4:
            return {{0, 0, w2, h2}, {w2, 0, w2, h2}, {0, h2, w2, h2}, {w2, h2, w2, h2}};
        case 5:
            return {{0, 0, w2, h3},
                    {w2, 0, w2, h3},
                    {0, 2 * h3, w2, h3},
                    {w2, 2 * h3, w2, h3},
                    {0, h3, w, h3}};
        case 6:
            return {{0, 0, w3, h2},  {w3, 0, w3, h2},  {2 * w3, 0, w3, h2},
                    {0, h2, w3, h2}, {w3, h2, w3, h2}, {2 * w3, h2, w3, h2}};
        case 7:
            return {{0, 0, w3, h3},   {w3, 0, w3, h3},     {2 * w3, 0, w3, h3}, {0, h3, w2, h3},
                    {w2, h3, w2, h3}, {0, 2 * h3, w2, h3}, {w2, 2 * h3, w2, h3}};
        default:
            return {};
    }
}

int pasProgression(int n) {
    switch (n) {
        case 3:
            return 7;
        case 4:
            return 6;
        case 5:
        case 6:
            return 4;
        case 7:
            return 3;
        default:
            return 0;
    }
}

}  // namespace

// --- Page ----------------------------------------------------------------------------------

PageStatistiques::PageStatistiques(ContexteFenetre contexte, QWidget* parent)
    : QWidget(parent), contexte_(std::move(contexte)) {
    if (!contexte_.resultat) contexte_.resultat = std::make_shared<ResultatAnalyse>();
    setObjectName(QStringLiteral("pageStatistiques"));
    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    separateurStat = new QSplitter(Qt::Horizontal, this);
    separateurStat->setObjectName(QStringLiteral("separateurStat"));
    separateurStat->setHandleWidth(4);
    separateurStat->setChildrenCollapsible(false);
    page->addWidget(separateurStat);

    creerPanelStats();
    creerPanelGraphe();
    separateurStat->addWidget(panelStats);
    separateurStat->addWidget(panelGraphe);
    separateurStat->setStretchFactor(0, 0);
    separateurStat->setStretchFactor(1, 1);
    separateurStat->setSizes({kLargeurPanelStats, 457});
    relier();

    // Before the first pass every box stands, stacked in the order of the box table.
    int y = 0;
    for (QGroupBox* boite : boites_) {
        boite->move(1, y + 5);
        y += boite->height() + 5;
    }
    ajusterContenuParametres();
}

void PageStatistiques::creerPanelStats() {
    panelStats = new QWidget;
    panelStats->setObjectName(QStringLiteral("panelStats"));
    panelStats->setMinimumWidth(kLargeurPanelStats);
    panelStats->resize(kLargeurPanelStats, 474);

    listeACocherStat = new QListWidget(panelStats);
    listeACocherStat->setAccessibleName(QStringLiteral("Graphes affich\u00e9s"));
    listeACocherStat->setObjectName(QStringLiteral("listeACocherStat"));
    for (const QString& texte : kEntrees) {
        auto* entree = new QListWidgetItem(texte, listeACocherStat);
        entree->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        entree->setCheckState(Qt::Unchecked);
        entree->setSizeHint(QSize(0, kHauteurEntree));
    }
    listeACocherStat->setUniformItemSizes(true);

    btDecocheTout = new QPushButton(QStringLiteral("Décocher tout"), panelStats);
    btDecocheTout->setObjectName(QStringLiteral("btDecocheTout"));

    boiteParametresGraphs = new QScrollArea(panelStats);
    boiteParametresGraphs->setObjectName(QStringLiteral("boiteParametresGraphs"));
    boiteParametresGraphs->setBackgroundRole(QPalette::Light);
    boiteParametresGraphs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    contenuParametres_ = new QWidget;
    contenuParametres_->setObjectName(QStringLiteral("contenuParametresGraphs"));
    creerParametres(contenuParametres_);
    boiteParametresGraphs->setWidget(contenuParametres_);
    boiteParametresGraphs->setWidgetResizable(true);

    barreProgressionStat = new QProgressBar(panelStats);
    barreProgressionStat->setObjectName(QStringLiteral("barreProgressionStat"));
    barreProgressionStat->setRange(0, 100);
    barreProgressionStat->setTextVisible(false);
    barreProgressionStat->hide();
    placerPanelStats();
}

void PageStatistiques::creerPanelGraphe() {
    panelGraphe = new QFrame;
    panelGraphe->setObjectName(QStringLiteral("panelGraphe"));
    panelGraphe->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panelGraphe->setLineWidth(1);
    panelGraphe->resize(457, 474);
    // Created before the charts, so that any chart shown covers it.
    legendePanelGraphe_ = new QLabel(QStringLiteral("Aucun graphe à afficher"), panelGraphe);
    legendePanelGraphe_->setObjectName(QStringLiteral("legendePanelGraphe"));
    legendePanelGraphe_->setAlignment(Qt::AlignCenter);
    legendePanelGraphe_->setGeometry(panelGraphe->contentsRect());
    graphes_ = creerGraphes(panelGraphe);
}

void PageStatistiques::relier() {
    // A tick changed by the user runs the pass at once, whether by mouse or keyboard; a click
    // on an entry that changes no tick runs it too, as the list's click does.
    connect(listeACocherStat, &QListWidget::itemChanged, this, [this] {
        ++changementsDepuisAppui_;
        executer([this] { listeACocherStatClick(); });
    });
    connect(listeACocherStat, &QListWidget::itemClicked, this, [this] {
        if (changementsDepuisAppui_ == 0) executer([this] { listeACocherStatClick(); });
    });
    connect(btDecocheTout, &QPushButton::clicked, this,
            [this] { executer([this] { btDecocheToutClick(); }); });
    connect(udAdressesIP_Param, &HautBas::relache, this,
            [this] { executer([this] { remplirGrapheIP(); }); });
    connect(editAdressesIP_Param, &QLineEdit::textChanged, this, [this](const QString& texte) {
        int32_t n;
        if (essayerConvertirEntier(vers1252(texte), n)) nbAdresses_ = n;
    });
    connect(btZoomPlusStatPrecedent_Param, &QPushButton::clicked, this,
            [this] { executer([this] { zoomerPrecedent(kPasZoom); }); });
    connect(btZoomMoinsStatPrecedent_Param, &QPushButton::clicked, this,
            [this] { executer([this] { zoomerPrecedent(-kPasZoom); }); });
    connect(btZoom100StatPrecedent_Param, &QPushButton::clicked, this,
            [this] { executer([this] { btZoom100StatPrecedent_ParamClick(); }); });

    listeACocherStat->viewport()->installEventFilter(this);
    panelStats->installEventFilter(this);
    panelGraphe->installEventFilter(this);
    boiteParametresGraphs->installEventFilter(this);
    editAdressesIP_Param->installEventFilter(this);
}

bool PageStatistiques::eventFilter(QObject* objet, QEvent* evenement) {
    const QEvent::Type type = evenement->type();
    if (objet == editAdressesIP_Param && type == QEvent::KeyPress) {
        return editAdressesIP_ParamKeyPress(*static_cast<QKeyEvent*>(evenement));
    }
    if (objet == editAdressesIP_Param && type == QEvent::InputMethod) {
        // Text committed by an input method (a dead key, compose) is typed text too.
        const QString texte = static_cast<QInputMethodEvent*>(evenement)->commitString();
        if (std::all_of(texte.begin(), texte.end(),
                        [](QChar c) { return c >= u'0' && c <= u'9'; })) {
            return false;
        }
        executer([this] {
            if (contexte_.bip != nullptr) bipErreur(*contexte_.bip);
        });
        return true;
    }
    if (objet == listeACocherStat->viewport() && (type == QEvent::MouseButtonPress)) {
        changementsDepuisAppui_ = 0;
    } else if (objet == panelStats && type == QEvent::Show) {
        montre_ = true;
    } else if (objet == panelStats && type == QEvent::Resize) {
        placerPanelStats();
        // The sizes the panel takes until it is first shown are no resize by the user: the
        // status line keeps the window's message. Nor is the size a hidden page gets when it
        // shows again: the window's resize had its pass; the charts only follow the chart area
        // (below).
        const QSize taille = panelStats->size();
        const bool change = taille != tailleStats_;
        tailleStats_ = taille;
        if (change && montre_ && panelStats->isVisible()) prevoirPassage();
    } else if (objet == panelGraphe && type == QEvent::Resize) {
        legendePanelGraphe_->setGeometry(panelGraphe->contentsRect());
        ancrer();
        // A pass run while the page was hidden placed the charts for the chart area's former
        // size (a hidden page is not resized with the window): they follow its real size.
        if (libres_ > 0 && static_cast<int>(graphesAffiches_.size()) == libres_) {
            const std::vector<QRect> places =
                placesLibres(libres_, panelGraphe->width(), panelGraphe->height());
            for (std::size_t i = 0; i < places.size(); ++i)
                graphesAffiches_[i]->setGeometry(places[i]);
        }
    } else if (objet == boiteParametresGraphs && type == QEvent::Resize) {
        // The boxes stretch with the scroll box, leaving room for its scroll bar; the "100%"
        // button keeps to their right edge.
        const int largeur = std::max(0, boiteParametresGraphs->width() - 21);
        for (QGroupBox* boite : boites_) boite->resize(largeur, boite->height());
        btZoom100StatPrecedent_Param->move(largeur - 57, 16);
    }
    return QWidget::eventFilter(objet, evenement);
}

// The splitter sizes the side panel before the chart area: the pass waits until both have their
// new sizes, and several resizes in a row give one pass.
void PageStatistiques::prevoirPassage() {
    if (passagePrevu_) return;
    passagePrevu_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            passagePrevu_ = false;
            executer([this] { disposerGraphes(); });
        },
        Qt::QueuedConnection);
}

// --- Layout pass -------------------------------------------------------------------------------

GrapheQt* PageStatistiques::grapheDeLibelle(const QString& texte) const {
    const std::array<GrapheQt*, 7> graphesEntrees = {
        graphes_.grapheStatIP,         graphes_.grapheStatOS,
        graphes_.grapheStatNavRobots,  graphes_.grapheStatFichierCharge,
        graphes_.grapheStatTauxCharge, graphes_.grapheStatPrecedent,
        graphes_.grapheStatHoraires,
    };
    for (std::size_t i = 0; i < kEntrees.size(); ++i) {
        if (texte == kEntrees[i]) return graphesEntrees[i];
    }
    return nullptr;
}

void PageStatistiques::disposerGraphes() {
    const int nbEntrees = listeACocherStat->count();
    barreProgressionStat->setValue(5);
    std::vector<GrapheQt*> coches;
    ancres_ = 0;
    libres_ = 0;
    for (int i = 0; i < nbEntrees; ++i) {
        QListWidgetItem* entree = listeACocherStat->item(i);
        GrapheQt* graphe = grapheDeLibelle(entree->text());
        if (graphe != nullptr) graphe->hide();
        avancerBarre(35 / nbEntrees);
        if (graphe != nullptr && entree->checkState() == Qt::Checked) coches.push_back(graphe);
    }
    barreProgressionStat->setValue(40);
    graphesAffiches_.clear();
    const int n = static_cast<int>(coches.size());
    if (n == 0) {
        placerParametres(0);
        statut(QStringLiteral("Présentation d'aucun graphe statistique"));
        return;
    }
    statut(QStringLiteral("Présentation de %1 %2")
               .arg(n)
               .arg(n == 1 ? QStringLiteral("graphe statistique")
                           : QStringLiteral("graphes statistiques")));
    for (GrapheQt* graphe : coches) {
        graphesAffiches_.push_back(graphe);
        graphe->show();
        avancerBarre(25 / nbEntrees);
    }
    barreProgressionStat->setValue(75);
    placerParametres(n);

    const int pas = pasProgression(n);
    if (n <= 3) {
        ancres_ = n;
        ancrer();
        for (int i = 0; i < n; ++i) avancerBarre(pas);
    } else {
        libres_ = n;
        const std::vector<QRect> places =
            placesLibres(n, panelGraphe->width(), panelGraphe->height());
        for (std::size_t i = 0; i < places.size() && i < graphesAffiches_.size(); ++i) {
            graphesAffiches_[i]->setGeometry(places[i]);
            avancerBarre(pas);
        }
    }
    barreProgressionStat->setValue(100);
}

// Docked charts fill the panel inside its bevel and follow its size: one fills it; of two, the
// first takes the top half; of three, the first takes the top third, the second the bottom
// third and the last the rest.
void PageStatistiques::ancrer() {
    if (ancres_ == 0 || static_cast<int>(graphesAffiches_.size()) != ancres_) return;
    const QRect r = panelGraphe->contentsRect();
    const int h = panelGraphe->height();
    auto bande = [&r](int haut, int hauteur) {
        return QRect(r.x(), haut, r.width(), std::max(0, hauteur));
    };
    switch (ancres_) {
        case 1:
            graphesAffiches_[0]->setGeometry(r);
            break;
        case 2: {
            const int h2 = std::min(h / 2, r.height());
            graphesAffiches_[0]->setGeometry(bande(r.y(), h2));
            graphesAffiches_[1]->setGeometry(bande(r.y() + h2, r.height() - h2));
            break;
        }
        case 3: {
            const int h3 = std::min(h / 3, r.height());
            const int bas = std::max(r.y() + h3, r.y() + r.height() - h3);
            graphesAffiches_[0]->setGeometry(bande(r.y(), h3));
            graphesAffiches_[1]->setGeometry(bande(bas, r.y() + r.height() - bas));
            graphesAffiches_[2]->setGeometry(bande(r.y() + h3, bas - r.y() - h3));
            break;
        }
        default:
            break;
    }
}

// --- Commands ----------------------------------------------------------------------------------

void PageStatistiques::listeACocherStatClick() {
    barreProgressionStat->setValue(0);
    barreProgressionStat->show();
    disposerGraphes();
    barreProgressionStat->hide();
}

void PageStatistiques::btDecocheToutClick() {
    decocherTout();
    disposerGraphes();
}

void PageStatistiques::afficherGrapheSeul(int index) {
    btDecocheToutClick();
    if (index >= 0 && index < listeACocherStat->count()) cocher(index, true);
    disposerGraphes();
}

void PageStatistiques::decocherSansDisposer() {
    decocherTout();
}

// --- Helpers -----------------------------------------------------------------------------------

// Ticks set by the program run no pass of their own.
void PageStatistiques::cocher(int index, bool coche) {
    const QSignalBlocker silence(listeACocherStat);
    listeACocherStat->item(index)->setCheckState(coche ? Qt::Checked : Qt::Unchecked);
}

void PageStatistiques::decocherTout() {
    for (int i = 0; i < listeACocherStat->count(); ++i) cocher(i, false);
}

// The side panel's children: the list stretches in width, the scroll box in both directions,
// the progress bar keeps to the bottom.
void PageStatistiques::placerPanelStats() {
    const int w = panelStats->width(), h = panelStats->height();
    listeACocherStat->setGeometry(0, 0, w, 121);
    btDecocheTout->setGeometry(0, 128, 113, 17);
    boiteParametresGraphs->setGeometry(0, 152, std::max(0, w - 3), std::max(0, h - 152 - 27));
    barreProgressionStat->setGeometry(0, h - 20, std::max(0, w - 1), 17);
}

void PageStatistiques::avancerBarre(int pas) {
    barreProgressionStat->setValue(barreProgressionStat->value() + pas);
}

void PageStatistiques::statut(const QString& message) {
    if (contexte_.afficherStatut) contexte_.afficherStatut(message);
}

void PageStatistiques::executer(const std::function<void()>& commande) {
    if (contexte_.executer) {
        contexte_.executer(commande);
    } else {
        commande();
    }
}

}  // namespace kestrane
