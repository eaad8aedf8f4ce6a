#include "ui/pages/complements/OngletEntrees.h"

#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/analyse/ResumeAudience.h"
#include "core/journal/Messages.h"
#include "ui/pages/complements/GrilleTitree.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

using Cellule = TableauComplements::Cellule;

Cellule nombre(int64_t n) {
    return {QString::fromStdString(nombreFrancais(n)), QVariant::fromValue<qlonglong>(n)};
}

Cellule octets(int64_t n) {
    return {QString::fromStdString(octetsFrancais(n)), QVariant::fromValue<qlonglong>(n)};
}

// A share sorts by its exact ratio, not by its rounded text.
Cellule part(int64_t n, int64_t total) {
    const double p = partDe(n, total);
    return {QString::fromStdString(pourcentFrancais(p)), p};
}

Cellule texte(const QString& t) {
    return {t, t};
}

// "2026-03-14 10:22:01" sorts as text in time order; "-" (no date) first.
Cellule instant(bool date, int64_t secondes) {
    return texte(date ? QString::fromStdString(texteDateHeure(secondes)) : QStringLiteral("-"));
}

TableauComplements* tableau(const char* nom, const QStringList& entetes) {
    auto* t = new TableauComplements(QString::fromLatin1(nom), entetes, 1, Qt::DescendingOrder);
    return t;
}

}  // namespace

OngletEntrees::OngletEntrees(QTabWidget* onglets) : QObject(onglets), onglets_(onglets) {
    const auto m = [](std::string_view t) { return depuis1252(t); };
    fichiers_ = tableau(
        "tableauComplementsDetailFichiers",
        {m(kEnteteFichier), m(kEnteteRequetes), m(kEnteteOctets), m(kVisiteursUniques),
         m(kEnteteClasses[0]), m(kEnteteClasses[1]), m(kEnteteClasses[2]), m(kEnteteClasses[3])});
    sites_ = tableau("tableauComplementsDetailSites",
                     {m(kEnteteSite), m(kEnteteRequetes), m(kVisiteursUniques)});
    adresses_ =
        tableau("tableauComplementsDetailAdresses",
                {m(kEnteteAdresseIP), m(kEnteteRequetes), m(kEnteteOctets), m(kEnteteVisites),
                 m(kEntetePremiereRequete), m(kEnteteDerniereRequete), m(kEntetePays)});
    auto* haut = new QSplitter(Qt::Horizontal);
    haut->addWidget(grilleTitree(m(kTitreDetailFichiers), fichiers_));
    haut->addWidget(grilleTitree(m(kTitreDetailSites), sites_));
    haut->setStretchFactor(0, 3);
    haut->setStretchFactor(1, 1);
    auto* p = new QSplitter(Qt::Vertical);
    p->setObjectName(QStringLiteral("ongletComplementsDetail"));
    p->addWidget(haut);
    p->addWidget(grilleTitree(m(kTitreDetailAdresses), adresses_));
    page_ = p;
    onglets_->addTab(page_, QStringLiteral("D\u00e9tail par entr\u00e9e"));
    afficher(nullptr);
}

void OngletEntrees::afficher(const TablesEntrees* e) {
    onglets_->setTabVisible(onglets_->indexOf(page_), e != nullptr);
    if (!e) return;
    std::vector<TableauComplements::Ligne> lignes;
    lignes.reserve(e->parFichier.size());
    for (const LigneFichierDetail& f : e->parFichier) {
        TableauComplements::Ligne l{texte(depuisJournal(f.fichier)), nombre(f.requetes),
                                    octets(f.octets), nombre(f.visiteurs)};
        for (const int64_t n : f.classes) l.push_back(part(n, f.requetes));
        lignes.push_back(std::move(l));
    }
    fichiers_->remplir(std::move(lignes));

    lignes.clear();
    for (const LigneSiteDetail& s : e->parSite) {
        lignes.push_back(
            {texte(QString::fromStdString(s.site)), nombre(s.requetes), nombre(s.visiteurs)});
    }
    sites_->remplir(std::move(lignes));

    // The country column only with a database to name them.
    lignes.clear();
    for (const LigneAdresseDetail& a : e->parAdresse) {
        TableauComplements::Ligne l{texte(depuisJournal(a.adresse)),
                                    nombre(a.requetes),
                                    octets(a.octets),
                                    nombre(a.visites),
                                    instant(a.date, a.premiere),
                                    instant(a.date, a.derniere)};
        l.push_back(texte(e->avecPays ? (a.pays.empty() ? depuis1252(kNomInconnu)
                                                        : QString::fromStdString(a.pays))
                                      : QString()));
        lignes.push_back(std::move(l));
    }
    adresses_->remplir(std::move(lignes));
    adresses_->vue()->setColumnHidden(6, !e->avecPays);
}

TableauComplements* OngletEntrees::tableauDeLOnglet(const QWidget* onglet) const {
    return onglet == page_ ? fichiers_ : nullptr;
}

}  // namespace kestrane
