#include "ui/pages/rapport/GroupeRapport.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QToolButton>

#include "ui/pages/rapport/ConstructionRapport.h"
#include "ui/vues/GrilleRapportQt.h"

namespace kestrane {

using namespace rapport;

namespace {

constexpr int kLongueurRecherche = 15;

std::string nom(const char* debut, const char* suffixe, const char* fin = "") {
    return std::string(debut) + suffixe + fin;
}

}  // namespace

GroupeRapport::GroupeRapport(const Description& d, QWidget* parent) : QGroupBox(parent) {
    // Made in the order of the described page, which is the order of the keyboard's focus.
    setObjectName(QString::fromLatin1(d.boite));
    setFont(police(11, false));
    setGeometry(kMarge, d.haut, kLargeur, kHauteur);
    setTitle(d.titre);
    setFont(police(11, true));
    grille_ = rapport::grille(this, d.grille, {8, 24, 287, 129}, d.largeur0, d.largeur1, true);
    // A screen reader names the grid after its group ("Adresses IP :").
    grille_->setAccessibleName(d.titre.chopped(d.titre.endsWith(QLatin1String(" :")) ? 2 : 0));
    croissant_ = radio(this, nom("radioRapport", d.suffixe, "Croissant").c_str(),
                       QStringLiteral("Ordre croissant (<)"), {312, 24, 200, 17});
    decroissant_ = radio(this, nom("radioRapport", d.suffixe, "Decroissant").c_str(),
                         QStringLiteral("Ordre d\u00e9croissant (>)"), {312, 48, 200, 17});
    tri_ = new QButtonGroup(this);
    tri_->setObjectName(QString::fromStdString(nom("groupeTri", d.suffixe)));
    tri_->setExclusive(true);
    tri_->addButton(croissant_);
    tri_->addButton(decroissant_);
    recherche_ = controle<QLineEdit>(this, nom("editRapport", d.suffixe, "Recherche").c_str(),
                                     {312, 80, 121, 21});
    recherche_->setMaxLength(kLongueurRecherche);
    recherche_->setText(d.texteRecherche);
    rechercher_ = controle<QToolButton>(this, nom("btRapport", d.suffixe, "Rechercher").c_str(),
                                        {312, 112, 81, 22});
    rechercher_->setText(QStringLiteral("Rechercher..."));
    resultat_ = controle<EtiquetteQt>(this, nom("lbRapport", d.suffixe, "Recherche").c_str(),
                                      {400, 115, 220, 16});
}

}  // namespace kestrane
