#include "tests/ui/test_accessibilite.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/vues/Couleurs.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::Fenetre;

namespace {

bool interactif(const QWidget* w) {
    // A grid's headers and a spin box's field are read as parts of their control.
    if (qobject_cast<const QHeaderView*>(w) || qobject_cast<const QAbstractSpinBox*>(w->parent())) {
        return false;
    }
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QGraphicsView*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const VueTexte*>(w);
}

// What a screen reader hears of a widget: its name, and the path to it when it has none.
QString sansNom(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a && !a->text(QAccessible::Name).trimmed().isEmpty()) return {};
    QString chemin = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                               : w->objectName();
    for (QWidget* p = w->parentWidget(); p && p->objectName().isEmpty(); p = p->parentWidget()) {
        chemin = QString::fromLatin1(p->metaObject()->className()) + '/' + chemin;
    }
    return chemin;
}

}  // namespace

void TestAccessibilite::init() {
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestAccessibilite::chaqueControleANomEtClavier() {
    Fenetre f;
    controle<QAction>(f.form, "menuAfficherComplements")->setChecked(true);
    f.form.resize(1200, 900);
    f.form.show();
    tests::charger(f.form, QStringLiteral(KESTRANE_ACCES_5000));
    tests::analyser(f.form);
    QStringList sansNoms, sansFocus;
    const auto examiner = [&] {
        QCoreApplication::processEvents();
        for (QWidget* w : f.form.findChildren<QWidget*>()) {
            if (!interactif(w) || !w->isVisibleTo(&f.form) || !w->isEnabled()) continue;
            if (QString n = sansNom(w); !n.isEmpty() && !sansNoms.contains(n)) sansNoms << n;
            if (!(w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QGraphicsView*>(w) &&
                !sansFocus.contains(w->objectName())) {
                sansFocus << w->objectName();
            }
        }
    };
    auto* pages = controle<QTabWidget>(f.form, "PageControl1");
    for (int p = 0; p < pages->count(); ++p) {
        if (!pages->isTabVisible(p)) continue;
        pages->setCurrentIndex(p);
        if (QString n = sansNom(pages->widget(p)); !n.isEmpty()) sansNoms << "page " + n;
        examiner();
        // The page's own tabs, one by one.
        for (QTabWidget* onglets : pages->widget(p)->findChildren<QTabWidget*>()) {
            for (int k = 0; k < onglets->count(); ++k) {
                onglets->setCurrentIndex(k);
                examiner();
            }
        }
    }
    QStringList sansTouche;
    for (QAction* a : f.form.menuBar()->findChildren<QAction*>()) {
        if (a->isSeparator() || a->menu() || a->text().isEmpty()) continue;
        if (!a->text().contains('&') && a->shortcut().isEmpty()) sansTouche << a->text();
    }
    const QString bilan = "sans nom : " + sansNoms.join(", ") +
                          "\nhors du clavier : " + sansFocus.join(", ") +
                          "\ncommandes sans touche : " + sansTouche.join(", ");
    QVERIFY2(sansNoms.isEmpty() && sansFocus.isEmpty() && sansTouche.isEmpty(), qPrintable(bilan));
}

void TestAccessibilite::lisibleSurUnePaletteSombre() {
    // Any colour wanted, on any background: readable, and itself whenever it already was.
    for (const QColor voulue : {QColor(0xb0, 0, 0), QColor(Qt::black), QColor(Qt::white),
                                QColor(0x3b, 0x78, 0xc4), QColor(166, 202, 240)}) {
        for (int r = 0; r < 256; r += 51) {
            for (int g = 0; g < 256; g += 51) {
                for (int b = 0; b < 256; b += 51) {
                    const QColor fond(r, g, b);
                    const QColor lisible = couleurLisible(voulue, fond);
                    QVERIFY2(contraste(lisible, fond) >= 4.5, qPrintable(fond.name()));
                    if (contraste(voulue, fond) >= 4.5) QCOMPARE(lisible, voulue);
                }
            }
        }
    }
    // The detail view keeps its light blue; its text turns dark on it, whatever the palette.
    const QPalette avant = QApplication::palette();
    // A dark desktop's palette: its shades made from its button and window colours.
    QPalette sombre(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
    sombre.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        sombre.setColor(role, QColor(0xe8, 0xe8, 0xe8));
    }
    QApplication::setPalette(sombre);
    {
        Fenetre f;
        f.form.resize(1200, 900);
        f.form.show();
        tests::charger(f.form, QStringLiteral(KESTRANE_ACCES_5000));
        tests::analyser(f.form);
        for (const char* nom : {"Memo1", "RichEdit1"}) {
            const QPalette p = controle<VueTexte>(f.form, nom)->viewport()->palette();
            QVERIFY2(contraste(p.color(QPalette::Text), p.color(QPalette::Base)) >= 4.5, nom);
        }
        QCOMPARE(
            controle<VueTexte>(f.form, "RichEdit1")->viewport()->palette().color(QPalette::Base),
            QColor(166, 202, 240));
        // Every label shown, on every page, against what it is drawn on.
        QStringList illisibles;
        auto* pages = controle<QTabWidget>(f.form, "PageControl1");
        for (int p = 0; p < pages->count(); ++p) {
            if (!pages->isTabVisible(p)) continue;
            pages->setCurrentIndex(p);
            QCoreApplication::processEvents();
            for (QLabel* l : f.form.findChildren<QLabel*>()) {
                if (!l->isVisibleTo(&f.form) || !l->isEnabled() || l->text().isEmpty()) continue;
                QWidget* fond = l;
                while (fond->parentWidget() && !fond->autoFillBackground()) {
                    fond = fond->parentWidget();
                }
                const double c = contraste(l->palette().color(l->foregroundRole()),
                                           fond->palette().color(fond->backgroundRole()));
                if (c < 3) illisibles << l->objectName() + " " + l->text().left(20);
            }
        }
        QVERIFY2(illisibles.isEmpty(), qPrintable(illisibles.join(", ")));
    }
    QApplication::setPalette(avant);
}

KESTRANE_TEST_UI(TestAccessibilite);
