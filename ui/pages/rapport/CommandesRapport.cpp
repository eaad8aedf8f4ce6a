// The report page's commands: the order buttons and searches of the six standard groups, the
// address edit's key filter, the hourly slices, and the requests by period.
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/analyse/Decomptes.h"
#include "core/analyse/GrillesRapport.h"
#include "core/analyse/Lisibles.h"
#include "core/journal/Journal.h"
#include "platform/Airs.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/pages/rapport/GroupeRapport.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

enum class Touche { acceptee, sansEffet, refusee };

// What the address edit lets through: digits, dots, Backspace; Enter does nothing. Any other
// character is refused, the control characters of Ctrl+letter (copy, paste, cut, undo...)
// included, whatever text the platform attaches to them. Keys that type nothing (arrows, Home,
// Delete, Tab) keep their usual effect.
Touche classerTouche(const QKeyEvent& k) {
    if (k.matches(QKeySequence::Paste) || k.matches(QKeySequence::Copy) ||
        k.matches(QKeySequence::Cut)) {
        return Touche::refusee;
    }
    switch (k.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Touche::sansEffet;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return Touche::acceptee;
        default:
            break;
    }
    if ((k.modifiers() & Qt::ControlModifier) && k.key() >= Qt::Key_A && k.key() <= Qt::Key_Z) {
        return Touche::refusee;
    }
    for (const QChar c : k.text()) {
        if (c != u'.' && (c < u'0' || c > u'9')) return Touche::refusee;
    }
    return Touche::acceptee;
}

// The address edit's guard: the key filter, and no way to paste around it (context menu,
// middle button, drop, input method).
class FiltreAdresse : public QObject {
  public:
    FiltreAdresse(QLineEdit* edit, std::function<void()> refuser)
        : QObject(edit), edit_(edit), refuser_(std::move(refuser)) {
        edit->setAcceptDrops(false);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (objet != edit_) return false;
        switch (e->type()) {
            case QEvent::KeyPress:
                switch (classerTouche(*static_cast<QKeyEvent*>(e))) {
                    case Touche::acceptee:
                        return false;
                    case Touche::sansEffet:
                        return true;
                    case Touche::refusee:
                        refuser_();
                        return true;
                }
                return true;
            case QEvent::ContextMenu:
                montrerMenu(static_cast<QContextMenuEvent*>(e)->globalPos());
                return true;
            case QEvent::MouseButtonRelease:
                // Where the platform has a selection clipboard, the middle button pastes it.
                return static_cast<QMouseEvent*>(e)->button() == Qt::MiddleButton;
            default:
                return false;
        }
    }

  private:
    // The edit's own paste item: Qt names it after its caption, followed by its shortcut.
    static bool estColler(const QAction* a) {
        const QString legende = QCoreApplication::translate("QLineEdit", "&Paste");
        const QString texte = a->text();
        return a->objectName() == QLatin1String("edit-paste") ||
               (texte.startsWith(legende) &&
                (texte.size() == legende.size() || texte.at(legende.size()) == u'\t'));
    }

    void montrerMenu(const QPoint& ou) {
        QMenu* menu = edit_->createStandardContextMenu();
        QAction* coller = nullptr;
        for (QAction* a : menu->actions()) {
            if (estColler(a)) coller = a;
        }
        if (!coller) {
            // A menu whose paste item cannot be told apart is not shown at all.
            delete menu;
            return;
        }
        menu->removeAction(coller);
        delete coller;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(ou);
    }

    QLineEdit* edit_;
    std::function<void()> refuser_;
};

// A grid with its header row only: what a text the grids cannot hold is looked for in.
class GrilleSansLignes : public GrilleRapport {
  public:
    int nbLignes() const override { return 1; }
    void changerNbLignes(int) override {}
    std::string cellule(int, int) const override { return {}; }
    void ecrireCellule(int, int, std::string_view) override {}
    void choisirLigne(int) override {}
};

std::string jour(const QDateEdit* date) {
    return vers1252(date->date().toString(QStringLiteral("dd/MM/yyyy")));
}

}  // namespace

void PageRapport::brancher() {
    brancherGroupesStandard();
    brancherRechercheAdresse();
    brancherTranches();
    brancherRequetes();
    // Readable results write bytes in units: the exact count is in the tooltip.
    groupes_[kGroupeOctets]->grille()->changerBulles([this](int colonne, int ligne) {
        const ResultatAnalyse& r = resultat();
        const auto k = static_cast<std::size_t>(ligne - 1);
        if (!r.lisibles.actifs || colonne != 1 || k >= r.tables.statTaux.size()) return QString();
        return QString::number(r.tables.statTaux[k].nombre) + QStringLiteral(" octets");
    });
}

void PageRapport::commande(const std::function<void()>& action) {
    if (contexte_.executer) {
        contexte_.executer(action);
    } else {
        action();
    }
}

void PageRapport::surSelection(QAbstractButton* bouton, std::function<void()> action) {
    actions_[bouton] = action;
    connect(bouton, &QAbstractButton::toggled, this, [this, action = std::move(action)](bool oui) {
        if (oui) commande(action);
    });
}

void PageRapport::brancherGroupesStandard() {
    // In the order of the groups.
    struct Liaison {
        tableauRapportStat TablesAnalyse::*table;
        GrapheQt* GraphesStat::*graphe;
    };
    const std::array<Liaison, 6> liaisons{{
        {&TablesAnalyse::statIP, &GraphesStat::grapheStatIP},
        {&TablesAnalyse::statOS, &GraphesStat::grapheStatOS},
        {&TablesAnalyse::statNav, &GraphesStat::grapheStatNavRobots},
        {&TablesAnalyse::statFichier, &GraphesStat::grapheStatFichierCharge},
        {&TablesAnalyse::statTaux, &GraphesStat::grapheStatTauxCharge},
        {&TablesAnalyse::statPrecedent, &GraphesStat::grapheStatPrecedent},
    }};
    for (std::size_t i = 0; i < groupes_.size(); ++i) {
        GroupeRapport* g = groupes_[i];
        const Liaison l = liaisons[i];
        for (const bool croissant : {true, false}) {
            surSelection(croissant ? g->croissant() : g->decroissant(), [this, g, l, croissant] {
                tableauRapportStat& table = resultat().tables.*l.table;
                trier(table, *g->grille(), croissant, ChampTri::nombre);
                remplirGraphe(*(graphes_.*l.graphe), 50, table);
            });
        }
        connect(g->rechercher(), &QToolButton::clicked, this,
                [this, g] { commande([this, g] { rechercher(*g); }); });
        connect(g->recherche(), &QLineEdit::textChanged, this,
                [this, g] { commande([g] { g->resultat()->ecrireTexte({}); }); });
    }
}

void PageRapport::rechercher(const GroupeRapport& g) {
    bool complet = true;
    const std::string texte = vers1252(g.recherche()->text(), &complet);
    if (complet) {
        rechercherTableau(*g.grille(), texte, *g.resultat());
    } else {
        // Its '?' stand-ins would match cells that hold a real '?'; no cell holds this text.
        GrilleSansLignes aucune;
        rechercherTableau(aucune, texte, *g.resultat());
    }
}

void PageRapport::brancherRechercheAdresse() {
    new FiltreAdresse(groupes_[kGroupeAdresses]->recherche(), [this] {
        commande([this] {
            if (contexte_.bip) bipErreur(*contexte_.bip);
        });
    });
}

void PageRapport::brancherTranches() {
    const std::pair<QRadioButton*, std::pair<bool, ChampTri>> ordres[] = {
        {radioRapportTranchesCroissant, {true, ChampTri::nombre}},
        {radioRapportTranchesDecroissant, {false, ChampTri::nombre}},
        {radioRapportTranchesHDF, {true, ChampTri::libelle}},
        {radioRapportTranchesHFD, {false, ChampTri::libelle}},
    };
    for (const auto& [bouton, ordre] : ordres) {
        surSelection(bouton, [this, croissant = ordre.first, champ = ordre.second] {
            tableauRapportStat& tranches = resultat().tables.statHoraires;
            trier(tranches, *tableauRapportTranches, croissant, champ);
            remplirGrapheLisible(*graphes_.grapheStatHoraires, 24, tranches,
                                 formatStatHoraires(resultat().lisibles.actifs));
        });
    }
    connect(seRapportTrancheRecherche, &QSpinBox::valueChanged, this, [this](int largeur) {
        commande([this, largeur] { changerLargeurTranches(largeur); });
    });
}

void PageRapport::changerLargeurTranches(int largeur) {
    // Deselected first, so that each order can be chosen again on the new table, even when the
    // recomputation fails.
    decocherSansAction(groupeTriTranches);
    const LignesAnalysees j = lignes();
    tableauRapportStat& tranches = resultat().tables.statHoraires;
    const ResultatsLisibles& lisibles = resultat().lisibles;
    if (lisibles.actifs) {
        tranches = journeeMoyenne(lisibles.heures, largeur);
    } else {
        calculer([&] { compterTranchesHoraires(j, largeur, tranches); });
    }
    remplirTableauRapport("Tranche horaire", "Nb Acc\xE8s", tranches, *tableauRapportTranches);
    ecrireNombresLisibles(tranches, *tableauRapportTranches);
    remplirGrapheLisible(*graphes_.grapheStatHoraires, 24, tranches,
                         formatStatHoraires(lisibles.actifs));
}

void PageRapport::brancherRequetes() {
    // The requests' "ascending" lists the busiest periods first.
    surSelection(radioRapportRequetesCroissant, [this] {
        trier(resultat().tables.statVMensuelles, *tableauRapportRequetes, false, ChampTri::nombre);
    });
    surSelection(radioRapportRequetesDecroissant, [this] {
        trier(resultat().tables.statVMensuelles, *tableauRapportRequetes, true, ChampTri::nombre);
    });

    // The whole journal is built at once and shown by "Actualiser"; the other periods are only
    // recorded, "Actualiser" builds them.
    surSelection(radioRapportRequetesToutJournal, [this] {
        ResultatAnalyse& r = resultat();
        r.periodeChoisie = std::string(kPeriodeToutLeFichier);
        compterRequetes(lignes(), r.periodeChoisie, "", "", r.tables.statVMensuelles);
    });
    const std::array<std::pair<QRadioButton*, std::string_view>, 4> periodes{{
        {radioRapportRequetesAnnee, kPeriodeAnnee},
        {radioRapportRequetesMois, kPeriodeMois},
        {radioRapportRequetesPeriode, kPeriodePeriode},
        {radioRapportRequetesJournee, kPeriodeJournee},
    }};
    for (const auto& [bouton, periode] : periodes) {
        surSelection(bouton, [this, p = periode] { resultat().periodeChoisie = std::string(p); });
    }
    connect(btRapportRequetesActualiser, &QPushButton::clicked, this,
            [this] { commande([this] { actualiserRapportRequetes(); }); });
}

void PageRapport::actualiserRapportRequetes() {
    // The choices are read here; the build runs while the window keeps painting.
    const std::string periode = resultat().periodeChoisie;
    std::string valeur1, valeur2;
    if (periode == kPeriodeAnnee) {
        valeur1 = vers1252(cbRapportRequetesAnnees->currentText());
    } else if (periode == kPeriodeMois) {
        valeur1 = vers1252(cbRapportRequetesMois->currentText());
    } else if (periode == kPeriodePeriode) {
        valeur1 = jour(cbDateRapportRequetesPeriodeDu);
        valeur2 = jour(cbDateRapportRequetesPeriodeAu);
    } else if (periode == kPeriodeJournee) {
        valeur1 = jour(cbDateRapportJournee);
    }
    if (periode == kPeriodeAnnee || periode == kPeriodeMois || periode == kPeriodePeriode ||
        periode == kPeriodeJournee) {
        const LignesAnalysees j = lignes();
        tableauRapportStat& requetes = resultat().tables.statVMensuelles;
        calculer([&] { compterRequetes(j, periode, valeur1, valeur2, requetes); });
    }
    afficherRequetes();
}

void PageRapport::calculer(const std::function<void()>& travail) {
    if (contexte_.enFond) {
        contexte_.enFond(travail);
    } else {
        travail();
    }
}

void PageRapport::trier(tableauRapportStat& table, GrilleRapport& grille, bool croissant,
                        ChampTri champ) {
    calculer([&] { ordonnerTableau(table, croissant, champ); });
    recopierLignes(table, grille);
    ecrireNombresLisibles(table, grille);
}

void PageRapport::actualiserTables() {
    struct Etat {
        GrilleRapportQt* grille;
        std::string choisie;  // the selected row's first cell
        int defilement;
    };
    std::vector<Etat> etats;
    for (GrilleRapportQt* g : {groupes_[0]->grille(), groupes_[1]->grille(), groupes_[2]->grille(),
                               groupes_[3]->grille(), groupes_[4]->grille(), groupes_[5]->grille(),
                               tableauRapportTranches, tableauRapportRequetes}) {
        const int l = g->ligneCourante();
        etats.push_back(
            {g, l > 0 ? g->cellule(0, l) : std::string(), g->verticalScrollBar()->value()});
    }
    const int ici = position();
    for (int etape = kEtapeIP; etape <= kEtapeTranches; ++etape) afficherTable(etape);
    afficherTotalRequetes(lignes().nbLignes());
    for (const QButtonGroup* tri :
         {groupes_[0]->tri(), groupes_[1]->tri(), groupes_[2]->tri(), groupes_[3]->tri(),
          groupes_[4]->tri(), groupes_[5]->tri(), groupeTriTranches}) {
        const auto action = actions_.find(tri->checkedButton());
        if (action != actions_.end()) action->second();
    }
    // The year and month lists may have grown: the choices stay on what they named.
    const ListesPeriodes& listes = resultat().listes;
    for (const auto& [liste, valeurs] : {std::pair{cbRapportRequetesAnnees, &listes.annees},
                                         {cbRapportRequetesMois, &listes.mois}}) {
        const QString choisi = liste->currentText();
        const QSignalBlocker silence(liste);
        liste->clear();
        for (const std::string& v : *valeurs) liste->addItem(depuis1252(v));
        liste->setCurrentIndex(std::max(0, liste->findText(choisi)));
    }
    actualiserRapportRequetes();
    const auto ordre = actions_.find(groupeTriRequetes->checkedButton());
    if (ordre != actions_.end()) ordre->second();
    for (const Etat& e : etats) {
        if (!e.choisie.empty()) {
            for (int l = 1; l < e.grille->nbLignes(); ++l) {
                if (e.grille->cellule(0, l) == e.choisie) {
                    e.grille->choisirLigne(l);
                    break;
                }
            }
        }
        e.grille->publierModifications();
        e.grille->verticalScrollBar()->setValue(e.defilement);
    }
    allerA(ici);
}

}  // namespace kestrane
