// Fichier > Exporter le rapport...: the last analysis as one HTML page or as a folder of CSV
// tables, written by the core's writers (core/export/Export.h), each file atomically.
#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QMenu>

#include "core/export/Export.h"
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
    d.dateCreation =
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")).toStdString();
    d.version = KESTRANE_VERSION;

    if (html) {
        ecrireFichier(chemin, [&d](const Ecrivain& e) { produireHtml(d, e); });
        afficherStatut(QStringLiteral("Rapport export\u00e9 sous : ") + chemin);
        return;
    }
    if (!QDir().mkpath(chemin)) {
        throw ErreurAffichable{QStringLiteral("Impossible de cr\u00e9er le dossier \"") + chemin +
                               QStringLiteral("\".")};
    }
    const QDir dossier(chemin);
    for (std::size_t k = 0; k < d.tables.size(); ++k) {
        afficherStatut(QStringLiteral("Exportation des tables CSV... en cours - %1/%2")
                           .arg(k + 1)
                           .arg(d.tables.size()));
        const TableExportee& t = d.tables[k];
        ecrireFichier(dossier.filePath(QString::fromStdString(t.fichier)),
                      [&t](const Ecrivain& e) { produireCsv(t, e); });
    }
    afficherStatut(QStringLiteral("Tables export\u00e9es dans : ") + chemin);
}

}  // namespace kestrane
