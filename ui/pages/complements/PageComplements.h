// The "Compléments" page: the summary of the analysis, the status codes (grid and pie of their
// classes), the files answered 404 or 5xx, and the traffic of each day (grid and chart). Its
// grids sort by their headers (numbers as numbers) and are searched by substring (Ctrl+F).
#pragma once

#include <QColor>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/analyse/AnalyseFormat.h"
#include "core/analyse/Complements.h"
#include "core/analyse/Entrees.h"
#include "core/audience/Audience.h"

class QCategoryAxis;
class QChartView;
class QLabel;
class QLineEdit;
class QPieSeries;
class QLineSeries;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

namespace kestrane {

class ModeleComplements;
class OngletEntrees;
class TablesAudience;

// One grid of the page with its search field above it.
class TableauComplements : public QWidget {
    Q_OBJECT
  public:
    struct Cellule {
        QString texte;
        QVariant cle;  // what the column sorts by: a number, or the text itself
    };
    using Ligne = std::vector<Cellule>;

    // The grid is named `nom`, its search field `nom` + "Recherche". It first shows the rows in
    // the order given, which is that of column `colonneTri` in `ordre`.
    TableauComplements(const QString& nom, const QStringList& entetes, int colonneTri,
                       Qt::SortOrder ordre, QWidget* parent = nullptr);
    void remplir(std::vector<Ligne> lignes);
    // Whether remplir() keeps the user's order, selected row and scroll position (the journal
    // grew) rather than showing the rows in their own order again (a new analysis).
    void conserver(bool oui) { conserver_ = oui; }
    void chercher();  // puts the focus in the search field

    QTableView* vue() const { return vue_; }
    QLineEdit* recherche() const { return recherche_; }
    // The rows as shown (sorted, filtered).
    int nbLignes() const;
    QString texte(int ligne, int colonne) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void ajusterColonnes();

    QTableView* vue_;
    QLineEdit* recherche_;
    ModeleComplements* modele_;
    QSortFilterProxyModel* filtre_;
    int colonneTri_;
    Qt::SortOrder ordre_;
    bool conserver_ = false;
};

class PageComplements : public QWidget {
    Q_OBJECT
  public:
    explicit PageComplements(QWidget* parent = nullptr);

    // The virtual hosts and response times of an analysis in another format than the default,
    // in a sub-page of their own, shown only when the analysis has some (PageEnPlus.cpp); the
    // mean and 95th percentile of the response times end the summary.
    void afficherEnPlus(const TablesEnPlus& t);
    // With the audience of the same lines: its summary lines, the visitors and visits of each
    // day, its own sub-pages (hidden without it).
    void afficher(const Complements& c, const Audience* audience = nullptr);
    // Whether the grids keep the user's order, selection and scroll when filled
    // (TableauComplements:: conserver).
    void conserverEtat(bool oui);
    // The figures of each file, referring site and address in their sub-page; null hides it.
    void afficherEntrees(const TablesEntrees* e);

    // Double-click and the context menu of a grid's rows call `filtrer` with the grid's name,
    // the row's first cell, whether to leave its lines out and whether to show the lines kept in
    // the detail view (unset: nothing offered).
    using Filtrage =
        std::function<void(const QString& grille, const QString& libelle, bool exclure, bool voir)>;
    void permettreFiltrage(Filtrage filtrer) { filtrer_ = std::move(filtrer); }
    const Filtrage& filtrage() const { return filtrer_; }

    // The summary's lines as shown: "Requêtes : 1 234".
    QStringList resume() const;
    // Colour of each class of status code (0 for the codes outside 1xx..5xx).
    static QColor couleurClasse(int classe);
    // What the pie's slices and the day chart's points tell in their tooltips.
    QString bulleClasse(int tranche) const;
    QString bulleJour(int k) const;

  private:
    void afficherResume(const Complements& c, const Audience* audience);
    // The summary label from `lignes` ("Libellé : valeur").
    void ecrireResume(const QStringList& lignes);
    void afficherCodes(const Complements& c);
    void afficherFichiers(const Complements& c);
    void afficherJours(const Complements& c, const Audience* audience);
    // Names the days under the day chart's points: each one, or every second, third... as the
    // plot's width has room for.
    void etiqueterJours();
    TableauComplements* tableauCourant() const;

    QTabWidget* onglets_;
    QLabel* resume_;
    QStringList lignesResume_;
    // The summary without the response times that afficherEnPlus() adds.
    QStringList lignesResumeComplements_;
    TableauComplements *codes_, *introuvables_, *erreurs_, *jours_;
    QChartView *grapheCodes_, *grapheJours_;
    QPieSeries* camembert_ = nullptr;
    QStringList bullesClasses_;
    std::vector<CompteJour> joursAffiches_;
    QCategoryAxis* axeJours_ = nullptr;
    int pasJours_ = 0;  // of the labels on axeJours_
    bool etiquetage_ = false;
    QWidget* ongletEnPlus_ = nullptr;
    TableauComplements *hotes_ = nullptr, *temps_ = nullptr;
    TablesAudience* audience_;
    OngletEntrees* entrees_;
    Filtrage filtrer_;
};

}  // namespace kestrane
