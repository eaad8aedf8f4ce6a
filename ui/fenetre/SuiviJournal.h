// "Fichier" > "Suivre le journal": the lines appended to the loaded journal's last file, read as
// they come (a file-system watch, and a look every second in case the watch says nothing), added
// on another thread to the journal's own copy and counted into its analysis (AnalyseProlongee),
// then handed to the window as one command, which shows them on every page. Suspended, the lines
// read wait and are added when the follow goes on. The file is followed as `tail -F` follows it
// (SuiviFichier): renamed and created again, truncated, deleted and created again.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/analyse/AnalyseProlongee.h"
#include "core/analyse/ResultatAnalyse.h"
#include "core/journal/Journal.h"
#include "core/journal/SuiviFichier.h"

class QFileSystemWatcher;
class QTimer;

namespace kestrane {

class SourceDetails;
class SourceJournal;

// What a turn of the follow made, for the window to show.
struct Prolongement {
    Journal journal;                              // the journal with its new lines
    std::shared_ptr<const SourceJournal> lignes;  // its lines, for the journal's view
    std::size_t nouvelles = 0;                    // lines added by this turn
    // The analysis of the whole, when the journal has one; its detail text.
    std::unique_ptr<ResultatAnalyse> resultat;
    std::shared_ptr<const SourceDetails> details;
    std::exception_ptr
        erreur;  // the analysis stopped on a new line (the journal grew all the same)
};

class SuiviJournal : public QObject {
    Q_OBJECT
  public:
    // `executer`: runs a command of the window (after the one running, if any). `appliquer`:
    // shows a turn's outcome, within such a command.
    SuiviJournal(std::function<void(const std::function<void()>&)> executer,
                 std::function<void(Prolongement&)> appliquer, QObject* parent = nullptr);
    ~SuiviJournal() override;

    // Follows `chemin` from byte `depart`, the journal loaded being `charge` (shown by `lignes`).
    void suivre(const std::string& chemin, uint64_t depart, Journal charge,
                std::shared_ptr<const SourceJournal> lignes);
    void arreter();
    bool actif() const { return fichier_.has_value(); }
    // Suspended, what is read waits; on again, it is added.
    void suspendre(bool oui);
    bool suspendu() const { return suspendu_; }

    // Before a command that reads the journal or its analysis (an Analyse): the turn under way
    // ends and is shown first, and none starts until apresAnalyse().
    void avantAnalyse();
    // The command that read the journal ended. `resultat`: the analysis of `charge` shown, with
    // its options and its counts to count the new lines into (null counts: the first turn
    // analyses the whole again), its detail text; null: the new lines are only added to the
    // journal.
    void apresAnalyse(const Journal& charge, const OptionsAnalyse& options,
                      std::unique_ptr<Comptage> comptes, const ResultatAnalyse* resultat,
                      std::shared_ptr<const SourceDetails> details, bool lisibles);
    // Whether the window should keep an analysis's counts for the follow.
    bool veutLesComptes() const { return actif(); }

    // Lines read and not yet added (suspended, or a turn under way).
    std::size_t octetsEnAttente() const { return attente_.size(); }
    // A look at the file now (the watch and the timer call it).
    void regarder();
    // Waits for the turn under way and shows it (tests, the window's close).
    void attendre();

  private:
    void lancer();
    void termine();

    std::function<void(const std::function<void()>&)> executer_;
    std::function<void(Prolongement&)> appliquer_;
    QFileSystemWatcher* veille_ = nullptr;
    QTimer* minuterie_ = nullptr;
    std::optional<SuiviFichier> fichier_;
    std::string attente_;  // whole lines read, not yet added
    bool suspendu_ = false;
    bool enAnalyse_ = false;
    QElapsedTimer dernierTour_;  // since the last turn began
    bool relance_ = false;       // a turn is to begin once the interval has passed

    // What the next turn starts from; the turn under way owns them until it ends.
    Journal charge_;
    std::shared_ptr<const SourceJournal> lignes_;
    std::optional<AnalyseProlongee> analyse_;
    std::shared_ptr<const SourceDetails> details_;
    bool lisibles_ = false;
    std::shared_ptr<const std::vector<std::size_t>> numeros_;
    std::thread tour_;
    std::unique_ptr<Prolongement> fait_;
    // The result replaced by the last turn, let go of on the next turn's thread.
    std::unique_ptr<ResultatAnalyse> aLacher_;
};

}  // namespace kestrane
