#include "ui/dialogues/DialogueFormat.h"

#include <QBrush>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <optional>

#include "core/analyse/AnalyseFormat.h"
#include "core/journal/Erreur.h"
#include "ui/vues/Couleurs.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

const char16_t* const kColonnes[] = {
    u"Ligne",  u"Client",     u"Date",       u"Requ\u00eate", u"Statut",
    u"Octets", u"Provenance", u"Navigateur", u"Syst\u00e8me", u"Autres champs"};

}  // namespace

DialogueFormat::DialogueFormat(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogueFormat"));
    setWindowTitle(QStringLiteral("Format du journal"));
    auto* l = new QVBoxLayout(this);
    listeFormats = new QListWidget;
    listeFormats->setObjectName(QStringLiteral("listeFormats"));
    for (const FormatPropose& f : formatsProposes()) {
        auto* item = new QListWidgetItem(depuis1252(f.libelle));
        item->setData(Qt::UserRole, QString::fromLatin1(f.nom.data(), qsizetype(f.nom.size())));
        listeFormats->addItem(item);
    }
    listeFormats->setMaximumHeight(listeFormats->sizeHintForRow(0) * 10);
    l->addWidget(listeFormats);
    l->addWidget(new QLabel(QStringLiteral(
        "Cha\u00eene de format (LogFormat d'Apache ou log_format de nginx, telle quelle) :")));
    editChaine = new QLineEdit;
    editChaine->setObjectName(QStringLiteral("editChaine"));
    l->addWidget(editChaine);
    etiquetteErreur = new QLabel;
    etiquetteErreur->setObjectName(QStringLiteral("etiquetteErreur"));
    // Red, as light as a dark palette needs.
    etiquetteErreur->setStyleSheet(
        QStringLiteral("color: ") +
        couleurLisible(QColor(0xb0, 0, 0), palette().color(QPalette::Window)).name());
    etiquetteErreur->setTextFormat(Qt::PlainText);
    l->addWidget(etiquetteErreur);
    etiquetteDetecte = new QLabel;
    etiquetteDetecte->setObjectName(QStringLiteral("etiquetteDetecte"));
    etiquetteDetecte->setTextFormat(Qt::PlainText);
    l->addWidget(etiquetteDetecte);
    grilleApercu = new QTableWidget(0, int(std::size(kColonnes)));
    grilleApercu->setObjectName(QStringLiteral("grilleApercu"));
    QStringList entetes;
    for (const char16_t* c : kColonnes) entetes << QString::fromUtf16(c);
    grilleApercu->setHorizontalHeaderLabels(entetes);
    grilleApercu->verticalHeader()->hide();
    grilleApercu->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grilleApercu->setWordWrap(false);
    l->addWidget(grilleApercu, 1);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    boutons->setObjectName(QStringLiteral("boutonsFormat"));
    l->addWidget(boutons);
    connect(boutons, &QDialogButtonBox::accepted, this, &DialogueFormat::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(listeFormats, &QListWidget::currentRowChanged, this, [this] { actualiser(); });
    connect(editChaine, &QLineEdit::textEdited, this, [this] {
        // Typing a string chooses the custom format.
        listeFormats->blockSignals(true);
        listeFormats->setCurrentRow(listeFormats->count() - 1);
        listeFormats->blockSignals(false);
        actualiser();
    });
    resize(960, 560);
}

void DialogueFormat::preparer(const QString& choix, const Journal& journal) {
    journal_ = journal;
    int rang = 0;
    QString chaine;
    const std::string octets = vers1252(choix);
    if (const FormatPropose* f = trouverFormatPropose(octets)) {
        rang = int(f - formatsProposes().data());
    } else if (!choix.isEmpty()) {
        rang = listeFormats->count() - 1;
        chaine = choix;
    }
    editChaine->setText(chaine);
    listeFormats->blockSignals(true);
    listeFormats->setCurrentRow(rang);
    listeFormats->blockSignals(false);
    actualiser();
}

QString DialogueFormat::choix() const {
    const QListWidgetItem* item = listeFormats->currentItem();
    const QString nom = item ? item->data(Qt::UserRole).toString() : QString();
    return nom.isEmpty() && item ? editChaine->text().trimmed() : nom;
}

QString DialogueFormat::erreur() const {
    return erreur_;
}

void DialogueFormat::actualiser() {
    erreur_.clear();
    etiquetteDetecte->clear();
    grilleApercu->clearSpans();
    grilleApercu->setRowCount(0);
    std::optional<FormatJournal> format;
    const QString c = choix();
    try {
        format = resoudreFormat(vers1252(c));
        if (!format) {
            format = formatDetecte(journal_);
            etiquetteDetecte->setText(QStringLiteral("Format d\u00e9tect\u00e9 : ") +
                                      depuis1252(format->libelle()));
        }
    } catch (const ErreurKestrane& e) {
        erreur_ = depuis1252(e.message());
    }
    etiquetteErreur->setText(erreur_);
    if (!format) return;
    const std::vector<LigneApercu> lignes = apercuFormat(journal_, *format);
    grilleApercu->setRowCount(int(lignes.size()));
    const QBrush rouge(
        couleurLisible(QColor(0xb0, 0, 0), grilleApercu->palette().color(QPalette::Base)));
    for (int k = 0; k < int(lignes.size()); ++k) {
        const LigneApercu& a = lignes[std::size_t(k)];
        grilleApercu->setItem(k, 0, new QTableWidgetItem(QString::number(a.numero + 1)));
        if (a.nature != LigneApercu::Requete) {
            // The line as written, after why it does not read.
            QString texte = depuis1252(a.champs.front());
            if (a.nature == LigneApercu::NonConforme) {
                texte = depuis1252(a.raison) + QStringLiteral(" : ") + texte;
            }
            auto* item = new QTableWidgetItem(texte);
            if (a.nature == LigneApercu::NonConforme) item->setForeground(rouge);
            grilleApercu->item(k, 0)->setForeground(item->foreground());
            grilleApercu->setItem(k, 1, item);
            grilleApercu->setSpan(k, 1, 1, grilleApercu->columnCount() - 1);
            continue;
        }
        for (int c2 = 0; c2 < int(a.champs.size()); ++c2) {
            grilleApercu->setItem(k, c2 + 1,
                                  new QTableWidgetItem(depuis1252(a.champs[std::size_t(c2)])));
        }
    }
    grilleApercu->resizeColumnsToContents();
}

void DialogueFormat::accept() {
    actualiser();
    // A string that cannot be used: the message stays shown, the format in use unchanged.
    if (!erreur_.isEmpty()) return;
    QDialog::accept();
}

}  // namespace kestrane
