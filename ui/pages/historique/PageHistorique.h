// The "Historique" page: the figures of the base of days over a chosen range — the chart of
// requests, visitors, visits or bytes per day, week or month, the table of those periods, the
// report's tables of the range — and a second range beside it ("Comparer avec..."). A double
// click on a period (a day at the day's granularity) opens its own tables. The page reads the
// base through its owner, which runs each read off the window's thread.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/export/Export.h"
#include "core/historique/BaseJours.h"
#include "core/historique/PeriodesHistorique.h"

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSplitter;

namespace kestrane {

class TableauComplements;

// A choice among the tables of a report and the grid of the one chosen (sortable, searchable).
class VueTablesHistorique : public QWidget {
    Q_OBJECT
  public:
    // The choice is named `nom` + "Choix", the grid `nom`.
    explicit VueTablesHistorique(const QString& nom, QWidget* parent = nullptr);
    void afficher(std::vector<TableExportee> tables);
    QComboBox* choix() const { return choix_; }
    TableauComplements* tableau() const { return tableau_; }
    const std::vector<TableExportee>& tables() const { return tables_; }

  private:
    void montrer(int k);
    QString nom_;
    QComboBox* choix_;
    TableauComplements* tableau_ = nullptr;
    std::vector<TableExportee> tables_;
};

class PageHistorique : public QWidget {
    Q_OBJECT
  public:
    // Reads the base: the days of a server (empty: all) from premier to dernier (unset: all).
    using Lecteur =
        std::function<Historique(const std::string& serveur, std::optional<int64_t> premier,
                                 std::optional<int64_t> dernier)>;
    // Runs a handler as a command of the window (its error shown in a message box).
    using Commande = std::function<void(const std::function<void()>&)>;

    explicit PageHistorique(QWidget* parent = nullptr);

    // Shows a base just opened: its name, its servers and everything it holds.
    void ouvrir(const QString& nomBase, std::vector<std::string> serveurs, Historique tout,
                Lecteur lire, Commande executer);
    // Reads again what is shown (after a feed), keeping the range and the comparison.
    void relire(std::vector<std::string> serveurs);

    // What the controls do, for a caller that has the days already.
    void afficherPeriode(int64_t premier, int64_t dernier);
    void comparerAvec(int64_t premier, int64_t dernier);
    void sansComparaison();
    // Opens the tables of the period shown at `k` in a window of their own.
    void ouvrirPeriode(std::size_t k);

    // Asks for the compared range, proposing `propose`; unset when cancelled (a seam for tests).
    std::function<std::optional<std::pair<int64_t, int64_t>>(std::pair<int64_t, int64_t> propose)>
        demanderComparaison;

    const std::vector<PeriodeHistorique>& periodes() const { return periodes_; }
    const std::vector<PeriodeHistorique>& periodesComparees() const { return comparees_; }
    std::pair<int64_t, int64_t> plage() const { return {premier_, dernier_}; }
    QDialog* dernierePeriodeOuverte() const { return dialogue_; }
    TableauComplements* tableauPeriodes() const { return periodesVue_; }
    VueTablesHistorique* tablesHistorique() const { return tables_; }
    QChartView* graphe() const { return graphe_; }
    QComboBox* choixGranularite() const { return granularite_; }
    QComboBox* choixMesure() const { return mesure_; }
    QComboBox* choixServeur() const { return serveur_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void lireEtAfficher(int64_t premier, int64_t dernier);
    // Shows what was read; `tables`: the range's tables too (not for a new granularity).
    void montrer(bool tables = true);
    void montrerGraphe();
    void montrerPeriodes();
    std::string serveurChoisi() const;
    void remplirServeurs(const std::vector<std::string>& serveurs);
    Granularite granulariteChoisie() const;
    QString libellePeriode(const PeriodeHistorique& p) const;
    void commande(const std::function<void()>& f);

    Lecteur lire_;
    Commande executer_;
    QString nomBase_;
    Historique historique_;
    std::optional<Historique> compare_;
    int64_t premier_ = 0, dernier_ = -1, premierCompare_ = 0, dernierCompare_ = -1;
    std::vector<PeriodeHistorique> periodes_, comparees_;

    QLabel* titre_;
    QComboBox *serveur_, *granularite_, *mesure_;
    QDateEdit *debut_, *fin_;
    QPushButton *afficher_, *comparer_, *sansComparer_;
    QChartView* graphe_;
    TableauComplements* periodesVue_ = nullptr;
    QWidget* cadrePeriodes_;
    QSplitter* bas_;
    std::optional<bool> partageCompare_;
    VueTablesHistorique* tables_;
    QDialog* dialogue_ = nullptr;
};

}  // namespace kestrane
