// Fichier > Exporter le rapport...: the last analysis as one HTML page or as a folder of CSV
// tables, checked and written as the command line writes them (cli/Sorties.h): never over a
// journal loaded, under a temporary name, then put in place whole.
#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QMenu>

#include "cli/Sorties.h"
#include "core/export/Export.h"
#include "core/journal/Erreur.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/statistiques/PageStatistiques.h"

#ifndef KESTRANE_VERSION
#define KESTRANE_VERSION "0"
#endif

namespace kestrane {

namespace {

constexpr int kFiltreHtml = 0;
constexpr int kFiltreCsv = 1;

}  // namespace

void TForm1::creerExportRapport() {
    menuExporterRapport = new QAction(QStringLiteral("Exporter le &rapport..."), this);
    menuExporterRapport->setObjectName(QStringLiteral("menuExporterRapport"));
    // Beside the other export, before the separator above "Quitter".
    QAction* avant = findChild<QAction*>(QStringLiteral("N1"));
    menuFichier->insertAction(avant, menuExporterRapport);
    dialogExporterRapport.changerFiltre(QStringLiteral("Page HTML|*.html|Tables CSV|dossier"));
    dialogExporterRapport.changerTitre(QStringLiteral("Exportation du rapport - Kestrane"));
    connect(menuExporterRapport, &QAction::triggered, this,
            [this] { executer([this] { exporterRapport(); }); });
}

void TForm1::exporterRapport() {
    if (!PageControl1->isTabVisible(1)) {
        afficherStatut(QStringLiteral("Pas d'analyse \u00e0 exporter"));
        return;
    }
    afficherStatut(QStringLiteral("Demande d'exportation du rapport..."));
    if (!dialogExporterRapport.executer(this)) {
        afficherStatut(QStringLiteral("Demande d'exportation du rapport - annul\u00e9e !"));
        return;
    }
    QString chemin = dialogExporterRapport.nomFichier();
    // The filter chosen tells the kind; without one, the name does.
    const int filtre = dialogExporterRapport.filtreChoisi();
    const bool html =
        filtre == kFiltreHtml ||
        (filtre != kFiltreCsv && chemin.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive));
    if (html && !chemin.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive)) {
        chemin += QStringLiteral(".html");
    }

    DonneesRapport d =
        donneesRapport(*resultat_, pageStatistiques->nbAdresses(), complementsActifs());
    d.nomJournal = nomFichier(dialogOuvrir.nomFichier()).toStdString();
    if (fichiersJournal_.size() > 1) d.journaux = nomsJournaux();
    d.dateCreation =
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")).toStdString();
    d.version = KESTRANE_VERSION;

    const std::string cheminOs = QFile::encodeName(chemin).toStdString();
    Sorties sorties;
    (html ? sorties.rapport : sorties.csv) = cheminOs;
    std::vector<std::string> journaux;
    for (const QString& f : fichiersJournal_)
        journaux.push_back(QFile::encodeName(f).toStdString());
    try {
        verifierSorties(sorties, journaux);
        if (!html) afficherStatut(QStringLiteral("Exportation des tables CSV... en cours"));
        enFond([&] { ecrireSorties(sorties, d); });
    } catch (const RefusSortie& e) {
        QString m = QString::fromUtf8(e.what());
        if (!m.isEmpty()) m[0] = m[0].toUpper();
        throw ErreurAffichable{m};
    } catch (const ErreurFichier& e) {
        throw ErreurAffichable{messageFichier(chemin, e)};
    }
    afficherStatut(html ? QStringLiteral("Rapport export\u00e9 sous : ") + chemin
                        : QStringLiteral("Tables export\u00e9es dans : ") + chemin);
}

}  // namespace kestrane
