#include "tests/ui/test_executeur.h"

#include <QtTest>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

#include "core/journal/Erreur.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/ExecuteurCommandes.h"

using namespace kestrane;

namespace {

// An executor whose error box records its messages.
struct Banc {
    QStringList boites;
    ExecuteurCommandes executeur{[this](const QString& m) { boites << m; }};
};

// Runs `f` at the next turn of the event loop: from inside a computation that keeps the window
// painted, when one runs then.
void auProchainTour(std::function<void()> f) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
}

}  // namespace

void TestExecuteurCommandes::erreursDansLaBoite_data() {
    QTest::addColumn<int>("sorte");
    QTest::addColumn<QString>("message");
    QTest::newRow("aucune") << 0 << QString();
    QTest::newRow("du programme, en Windows-1252")
        << 1 << QStringLiteral("'x' n'est pas une valeur enti\u00e8re correcte.");
    QTest::newRow("deja formulee") << 2 << QStringLiteral("Fichier absent.");
    QTest::newRow("memoire") << 3 << QStringLiteral("M\u00e9moire insuffisante.");
    QTest::newRow("standard") << 4 << QStringLiteral("boum.");
    QTest::newRow("inconnue") << 5 << QStringLiteral("Erreur inconnue.");
}

void TestExecuteurCommandes::erreursDansLaBoite() {
    QFETCH(int, sorte);
    QFETCH(QString, message);
    Banc b;
    int apres = 0;
    b.executeur.executer([&] {
        switch (sorte) {
            case 1:
                throw ErreurKestrane("'x' n'est pas une valeur enti\xE8re correcte");
            case 2:
                throw ErreurAffichable{QStringLiteral("Fichier absent.")};
            case 3:
                throw std::bad_alloc();
            case 4:
                throw std::runtime_error("boum");
            case 5:
                throw 42;
            default:
                break;
        }
        ++apres;
    });
    QCOMPARE(b.boites, message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(apres, sorte == 0 ? 1 : 0);
    // The executor goes on: the next command runs.
    b.executeur.executer([&] { ++apres; });
    QCOMPARE(apres, sorte == 0 ? 2 : 1);
}

void TestExecuteurCommandes::commandeImbriqueeToutDeSuite() {
    // A command run by a command (a radio button selected by the program) runs at once, and its
    // error does not end the outer one.
    Banc b;
    QStringList ordre;
    b.executeur.executer([&] {
        ordre << "debut";
        b.executeur.executer([&] {
            ordre << "interieure";
            throw std::runtime_error("interieure");
        });
        ordre << "fin";
    });
    QCOMPARE(ordre, (QStringList{"debut", "interieure", "fin"}));
    QCOMPARE(b.boites, QStringList{"interieure."});
}

void TestExecuteurCommandes::commandesDemandeesPendantUnCalculAttendent() {
    Banc b;
    QStringList ordre;
    bool occupeDedans = false;
    b.executeur.executer([&] {
        auProchainTour([&] {
            occupeDedans = b.executeur.occupe();
            b.executeur.executer([&] { ordre << "A"; });
            b.executeur.executer([&] {
                ordre << "B";
                throw std::runtime_error("B");
            });
            b.executeur.executer([&] { ordre << "C"; });
        });
        b.executeur.enFond([] { std::this_thread::sleep_for(std::chrono::milliseconds(60)); });
        ordre << "fin du calcul";
    });
    QVERIFY(occupeDedans);
    QVERIFY(!b.executeur.occupe());
    QCOMPARE(ordre, (QStringList{"fin du calcul", "A", "B", "C"}));
    QCOMPARE(b.boites, QStringList{"B."});
}

void TestExecuteurCommandes::calculSurUnAutreFil() {
    Banc b;
    const std::thread::id ici = std::this_thread::get_id();
    std::thread::id la;
    int suivis = 0;
    bool leve = false;
    b.executeur.executer([&] {
        b.executeur.enFond(
            [&] {
                la = std::this_thread::get_id();
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
            },
            [&] {
                QCOMPARE(std::this_thread::get_id(), ici);
                ++suivis;
            });
        try {
            b.executeur.enFond(
                [] { throw ErreurKestrane("'y' n'est pas une valeur enti\xE8re correcte"); });
        } catch (const ErreurKestrane& e) {
            leve = e.message() == "'y' n'est pas une valeur enti\xE8re correcte";
        }
        b.executeur.enFond([] { throw std::runtime_error("sans rattrapage"); });
    });
    QVERIFY(la != std::thread::id() && la != ici);
    QVERIFY(suivis >= 2);  // at least before the first wait and after it
    QVERIFY(leve);
    QCOMPARE(b.boites, QStringList{"sans rattrapage."});
}

void TestExecuteurCommandes::ticEtFermetureApresLesCommandes() {
    Banc b;
    QStringList ordre;
    b.executeur.rattraperTic = [&] { ordre << "tic"; };
    b.executeur.fermer = [&] { ordre << "fermer"; };
    b.executeur.executer([&] {
        auProchainTour([&] {
            b.executeur.retarderFermeture();
            b.executeur.retarderTic();
            b.executeur.retarderTic();
            b.executeur.executer([&] { ordre << "commande"; });
        });
        b.executeur.enFond([] { std::this_thread::sleep_for(std::chrono::milliseconds(60)); });
        ordre << "fin";
    });
    // One tick however many were missed, before the commands; the close last.
    QCOMPARE(ordre, (QStringList{"fin", "tic", "commande", "fermer"}));
    // Nothing left for the next command.
    ordre.clear();
    b.executeur.executer([&] { ordre << "seule"; });
    QCOMPARE(ordre, QStringList{"seule"});
}

KESTRANE_TEST_UI(TestExecuteurCommandes);
