#include "ui/fenetre/ControleurAnalyse.h"

#include <QProgressBar>
#include <algorithm>

#include "core/analyse/UFonctionsKestrane.h"
#include "ui/dialogues/DialoguePeriode.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/BarreDeStatut.h"
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
    e_.details->vider();
    const Journal& charge = e_.journal();
    const OptionsAnalyse options = e_.options();
    switch (analyserJournal(charge, options, *resultat_, *this)) {
        case IssueAnalyse::pasDeFichier:
            e_.afficherStatut(QStringLiteral("Pas de fichier \u00e0 analyser"));
            return;
        case IssueAnalyse::periodeVide:
            // Every line of the journal lies outside the period.
            e_.afficherStatut(QStringLiteral("Aucune ligne dans la p\u00e9riode analys\u00e9e") +
                              texteHorsPeriode(charge.nbLignes()));
            return;
        case IssueAnalyse::terminee:
            break;
    }
    const ResultatAnalyse& r = *resultat_;
    if (r.complements)
        e_.complements->afficher(*r.complements, r.audience ? &*r.audience : nullptr);
    jalon("statistics pass and grids");
    e_.rapport->oublierTriAdresses();
    e_.statistiques->alimenter();
    jalon("chart feeding");
    e_.montrerAnalyse(true);
    e_.rapport->changerTitre(QStringLiteral("Rapport d'analyse du fichier ") + e_.nomJournal() +
                             texteDePeriode(r.periode));
    e_.afficherStatut(QStringLiteral("Analyse du fichier termin\u00e9e !") +
                      e_.lignesIgnorees->suffixe() +
                      (r.periode.active ? texteHorsPeriode(r.horsPeriode) : QString()));
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
}

void ControleurAnalyse::oublierEnregistrements() {
    resultat_->enregistrements = TableauLog();
    resultat_->retenues = TableauLog();
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
}

void ControleurAnalyse::progresser(std::size_t faites) {
    // The records are parsed on both cores; the bar follows the count of lines done.
    if (faites > 0) avancer(faites, messageProgression(kMemorisation, faites - 1, total_), false);
    e_.executeur->entretenir();
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
    e_.details->changerSource(
        std::make_shared<SourceDetails>(enregistrements, enregistrements.taille()));
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
