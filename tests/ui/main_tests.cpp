// Runs every window test class in one process (one QApplication).
#include <QApplication>
#include <QtTest>

#include "tests/ui/test_bip.h"
#include "tests/ui/test_fenetre.h"
#include "tests/ui/test_vue_texte.h"
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int echecs = 0;
    {
        TestBip t;
        echecs += QTest::qExec(&t, argc, argv);
    }
    {
        TestVueTexte t;
        echecs += QTest::qExec(&t, argc, argv);
    }
    {
        TestFenetre t;
        echecs += QTest::qExec(&t, argc, argv);
    }
    return echecs == 0 ? 0 : 1;
}
