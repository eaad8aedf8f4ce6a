// The "Statistiques" page: a check list of the charts to see, their parameter boxes, and the
// chart area that the layout pass divides among the ticked charts. The page owns the eight
// charts; the window feeds them, selects a chart alone from its menu and makes the page active.
#pragma once

#include <QSize>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "core/analyse/Interfaces.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/pages/contexte/ContexteFenetre.h"
#include "ui/pages/statistiques/HautBas.h"

class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTimer;

namespace kestrane {

class PageStatistiques : public QWidget {
    Q_OBJECT
  public:
    // Every command of the page runs through the context's `executer`, so it must catch what a
    // command raises; without it a command runs bare.
    explicit PageStatistiques(ContexteFenetre contexte, QWidget* parent = nullptr);

    const GraphesStat& graphes() const { return graphes_; }
    // The number of addresses the address chart shows: the last whole number its box held
    // (typed, stepped or confirmed), so that an emptied box takes nothing from the chart.
    int nbAdresses() const { return nbAdresses_; }
    // Feeds the eight charts from the window's analysis, in their order: the addresses with
    // nbAdresses() points, 50 for the others, 24 for the hourly slices and the visits.
    void alimenter();
    // The charts shown by the last layout pass, in check-list order.
    const std::vector<GrapheQt*>& graphesAffiches() const { return graphesAffiches_; }

    // The layout pass: shows the ticked charts, divides the chart area among them and stacks
    // their parameter boxes.
    void disposerGraphes();
    // The chart of a check-list entry text (exact, case-sensitive), or nullptr.
    GrapheQt* grapheDeLibelle(const QString& texte) const;
    // Hides the parameter boxes and stacks those of the first n charts shown.
    void placerParametres(int n);
    // Unticks everything and lays out, then ticks entry `index` and lays out again. The active
    // page of the window is the window's business.
    void afficherGrapheSeul(int index);
    // What a load does: every entry unticked, the charts shown stay where they are.
    void decocherSansDisposer();

  protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    // Side panel.
    QWidget* panelStats = nullptr;
    QListWidget* listeACocherStat = nullptr;
    QPushButton* btDecocheTout = nullptr;
    QScrollArea* boiteParametresGraphs = nullptr;
    QGroupBox *grapheStatIP_Param = nullptr, *grapheStatHoraires_Param = nullptr,
              *grapheStatVMensuelles_Param = nullptr, *grapheStatPrecedent_Param = nullptr;
    QLineEdit* editAdressesIP_Param = nullptr;
    HautBas* udAdressesIP_Param = nullptr;
    QLabel *lbAdressesIP_Param = nullptr, *blZoomGraphPrecedent_Param = nullptr,
           *lbTauxZoomGraphPrecedent_Param = nullptr;
    QPushButton *btZoomPlusStatPrecedent_Param = nullptr, *btZoomMoinsStatPrecedent_Param = nullptr,
                *btZoom100StatPrecedent_Param = nullptr;
    QProgressBar* barreProgressionStat = nullptr;
    QSplitter* separateurStat = nullptr;
    // Chart area; its caption shows wherever no chart covers it.
    QFrame* panelGraphe = nullptr;

    GraphesStat graphes_;
    std::vector<GrapheQt*> graphesAffiches_;

    void creerPanelStats();
    void creerParametres(QWidget* contenu);
    void creerPanelGraphe();
    void relier();

    void listeACocherStatClick();
    void btDecocheToutClick();
    void validerAdressesIP();
    void remplirGrapheIP();
    void zoomerPrecedent(int pas);
    void btZoom100StatPrecedent_ParamClick();
    // The message over the systems' and browsers' charts of a format without an agent.
    void montrerSansAgent(bool sansAgent);
    // True when the key is dropped.
    bool editAdressesIP_ParamKeyPress(const QKeyEvent& touche);
    // The box's text as a whole number; the conversion error otherwise.
    int nombreDeLaBoite() const;

    void cocher(int index, bool coche);
    void decocherTout();
    void placerPanelStats();
    void prevoirPassage();
    void ajusterContenuParametres();
    void ancrer();
    void avancerBarre(int pas);
    void statut(const QString& message);
    void executer(const std::function<void()>& commande);

    ContexteFenetre contexte_;
    int nbAdresses_ = 10;
    std::array<QGroupBox*, 4> boites_{};  // in the order placerParametres examines them
    QWidget* contenuParametres_ = nullptr;
    QLabel* legendePanelGraphe_ = nullptr;
    std::array<QLabel*, 2> sansAgent_{};  // over the systems' and the browsers' charts, once needed
    // Number of charts docked by the last pass (1 to 3), 0 when they are placed by position.
    int ancres_ = 0;
    int libres_ = 0;  // charts placed at explicit places by the last pass (4 to 7)
    QSize tailleStats_;
    bool montre_ = false;
    int changementsDepuisAppui_ = 0;
    bool passagePrevu_ = false;
};

}  // namespace kestrane
