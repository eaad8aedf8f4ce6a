// One of the six groups of the report page that share a layout (addresses, systems, browsers and
// robots, loaded files, bytes per address, referring pages): a group box with its grid, its two
// order buttons that exclude each other, its search field and button, and the search's result.
#pragma once

#include <QGroupBox>
#include <QString>

class QButtonGroup;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace kestrane {

class EtiquetteQt;
class GrilleRapportQt;

class GroupeRapport : public QGroupBox {
  public:
    struct Description {
        // Names the controls: "OS" gives radioRapportOSCroissant, radioRapportOSDecroissant,
        // editRapportOSRecherche, btRapportOSRechercher, lbRapportOSRecherche, groupeTriOS.
        const char* suffixe;
        const char* boite;   // the box's own name ("boiteRapportOS")
        const char* grille;  // the grid's ("tableauRapportOS")
        QString titre;
        int haut;  // in the report
        int largeur0, largeur1;
        QString texteRecherche;  // what the search field shows at first
    };

    // Narrowest width and height of a group in the report.
    static constexpr int kLargeur = 631;
    static constexpr int kHauteur = 169;
    static constexpr int kMarge = 8;

    GroupeRapport(const Description& d, QWidget* parent);

    GrilleRapportQt* grille() const { return grille_; }
    QRadioButton* croissant() const { return croissant_; }
    QRadioButton* decroissant() const { return decroissant_; }
    QButtonGroup* tri() const { return tri_; }
    QLineEdit* recherche() const { return recherche_; }
    QToolButton* rechercher() const { return rechercher_; }
    EtiquetteQt* resultat() const { return resultat_; }

  private:
    GrilleRapportQt* grille_;
    QRadioButton *croissant_, *decroissant_;
    QButtonGroup* tri_;
    QLineEdit* recherche_;
    QToolButton* rechercher_;
    EtiquetteQt* resultat_;
};

}  // namespace kestrane
