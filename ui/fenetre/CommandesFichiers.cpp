// The window's file commands: load a journal (one file or several, plain or compressed), save it
// under another name, export the analysis.
// The file's bytes are read and written on another thread while the window keeps painting.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/journal/Assemblage.h"
#include "core/journal/Erreur.h"
#include "core/journal/FichierAtomique.h"
#include "core/journal/Gzip.h"
#include "ui/fenetre/Annulation.h"
#include "ui/fenetre/BarreFiltre.h"
#include "ui/fenetre/ChoixPeriode.h"
#include "ui/fenetre/ControleurAnalyse.h"
#include "ui/fenetre/FichiersRecents.h"
#include "ui/fenetre/SuiviJournal.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/SourceJournal.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

QString messageFichier(const QString& chemin, const ErreurFichier& e) {
    return depuis1252(e.debut()) + QLatin1Char('"') + chemin + QStringLiteral("\". ") +
           QString::fromLocal8Bit(e.description());
}

std::string cheminSysteme(const QString& chemin) {
    return QFile::encodeName(chemin).toStdString();
}

void TForm1::chargerJournal() {
    afficherStatut(QStringLiteral("Demande de chargement..."));
    dialogOuvrir.changerFiltre(
        QStringLiteral("Fichier Log|*.log|Fichier Texte|*.txt|Journaux compress\u00e9s|*.gz|"
                       "Tous les fichiers|*"));
    dialogOuvrir.changerTitre(QStringLiteral("Ouverture d'un fichier journal - Kestrane"));
    dialogOuvrir.permettrePlusieurs(true);
    if (!dialogOuvrir.executer(this)) {
        afficherStatut(QStringLiteral("Chargement - annul\u00e9e !"));
        return;
    }
    chargerFichiers(dialogOuvrir.nomsFichiers());
}

void TForm1::chargerSansDialogue(const QStringList& chemins) {
    if (chemins.isEmpty()) return;
    afficherStatut(QStringLiteral("Demande de chargement..."));
    // As if confirmed in the dialog: it offers them again, and the report is titled after them.
    dialogOuvrir.changerNomsFichiers(chemins);
    chargerFichiers(chemins);
}

void TForm1::chargerFichiers(const QStringList& chemins) {
    std::vector<std::string> cheminsOs;
    uint64_t total = 0;
    bool compresse = false;
    for (const QString& c : chemins) {
        cheminsOs.push_back(cheminSysteme(c));
        const QFileInfo info(c);
        total += static_cast<uint64_t>(std::max<qint64>(info.size(), 0));
        QFile f(c);
        if (!compresse && info.isFile() && f.open(QIODevice::ReadOnly)) {
            compresse = estGzip(f.read(2).toStdString());
        }
    }
    // A compressed file takes a while to decompress: the bar follows the bytes read. A plain file
    // is read too fast for one.
    std::atomic<uint64_t> lus{0};
    const int valeurAvant = barreProgressionAnalyse->value();
    const int maximumAvant = barreProgressionAnalyse->maximum();
    std::function<void()> suivre;
    if (compresse && total > 0) {
        barreProgressionAnalyse->setMaximum(1000);
        barreProgressionAnalyse->setValue(0);
        barreProgressionAnalyse->show();
        suivre = [&] {
            const uint64_t n = std::min(lus.load(std::memory_order_relaxed), total);
            barreProgressionAnalyse->setValue(static_cast<int>(n * 1000 / total));
        };
    }
    struct Remise {
        QProgressBar* barre;
        bool montree;
        int valeur, maximum;
        ~Remise() {
            if (!montree) return;
            barre->hide();
            barre->setMaximum(maximum);
            barre->setValue(valeur);
        }
    } remise{barreProgressionAnalyse, static_cast<bool>(suivre), valeurAvant, maximumAvant};

    JournauxCharges charges;
    std::shared_ptr<SourceJournal> source;
    try {
        const Annulation::Etape etape(*annulation_);
        SuiviChargement suivi;
        suivi.lus = &lus;
        suivi.annulation = annulation_->drapeau();
        enFond(
            [&] {
                charges = chargerJournaux(cheminsOs, suivi);
                source = std::make_shared<SourceJournal>(charges.journal);
            },
            suivre);
        // Asked once the file was read: the user still did not want it.
        if (annulation_->demandee()) throw ErreurAnnulation();
    } catch (const ErreurAnnulation&) {
        afficherStatut(
            QStringLiteral("Chargement annul\u00e9 : journal pr\u00e9c\u00e9dent "
                           "conserv\u00e9"));
        return;
    } catch (const ErreurFichier& e) {
        // The message names the file that failed, as the user gave it.
        QString chemin = chemins.value(0);
        for (qsizetype k = 0; k < chemins.size(); ++k) {
            const std::string cite = '"' + cheminsOs[static_cast<std::size_t>(k)] + '"';
            if (e.message().find(cite) != std::string::npos) {
                chemin = chemins[k];
            }
        }
        throw ErreurAffichable{messageFichier(chemin, e)};
    }
    // The former journal is let go of by the views below; its memory is given back on the
    // other thread (unmapping gigabytes takes a while).
    // A follow of the former journal ends with it.
    suivi_->arreter();
    Journal ancien = std::move(journal_);
    journal_ = std::move(charges.journal);
    vueJournal->changerSource(std::move(source));
    PageControl1->setCurrentIndex(0);
    lbNbLignes->setText(
        quantiteTexte(static_cast<int64_t>(journal_.nbLignes()), "ligne", "lignes"));
    QStringList ordonnes;
    for (const std::size_t k : charges.ordre) ordonnes << chemins[static_cast<qsizetype>(k)];
    QString message;
    if (ordonnes.size() == 1) {
        message = QStringLiteral("Chargement du fichier journal : ") + ordonnes[0];
    } else {
        QStringList noms;
        for (const QString& c : ordonnes) noms << nomFichier(c);
        message = QStringLiteral("Chargement de %1 fichiers journaux : ").arg(ordonnes.size()) +
                  noms.join(QStringLiteral(", "));
    }
    // A file named twice is read once: its lines would otherwise count twice.
    if (!charges.ecartes.empty()) {
        message += QStringLiteral(" (") + depuis1252(noteJournauxEcartes(charges.ecartes.size())) +
                   QLatin1Char(')');
    }
    // The period chosen was that of the former journal's dates.
    if (choixPeriode_->oublier()) {
        message += QStringLiteral(" ; p\u00e9riode analys\u00e9e : Tout le journal");
    }
    afficherStatut(message);
    fichiersJournal_ = ordonnes;
    std::size_t avantDernier = 0;
    for (std::size_t k = 0; k + 1 < charges.nbLignes.size(); ++k)
        avantDernier += charges.nbLignes[k];
    debutDernierFichier_ = journal_.debutLigne(std::min(avantDernier, journal_.nbLignes()));
    vueDetails->vider();
    controleur_->oublierEnregistrements();
    pageStatistiques->decocherSansDisposer();
    montrerAnalyse(false);
    // The filter was about the former journal's lines.
    barreFiltre_->effacer();
    QStringList absolus;
    for (const QString& c : ordonnes) absolus << QFileInfo(c).absoluteFilePath();
    fichiersRecents_->ajouter(absolus);
    enFond([&ancien] { ancien = Journal(); });
    commencerSuivi();
}

void TForm1::ouvrirAuDemarrage(const QString& chemin) {
    dialogOuvrir.repondreProchaineFois(chemin);
    executer([this] { chargerJournal(); });
}

void TForm1::ouvrirAuDemarrage(const QStringList& chemins) {
    if (chemins.isEmpty()) return;
    dialogOuvrir.repondreProchaineFois(chemins);
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
    ecrireFichierDeLaVue(chemin, *vueDetails);
    afficherStatut(QStringLiteral("R\u00e9sultat export\u00e9 sous : ") + chemin);
}

}  // namespace kestrane
