// Kestrane: creates the main window and the processing dialog, then runs the event loop.
// The files named on the command line are loaded at start, several as one journal; with an
// option (--rapport, --csv, --help...) the analysis runs without a window (cli/LigneDeCommande).
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <iostream>

#include "cli/Affichage.h"
#include "cli/LigneDeCommande.h"
#include "core/journal/Memoire.h"
#include "platform/BipAlsa.h"
#include "ui/dialogues/UdialogueForm.h"
#include "ui/fenetre/UFormPrincipale.h"

int main(int argc, char* argv[]) {
    // Decided before any Qt object exists: a script's run needs no display.
    if (kestrane::estLigneDeCommande(argc, argv)) {
        kestrane::relancerAvecPagesEnormes(argv);
        return kestrane::executerLigneDeCommande(argc, argv, std::cout, std::cerr);
    }
    if (!kestrane::affichageDisponible(argc, argv)) {
        std::cerr << kestrane::kSansAffichage;
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrane"));
    // No display name: the platform would append it to every window title.
    // The menu entry installed with the program: Wayland links the window to its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("fr.kestrane.Kestrane"));

    // Standard dialogs and buttons in French.
    QTranslator traduction;
    if (traduction.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&traduction);
    }

    kestrane::BipAlsa bip;
    kestrane::TForm1 form1(bip);
    kestrane::TdialogueForm dialogueForm(&form1);
    form1.restaurerGeometrie();
    form1.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 2) {
        form1.ouvrirAuDemarrage(arguments.at(1));
    } else if (arguments.size() > 2) {
        // Rotated logs named together: one journal, oldest first.
        form1.ouvrirAuDemarrage(arguments.mid(1));
    }
    return QApplication::exec();
}
