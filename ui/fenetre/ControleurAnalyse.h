// The Analyse command: the analysis service run on the loaded journal, its progress on the bar
// and the status line, the detail view after the first pass, each report grid filled as soon as
// its table is ready, the Compléments page, the charts, then the results revealed with the end
// message and the completion tune. A failure leaves shown what the steps before it showed; a
// run the user stops during its first pass leaves the previous analysis as it was.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/analyse/Comptage.h"
#include "core/analyse/ResultatAnalyse.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Journal.h"

class QProgressBar;

namespace kestrane {

class Annulation;
class BarreDeStatut;
class Bip;
class ExecuteurCommandes;
class OptionLignesIgnorees;
class PageComplements;
class PageRapport;
class PageStatistiques;
class VueTexte;

class ControleurAnalyse : private SuiviAnalyse {
  public:
    // What the command works on and shows; the window owns all of it and outlives the
    // controller.
    struct Elements {
        ExecuteurCommandes* executeur = nullptr;
        BarreDeStatut* statut = nullptr;
        QProgressBar* barre = nullptr;
        VueTexte* details = nullptr;
        PageRapport* rapport = nullptr;
        PageStatistiques* statistiques = nullptr;
        PageComplements* complements = nullptr;
        OptionLignesIgnorees* lignesIgnorees = nullptr;
        Bip* bip = nullptr;
        std::function<const Journal&()> journal;  // the journal loaded
        std::function<OptionsAnalyse()> options;  // those of the next analysis
        std::function<QString()> nomJournal;      // the file name the report's title gives
        // The files of the journal, oldest first (UTF-8): when several, the title names them.
        std::function<std::vector<std::string>()> journaux;
        // Stops the first pass on the user's word (the previous results are kept).
        Annulation* annulation = nullptr;
        // The window's status line with its immediate repaint.
        std::function<void(const QString&)> afficherStatut;
        // The results revealed (the statistics menu, the result pages), and the Analyse page
        // brought to the front.
        std::function<void(bool)> montrerAnalyse;
        std::function<void()> montrerPageAnalyse;
        // Told the end of each phase by its name (for benchmarks); may be empty.
        std::function<void(const char* phase)> jalon;
        // Whether to keep a finished analysis's counts (prendreComptes); may be empty.
        std::function<bool()> garderComptes;
    };

    ControleurAnalyse(Elements elements, std::shared_ptr<ResultatAnalyse> resultat);

    void analyser();
    // The Compléments of the analysis shown, computed and shown when their page is switched on.
    void afficherComplements();
    // A journal was loaded: the records of the former one are shown nowhere any more.
    void oublierEnregistrements();
    // The counts of the last analysis, when it ended and they were to be kept, and its options.
    std::unique_ptr<Comptage> prendreComptes();
    const OptionsAnalyse& optionsAnalysees() const { return options_; }
    // Whether the result shown is an analysis of the journal loaded, ended.
    bool analyseDuJournal() const { return terminee_; }

  private:
    void enFond(const std::function<void()>& travail) override;
    void commencer() override;
    void progresser(std::size_t faites) override;
    void premierePasseInterrompue(std::size_t faites) override;
    void apresPremierePasse() override;
    void apresEtape(int etape) override;
    void apresStatistiques() override;

    // The bar and the status line are set on every call but painted at most every few tens of
    // milliseconds, and always when `toujours`.
    void avancer(std::size_t position, const QString& message, bool toujours);
    void afficherDetails();
    void jalon(const char* phase) const;
    // Raises ErreurAnnulation when the user asked to stop.
    void verifierAnnulation() const;

    Elements e_;
    std::shared_ptr<ResultatAnalyse> resultat_;
    std::unique_ptr<Comptage> comptes_;
    OptionsAnalyse options_;
    bool terminee_ = false;
    QElapsedTimer peinture_;
    QString messageAvant_;  // the status line before the run, put back when no line parsed
    QString total_;         // the number of lines analysed, for the progress messages
    // Whether the run's detail text names browsers and systems as readable results do.
    bool detailsLisibles_ = false;
};

}  // namespace kestrane
