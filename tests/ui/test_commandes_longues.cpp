#include "tests/ui/test_commandes_longues.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QtTest>
#include <functional>

#include "core/journal/Erreur.h"
#include "platform/Horloge.h"
#include "tests/commun/CompteurPeintures.h"
#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/UFormPrincipale.h"

using namespace kestrane;
using kestrane::tests::analyser;
using kestrane::tests::charger;
using kestrane::tests::Fenetre;

namespace {

// Runs `f` at the first turn of the event loop: from inside the command that follows, if that
// command keeps the window painted.
void enCours(QObject* contexte, std::function<void()> f) {
    QMetaObject::invokeMethod(contexte, std::move(f), Qt::QueuedConnection);
}

const QString kFin = QStringLiteral("Analyse du fichier termin\u00e9e !");

}  // namespace

void TestCommandesLongues::init() {
    dossier_.renouveler();
    QVERIFY(dossier_.valide());
}

QString TestCommandesLongues::ecrireJournal(int lignes) {
    QByteArray texte;
    for (int k = 0; k < lignes; ++k) {
        texte += "10.0." + QByteArray::number(k % 7) + ".1 - - [08/Oct/2005:1" +
                 QByteArray::number(k % 10) +
                 ":00:00 +0100] \"GET /p.html HTTP/1.1\" 200 512 \"-\" \"Mozilla/5.0 (X11)\"\n";
    }
    return dossier_.ecrire(QStringLiteral("j.log"), texte);
}

void TestCommandesLongues::lAnalyseEtLeChargementPeignentEnCours() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    CompteurPeintures compteur;
    compteur.arme = false;
    w.installEventFilter(&compteur);

    // During the load: the new journal is not there yet, the window repaints what it asks.
    const QString chemin = ecrireJournal(40000);
    QString messagePendant;
    enCours(&w, [&] {
        messagePendant = f.message();
        compteur.arme = true;
        w.update();
    });
    charger(w, chemin);
    compteur.arme = false;
    QCOMPARE(messagePendant, QStringLiteral("Demande de chargement..."));
    QVERIFY(compteur.nombre > 0);

    // During the Analyse (both halves on worker threads): progress shown, the window painted.
    compteur.nombre = 0;
    bool barreVisible = false;
    enCours(&w, [&] {
        messagePendant = f.message();
        barreVisible = controle<QProgressBar>(w, "barreProgressionAnalyse")->isVisible();
        compteur.arme = true;
        w.update();
    });
    analyser(w);
    compteur.arme = false;
    QVERIFY2(messagePendant.startsWith(QStringLiteral("Mise en m\u00e9moire")) ||
                 messagePendant.startsWith(QStringLiteral("Analyse du contenu")),
             qPrintable(messagePendant));
    QVERIFY(barreVisible);
    QVERIFY(compteur.nombre > 0);
    QCOMPARE(f.message(), kFin);
    QVERIFY(w.boites.erreurs.isEmpty());
}

void TestCommandesLongues::leTicDeLHorlogeAttendLaFin() {
    Fenetre f;
    TForm1& w = f.form;
    // Each reading of the clock is one second after the one before.
    QTime heure(10, 0, 0);
    w.horloge = [&heure] { return heure = heure.addSecs(1); };
    charger(w, ecrireJournal(20));
    QString horlogeAvant, horlogeApres;
    enCours(&w, [&] {
        horlogeAvant = controle<QLabel>(w, "barreStatusPanneau0")->text();
        QTimerEvent tic(controle<QTimer>(w, "Timer1")->timerId());
        QCoreApplication::sendEvent(controle<QTimer>(w, "Timer1"), &tic);
        horlogeApres = controle<QLabel>(w, "barreStatusPanneau0")->text();
    });
    analyser(w);
    QVERIFY(!horlogeAvant.isEmpty());
    QCOMPARE(horlogeApres, horlogeAvant);
    // The tick came once the command had ended: after the last message, the clock read once more.
    const QString statut = f.statut();
    const QTime dansLeMessage =
        QTime::fromString(statut.mid(statut.lastIndexOf(u'[') + 1, 8), QStringLiteral("HH:mm:ss"));
    QCOMPARE(f.message(), kFin);
    QCOMPARE(controle<QLabel>(w, "barreStatusPanneau0")->text(),
             texteHeure(dansLeMessage.addSecs(2)));
}

void TestCommandesLongues::uneCommandeDemandeeAttendLaFin() {
    Fenetre f;
    TForm1& w = f.form;
    charger(w, ecrireJournal(20));
    QString messagePendant;
    enCours(&w, [&] {
        w.dialogOuvrir.repondreProchaineFois(std::nullopt);
        QTest::mouseClick(controle<QPushButton>(w, "btCharger"), Qt::LeftButton);
        messagePendant = f.message();
    });
    analyser(w);
    // The load's first message did not come during the Analyse; the load ran after it.
    QVERIFY(messagePendant != QStringLiteral("Demande de chargement..."));
    QCOMPARE(f.message(), QStringLiteral("Chargement - annul\u00e9e !"));
    QVERIFY(controle<QTabWidget>(w, "PageControl1")
                ->isTabVisible(1));  // the Analyse ended before: its results shown
    QVERIFY(w.boites.erreurs.isEmpty());
}

void TestCommandesLongues::unRedimensionnementAttendLaFin() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    charger(w, ecrireJournal(20));
    QStringList messages;
    enCours(&w, [&] {
        w.resize(w.width() + 40, w.height() + 20);
        messages << f.message();
    });
    analyser(w);
    // The layout pass of the resize came after the Analyse's last message.
    QVERIFY(messages.size() == 1 &&
            messages[0] != QStringLiteral("Pr\u00e9sentation d'aucun graphe "
                                          "statistique"));
    QCOMPARE(f.message(), QStringLiteral("Pr\u00e9sentation d'aucun graphe statistique"));
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
}

void TestCommandesLongues::laFermetureAttendLaFin() {
    Fenetre f;
    TForm1& w = f.form;
    charger(w, ecrireJournal(20));
    int finsPendant = -1;
    enCours(&w, [&] {
        w.close();
        finsPendant = f.fins;
    });
    analyser(w);
    QCOMPARE(finsPendant, 0);
    QCOMPARE(f.fins, 1);
    QCOMPARE(f.message(), kFin);
    // The completion tune, then the quit tune from 900 Hz.
    const auto& bips = f.bip.bips;
    QCOMPARE(bips.size(), std::size_t{3 + 14});
    QCOMPARE(bips[2], std::make_pair(500, 250));
    QCOMPARE(bips[3], std::make_pair(900, 5));
}

void TestCommandesLongues::lErreurDuCalculRevientALaCommande() {
    Fenetre f;
    TForm1& w = f.form;
    int tours = 0;
    bool leve = false;
    w.executer([&] {
        try {
            w.enFond([] { throw ErreurKestrane("'x' n'est pas une valeur enti\xE8re correcte"); });
        } catch (const ErreurKestrane& e) {
            leve = e.message() == "'x' n'est pas une valeur enti\xE8re correcte";
        }
        w.enFond([&tours] { ++tours; });
        w.enFond([] { throw std::runtime_error("boum"); });
        ++tours;  // not reached
    });
    QVERIFY(leve);
    QCOMPARE(tours, 1);
    QCOMPARE(w.boites.erreurs, QStringList{QStringLiteral("boum.")});
}

KESTRANE_TEST_UI(TestCommandesLongues);
