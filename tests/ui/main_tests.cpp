// Runs every registered window test class in one process (one QApplication), in name order.
// `tests_ui TestFenetre` runs one class; other arguments go to Qt Test.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <string>

#include "tests/commun/ReglagesIsoles.h"
#include "tests/ui/Registre.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // What the window remembers (recent journals...) goes to a folder of the run's own, never
    // to the user's settings.
    const kestrane::ReglagesIsoles reglages;
    auto classes = kestrane::tests::registre();
    std::sort(classes.begin(), classes.end(),
              [](const auto& a, const auto& b) { return a.nom < b.nom; });
    std::string seule;
    if (argc > 1 && argv[1][0] != '-') {
        seule = argv[1];
        for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
        --argc;
    }
    int echecs = 0, executees = 0;
    for (const auto& c : classes) {
        if (!seule.empty() && c.nom != seule) continue;
        const auto objet = c.creer();
        echecs += QTest::qExec(objet.get(), argc, argv);
        ++executees;
    }
    return echecs == 0 && executees > 0 ? 0 : 1;
}
