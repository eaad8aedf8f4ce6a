#include "ui/fenetre/UFormPrincipale.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/analyse/AnalyseFormat.h"
#include "core/historique/BaseJours.h"
#include "platform/Airs.h"
#include "platform/Horloge.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/Annulation.h"
#include "ui/fenetre/BarreDeStatut.h"
#include "ui/fenetre/BarreFiltre.h"
#include "ui/fenetre/BaseGeolocalisation.h"
#include "ui/fenetre/ChoixFormat.h"
#include "ui/fenetre/ChoixPeriode.h"
#include "ui/fenetre/ControleurAnalyse.h"
#include "ui/fenetre/FichiersRecents.h"
#include "ui/fenetre/SuiviJournal.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

namespace {

// The page width the button bar was designed for: buttons kept at the right edge keep their
// distance to it, the progress bar stretches by the difference.
constexpr int kLargeurPageConcue = 678;
// The cancel button's width, and its gap to the progress bar it shortens while shown.
constexpr int kLargeurAnnuler = 60;
constexpr int kEcartAnnuler = 5;
const char* const kCleGeometrie = "fenetre/geometrie";

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

QAction* ajouterAction(QMenu* menu, const char* nom, const QString& texte,
                       const QKeySequence& raccourci = {}) {
    QAction* a = menu->addAction(texte);
    a->setObjectName(QString::fromLatin1(nom));
    if (!raccourci.isEmpty()) a->setShortcut(raccourci);
    return a;
}

void ajouterSeparateur(QMenu* menu, const char* nom) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(nom));
}

}  // namespace

QString nomFichier(const QString& chemin) {
    const qsizetype p =
        std::max(chemin.lastIndexOf(QLatin1Char('/')), chemin.lastIndexOf(QLatin1Char('\\')));
    return chemin.mid(p + 1);
}

TForm1::TForm1(Bip& bip, QWidget* parent)
    : QMainWindow(parent),
      bip_(bip),
      executeur_([this](const QString& message) { boites.erreur(this, message); }) {
    // Posted: a quit asked before the event loop runs (a start-up load's error box closed with
    // the window) ends the loop as soon as it starts, instead of being lost.
    terminer = [] {
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    };
    executeur_.rattraperTic = [this] { Timer1Timer(); };
    executeur_.fermer = [this] { quitter(); };
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kestrane - l'\u00e9quipe Kestrane - AJW"));
    setFont(QFont(QStringLiteral("Arial"), 8));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(PageControl1);
    ongletAnalyse = new QWidget;
    ongletAnalyse->setObjectName(QStringLiteral("ongletAnalyse"));
    ongletStatistiques = new QWidget;
    ongletStatistiques->setObjectName(QStringLiteral("ongletStatistiques"));
    ongletRapportAnalyse = new QWidget;
    ongletRapportAnalyse->setObjectName(QStringLiteral("ongletRapportAnalyse"));
    PageControl1->addTab(ongletAnalyse, QStringLiteral("Analyse"));
    PageControl1->addTab(ongletStatistiques, QStringLiteral("Statistiques"));
    PageControl1->addTab(ongletRapportAnalyse, QStringLiteral("Rapport d'Analyse"));

    creerMenus();
    creerPageAnalyse();
    creerPageStatistiques();
    creerPageRapport();
    creerComplements();
    choixPeriode_ = new ChoixPeriode(
        menuOutils, this, [this](const std::function<void()>& c) { executer(c); },
        [this]() -> const Journal& { return journal_; },
        [this] { return optionLignes_->active(); });
    choixFormat_ = new ChoixFormat(
        menuOutils, this, [this](const std::function<void()>& c) { executer(c); },
        [this]() -> const Journal& { return journal_; });
    choixPeriode_->lireDatesAvec([this] {
        OptionsAnalyse o;
        choixFormat_->appliquer(o);
        return o.formatAutomatique ? formatDetecte(journal_) : o.format;
    });
    // A database chosen while the Compléments are shown counts their countries at once.
    baseGeolocalisation_ = new ChoixBaseGeolocalisation(
        menuOutils, this, dialogBaseGeolocalisation,
        [this](const std::function<void()>& c) { executer(c); },
        [this] {
            if (complementsActifs() && PageControl1->isTabVisible(1)) {
                controleur_->afficherComplements();
            }
        },
        [this](const QString& m) { boites.erreur(this, avecPointFinal(m)); });
    creerExportRapport();
    creerHistorique();
    creerSuivi();
    statut_ = std::make_unique<BarreDeStatut>(statusBar(), [this] { return horloge(); });
    creerBarreFiltre();
    creerControleurAnalyse();
    // A screen reader names each page after its tab.
    for (int k = 0; k < PageControl1->count(); ++k) {
        PageControl1->widget(k)->setAccessibleName(
            PageControl1->tabText(k).remove(QLatin1Char('&')));
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();

    move(224, 136);
    resize(686, 523 + menuBar()->sizeHint().height());

    // Start-up: the clock, the first message, no analysis shown (its result is empty, no period
    // kind chosen).
    statut_->montrerHeure();
    afficherStatut(QStringLiteral("Kestrane ouvert"));
    montrerAnalyse(false);
    PageControl1->setCurrentIndex(0);
}

TForm1::~TForm1() = default;

void TForm1::creerMenus() {
    QMenuBar* barre = menuBar();
    barre->setObjectName(QStringLiteral("menuPrincipal"));

    menuFichier = barre->addMenu(QStringLiteral("&Fichier"));
    menuFichier->setObjectName(QStringLiteral("menuFichier"));
    menuChargerJournal =
        ajouterAction(menuFichier, "menuChargerJournal", QStringLiteral("&Charger journal..."),
                      QKeySequence(Qt::CTRL | Qt::Key_O));
    ajouterSeparateur(menuFichier, "N3");
    menuEnregisterjournalsous = ajouterAction(menuFichier, "menuEnregisterjournalsous",
                                              QStringLiteral("Enregi&ster journal sous..."),
                                              QKeySequence(Qt::CTRL | Qt::Key_S));
    menuExporterAnalyse =
        ajouterAction(menuFichier, "menuExporterAnalyse", QStringLiteral("&Exporter analyse..."),
                      QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    ajouterSeparateur(menuFichier, "N1");
    menuQuitter = ajouterAction(menuFichier, "menuQuitter", QStringLiteral("&Quitter"));
    // The desktop's quit key (Ctrl+Q under X11, GNOME, KDE and macOS); a key scheme without one
    // (Windows, offscreen) still gets Ctrl+Q.
    QList<QKeySequence> touchesQuitter = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!touchesQuitter.contains(QKeySequence(Qt::CTRL | Qt::Key_Q)))
        touchesQuitter.prepend(QKeySequence(Qt::CTRL | Qt::Key_Q));
    menuQuitter->setShortcuts(touchesQuitter);
    fichiersRecents_ = new FichiersRecents(*this, menuFichier);

    menuEdition = barre->addMenu(QStringLiteral("&Edition"));
    menuEdition->setObjectName(QStringLiteral("menuEdition"));
    menuAnalyser = ajouterAction(menuEdition, "menuAnalyser", QStringLiteral("&Analyser..."),
                                 QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));

    menuOutils = barre->addMenu(QStringLiteral("&Outils"));
    menuOutils->setObjectName(QStringLiteral("menuOutils"));
    menuOptions = ajouterAction(menuOutils, "menuOptions", QStringLiteral("&Options..."));
    menuOptions->setEnabled(false);
    optionLignes_ = new OptionLignesIgnorees(menuOutils, menuEdition, this);
    creerOptionLisibles();

    menuStatistiques = barre->addMenu(QStringLiteral("&Statistiques"));
    menuStatistiques->setObjectName(QStringLiteral("menuStatistiques"));
    menuStatIP = ajouterAction(menuStatistiques, "menuStatIP", QStringLiteral("Adresses &IP"),
                               QKeySequence(Qt::Key_F4));
    menuStatOS =
        ajouterAction(menuStatistiques, "menuStatOS",
                      QStringLiteral("&Syst\u00e8mes d'Exploitation"), QKeySequence(Qt::Key_F5));
    menuStatNav = ajouterAction(menuStatistiques, "menuStatNav",
                                QStringLiteral("&Navigateurs / Robots"), QKeySequence(Qt::Key_F6));
    menuStatResolution =
        ajouterAction(menuStatistiques, "menuStatResolution",
                      QStringLiteral("&R\u00e9solution d'Ecran"), QKeySequence(Qt::Key_F7));
    menuStatCouleurs =
        ajouterAction(menuStatistiques, "menuStatCouleurs", QStringLiteral("&Couleurs affichables"),
                      QKeySequence(Qt::Key_F8));
    menuStatProvenance =
        ajouterAction(menuStatistiques, "menuStatProvenance",
                      QStringLiteral("&Provenance des visites"), QKeySequence(Qt::Key_F9));
    menuStatHoraires =
        ajouterAction(menuStatistiques, "menuStatHoraires", QStringLiteral("Tranches &horaires"),
                      QKeySequence(Qt::Key_F10));
    menuStatVisites = ajouterAction(menuStatistiques, "menuStatVisites",
                                    QStringLiteral("&Visites..."), QKeySequence(Qt::Key_F11));
    menuStatVisites->setEnabled(false);
    ajouterSeparateur(menuStatistiques, "N2");
    menuRapportdAnalyse =
        ajouterAction(menuStatistiques, "menuRapportdAnalyse", QStringLiteral("Rapport d'&Analyse"),
                      QKeySequence(Qt::Key_F3));

    menuAide = barre->addMenu(QStringLiteral("?"));
    menuAide->setObjectName(QStringLiteral("menuAide"));
    menuApropos = ajouterAction(menuAide, "menuApropos", QStringLiteral("A &propos..."));

    const auto relier = [this](QAction* a, void (TForm1::*gestionnaire)()) {
        connect(a, &QAction::triggered, this, [this, gestionnaire] { (this->*gestionnaire)(); });
    };
    relier(menuChargerJournal, &TForm1::btChargerClick);
    relier(menuEnregisterjournalsous, &TForm1::btEnregistrerSousClick);
    relier(menuExporterAnalyse, &TForm1::btExporterClick);
    relier(menuAnalyser, &TForm1::btAnalyserClick);
    relier(menuQuitter, &TForm1::quitter);
    relier(menuApropos, &TForm1::menuAproposClick);
    relier(menuRapportdAnalyse, &TForm1::menuRapportdAnalyseClick);
    const QAction* graphes[] = {menuStatIP,         menuStatOS,       menuStatNav,
                                menuStatResolution, menuStatCouleurs, menuStatProvenance,
                                menuStatHoraires};
    for (int k = 0; k < 7; ++k) {
        connect(graphes[k], &QAction::triggered, this, [this, k] { afficherGrapheSeul(k); });
    }
}

void TForm1::creerPageAnalyse() {
    auto* page = new QVBoxLayout(ongletAnalyse);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    pBoutonAnalyse = new QWidget;
    pBoutonAnalyse->setObjectName(QStringLiteral("pBoutonAnalyse"));
    pBoutonAnalyse->setFixedHeight(33);
    pBoutonAnalyse->installEventFilter(this);
    page->addWidget(pBoutonAnalyse);

    const auto bouton = [this](const char* nom, const QString& texte, QRect place) {
        auto* b = new QPushButton(texte, pBoutonAnalyse);
        b->setObjectName(QString::fromLatin1(nom));
        b->setGeometry(place);
        return b;
    };
    btCharger = bouton("btCharger", QStringLiteral("&Charger"), {0, 3, 73, 25});
    btCharger->setToolTip(QStringLiteral("Chargement..."));
    btEnregistrerSous =
        bouton("btEnregistrerSous", QStringLiteral("Enregister &Sous..."), {80, 3, 113, 25});
    btEnregistrerSous->setToolTip(QStringLiteral("Sauvegarder..."));
    lbNbLignes = new QLabel(pBoutonAnalyse);
    lbNbLignes->setObjectName(QStringLiteral("lbNbLignes"));
    lbNbLignes->setGeometry(200, 7, 137, 18);
    QFont grasItalique(QStringLiteral("Arial"), 10, QFont::Bold, true);
    lbNbLignes->setFont(grasItalique);
    barreProgressionAnalyse = new QProgressBar(pBoutonAnalyse);
    barreProgressionAnalyse->setObjectName(QStringLiteral("barreProgressionAnalyse"));
    barreProgressionAnalyse->setGeometry(200, 8, 263, 17);
    barreProgressionAnalyse->setValue(50);
    barreProgressionAnalyse->setTextVisible(false);
    barreProgressionAnalyse->hide();
    boutonAnnuler = new QPushButton(QStringLiteral("Annuler"), pBoutonAnalyse);
    boutonAnnuler->setObjectName(QStringLiteral("boutonAnnuler"));
    boutonAnnuler->setToolTip(QStringLiteral("Arr\u00eater (\u00c9chap)"));
    boutonAnnuler->setGeometry(200 + 263 - kLargeurAnnuler, 5, kLargeurAnnuler, 23);
    annulation_ = new Annulation(boutonAnnuler, executeur_, [this] { placerBoutons(); });
    btAnalyser = bouton("btAnalyser", QStringLiteral("Analyser"), {470, 3, 89, 25});
    btExporter = bouton("btExporter", QStringLiteral("Exporter..."), {566, 3, 105, 25});
    connect(btCharger, &QPushButton::clicked, this, [this] { btChargerClick(); });
    connect(btEnregistrerSous, &QPushButton::clicked, this, [this] { btEnregistrerSousClick(); });
    connect(btAnalyser, &QPushButton::clicked, this, [this] { btAnalyserClick(); });
    connect(btExporter, &QPushButton::clicked, this, [this] { btExporterClick(); });

    panelAnalyse = new QWidget;
    panelAnalyse->setObjectName(QStringLiteral("panelAnalyse"));
    page->addWidget(panelAnalyse, 1);
    auto* panneau = new QVBoxLayout(panelAnalyse);
    panneau->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, panelAnalyse);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);
    panneau->addWidget(Splitter1);
    const QFont courier(QStringLiteral("Courier New"), 8);
    vueJournal = new VueTexte;
    vueJournal->setObjectName(QStringLiteral("Memo1"));
    vueJournal->setAccessibleName(QStringLiteral("Lignes du journal"));
    vueJournal->setFont(courier);
    vueDetails = new VueTexte;
    vueDetails->setObjectName(QStringLiteral("RichEdit1"));
    vueDetails->setAccessibleName(QStringLiteral("D\u00e9tail de l'analyse"));
    vueDetails->setFont(courier);
    vueDetails->changerFond(QColor(166, 202, 240));
    Splitter1->addWidget(vueJournal);
    Splitter1->addWidget(vueDetails);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({217, 240});
}

bool TForm1::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == pBoutonAnalyse && evenement->type() == QEvent::Resize) placerBoutons();
    return QMainWindow::eventFilter(objet, evenement);
}

void TForm1::placerBoutons() {
    const int ecart = pBoutonAnalyse->width() - kLargeurPageConcue;
    btAnalyser->move(470 + ecart, 3);
    btExporter->move(566 + ecart, 3);
    const int largeur = std::max(0, 263 + ecart);
    if (boutonAnnuler->isVisible()) {
        boutonAnnuler->move(200 + largeur - kLargeurAnnuler, 5);
        barreProgressionAnalyse->resize(std::max(0, largeur - kLargeurAnnuler - kEcartAnnuler), 17);
    } else {
        barreProgressionAnalyse->resize(largeur, 17);
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A real change of size lays the charts out again, whatever page is shown; the first
    // sizing of the window does not, so that the start message stays.
    if (event->oldSize().isValid() && event->oldSize() != event->size()) {
        executer([this] { pageStatistiques->disposerGraphes(); });
    }
}

void TForm1::afficherStatut(const QString& message) {
    statut_->ecrire(message);
    repaint();
}

void TForm1::montrerAnalyse(bool montree) {
    menuStatistiques->menuAction()->setVisible(montree);
    menuStatistiques->menuAction()->setEnabled(montree);
    // The items' keys must die with their menu: F3 to F11 do nothing while it is hidden.
    for (QAction* a : menuStatistiques->actions()) {
        if (a != menuStatVisites && !a->isSeparator()) a->setEnabled(montree);
    }
    if (montree) proposerValeursFiltre();
    PageControl1->setTabVisible(1, montree);
    PageControl1->setTabVisible(2, montree);
    if (!montree) optionLignes_->oublier();
    PageControl1->setTabVisible(3, montree && complementsActifs());
    actionComplementsDevant->setEnabled(montree && complementsActifs());
}

// --- The result pages ------------------------------------------------------------------------

ContexteFenetre TForm1::contextePages() {
    ContexteFenetre c;
    c.bip = &bip_;
    c.afficherStatut = [this](const QString& message) { afficherStatut(message); };
    c.executer = [this](const std::function<void()>& commande) { executer(commande); };
    c.enFond = [this](const std::function<void()>& travail) { enFond(travail); };
    c.resultat = resultat_;
    c.filtrerSur = [this](SorteEntree sorte, const std::string& libelle, bool exclure) {
        filtrerSur(sorte, libelle, exclure);
    };
    c.montrerLignes = [this] { PageControl1->setCurrentIndex(0); };
    return c;
}

void TForm1::creerOptionLisibles() {
    // Remembered between runs; the next Analyse reads it.
    static const QString kCle = QStringLiteral("analyse/resultatsLisibles");
    const auto reglages = [] {
        return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
    };
    menuResultatsLisibles = menuOutils->addAction(QStringLiteral("R\u00e9sultats &lisibles"));
    menuResultatsLisibles->setObjectName(QStringLiteral("menuResultatsLisibles"));
    menuResultatsLisibles->setCheckable(true);
    menuResultatsLisibles->setChecked(reglages().value(kCle, false).toBool());
    connect(menuResultatsLisibles, &QAction::toggled, this,
            [reglages](bool coche) { reglages().setValue(kCle, coche); });
}

void TForm1::creerControleurAnalyse() {
    ControleurAnalyse::Elements e;
    e.executeur = &executeur_;
    e.statut = statut_.get();
    e.barre = barreProgressionAnalyse;
    e.details = vueDetails;
    e.rapport = pageRapport;
    e.statistiques = pageStatistiques;
    e.complements = pageComplements;
    e.lignesIgnorees = optionLignes_;
    e.bip = &bip_;
    e.journal = [this]() -> const Journal& { return journal_; };
    e.options = [this] {
        OptionsAnalyse o;
        o.ignorerNonConformes = optionLignes_->active();
        o.periode = choixPeriode_->periode();
        o.complements = complementsActifs();
        o.detailEntrees = o.complements && menuDetailEntrees->isChecked();
        if (o.complements) o.basePays = baseGeolocalisation_->base();
        o.largeurTranches = pageRapport->largeurTranches();
        o.resultatsLisibles = menuResultatsLisibles->isChecked();
        choixFormat_->appliquer(o);
        o.filtre = barreFiltre_->filtre();
        if (o.filtre && o.filtre->demandePays()) o.basePays = baseGeolocalisation_->base();
        // The Analyse of the window refuses a journal of one line; the readings added to it take
        // one line as a journal.
        o.uneLigneSuffit = o.ignorerNonConformes || o.periode.active || o.complements ||
                           o.resultatsLisibles || o.formatAutomatique || !o.format.estDefaut() ||
                           o.filtre != nullptr;
        return o;
    };
    // The report is titled after the journal last chosen in the open dialog, or after every
    // file of the journal when several were joined.
    e.nomJournal = [this] { return nomFichier(dialogOuvrir.nomFichier()); };
    e.journaux = [this] { return nomsJournaux(); };
    e.annulation = annulation_;
    e.afficherStatut = [this](const QString& message) { afficherStatut(message); };
    e.montrerAnalyse = [this](bool montree) { montrerAnalyse(montree); };
    e.montrerPageAnalyse = [this] { PageControl1->setCurrentIndex(0); };
    e.garderComptes = [this] { return suivi_ && suivi_->veutLesComptes(); };
    e.jalon = [this](const char* phase) {
        if (jalonAnalyse) jalonAnalyse(phase);
    };
    controleur_ = std::make_unique<ControleurAnalyse>(std::move(e), resultat_);
}

std::vector<std::string> TForm1::nomsJournaux() const {
    std::vector<std::string> noms;
    for (const QString& f : fichiersJournal_) noms.push_back(nomFichier(f).toStdString());
    return noms;
}

void TForm1::creerPageStatistiques() {
    auto* page = new QVBoxLayout(ongletStatistiques);
    page->setContentsMargins(0, 0, 0, 0);
    pageStatistiques = new PageStatistiques(contextePages(), ongletStatistiques);
    page->addWidget(pageStatistiques);
}

void TForm1::creerPageRapport() {
    auto* page = new QVBoxLayout(ongletRapportAnalyse);
    page->setContentsMargins(0, 0, 0, 0);
    pageRapport =
        new PageRapport(contextePages(), pageStatistiques->graphes(), ongletRapportAnalyse);
    page->addWidget(pageRapport);
}

// --- Handlers --------------------------------------------------------------------------------

void TForm1::btChargerClick() {
    executer([this] { chargerJournal(); });
}
void TForm1::btEnregistrerSousClick() {
    executer([this] { enregistrerJournalSous(); });
}
void TForm1::btExporterClick() {
    executer([this] { exporterAnalyse(); });
}
void TForm1::btAnalyserClick() {
    executer([this] { analyserJournal(); });
}
void TForm1::menuRapportdAnalyseClick() {
    executer([this] { PageControl1->setCurrentIndex(2); });
}
void TForm1::afficherGrapheSeul(int index) {
    executer([this, index] {
        pageStatistiques->afficherGrapheSeul(index);
        PageControl1->setCurrentIndex(1);
    });
}

void TForm1::executer(const std::function<void()>& commande) {
    executeur_.executer(commande);
}

void TForm1::enFond(const std::function<void()>& travail, const std::function<void()>& suivre) {
    executeur_.enFond(travail, suivre);
}

void TForm1::entretenir() {
    executeur_.entretenir();
}

void TForm1::Timer1Timer() {
    if (executeur_.occupe()) {
        executeur_.retarderTic();  // the clock catches up once the command has ended
        return;
    }
    statut_->montrerHeure();
}

void TForm1::menuAproposClick() {
    // Lines separated by LF then CR, as the box has always shown them.
    const QString sep = QStringLiteral("\n\r");
    boites.information(this, QStringLiteral("Projet Kestrane - Kestrane") + sep +
                                 QStringLiteral("R\u00e9alis\u00e9 par l'\u00e9quipe Kestrane") +
                                 sep + QStringLiteral("Analyse de journaux web - 2026") + sep +
                                 QStringLiteral("Projet n\u00b01"));
}

void TForm1::restaurerGeometrie() {
    const QByteArray geometrie = reglages().value(QLatin1String(kCleGeometrie)).toByteArray();
    if (geometrie.isEmpty()) return;
    const QPoint place = pos();
    const QSize taille = size();
    if (!restoreGeometry(geometrie)) return;
    if (isMaximized()) return;
    // A screen unplugged or made smaller since: the window would open out of reach.
    const QRect cadre(pos(), size());
    for (const QScreen* ecran : QGuiApplication::screens()) {
        if (ecran->availableGeometry().contains(cadre)) return;
    }
    setWindowState(windowState() & ~Qt::WindowMaximized);
    move(place);
    resize(taille);
}

void TForm1::quitter() {
    if (quitte_) return;
    quitte_ = true;
    reglages().setValue(QLatin1String(kCleGeometrie), saveGeometry());
    bipQuitter(bip_);
    terminer();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Asked while a command runs (the window keeps painting meanwhile, or the command's error
    // box is shown): the program ends once the command has ended, as if the request had waited
    // for it.
    if (executeur_.occupe() || executeur_.enCommande()) {
        executeur_.retarderFermeture();
        event->ignore();
        return;
    }
    quitter();
    event->accept();
}

}  // namespace kestrane
