// The window's file commands: load a journal, save it under another name, export the analysis.
// The file's bytes are read and written on another thread while the window keeps painting.
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <memory>
#include <string>

#include "log/Erreur.h"
#include "log/FichierAtomique.h"
#include "log/TableauLog.h"
#include "ui/PageStatistiques.h"
#include "ui/SourceJournal.h"
#include "ui/Texte1252.h"
#include "ui/UFormPrincipale.h"
#include "ui/VueTexte.h"

namespace kestrane {

namespace {

// The core's message again, with the path as the user typed it (the core has its bytes).
QString messageFichier(const QString& chemin, const ErreurFichier& e) {
    return depuis1252(e.debut()) + QLatin1Char('"') + chemin + QStringLiteral("\". ") +
           QString::fromLocal8Bit(e.description());
}

std::string cheminSysteme(const QString& chemin) {
    return QFile::encodeName(chemin).toStdString();
}

}  // namespace

void TForm1::chargerJournal() {
    afficherStatut(QStringLiteral("Demande de chargement..."));
    dialogOuvrir.changerFiltre(QStringLiteral("Fichier Log|*.log|Fichier Texte|*.txt"));
    dialogOuvrir.changerTitre(QStringLiteral("Ouverture d'un fichier journal - Kestrane"));
    if (!dialogOuvrir.executer(this)) {
        afficherStatut(QStringLiteral("Chargement - annul\u00e9e !"));
        return;
    }
    const QString chemin = dialogOuvrir.nomFichier();
    const std::string cheminOs = cheminSysteme(chemin);
    Journal nouveau;
    std::shared_ptr<SourceJournal> source;
    try {
        enFond([&] {
            nouveau = Journal::charger(cheminOs);
            source = std::make_shared<SourceJournal>(nouveau);
        });
    } catch (const ErreurFichier& e) {
        throw ErreurAffichable{messageFichier(chemin, e)};
    }
    // The former journal is let go of by the views below; its memory is given back on the
    // other thread (unmapping gigabytes takes a while).
    Journal ancien = std::move(journal_);
    journal_ = std::move(nouveau);
    Memo1->changerSource(std::move(source));
    PageControl1->setCurrentIndex(0);
    lbNbLignes->setText(QString::number(journal_.nbLignes()) + QStringLiteral(" lignes"));
    afficherStatut(QStringLiteral("Chargement du fichier journal : ") + chemin);
    RichEdit1->vider();
    // The records of the former journal are shown nowhere any more.
    tableauLog = TableauLog();
    comptesAnalyse_.vider();
    pageStatistiques->decocherSansDisposer();
    montrerAnalyse(false);
    enFond([&ancien] { ancien = Journal(); });
}

void TForm1::ouvrirAuDemarrage(const QString& chemin) {
    dialogOuvrir.repondreProchaineFois(chemin);
    executer([this] { chargerJournal(); });
}

void TForm1::enregistrerJournalSous() {
    afficherStatut(QStringLiteral("Demande d'enregistrement sous..."));
    dialogEnregistrer.changerFiltre(QStringLiteral("Fichier Log|*.log|Fichier Texte|*.txt"));
    dialogEnregistrer.changerTitre(QStringLiteral("Enregistrer le journal sous... - Kestrane"));
    if (!dialogEnregistrer.executer(this)) {
        afficherStatut(QStringLiteral("Enregistrement - annul\u00e9e !"));
        return;
    }
    const QString chemin = dialogEnregistrer.nomFichier();
    const Journal journal = journal_;
    ecrireFichier(chemin, [&journal](const Ecrivain& e) { journal.ecrireCRLF(e); });
    afficherStatut(QStringLiteral("Enregistr\u00e9 sous : ") + chemin);
}

void TForm1::ecrireFichier(const QString& chemin,
                           const std::function<void(const Ecrivain&)>& produire) {
    const std::string cheminOs = cheminSysteme(chemin);
    try {
        enFond([&] { ecrireFichierAtomique(cheminOs, produire); });
    } catch (const ErreurFichier& e) {
        throw ErreurAffichable{messageFichier(chemin, e)};
    }
}

void TForm1::ecrireFichierDeLaVue(const QString& chemin, const VueTexte& vue) {
    const std::shared_ptr<const SourceLignes> source = vue.source();
    ecrireFichier(chemin, [&source](const Ecrivain& e) { source->ecrire(e); });
}

void TForm1::exporterAnalyse() {
    afficherStatut(QStringLiteral("Demande d'exportation..."));
    dialogEnregistrer.changerFiltre(QStringLiteral("Fichier Texte|*.txt"));
    dialogEnregistrer.changerTitre(QStringLiteral("Exportation de l'Analyse - Kestrane"));
    if (!dialogEnregistrer.executer(this)) {
        afficherStatut(QStringLiteral("Demande d'exportation - annul\u00e9e !"));
        return;
    }
    const QString chemin = dialogEnregistrer.nomFichier() + QStringLiteral(".txt");
    ecrireFichierDeLaVue(chemin, *RichEdit1);
    afficherStatut(QStringLiteral("R\u00e9sultat export\u00e9 sous : ") + chemin);
}

}  // namespace kestrane
