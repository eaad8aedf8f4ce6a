#include "tests/ui/test_accessibilite.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
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

KESTRANE_TEST_UI(TestAccessibilite);
