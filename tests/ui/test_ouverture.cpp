#include "tests/ui/test_ouverture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "tests/commun/Controles.h"
#include "tests/commun/Gzip.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/dialogues/Dialogues.h"
#include "ui/fenetre/FichiersRecents.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::Fenetre;
using kestrane::tests::lire;

namespace {

QByteArray gzip(const QByteArray& texte) {
    return QByteArray::fromStdString(test::gzip(texte.toStdString()));
}

const QByteArray kL2 = "h.example - - [01/Jan/2024:00:00:00 +0000] \"GET /2 HTTP/1.1\" 200 1\n";
const QByteArray kL1 = "::1 - - [02/Jan/2024:00:00:00 +0000] \"GET /1 HTTP/1.1\" 200 1";
const QByteArray kL0 = "10.0.0.1 - - [03/Jan/2024:00:00:00 +0000] \"GET /0 HTTP/1.1\" 200 1\r\n";

QString ligne(const TForm1& w, std::size_t i) {
    return controle<VueTexte>(w, "Memo1")->texteLigne(i);
}

QString nbLignes(const TForm1& w) {
    return controle<QLabel>(w, "lbNbLignes")->text();
}

// Counts the times a widget is shown.
class CompteurApparitions : public QObject {
  public:
    int nombre = 0;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) ++nombre;
        return false;
    }
};

// Drops these URLs on the window as a file manager would; true when the window took them.
bool deposer(TForm1& w, const QList<QUrl>& urls) {
    QMimeData donnees;
    donnees.setUrls(urls);
    const QPoint point(w.width() / 2, w.height() / 2);
    QDragEnterEvent entree(point, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &entree);
    if (!entree.isAccepted()) return false;
    QDropEvent depot(QPointF(point), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &depot);
    QCoreApplication::processEvents();
    return depot.isAccepted();
}

}  // namespace

void TestOuverture::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).remove("fichiersRecents");
}

// Known by its first bytes whatever its name; saved back as the text it holds. The progress bar
// shows while a compressed file loads, never for a plain one.
void TestOuverture::journalCompresse() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    auto* barre = controle<QProgressBar>(w, "barreProgressionAnalyse");
    CompteurApparitions apparitions;
    barre->installEventFilter(&apparitions);
    w.dialogOuvrir.repondreProchaineFois(dossier_.ecrire(QStringLiteral("clair.gz"), kL2 + kL1));
    controle<QPushButton>(w, "btCharger")->click();
    QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
    QCOMPARE(apparitions.nombre, 0);
    for (const QString& nom : {QStringLiteral("access.log.2.gz"), QStringLiteral("access.log")}) {
        const QString chemin = dossier_.ecrire(nom, gzip(kL2 + kL1));
        w.dialogOuvrir.repondreProchaineFois(chemin);
        controle<QPushButton>(w, "btCharger")->click();
        QCOMPARE(w.boites.erreurs, QStringList{});
        QCOMPARE(f.message(), QStringLiteral("Chargement du fichier journal : ") + chemin);
        QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
        QCOMPARE(ligne(w, 1), QString::fromLatin1(kL1));
        QVERIFY(barre->isHidden());
    }
    QCOMPARE(apparitions.nombre, 2);
    QCOMPARE(barre->value(), 50);  // as the window left it
    const QString copie = dossier_.chemin(QStringLiteral("copie.log"));
    w.dialogEnregistrer.repondreProchaineFois(copie);
    controle<QPushButton>(w, "btEnregistrerSous")->click();
    QCOMPARE(lire(copie), QByteArray(kL2).replace("\n", "\r\n") + kL1);

    w.dialogOuvrir.repondreProchaineFois(dossier_.ecrire(QStringLiteral("vide.gz"), gzip("")));
    controle<QPushButton>(w, "btCharger")->click();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(nbLignes(w), QStringLiteral("0 ligne"));
}

void TestOuverture::compresseIllisibleGardeLeJournal_data() {
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QString>("raison");
    QTest::addColumn<bool>("parmiDautres");  // chosen with the readable file of its folder
    const QByteArray g = gzip(kL2 + kL1 + "\n" + kL0);
    QTest::newRow("tronque") << g.left(g.size() - 5) << QStringLiteral("incomplet") << false;
    QTest::newRow("tronque parmi d'autres") << g.left(10) << QStringLiteral("incomplet") << true;
    QByteArray corrompu = g;
    corrompu[g.size() / 2] = static_cast<char>(corrompu[g.size() / 2] ^ 0x55);
    QTest::newRow("corrompu") << corrompu << QStringLiteral("corrompu") << false;
    QTest::newRow("debris apres") << g + "debris" << QStringLiteral("corrompu") << false;
}

// An error box naming the file; the journal loaded before, its count and the pages stay.
void TestOuverture::compresseIllisibleGardeLeJournal() {
    QFETCH(QByteArray, octets);
    QFETCH(QString, raison);
    QFETCH(bool, parmiDautres);
    Fenetre f;
    TForm1& w = f.form;
    const QString avant = dossier_.ecrire(QStringLiteral("access.log"), kL0 + kL0);
    w.dialogOuvrir.repondreProchaineFois(avant);
    controle<QPushButton>(w, "btCharger")->click();
    w.montrerAnalyse(true);
    const QString chemin = dossier_.ecrire(QStringLiteral("access.log.1"), octets);
    w.dialogOuvrir.repondreProchaineFois(parmiDautres ? QStringList{avant, chemin}
                                                      : QStringList{chemin});
    controle<QPushButton>(w, "btCharger")->click();
    QCOMPARE(w.boites.erreurs,
             QStringList{QStringLiteral("Impossible de d\u00e9compresser le fichier \"") + chemin +
                         QStringLiteral("\". Le fichier gzip est ") + raison + QLatin1Char('.')});
    QCOMPARE(f.message(), QStringLiteral("Demande de chargement..."));
    QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
    QCOMPARE(w.journal().octets(), (kL0 + kL0).toStdString());
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));
    QVERIFY(controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
}

void TestOuverture::plusieursFichiers_data() {
    QTest::addColumn<QStringList>("noms");
    QTest::newRow("du plus ancien") << QStringList{"access.log.2.gz", "access.log.1", "access.log"};
    QTest::newRow("du plus recent") << QStringList{"access.log", "access.log.1", "access.log.2.gz"};
    QTest::newRow("en desordre") << QStringList{"access.log.1", "access.log", "access.log.2.gz"};
}

// One journal, oldest first, whatever the order given, through the dialog and the command line;
// the file without a final break does not glue its last line to the next file's first.
void TestOuverture::plusieursFichiers() {
    QFETCH(QStringList, noms);
    const QMap<QString, QByteArray> contenus = {
        {"access.log.2.gz", gzip(kL2)}, {"access.log.1", kL1}, {"access.log", kL0}};
    QStringList chemins;
    for (const QString& nom : noms) chemins << dossier_.ecrire(nom, contenus[nom]);
    for (const bool ligneDeCommande : {false, true}) {
        Fenetre f;
        TForm1& w = f.form;
        if (ligneDeCommande) {
            w.ouvrirAuDemarrage(chemins);
        } else {
            w.dialogOuvrir.repondreProchaineFois(chemins);
            controle<QAction>(w, "menuChargerJournal")->trigger();
        }
        QCOMPARE(w.boites.erreurs, QStringList{});
        QCOMPARE(nbLignes(w), QStringLiteral("3 lignes"));
        QCOMPARE(ligne(w, 0), QString::fromLatin1(kL2.trimmed()));
        QCOMPARE(ligne(w, 1), QString::fromLatin1(kL1));
        QCOMPARE(ligne(w, 2), QString::fromLatin1(kL0.trimmed()));
        QCOMPARE(f.message(), QStringLiteral("Chargement de 3 fichiers journaux : "
                                             "access.log.2.gz, access.log.1, access.log"));
        QCOMPARE(w.dialogOuvrir.nomsFichiers(), chemins);
    }
}

void TestOuverture::dialogueReel_data() {
    QTest::addColumn<QString>("tape");
    QTest::addColumn<QStringList>("attendus");
    QTest::newRow("deux fichiers")
        << QStringLiteral("\"b.log\" \"a.log\"") << QStringList{"b.log", "a.log"};
    QTest::newRow("un fichier") << QStringLiteral("a.log") << QStringList{"a.log"};
    QTest::newRow("un nom qui n'existe pas")
        << QStringLiteral("absent.log") << QStringList{"absent.log"};
}

// The real dialog, answered by typing in its name field: several names at once, and one name
// that need not exist, as before.
void TestOuverture::dialogueReel() {
    QFETCH(QString, tape);
    QFETCH(QStringList, attendus);
    dossier_.ecrire(QStringLiteral("a.log"), "a\n");
    dossier_.ecrire(QStringLiteral("b.log"), "b\n");
    DialogueFichier d(DialogueFichier::Sorte::ouvrir);
    d.permettrePlusieurs(true);
    d.changerNomFichier(dossier_.chemin(QStringLiteral("a.log")));
    bool repondu = false;
    QTimer::singleShot(0, [&] {
        auto* qt = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!qt) return;
        auto* nom = qt->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        // As a user types: in the name field, which has the focus.
        qt->activateWindow();
        nom->setFocus();
        QTRY_VERIFY(nom->hasFocus());
        nom->setText(tape);
        repondu = true;
        QMetaObject::invokeMethod(qt, "accept");
    });
    QVERIFY(d.executer(nullptr));
    QVERIFY(repondu);
    QStringList chemins;
    for (const QString& nom : attendus) chemins << dossier_.chemin(nom);
    QStringList obtenus = d.nomsFichiers();
    QCOMPARE(d.nomFichier(), obtenus.value(0));
    // In the order of the list's selection: the load orders them by date anyway.
    obtenus.sort();
    chemins.sort();
    QCOMPARE(obtenus, chemins);
}

// Dropping files loads them without the dialog, which then offers them and titles the report.
void TestOuverture::depot() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    const QString un = dossier_.ecrire(QStringLiteral("access.log"), kL0);
    const QString deux = dossier_.ecrire(QStringLiteral("access.log.2.gz"), gzip(kL2));
    w.dialogOuvrir.repondreProchaineFois(std::nullopt);  // the dialog must not be asked
    QVERIFY(deposer(w, {QUrl::fromLocalFile(un)}));
    QCOMPARE(f.message(), QStringLiteral("Chargement du fichier journal : ") + un);
    QCOMPARE(nbLignes(w), QStringLiteral("1 ligne"));
    QCOMPARE(w.dialogOuvrir.nomFichier(), un);

    QVERIFY(deposer(w, {QUrl::fromLocalFile(un), QUrl::fromLocalFile(deux)}));
    QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
    QCOMPARE(ligne(w, 0), QString::fromLatin1(kL2.trimmed()));
    QCOMPARE(f.message(),
             QStringLiteral("Chargement de 2 fichiers journaux : access.log.2.gz, access.log"));

    QVERIFY(!deposer(w, {QUrl(QStringLiteral("https://exemple.fr/access.log"))}));
    QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
    QCOMPARE(w.boites.erreurs, QStringList{});
}

// The last eight journals, the latest first, once each, remembered by the next window; choosing
// one loads it again.
void TestOuverture::fichiersRecents() {
    QStringList chemins;
    for (int i = 0; i < 10; ++i) {
        chemins << dossier_.ecrire(QStringLiteral("j%1.log").arg(i), QByteArray::number(i) + "\n");
    }
    const QString etrange = dossier_.ecrire(QStringLiteral("a&b.log"), "x\ny\n");
    {
        Fenetre f;
        TForm1& w = f.form;
        auto* menu = controle<QMenu>(w, "menuFichiersRecents");
        QVERIFY(!menu->menuAction()->isEnabled());
        const QList<QAction*> actions = controle<QMenu>(w, "menuFichier")->actions();
        QCOMPARE(actions.indexOf(menu->menuAction()),
                 actions.indexOf(controle<QAction>(w, "menuChargerJournal")) + 1);
        QCOMPARE(menu->title(), QStringLiteral("&Fichiers r\u00e9cents"));
        for (const QString& c : chemins) w.ouvrirAuDemarrage(c);
        w.ouvrirAuDemarrage(chemins[5]);
        w.dialogOuvrir.repondreProchaineFois(QStringList{chemins[1], chemins[0]});
        controle<QPushButton>(w, "btCharger")->click();
        w.ouvrirAuDemarrage(etrange);
        w.ouvrirAuDemarrage(dossier_.chemin(QStringLiteral("absent.log")));
        QCOMPARE(w.boites.erreurs.size(), 1);
    }
    Fenetre f;
    TForm1& w = f.form;
    auto* menu = controle<QMenu>(w, "menuFichiersRecents");
    QVERIFY(menu->menuAction()->isEnabled());
    QStringList textes;
    for (QAction* a : menu->actions()) textes << a->text();
    QCOMPARE(textes,
             (QStringList{QStringLiteral("&1 ") + QString(etrange).replace("&", "&&"),
                          QStringLiteral("&2 2 fichiers : j1.log, j0.log"),
                          QStringLiteral("&3 ") + chemins[5], QStringLiteral("&4 ") + chemins[9],
                          QStringLiteral("&5 ") + chemins[8], QStringLiteral("&6 ") + chemins[7],
                          QStringLiteral("&7 ") + chemins[6], QStringLiteral("&8 ") + chemins[4]}));
    controle<QAction>(w, "menuFichierRecent2")->trigger();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
    QCOMPARE(ligne(w, 0), QStringLiteral("1"));
    QCOMPARE(controle<QAction>(w, "menuFichierRecent1")->text(),
             QStringLiteral("&1 2 fichiers : j1.log, j0.log"));
    QCOMPARE(w.findChild<FichiersRecents*>()->journaux().size(), 8);
}

KESTRANE_TEST_UI(TestOuverture);
