// The report grids and result labels of the report page, as the statistics core sees them.
// A grid keeps its cells as Windows-1252 bytes and decodes only the rows the view paints, so a
// table of a hundred thousand entries fills and sorts without building a QString per cell.
#pragma once

#include <QLabel>
#include <QTableView>
#include <functional>
#include <string>
#include <string_view>

#include "core/analyse/Interfaces.h"

namespace kestrane {

class ModeleGrilleRapport;

// Grid row 0 (the two headers) is the horizontal header; grid row l >= 1 is view row l - 1.
// Two columns, rows 20 pixels high, whole-row single selection, read-only.
class GrilleRapportQt : public QTableView, public GrilleRapport {
    Q_OBJECT
  public:
    explicit GrilleRapportQt(QWidget* parent = nullptr);
    ~GrilleRapportQt() override;

    // At least 1: the header row always exists. Rows past the new count are dropped, new rows
    // are empty. The selected row is kept when it survives.
    int nbLignes() const override;
    void changerNbLignes(int n) override;
    // Empty outside the grid; writes outside the grid are ignored.
    std::string cellule(int colonne, int ligne) const override;
    void ecrireCellule(int colonne, int ligne, std::string_view texte) override;
    // Selects row `ligne` and scrolls it into view. Row 0 cannot be selected: the selection is
    // cleared and the grid shows its top. A row outside the grid changes nothing.
    void choisirLigne(int ligne) override;

    // The selected grid row (1..), or 0 when none.
    int ligneCourante() const;

    void changerLargeurs(int colonne0, int colonne1);
    void permettreRedimensionnement(bool permis);

    // Cell writes reach the view once per turn of the event loop; this sends them now.
    void publierModifications();

    // The tooltip of the cell under a viewport position: its whole text when the cell shows it
    // cut (too narrow, or partly out of view), empty otherwise.
    QString texteBulle(const QPoint& position) const;
    // A tooltip for the cells shown whole (column, row from 1); empty text: none.
    void changerBulles(std::function<QString(int colonne, int ligne)> bulles);

  protected:
    bool viewportEvent(QEvent* event) override;

  private:
    ModeleGrilleRapport* modele_;
    std::function<QString(int, int)> bulles_;
};

// A label written by the core (the search results).
class EtiquetteQt : public QLabel, public Etiquette {
    Q_OBJECT
  public:
    explicit EtiquetteQt(QWidget* parent = nullptr);
    void ecrireTexte(std::string_view texte) override;
};

}  // namespace kestrane
