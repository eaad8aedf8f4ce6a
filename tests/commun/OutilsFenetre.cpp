#include "tests/commun/OutilsFenetre.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>

#include "ui/pages/rapport/PageRapport.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"

namespace kestrane::tests {

QByteArray lire(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return "<illisible>";
    return f.readAll();
}

QByteArray journal(const std::vector<std::string>& lignes) {
    QByteArray texte;
    for (const std::string& l : lignes) texte += QByteArray::fromStdString(l) + '\n';
    return texte;
}

void DossierDeTest::renouveler() {
    dossier_.reset(new QTemporaryDir);
}

bool DossierDeTest::valide() const {
    return dossier_ && dossier_->isValid();
}

QString DossierDeTest::racine() const {
    return dossier_->path();
}

QString DossierDeTest::chemin(const QString& nom) const {
    return dossier_->filePath(nom);
}

QString DossierDeTest::ecrire(const QString& nom, const QByteArray& octets) const {
    const QString c = chemin(nom);
    QFile f(c);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size()) {
        qFatal("cannot write a test file");
    }
    return c;
}

QString texteAffiche(const QString& texte) {
    if (!Qt::mightBeRichText(texte)) return texte;
    QTextDocument d;
    d.setHtml(texte);
    return d.toPlainText().replace(QChar(0x2028), QLatin1Char('\n'));
}

void charger(TForm1& w, const QString& chemin) {
    w.dialogOuvrir.repondreProchaineFois(chemin);
    controle<QAction>(w, "menuChargerJournal")->trigger();
}

void analyser(TForm1& w) {
    QTest::mouseClick(controle<QPushButton>(w, "btAnalyser"), Qt::LeftButton);
}

QStringList cellules(const TForm1& w, const char* grille) {
    const GrilleRapport& g = *controle<GrilleRapportQt>(*pageRapport(w), grille);
    QStringList texte;
    for (int l = 1; l < g.nbLignes(); ++l)
        texte << depuis1252(g.cellule(0, l) + "|" + g.cellule(1, l));
    return texte;
}

}  // namespace kestrane::tests
