// The "Rapport d'Analyse" page: a tool bar over a long report that scrolls vertically, with one
// group per occurrence table (grid, order buttons, search), the hourly slices, and the hidden
// audience section with the requests by period. The page lays out its controls and moves its
// own scroll position; once the window has handed it its context (brancher), the page runs its
// own commands: sorts, searches, the address key filter, slices, periods and "Actualiser".
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <map>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/GrillesRapport.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/pages/contexte/ContexteFenetre.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace kestrane {

class Bip;
class EtiquetteQt;
class GrilleRapportQt;
class GroupeRapport;
class Journal;

class PageRapport : public QWidget {
    Q_OBJECT
  public:
    // `graphes`: the charts that a sort or a slice change feeds again. A radio button's action
    // runs when it becomes selected, by the user or by the program.
    PageRapport(ContexteFenetre contexte, GraphesStat graphes, QWidget* parent = nullptr);

    // What the statistics pass shows here: the grid of step `etape` (kEtapeIP..kEtapeTranches)
    // filled from its table, and the total of requests.
    void afficherTable(int etape);
    void afficherTotalRequetes(std::size_t nbLignes);
    // The year and month choices, the whole journal chosen, built and shown.
    void preparerRequetes(const ListesPeriodes& listes);
    // The requests table in its grid and on the "Visites" chart (at most 50 points).
    void afficherRequetes();
    // The slice width chosen.
    int largeurTranches() const;
    void changerTitre(const QString& titre);
    // No order shown as chosen for the addresses (no sort runs).
    void oublierTriAdresses();
    // The analysis grew (a journal followed): every grid filled again from its new table in the
    // order chosen, its selected entry and its scroll position kept, the requests of the period
    // chosen counted again, the page where it was.
    void actualiserTables();

    // Content height of the report; the scroll range is this minus the visible height.
    static constexpr int kHauteurContenu = 1670;
    // Narrowest width of the groups; they stretch with the page beyond it.
    static constexpr int kLargeurGroupe = 631;
    static constexpr int kPositionAudience = 1287;
    static constexpr int kPasMolette = 10;

    // Vertical position of the report, held within its scroll range.
    int position() const;
    void allerA(int position);

    // Unchecks every button of `groupe` without emitting anything: no toggled, no idToggled,
    // so no selection action runs, and each button can be selected again afterwards.
    static void decocherSansAction(QButtonGroup* groupe);

    // The six groups that share a layout, in the order of the report: addresses, systems,
    // browsers and robots, loaded files, bytes per address, referring pages.
    enum Groupe {
        kGroupeAdresses,
        kGroupeSystemes,
        kGroupeNavigateurs,
        kGroupeFichiers,
        kGroupeOctets,
        kGroupeProvenances
    };
    std::array<const GroupeRapport*, 6> groupesStandard() const;

  signals:
    // The requests grid and chart have been filled again.
    void requetesAffichees();

  protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    // Tool bar.
    QFrame* panelOutilsRapport = nullptr;
    QToolButton *btRapportRapport = nullptr, *btRapportAudience = nullptr;

    QScrollArea* scrollBoxRapport = nullptr;
    QWidget* contenuRapport = nullptr;
    QLabel* lbTitreRapport = nullptr;

    std::array<GroupeRapport*, 6> groupes_{};
    QGroupBox *boiteRapportTranches = nullptr, *boiteRapportRequetes = nullptr;
    GrilleRapportQt *tableauRapportTranches = nullptr, *tableauRapportRequetes = nullptr;

    // Hourly slices.
    QGroupBox* groupeRapportTrancheTri = nullptr;
    QRadioButton *radioRapportTranchesCroissant = nullptr,
                 *radioRapportTranchesDecroissant = nullptr, *radioRapportTranchesHDF = nullptr,
                 *radioRapportTranchesHFD = nullptr;
    QFrame* ligneRapportTrancheTri = nullptr;
    QLabel *lbRapportTrancheDiviser = nullptr, *lbRapportTrancheHeures = nullptr;
    QSpinBox* seRapportTrancheRecherche = nullptr;

    QFrame* Bevel1 = nullptr;

    // Audience (hidden).
    QLabel *lbRapportAudience = nullptr, *StaticText1 = nullptr, *lbRapportRequetesTotal = nullptr;
    QRadioButton *radioRapportRequetesCroissant = nullptr,
                 *radioRapportRequetesDecroissant = nullptr;
    QGroupBox* groupRapportRequetesParam = nullptr;
    QRadioButton *radioRapportRequetesToutJournal = nullptr, *radioRapportRequetesAnnee = nullptr,
                 *radioRapportRequetesMois = nullptr, *radioRapportRequetesPeriode = nullptr,
                 *radioRapportRequetesJournee = nullptr;
    QComboBox *cbRapportRequetesAnnees = nullptr, *cbRapportRequetesMois = nullptr;
    QDateEdit *cbDateRapportRequetesPeriodeDu = nullptr, *cbDateRapportRequetesPeriodeAu = nullptr,
              *cbDateRapportJournee = nullptr;
    QLabel* lbRapportRequetesAu = nullptr;
    QPushButton* btRapportRequetesActualiser = nullptr;

    // The sets of radio buttons that exclude each other.
    QButtonGroup *groupeTriTranches = nullptr, *groupeTriRequetes = nullptr,
                 *groupePeriodeRequetes = nullptr;

    void creerBarreOutils();
    void creerContenu();
    // Double-click and the context menu of a grid's rows filter the analysis on the row's entry.
    void permettreFiltrage(GrilleRapportQt* grille, SorteEntree sorte);
    void creerGroupeTranches();
    void creerAudience();
    void creerGroupeRequetes();
    void placerSurLaLargeur();
    // The control takes the mouse wheel only while it has the focus; otherwise the wheel
    // scrolls the report.
    void molletteSiFocus(QWidget* controle);
    QButtonGroup* grouper(std::initializer_list<QRadioButton*> boutons);

    // Commands (CommandesRapport.cpp).
    void commande(const std::function<void()>& action);
    void surSelection(QAbstractButton* bouton, std::function<void()> action);
    void brancherGroupesStandard();
    void brancherRechercheAdresse();
    void brancherTranches();
    void brancherRequetes();
    void rechercher(const GroupeRapport& groupe);
    void changerLargeurTranches(int largeur);
    void actualiserRapportRequetes();
    void calculer(const std::function<void()>& travail);
    // trierTableau, its long part run while the window keeps painting.
    void trier(tableauRapportStat& table, GrilleRapport& grille, bool croissant, ChampTri champ);
    // With readable results, the bytes and the average day in their units after a fill.
    void ecrireNombresLisibles(const tableauRapportStat& table, GrilleRapport& grille);

    void brancher();
    void nommerGroupes();
    // The window's analysis, and the lines its tables count.
    ResultatAnalyse& resultat() const { return *contexte_.resultat; }
    LignesAnalysees lignes() const { return resultat().lignes(); }

    ContexteFenetre contexte_;
    GraphesStat graphes_;
    // What each order and period button runs when selected, to run again on grown tables.
    std::map<const QAbstractButton*, std::function<void()>> actions_;
};

}  // namespace kestrane
