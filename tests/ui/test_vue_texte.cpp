#include "tests/ui/test_vue_texte.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QStringList>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/journal/Journal.h"
#include "tests/ui/Registre.h"
#include "ui/vues/SourceJournal.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

using kestrane::SourceJournal;
using kestrane::SourceLignes;
using kestrane::VueTexte;

namespace {

// Lines made up on demand; remembers which lines and which slices the view asked for.
class SourceEspion : public SourceLignes {
  public:
    explicit SourceEspion(std::size_t n) : n_(n) {}

    std::size_t nbLignes() const override { return n_; }
    std::string ligne(std::size_t i) const override {
        demandees.push_back(i);
        if (i >= n_) horsPlage = true;
        if (i < speciales.size() && !speciales[i].empty()) return speciales[i];
        return "Ligne " + std::to_string(i) + " \xE9t\xE9 \x80";
    }
    std::size_t largeurMax() const override { return largeur; }
    std::string extrait(std::size_t i, std::size_t debut, std::size_t longueur) const override {
        extraits.push_back({debut, longueur});
        return SourceLignes::extrait(i, debut, longueur);
    }

    std::size_t n_;
    std::size_t largeur = 200;
    std::vector<std::string> speciales;
    mutable std::vector<std::size_t> demandees;
    mutable std::vector<std::pair<std::size_t, std::size_t>> extraits;
    mutable bool horsPlage = false;
};

QString attendue(std::size_t i) {
    return QString("Ligne %1 \u00E9t\u00E9 \u20AC").arg(static_cast<qulonglong>(i));
}

QString lignesAttendues(std::size_t premiere, std::size_t derniere) {
    QStringList l;
    for (std::size_t i = premiere; i <= derniere; ++i) l << attendue(i);
    return l.join('\n');
}

std::unique_ptr<VueTexte> vueMontree(std::shared_ptr<const SourceLignes> source) {
    auto vue = std::make_unique<VueTexte>();
    vue->resize(500, 300);
    vue->changerSource(std::move(source));
    vue->show();
    if (!QTest::qWaitForWindowExposed(vue.get())) qWarning("fenêtre non exposée");
    return vue;
}

QPoint centreLigne(const VueTexte& vue, int rangVisible) {
    const int h = static_cast<int>(std::ceil(QFontMetricsF(vue.font()).height()));
    return QPoint(20, rangVisible * h + h / 2);
}

void envoyerSouris(QWidget* cible, QEvent::Type type, QPoint pos, Qt::MouseButtons boutons,
                   Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButton bouton = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(pos), QPointF(cible->mapToGlobal(pos)), bouton, boutons, mods);
    QApplication::sendEvent(cible, &ev);
}

int pixelsDifferents(const QImage& image, QRect zone, QColor fond) {
    int n = 0;
    for (int y = zone.top(); y <= zone.bottom(); ++y) {
        for (int x = zone.left(); x <= zone.right(); ++x) {
            if (image.pixelColor(x, y).rgb() != fond.rgb()) ++n;
        }
    }
    return n;
}

}  // namespace

// ---- Windows-1252

void TestVueTexte::texte1252AllerRetourDes256Octets() {
    std::string tous;
    for (int o = 0; o < 256; ++o) tous.push_back(static_cast<char>(o));
    const QString texte = kestrane::depuis1252(tous);
    QCOMPARE(texte.size(), 256);
    QCOMPARE(QSet<QChar>(texte.begin(), texte.end()).size(), 256);  // no two bytes alike
    bool complet = false;
    QCOMPARE(kestrane::vers1252(texte, &complet), tous);
    QVERIFY(complet);

    // Runs of ASCII are widened eight bytes at a time: a byte above 0x7F anywhere in such a
    // run, and tails of every length, must still go through the table.
    for (int longueur = 0; longueur <= 19; ++longueur) {
        for (int place = 0; place <= longueur; ++place) {
            std::string octets(static_cast<std::size_t>(longueur), 'a');
            if (place < longueur) octets[static_cast<std::size_t>(place)] = '\x80';
            QString attendu = "<";
            for (const char o : octets)
                attendu += QChar(kestrane::car1252(static_cast<unsigned char>(o)));
            QString obtenu = "<";
            kestrane::ajouter1252(obtenu, octets);
            QCOMPARE(obtenu, attendu);
        }
    }
}

void TestVueTexte::texte1252Correspondances_data() {
    QTest::addColumn<int>("octet");
    QTest::addColumn<int>("unicode");
    QTest::newRow("NUL") << 0x00 << 0x0000;
    QTest::newRow("A") << 0x41 << 0x0041;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("81 indéfini") << 0x81 << 0x0081;
    QTest::newRow("8D indéfini") << 0x8D << 0x008D;
    QTest::newRow("8F indéfini") << 0x8F << 0x008F;
    QTest::newRow("90 indéfini") << 0x90 << 0x0090;
    QTest::newRow("9D indéfini") << 0x9D << 0x009D;
    QTest::newRow("oe") << 0x9C << 0x0153;
    QTest::newRow("Y tréma") << 0x9F << 0x0178;
    QTest::newRow("espace insécable") << 0xA0 << 0x00A0;
    QTest::newRow("e aigu") << 0xE9 << 0x00E9;
    QTest::newRow("y tréma") << 0xFF << 0x00FF;
}

void TestVueTexte::texte1252Correspondances() {
    QFETCH(int, octet);
    QFETCH(int, unicode);
    const std::string un(1, static_cast<char>(octet));
    QCOMPARE(kestrane::depuis1252(un), QString(QChar(unicode)));
    QCOMPARE(kestrane::car1252(static_cast<unsigned char>(octet)), char16_t(unicode));
}

void TestVueTexte::texte1252NonRepresentable_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<bool>("complet");
    QTest::newRow("accents et euro")
        << QString("d\u00E9j\u00E0 5\u20AC") << QByteArray("d\xE9j\xE0 5\x80") << true;
    QTest::newRow("a macron") << QString("a\u0101b") << QByteArray("a?b") << false;
    QTest::newRow("idéogramme") << QString("\u4E2D") << QByteArray("?") << false;
    QTest::newRow("C1 que 1252 remplace") << QString(QChar(0x80)) << QByteArray("?") << false;
    QTest::newRow("emoji: un seul ?") << QString("x\U0001F600y") << QByteArray("x?y") << false;
}

void TestVueTexte::texte1252NonRepresentable() {
    QFETCH(QString, texte);
    QFETCH(QByteArray, octets);
    QFETCH(bool, complet);
    bool obtenu = !complet;
    QCOMPARE(QByteArray::fromStdString(kestrane::vers1252(texte, &obtenu)), octets);
    QCOMPARE(obtenu, complet);
}

void TestVueTexte::texteAfficheUnCaractereParOctet() {
    const std::string octets("\x00\t\x1F\x7F\x81\xE9z", 7);
    const QString affiche = kestrane::texteAffiche(octets);
    QCOMPARE(affiche.size(), 7);
    QCOMPARE(affiche, QString::fromUtf16(u"\u2400\u2409\u241F\u2421\uFFFD\u00E9z"));
}

// ---- sources

void TestVueTexte::sourceJournalLignesEtLargeur() {
    const SourceJournal lf(kestrane::Journal::depuisTexte("ab\ncdef\nx"));
    QCOMPARE(lf.nbLignes(), std::size_t{3});
    QCOMPARE(lf.largeurMax(), std::size_t{4});
    QCOMPARE(lf.ligne(1), std::string("cdef"));
    QCOMPARE(lf.extrait(1, 1, 2), std::string("de"));
    QCOMPARE(lf.extrait(1, 3, 100), std::string("f"));
    QCOMPARE(lf.extrait(1, 9, 2), std::string());
    QVERIFY(lf.tailleOctets(0, 2) >= std::string("ab\ncdef\nx").size());

    // The widest line is last and unterminated: nothing to take off.
    const SourceJournal derniere(kestrane::Journal::depuisTexte("a\nabcdefg"));
    QCOMPARE(derniere.largeurMax(), std::size_t{7});

    // CR LF may count one column too many, never fewer than the line has.
    const SourceJournal crlf(kestrane::Journal::depuisTexte("ab\r\ncdef\r\n"));
    QCOMPARE(crlf.nbLignes(), std::size_t{2});
    QCOMPARE(crlf.ligne(1), std::string("cdef"));
    QVERIFY(crlf.largeurMax() >= 4 && crlf.largeurMax() <= 5);

    const SourceJournal vide{kestrane::Journal()};
    QCOMPARE(vide.nbLignes(), std::size_t{0});
    QCOMPARE(vide.largeurMax(), std::size_t{0});
}

void TestVueTexte::sourceJournalSurEchantillonReel() {
    const std::string chemin = KESTRANE_ECHANTILLONS "/apache-combined-10k.log";
    if (!std::filesystem::exists(chemin)) QSKIP("échantillon absent");
    const SourceJournal source(kestrane::Journal::charger(chemin));
    QVERIFY(source.nbLignes() > 0);
    std::size_t plusLongue = 0;
    for (std::size_t i = 0; i < source.nbLignes(); ++i) {
        plusLongue = std::max(plusLongue, source.journal().ligne(i).size());
    }
    QVERIFY(source.largeurMax() >= plusLongue);
    QVERIFY(source.largeurMax() <= plusLongue + 1);

    VueTexte vue;
    vue.changerSource(std::make_shared<SourceJournal>(source));
    const std::string_view premiere = source.journal().ligne(0);
    QCOMPARE(vue.texteLigne(0).toStdString(), std::string(premiere.begin(), premiere.end()));
}

// ---- the view

void TestVueTexte::plagesDesBarres() {
    const std::size_t n = 1'000'000;
    auto source = std::make_shared<SourceEspion>(n);
    auto vue = vueMontree(source);
    QVERIFY(vue->verticalScrollBar()->isVisible());
    QVERIFY(vue->horizontalScrollBar()->isVisible());

    const int hauteur = static_cast<int>(std::ceil(QFontMetricsF(vue->font()).height()));
    const int visibles = vue->lignesVisibles();
    QVERIFY(visibles > 1);
    QVERIFY(visibles * hauteur <= vue->viewport()->height());
    QVERIFY((visibles + 1) * hauteur > vue->viewport()->height());
    QCOMPARE(vue->verticalScrollBar()->maximum(), static_cast<int>(n) - visibles);
    QCOMPARE(vue->verticalScrollBar()->pageStep(), visibles);

    // 200 characters do not fit in 500 pixels: the rest is the horizontal range.
    const qreal car = QFontMetricsF(vue->font()).horizontalAdvance('M');
    const int horizontal = vue->horizontalScrollBar()->maximum();
    QVERIFY(horizontal >= 200 * car - vue->viewport()->width());
    QVERIFY(horizontal <= 200 * car - vue->viewport()->width() + 10);

    // A taller view shows more lines and scrolls less.
    vue->resize(500, 600);
    QApplication::processEvents();
    QVERIFY(vue->lignesVisibles() > visibles);
    QCOMPARE(vue->verticalScrollBar()->maximum(), static_cast<int>(n) - vue->lignesVisibles());

    vue->vider();
    QCOMPARE(vue->nbLignes(), std::size_t{0});
    QCOMPARE(vue->verticalScrollBar()->maximum(), 0);
    QCOMPARE(vue->horizontalScrollBar()->maximum(), 0);
    QVERIFY(vue->verticalScrollBar()->isVisible());
    QVERIFY(!vue->grab().isNull());
}

void TestVueTexte::peintureNeLitQueLesLignesVues() {
    const std::size_t n = 1'000'000;
    auto source = std::make_shared<SourceEspion>(n);
    auto vue = vueMontree(source);
    const int visibles = vue->lignesVisibles();

    for (const bool aLaFin : {false, true}) {
        const int valeur = aLaFin ? vue->verticalScrollBar()->maximum() : 0;
        vue->verticalScrollBar()->setValue(valeur);
        QApplication::processEvents();
        source->demandees.clear();
        const QImage image = vue->viewport()->grab().toImage();
        QVERIFY(!image.isNull());

        // The lines in view (and the partly visible one below them), nothing else.
        const auto& d = source->demandees;
        QVERIFY(!d.empty());
        QCOMPARE(*std::min_element(d.begin(), d.end()), std::size_t(valeur));
        QVERIFY(*std::max_element(d.begin(), d.end()) <= std::size_t(valeur + visibles));
        QVERIFY(d.size() <= std::size_t(visibles + 1));
        QVERIFY(std::size_t(valeur + visibles) <= n);
        if (aLaFin) QCOMPARE(*std::max_element(d.begin(), d.end()), n - 1);
        QVERIFY(!source->horsPlage);
        // Text was drawn.
        QVERIFY(pixelsDifferents(image, image.rect(), vue->fond()) > 100);
    }
}

void TestVueTexte::clavierEtMolette() {
    auto source = std::make_shared<SourceEspion>(1'000'000);
    auto vue = vueMontree(source);
    QScrollBar* v = vue->verticalScrollBar();
    QScrollBar* h = vue->horizontalScrollBar();
    const int page = vue->lignesVisibles();
    const int fin = v->maximum();

    struct Etape {
        Qt::Key touche;
        Qt::KeyboardModifiers mods;
        int attendue;
    };
    const Etape etapes[] = {
        {Qt::Key_Down, Qt::NoModifier, 1},     {Qt::Key_Down, Qt::NoModifier, 2},
        {Qt::Key_Up, Qt::NoModifier, 1},       {Qt::Key_PageDown, Qt::NoModifier, 1 + page},
        {Qt::Key_PageUp, Qt::NoModifier, 1},   {Qt::Key_PageUp, Qt::NoModifier, 0},
        {Qt::Key_Up, Qt::NoModifier, 0},       {Qt::Key_End, Qt::ControlModifier, fin},
        {Qt::Key_Down, Qt::NoModifier, fin},   {Qt::Key_PageDown, Qt::NoModifier, fin},
        {Qt::Key_Up, Qt::NoModifier, fin - 1}, {Qt::Key_Home, Qt::ControlModifier, 0},
    };
    for (const Etape& e : etapes) {
        QTest::keyClick(vue.get(), e.touche, e.mods);
        QCOMPARE(v->value(), e.attendue);
    }

    // Left and Right scroll sideways without moving the lines; Home and End go to the edges.
    QTest::keyClick(vue.get(), Qt::Key_Right);
    const int pas = h->value();
    QVERIFY(pas > 0);
    QTest::keyClick(vue.get(), Qt::Key_Right);
    QCOMPARE(h->value(), 2 * pas);
    QTest::keyClick(vue.get(), Qt::Key_Left);
    QCOMPARE(h->value(), pas);
    QTest::keyClick(vue.get(), Qt::Key_End);
    QCOMPARE(h->value(), h->maximum());
    QTest::keyClick(vue.get(), Qt::Key_Home);
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->value(), 0);

    // One wheel notch down: three lines.
    const QPoint pos(50, 50);
    QWheelEvent molette(QPointF(pos), QPointF(vue->viewport()->mapToGlobal(pos)), QPoint(),
                        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vue->viewport(), &molette);
    QCOMPARE(v->value(), QApplication::wheelScrollLines());
}

void TestVueTexte::selectionALaSourisEtCopie() {
    auto source = std::make_shared<SourceEspion>(50);
    auto vue = vueMontree(source);
    QWidget* zone = vue->viewport();
    QClipboard* presse = QGuiApplication::clipboard();

    // Click then Shift+click: the lines between, both ends included, whatever the order.
    envoyerSouris(zone, QEvent::MouseButtonPress, centreLigne(*vue, 5), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseButtonRelease, centreLigne(*vue, 5), Qt::NoButton);
    envoyerSouris(zone, QEvent::MouseButtonPress, centreLigne(*vue, 2), Qt::LeftButton,
                  Qt::ShiftModifier);
    envoyerSouris(zone, QEvent::MouseButtonRelease, centreLigne(*vue, 2), Qt::NoButton,
                  Qt::ShiftModifier);
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(presse->text(), lignesAttendues(2, 5));

    // A plain click starts over with one line; in a scrolled view it is counted from the top.
    vue->verticalScrollBar()->setValue(10);
    envoyerSouris(zone, QEvent::MouseButtonPress, centreLigne(*vue, 0), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseButtonRelease, centreLigne(*vue, 0), Qt::NoButton);
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(presse->text(), attendue(10));

    // Dragging extends, back and forth.
    envoyerSouris(zone, QEvent::MouseButtonPress, centreLigne(*vue, 1), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseMove, centreLigne(*vue, 6), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseMove, centreLigne(*vue, 3), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseButtonRelease, centreLigne(*vue, 3), Qt::NoButton);
    // Moving without the button pressed changes nothing.
    envoyerSouris(zone, QEvent::MouseMove, centreLigne(*vue, 8), Qt::NoButton);
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(presse->text(), lignesAttendues(11, 13));

    // Dragging above the view scrolls up and takes the lines it uncovers.
    envoyerSouris(zone, QEvent::MouseButtonPress, centreLigne(*vue, 0), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseMove, QPoint(20, -5), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseMove, QPoint(20, -5), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseButtonRelease, QPoint(20, -5), Qt::NoButton);
    QCOMPARE(vue->verticalScrollBar()->value(), 8);
    QCOMPARE(vue->premiereSelectionnee(), std::size_t{8});
    QCOMPARE(vue->derniereSelectionnee(), std::size_t{10});

    // Selected lines are painted in the highlight colour.
    const QImage image = zone->grab().toImage();
    const QColor surbrillance = vue->palette().color(QPalette::Highlight);
    QCOMPARE(image.pixelColor(zone->width() - 3, centreLigne(*vue, 1).y()).rgb(),
             surbrillance.rgb());
    QCOMPARE(image.pixelColor(zone->width() - 3, centreLigne(*vue, 4).y()).rgb(),
             vue->fond().rgb());

    // Below the last line a click takes the last line.
    auto courte = std::make_shared<SourceEspion>(3);
    vue->changerSource(courte);
    envoyerSouris(zone, QEvent::MouseButtonPress, centreLigne(*vue, 10), Qt::LeftButton);
    envoyerSouris(zone, QEvent::MouseButtonRelease, centreLigne(*vue, 10), Qt::NoButton);
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(presse->text(), attendue(2));
}

void TestVueTexte::toutSelectionnerEtCopierAuClavier() {
    const std::size_t n = 1'000'000;
    auto source = std::make_shared<SourceEspion>(n);
    auto vue = vueMontree(source);
    QTest::keyClick(vue.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(vue->premiereSelectionnee(), std::size_t{0});
    QCOMPARE(vue->derniereSelectionnee(), n - 1);
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);

    const QString texte = QGuiApplication::clipboard()->text();
    QCOMPARE(texte.count('\n'), qsizetype(n - 1));
    QVERIFY(texte.startsWith(attendue(0) + '\n' + attendue(1) + '\n'));
    QVERIFY(texte.endsWith('\n' + attendue(n - 1)));
    // Every line asked for exactly once.
    QCOMPARE(std::count(source->demandees.begin(), source->demandees.end(), n / 2), 1);
}

void TestVueTexte::menuContextuel() {
    auto source = std::make_shared<SourceEspion>(4);
    auto vue = vueMontree(source);
    QGuiApplication::clipboard()->setText("avant");

    auto ouvrir = [&]() -> QMenu* {
        const QPoint pos(30, 30);
        QContextMenuEvent ev(QContextMenuEvent::Mouse, pos, vue->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(vue->viewport(), &ev);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    auto action = [](QMenu* menu, const QString& texte) -> QAction* {
        for (QAction* a : menu->actions()) {
            if (a->text() == texte) return a;
        }
        return nullptr;
    };

    QMenu* menu = ouvrir();
    QVERIFY(menu);
    QAction* copier = action(menu, "Copier");
    QAction* tout = action(menu, "Tout sélectionner");
    QVERIFY(copier && tout);
    QVERIFY(!copier->isEnabled());  // nothing selected yet
    QVERIFY(tout->isEnabled());
    tout->trigger();
    menu->close();

    menu = ouvrir();
    QVERIFY(menu);
    copier = action(menu, "Copier");
    QVERIFY(copier && copier->isEnabled());
    copier->trigger();
    menu->close();
    QCOMPARE(QGuiApplication::clipboard()->text(), lignesAttendues(0, 3));
}

void TestVueTexte::changerSourceRepartDuHaut() {
    auto vue = vueMontree(std::make_shared<SourceEspion>(1000));
    vue->verticalScrollBar()->setValue(500);
    vue->horizontalScrollBar()->setValue(vue->horizontalScrollBar()->maximum());
    vue->selectionner(500, 510);

    vue->changerSource(std::make_shared<SourceEspion>(2000));
    QCOMPARE(vue->verticalScrollBar()->value(), 0);
    QCOMPARE(vue->horizontalScrollBar()->value(), 0);
    QVERIFY(!vue->aSelection());
    QGuiApplication::clipboard()->setText("avant");
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("avant"));
}

void TestVueTexte::octetsDeControleEtLigneDeUnMo() {
    auto source = std::make_shared<SourceEspion>(5);
    source->speciales = {std::string("\0\0\0\0\0\0\0\0", 8), std::string("a\tb\0c\x1b[0m\x7F", 11),
                         std::string(1'000'000, 'x') + "FIN", "\x81\x8D\x8F\x90\x9D"};
    source->largeur = 1'000'003;
    auto vue = vueMontree(source);

    // The copy keeps every byte as it was.
    QCOMPARE(vue->texteLigne(1), QString::fromUtf16(u"a\tb\0c\u001b[0m\u007F", 11));
    QCOMPARE(vue->texteLigne(2).size(), 1'000'003);

    const QImage debut = vue->viewport()->grab().toImage();
    // The NULs of line 0 show as something rather than nothing.
    const int h = static_cast<int>(std::ceil(QFontMetricsF(vue->font()).height()));
    QVERIFY(pixelsDifferents(debut, QRect(0, 0, 60, h), vue->fond()) > 0);

    // Only the columns in view are read, at the start and at the far end of the 1 MB line.
    const qreal car = QFontMetricsF(vue->font()).horizontalAdvance('M');
    const auto colonnes = static_cast<std::size_t>(vue->viewport()->width() / car) + 3;
    QVERIFY(!source->extraits.empty());
    for (const auto& [d, l] : source->extraits) QVERIFY(l <= colonnes);

    QTest::keyClick(vue.get(), Qt::Key_End);
    source->extraits.clear();
    const QImage fin = vue->viewport()->grab().toImage();
    QVERIFY(!fin.isNull());
    QVERIFY(!source->extraits.empty());
    for (const auto& [d, l] : source->extraits) {
        QVERIFY(l <= colonnes);
        QVERIFY(d + colonnes >= 1'000'003);
    }
    // The end of the long line ("FIN") is on screen.
    QVERIFY(pixelsDifferents(fin, QRect(0, 2 * h, fin.width(), h), vue->fond()) > 0);
}

void TestVueTexte::sourceQuiRetrecitEntreDeuxPeintures() {
    auto source = std::make_shared<SourceEspion>(1000);
    auto vue = vueMontree(source);
    vue->verticalScrollBar()->setValue(vue->verticalScrollBar()->maximum());
    vue->selectionner(990, 999);

    source->n_ = 10;
    source->demandees.clear();
    QVERIFY(!vue->viewport()->grab().isNull());
    QVERIFY(!source->horsPlage);
    QVERIFY(source->demandees.empty());

    // The view catches up by itself on the next turn of the event loop.
    QApplication::processEvents();
    QCOMPARE(vue->verticalScrollBar()->maximum(), std::max(0, 10 - vue->lignesVisibles()));
    QCOMPARE(vue->derniereSelectionnee(), std::size_t{9});
    QTest::keyClick(vue.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), attendue(9));
    QVERIFY(!source->horsPlage);

    source->n_ = 0;
    vue->actualiser();
    QVERIFY(!vue->aSelection());
    QVERIFY(!vue->viewport()->grab().isNull());
    QVERIFY(!source->horsPlage);
}

void TestVueTexte::fondDeLaVue() {
    const QColor ciel(166, 202, 240);
    auto vue = vueMontree(std::make_shared<kestrane::SourceVide>());
    vue->changerFond(ciel);
    QCOMPARE(vue->fond(), ciel);
    QImage image = vue->viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).rgb(), ciel.rgb());

    // Under the last of a few lines, and the lines keep the colour as background too.
    vue->changerSource(std::make_shared<SourceEspion>(2));
    image = vue->viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() - 5).rgb(), ciel.rgb());
    QCOMPARE(image.pixelColor(image.width() - 3, centreLigne(*vue, 0).y()).rgb(), ciel.rgb());
}

KESTRANE_TEST_UI(TestVueTexte);
