#include "ui/dialogues/Dialogues.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// The dialog of Qt, which in the mode where a typed name need not exist keeps only the first of
// several files selected: several are taken here as they are, one is left to the dialog.
class DialogueQt : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;
    QStringList choisis;

    void permettrePlusieurs() {
        for (auto* vue : findChildren<QAbstractItemView*>()) {
            if (vue->objectName() == QLatin1String("listView") ||
                vue->objectName() == QLatin1String("treeView")) {
                vue->setSelectionMode(QAbstractItemView::ExtendedSelection);
            }
        }
    }

  protected:
    void accept() override {
        const QStringList fichiers = selectedFiles();
        if (fichiers.size() > 1 &&
            std::none_of(fichiers.begin(), fichiers.end(),
                         [](const QString& f) { return QFileInfo(f).isDir(); })) {
            choisis = fichiers;
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

}  // namespace

void DialogueFichier::changerNomsFichiers(const QStringList& noms) {
    nomsFichiers_ = noms;
    nomFichier_ = noms.isEmpty() ? QString() : noms.constFirst();
}

QStringList DialogueFichier::filtresQt(const QString& filtre) {
    const QStringList parties = filtre.split(QLatin1Char('|'));
    QStringList filtres;
    for (qsizetype k = 0; k + 1 < parties.size(); k += 2) {
        QString motifs = parties[k + 1];
        motifs.replace(QLatin1Char(';'), QLatin1Char(' '));
        filtres << QStringLiteral("%1 (%2)").arg(parties[k], motifs);
    }
    return filtres;
}

bool DialogueFichier::executer(QWidget* parent) {
    if (reponsePreparee_) {
        reponsePreparee_ = false;
        if (!reponse_ || reponse_->isEmpty()) return false;
        changerNomsFichiers(*reponse_);
        return true;
    }
    DialogueQt d(parent, titre_);
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setOption(QFileDialog::ReadOnly, false);
    if (sorte_ == Sorte::ouvrir) {
        // The typed name need not exist: the load reports what reading it gives.
        d.setAcceptMode(QFileDialog::AcceptOpen);
        d.setFileMode(QFileDialog::AnyFile);
        if (plusieurs_) d.permettrePlusieurs();
    } else {
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setFileMode(QFileDialog::AnyFile);
    }
    const QStringList filtres = filtresQt(filtre_);
    d.setNameFilters(filtres);
    if (filtreChoisi_ >= 0 && filtreChoisi_ < filtres.size()) {
        d.selectNameFilter(filtres[filtreChoisi_]);
    }
    if (!nomFichier_.isEmpty()) d.selectFile(nomFichier_);
    if (d.exec() != QDialog::Accepted) return false;
    const QStringList choisis = d.choisis.isEmpty() ? d.selectedFiles() : d.choisis;
    if (choisis.isEmpty()) return false;
    if (d.choisis.isEmpty()) {
        changerNomFichier(choisis.constFirst());
    } else {
        changerNomsFichiers(choisis);
    }
    filtreChoisi_ = static_cast<int>(filtres.indexOf(d.selectedNameFilter()));
    return true;
}

void BoitesMessages::erreur(QWidget* parent, const QString& texte) {
    // A text cut out of a log may hold control bytes (a binary file's NUL, DEL...): shown as
    // their control pictures, as the journal view shows them, the message stays whole.
    const QString affiche = controlesVisibles(texte);
    if (enregistrer) {
        erreurs << affiche;
        if (pendant) pendant();
        return;
    }
    QMessageBox b(QMessageBox::Critical, QStringLiteral("Kestrane"), QString(), QMessageBox::Ok,
                  parent);
    // The text may quote a log or a file name: never read as markup.
    b.setTextFormat(Qt::PlainText);
    b.setText(affiche);
    b.exec();
}

void BoitesMessages::information(QWidget* parent, const QString& texte) {
    if (enregistrer) {
        informations << texte;
        return;
    }
    QMessageBox b(QMessageBox::NoIcon, QStringLiteral("Kestrane"), QString(), QMessageBox::Ok,
                  parent);
    b.setTextFormat(Qt::PlainText);
    b.setText(texte);
    b.exec();
}

QString avecPointFinal(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

}  // namespace kestrane
