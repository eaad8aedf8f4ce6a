#include "ui/fenetre/ControleurAnalyse.h"

#include <QProgressBar>
#include <algorithm>
#include <optional>

#include "core/analyse/ComptesJournal.h"
#include "core/export/Export.h"
#include "core/journal/Erreur.h"
#include "platform/Airs.h"
#include "ui/dialogues/DialoguePeriode.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/Annulation.h"
#include "ui/fenetre/BarreDeStatut.h"
#include "ui/fenetre/BarreFiltre.h"
#include "ui/fenetre/ChoixFormat.h"
#include "ui/fenetre/ChoixPeriode.h"
#include "ui/fenetre/ExecuteurCommandes.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/SourceDetails.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

namespace {

// Repaints of the progress at most this often; the last value is always painted.
constexpr qint64 kIntervallePeintureMs = 50;

const char* const kMemorisation = "Mise en m\u00e9moire du fichier journal... en cours - ";

QString messageProgression(const char* debut, std::size_t i, const QString& total) {
    return QString::fromUtf8(debut) + QString::number(i) + QLatin1Char('/') + total;
}

}  // namespace

ControleurAnalyse::ControleurAnalyse(Elements elements, std::shared_ptr<ResultatAnalyse> resultat)
    : e_(std::move(elements)), resultat_(std::move(resultat)) {}

void ControleurAnalyse::analyser() {
    // What a stopped run puts back: the first pass changes only these (the tables come after).
    ResultatAnalyse& r0 = *resultat_;
    struct Avant {
        Journal journal;
        std::size_t lignesJournal, horsPeriode;
        PeriodeAnalyse periode;
        TableauLog enregistrements, retenues;
        std::shared_ptr<const SourceLignes> details;
        QString statut;
    } avant{r0.journal,         r0.lignesJournal, r0.horsPeriode,       r0.periode,
            r0.enregistrements, r0.retenues,      e_.details->source(), e_.statut->texte()};
    e_.details->vider();
    const Journal& charge = e_.journal();
    const OptionsAnalyse options = e_.options();
    detailsLisibles_ = options.resultatsLisibles;
    comptes_.reset();
    options_ = options;
    terminee_ = false;
    const bool garder = e_.garderComptes && e_.garderComptes();
    IssueAnalyse issue;
    try {
        std::optional<Annulation::Etape> etape;
        if (e_.annulation) etape.emplace(*e_.annulation);
        issue = analyserJournal(charge, options, *resultat_, *this, garder ? &comptes_ : nullptr);
    } catch (const ErreurAnnulation&) {
        r0.journal = std::move(avant.journal);
        r0.lignesJournal = avant.lignesJournal;
        r0.horsPeriode = avant.horsPeriode;
        r0.periode = avant.periode;
        r0.enregistrements = std::move(avant.enregistrements);
        r0.retenues = std::move(avant.retenues);
        if (avant.details) e_.details->changerSource(avant.details);
        e_.barre->hide();
        e_.statut->remettre(avant.statut);
        e_.afficherStatut(
            QStringLiteral("Analyse annul\u00e9e : r\u00e9sultats pr\u00e9c\u00e9dents "
                           "conserv\u00e9s"));
        return;
    }
    switch (issue) {
        case IssueAnalyse::pasDeFichier:
            e_.afficherStatut(QStringLiteral("Pas de fichier \u00e0 analyser"));
            return;
        case IssueAnalyse::periodeVide:
            // Every line of the journal lies outside the period.
            e_.afficherStatut(QStringLiteral("Aucune ligne dans la p\u00e9riode analys\u00e9e") +
                              texteHorsPeriode(charge.nbLignes()));
            return;
        case IssueAnalyse::filtreVide:
            e_.afficherStatut(QString::fromLatin1(kFiltreVide.c_str()));
            return;
        case IssueAnalyse::terminee:
            terminee_ = true;
            break;
    }
    const ResultatAnalyse& r = *resultat_;
    if (r.complements) {
        e_.complements->afficher(*r.complements, r.audience ? &*r.audience : nullptr);
        e_.complements->afficherEnPlus(r.enPlus);
        e_.complements->afficherEntrees(r.entrees ? &*r.entrees : nullptr);
    }
    jalon("statistics pass and grids");
    e_.rapport->oublierTriAdresses();
    e_.statistiques->alimenter();
    jalon("chart feeding");
    e_.montrerAnalyse(true);
    DonneesRapport titre;
    titre.nomJournal = e_.nomJournal().toStdString();
    if (e_.journaux) {
        titre.journaux = e_.journaux();
        if (titre.journaux.size() < 2) titre.journaux.clear();
    }
    titre.periode = texteDePeriode(r.periode).toStdString();
    e_.rapport->changerTitre(QString::fromStdString(titreRapport(titre)));
    e_.afficherStatut(
        QStringLiteral("Analyse du fichier termin\u00e9e !") + e_.lignesIgnorees->suffixe() +
        (r.periode.active ? texteHorsPeriode(r.horsPeriode) : QString()) + texteFormatStatut(r) +
        (r.filtre ? QStringLiteral(" \u2014 ") +
                        texteFiltre(r.lignesJournal - r.horsPeriode - r.horsFiltre, r.lignesJournal)
                  : QString()));
    e_.montrerPageAnalyse();
    bipTermine(*e_.bip);
    e_.barre->hide();
    jalon("reveal, title, tune");
}

void ControleurAnalyse::afficherComplements() {
    calculerComplements(
        *resultat_, nullptr, [this](const std::function<void()>& travail) { enFond(travail); },
        e_.options().basePays);
    e_.complements->afficher(*resultat_->complements,
                             resultat_->audience ? &*resultat_->audience : nullptr);
    e_.complements->afficherEnPlus(resultat_->enPlus);
    e_.complements->afficherEntrees(resultat_->entrees ? &*resultat_->entrees : nullptr);
}

void ControleurAnalyse::oublierEnregistrements() {
    terminee_ = false;
    resultat_->enregistrements = TableauLog();
    resultat_->retenues = TableauLog();
}

std::unique_ptr<Comptage> ControleurAnalyse::prendreComptes() {
    return std::move(comptes_);
}

void ControleurAnalyse::enFond(const std::function<void()>& travail) {
    e_.executeur->enFond(travail);
}

void ControleurAnalyse::commencer() {
    const std::size_t n = resultat_->journal.nbLignes();
    e_.barre->show();
    e_.barre->setValue(0);
    e_.barre->setMaximum(static_cast<int>(std::min<std::size_t>(2 * n, INT32_MAX)));
    peinture_.invalidate();
    total_ = QString::number(n);
    messageAvant_ = e_.statut->texte();
    // The bar, its cancel button and the first line's message painted before the pass takes
    // the thread.
    avancer(0, messageProgression(kMemorisation, 0, total_), true);
    e_.executeur->entretenir();
    verifierAnnulation();
}

void ControleurAnalyse::progresser(std::size_t faites) {
    // The records are parsed on both cores; the bar follows the count of lines done.
    if (faites > 0) avancer(faites, messageProgression(kMemorisation, faites - 1, total_), false);
    e_.executeur->entretenir();
    verifierAnnulation();
}

void ControleurAnalyse::verifierAnnulation() const {
    if (e_.annulation && e_.annulation->demandee()) throw ErreurAnnulation();
}

void ControleurAnalyse::premierePasseInterrompue(std::size_t faites) {
    // What a line-by-line pass shows when it stops: the bar at the lines done, the message of
    // the last line parsed (none when the first line fails).
    if (faites > 0) {
        avancer(faites, messageProgression(kMemorisation, faites - 1, total_), true);
        return;
    }
    // The other half may have been reported meanwhile: no line was parsed after all.
    e_.barre->setValue(0);
    e_.barre->repaint();
    e_.statut->remettre(messageAvant_);
}

void ControleurAnalyse::apresPremierePasse() {
    verifierAnnulation();
    const std::size_t n = resultat_->journal.nbLignes();
    avancer(n, messageProgression(kMemorisation, n - 1, total_), true);
    jalon("first pass (records)");
    afficherDetails();
    jalon("detail view");
    e_.lignesIgnorees->retenir(resultat_->retenues);
}

void ControleurAnalyse::afficherDetails() {
    // The detail text is produced from the records when it is shown or exported; handing the
    // view its source is the whole second pass. Skipped lines have no block; the pass still
    // covers every line of the journal.
    const TableauLog& enregistrements = resultat_->enregistrements;
    e_.details->changerSource(std::make_shared<SourceDetails>(
        enregistrements, enregistrements.taille(), detailsLisibles_, resultat_->numerosGardes));
    const std::size_t n = resultat_->journal.nbLignes();
    avancer(2 * n, messageProgression("Analyse du contenu... en cours - ", n - 1, total_), true);
}

void ControleurAnalyse::apresEtape(int etape) {
    // Each table goes to its grid as soon as it is ready, in the pass's order.
    e_.executeur->entretenir();
    if (etape == kEtapeRequetes) {
        e_.rapport->afficherTotalRequetes(resultat_->lignes().nbLignes());
    } else {
        e_.rapport->afficherTable(etape);
    }
}

void ControleurAnalyse::apresStatistiques() {
    e_.rapport->preparerRequetes(resultat_->listes);
}

void ControleurAnalyse::avancer(std::size_t position, const QString& message, bool toujours) {
    if (!toujours && peinture_.isValid() && peinture_.elapsed() < kIntervallePeintureMs) return;
    e_.barre->setValue(static_cast<int>(
        std::min<std::size_t>(position, static_cast<std::size_t>(e_.barre->maximum()))));
    // Only the status line and the bar change while the run goes on: they are what is painted
    // at once, the window's other parts have nothing new to show.
    e_.statut->ecrire(message);
    e_.statut->peindre();
    e_.barre->repaint();
    peinture_.start();
}

void ControleurAnalyse::jalon(const char* phase) const {
    if (e_.jalon) e_.jalon(phase);
}

}  // namespace kestrane
