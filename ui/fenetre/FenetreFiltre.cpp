// The window's side of the filter: its bar above the pages, Ctrl+L, the pages' rows filtered on,
// and the Analyse run again whenever the filter changes while results are shown. The filter is
// kept when the journal is analysed again and cleared when another one is loaded.
#include <QShortcut>
#include <QTabWidget>
#include <algorithm>
#include <optional>
#include <utility>

#include "platform/Airs.h"
#include "ui/fenetre/BarreFiltre.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// What a row of each grid of the Compléments page stands for.
std::optional<SorteEntree> sorteDeLaGrille(const QString& grille) {
    static const std::pair<const char*, SorteEntree> kGrilles[] = {
        {"tableauComplementsCodes", SorteEntree::statut},
        {"tableauComplementsIntrouvables", SorteEntree::fichier},
        {"tableauComplementsErreurs", SorteEntree::fichier},
        {"tableauComplementsJours", SorteEntree::jour},
        {"tableauComplementsSites", SorteEntree::site},
        {"tableauComplementsRecherches", SorteEntree::recherche},
        {"tableauComplementsRobots", SorteEntree::robot},
        {"tableauComplementsPays", SorteEntree::pays},
        {"tableauComplementsHotes", SorteEntree::hote},
        {"tableauComplementsDetailFichiers", SorteEntree::fichier},
        {"tableauComplementsDetailSites", SorteEntree::site},
        {"tableauComplementsDetailAdresses", SorteEntree::adresse},
    };
    for (const auto& [nom, sorte] : kGrilles) {
        if (grille == QLatin1String(nom)) return sorte;
    }
    return std::nullopt;
}

}  // namespace

void TForm1::creerBarreFiltre() {
    barreFiltre_ = new BarreFiltre(
        this,
        [this] {
            // Only results shown are made again; otherwise the next Analyse applies it.
            if (PageControl1->isTabVisible(1)) executer([this] { analyserJournal(); });
        },
        [this](const QString& erreur) {
            afficherStatut(erreur);
            bipErreur(bip_);
        });
    addToolBar(Qt::TopToolBarArea, barreFiltre_);
    auto* raccourci = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    raccourci->setObjectName(QStringLiteral("raccourciFiltre"));
    connect(raccourci, &QShortcut::activated, this, [this] { barreFiltre_->saisir(); });
    pageComplements->permettreFiltrage(
        [this](const QString& grille, const QString& libelle, bool exclure, bool voir) {
            const auto sorte = sorteDeLaGrille(grille);
            if (!sorte) return;
            executer([this, sorte, libelle, exclure, voir] {
                filtrerSur(*sorte, vers1252(libelle), exclure);
                if (voir) PageControl1->setCurrentIndex(0);
            });
        });
}

void TForm1::filtrerSur(SorteEntree sorte, const std::string& libelle, bool exclure) {
    const std::string terme = termePourEntree(sorte, libelle, exclure);
    if (!terme.empty()) barreFiltre_->ajouterTerme(terme);
}

void TForm1::proposerValeursFiltre() {
    // The most frequent entries of the tables shown, as terms the field completes.
    constexpr std::size_t kParTable = 200;
    const TablesAnalyse& t = resultat_->tables;
    const std::pair<const tableauRapportStat*, SorteEntree> tables[] = {
        {&t.statIP, SorteEntree::adresse},
        {&t.statFichier, SorteEntree::fichier},
        {&t.statPrecedent, SorteEntree::provenance},
    };
    QStringList valeurs;
    for (const auto& [table, sorte] : tables) {
        std::vector<const rapportStat*> entrees;
        for (const rapportStat& e : *table) entrees.push_back(&e);
        const std::size_t n = std::min(kParTable, entrees.size());
        std::partial_sort(
            entrees.begin(), entrees.begin() + static_cast<std::ptrdiff_t>(n), entrees.end(),
            [](const rapportStat* a, const rapportStat* b) { return a->nombre > b->nombre; });
        for (std::size_t k = 0; k < n; ++k) {
            const std::string terme = termePourEntree(sorte, entrees[k]->libelle);
            if (!terme.empty()) valeurs << depuis1252(terme);
        }
    }
    if (resultat_->complements) {
        for (const CompteCode& c : resultat_->complements->codes) {
            valeurs << QStringLiteral("statut:%1").arg(c.code);
        }
    }
    barreFiltre_->completerAvec(valeurs);
}

}  // namespace kestrane
