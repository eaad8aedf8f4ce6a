#include "ui/dialogues/LignesIgnorees.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QVBoxLayout>

#include "core/lecture/LectureFormatee.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

const QString kCleOption = QStringLiteral("analyse/ignorerLignesNonConformes");
// How much of a skipped line the list shows.
constexpr std::size_t kDebutMontre = 100;

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

// A line's start as one row of the list: control bytes (a binary file's) would break the rows
// or vanish, they show as a replacement character.
QString debutLisible(std::string_view ligne) {
    QString s = depuis1252(ligne.substr(0, kDebutMontre));
    for (QChar& c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QChar(0xFFFD);
    }
    if (ligne.size() > kDebutMontre) s += QStringLiteral("...");
    return s;
}

}  // namespace

QString suffixeLignesIgnorees(std::size_t ignorees, std::size_t total) {
    if (ignorees == 0) return {};
    QString s = QStringLiteral(" (") +
                quantiteTexte(static_cast<int64_t>(ignorees), "ligne ignor\u00e9e",
                              "lignes ignor\u00e9es") +
                QStringLiteral(" sur ") + QString::number(total) + QLatin1Char(')');
    // Most lines of another format fail: say so, rather than leave empty tables unexplained.
    if (ignorees > total - ignorees) s += QStringLiteral(" : format non reconnu ?");
    return s;
}

OptionLignesIgnorees::OptionLignesIgnorees(QMenu* outils, QMenu* edition, QWidget* fenetre)
    : QObject(fenetre), fenetre_(fenetre) {
    outils->addSeparator()->setObjectName(QStringLiteral("N4"));
    menuIgnorerLignes_ = outils->addAction(QStringLiteral("&Ignorer les lignes non conformes"));
    menuIgnorerLignes_->setObjectName(QStringLiteral("menuIgnorerLignes"));
    menuIgnorerLignes_->setCheckable(true);
    menuIgnorerLignes_->setChecked(reglages().value(kCleOption, false).toBool());
    connect(menuIgnorerLignes_, &QAction::toggled, this,
            [](bool coche) { reglages().setValue(kCleOption, coche); });

    menuLignesIgnorees_ = edition->addAction(QStringLiteral("Lignes &ignor\u00e9es..."));
    menuLignesIgnorees_->setObjectName(QStringLiteral("menuLignesIgnorees"));
    menuLignesIgnorees_->setEnabled(false);
    connect(menuLignesIgnorees_, &QAction::triggered, this, [this] { montrerListe(); });
}

bool OptionLignesIgnorees::active() const {
    return menuIgnorerLignes_->isChecked();
}

void OptionLignesIgnorees::retenir(const TableauLog& enregistrements) {
    derniere_ = enregistrements.souple() ? enregistrements : TableauLog();
    menuLignesIgnorees_->setEnabled(derniere_.nbIgnorees() > 0);
    if (dialogue_) dialogue_->close();
}

QString OptionLignesIgnorees::suffixe() const {
    return suffixeLignesIgnorees(derniere_.nbIgnorees(), derniere_.journal().nbLignes());
}

void OptionLignesIgnorees::oublier() {
    derniere_ = TableauLog();
    menuLignesIgnorees_->setEnabled(false);
    if (dialogue_) dialogue_->close();
}

QString OptionLignesIgnorees::texteListe() const {
    const auto& liste = derniere_.premieresIgnorees();
    QString s = quantiteTexte(static_cast<int64_t>(derniere_.nbIgnorees()), "ligne ignor\u00e9e",
                              "lignes ignor\u00e9es") +
                QStringLiteral(" sur ") + QString::number(derniere_.journal().nbLignes());
    if (liste.size() < derniere_.nbIgnorees()) {
        s += liste.size() > 1
                 ? QStringLiteral(" (les %1 premi\u00e8res sont list\u00e9es)").arg(liste.size())
                 : QStringLiteral(" (la premi\u00e8re est list\u00e9e)");
    }
    // A format naming the virtual host: which site each line was sent to.
    const bool hotes = porteHote(derniere_.format());
    s += hotes ? QStringLiteral("\nLigne\tRaison\tH\u00f4te virtuel\tD\u00e9but de la ligne\n")
               : QStringLiteral("\nLigne\tRaison\tD\u00e9but de la ligne\n");
    for (const LigneIgnoree& l : liste) {
        // Numbered from 1, as editors number lines.
        s += QString::number(l.numero + 1) + QLatin1Char('\t') + depuis1252(l.raison) +
             QLatin1Char('\t');
        if (hotes) {
            s += (l.hote.empty() ? QStringLiteral("-") : debutLisible(l.hote)) + QLatin1Char('\t');
        }
        s += debutLisible(derniere_.journal().ligne(l.numero)) + QLatin1Char('\n');
    }
    return s;
}

void OptionLignesIgnorees::montrerListe() {
    if (!dialogue_) {
        auto* d = new QDialog(fenetre_);
        d->setObjectName(QStringLiteral("dialogueLignesIgnorees"));
        d->setWindowTitle(QStringLiteral("Lignes ignor\u00e9es - Kestrane"));
        d->setAttribute(Qt::WA_DeleteOnClose);
        auto* texte = new QPlainTextEdit(d);
        texte->setObjectName(QStringLiteral("texteLignesIgnorees"));
        texte->setReadOnly(true);
        texte->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        texte->setLineWrapMode(QPlainTextEdit::NoWrap);
        texte->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        auto* boutons = new QDialogButtonBox(QDialogButtonBox::Close, d);
        connect(boutons, &QDialogButtonBox::rejected, d, &QDialog::close);
        auto* page = new QVBoxLayout(d);
        page->addWidget(texte);
        page->addWidget(boutons);
        d->resize(760, 420);
        dialogue_ = d;
    }
    dialogue_->findChild<QPlainTextEdit*>(QStringLiteral("texteLignesIgnorees"))
        ->setPlainText(texteListe());
    dialogue_->show();
    dialogue_->raise();
    dialogue_->activateWindow();
}

}  // namespace kestrane
