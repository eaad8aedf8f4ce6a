// Runs every registered window test class in one process (one QApplication), in name order.
// `tests_ui TestFenetre` runs one class; other arguments go to Qt Test.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <string>

#include "tests/ui/Registre.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Settings the windows remember go to a folder of the run's own, never the user's.
    QTemporaryDir reglages;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
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
