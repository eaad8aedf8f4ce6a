// The main window: pages, menus, status line and clock, the analysis page's buttons and text
// views, and the file commands. Every handler runs through executer(), so that no error ever
// crosses the event loop.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTime>
#include <functional>
#include <memory>
#include <optional>

#include "core/analyse/Complements.h"
#include "core/analyse/Interfaces.h"
#include "core/analyse/UFonctionsKestrane.h"
#include "core/journal/FichierAtomique.h"
#include "core/journal/Journal.h"
#include "ui/dialogues/Dialogues.h"
#include "ui/fenetre/ExecuteurCommandes.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/pages/contexte/ContexteFenetre.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;
class QWidget;

namespace kestrane {

class VueTexte;
class FichiersRecents;
class OptionLignesIgnorees;
class PageRapport;
class PageStatistiques;
class PageComplements;
class DialoguePeriode;
class SourceLignes;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(Bip& bip, QWidget* parent = nullptr);
    ~TForm1() override;

    // Status line: "message [time shown before]", then the clock, then an immediate repaint.
    void afficherStatut(const QString& message);
    // Runs a command; an error ends it and is shown in the error box. Commands run one at a
    // time: one asked for while another keeps the window painted runs after it.
    void executer(const std::function<void()>& commande);
    // Within a command: runs `travail` on another thread and keeps the window painted until it
    // ends, then raises its error here. `travail` must not touch the window. `suivre`, when
    // given, runs on this thread each time the window is looked after (a progress bar).
    void enFond(const std::function<void()>& travail, const std::function<void()>& suivre = {});
    // Within a command: handles what the window's looks need now (paints, exposures), but no
    // input, no tick of the clock and no other command, which wait for the command's end.
    void entretenir();

    void chargerJournal();
    void enregistrerJournalSous();
    void exporterAnalyse();
    void exporterRapport();
    void quitter();
    // Loads the file named on the command line as a confirmed load would.
    void ouvrirAuDemarrage(const QString& chemin);
    // The same for several files, loaded as one journal.
    void ouvrirAuDemarrage(const QStringList& chemins);
    // Loads these files as a load confirmed in the dialog would, without showing it (a drop, a
    // recent journal): several are one journal, oldest first.
    void chargerSansDialogue(const QStringList& chemins);

    // Whether the statistics menu and the tabs of pages 1 and 2 are shown.
    void montrerAnalyse(bool montree);

    // The Analyse command and its steps.
    void analyserJournal();
    void memoriserJournal();
    void afficherDetails();
    void calculerStatistiques();
    // The supplementary page: what the first pass hands its records to, and the page shown from
    // the counts when it is on.
    LecteurEnregistrements* lecteurPremierePasse();
    void afficherComplements();

    const Journal& journal() const { return journal_; }
    Bip& bip() { return bip_; }

    // Seams: the clock, the end of the event loop, the file dialogs and the message boxes.
    std::function<QTime()> horloge = [] { return QTime::currentTime(); };
    std::function<void()> terminer;
    // Called by the Analyse command at the end of each phase, with its name (for benchmarks).
    std::function<void(const char* phase)> jalonAnalyse;
    DialogueFichier dialogOuvrir{DialogueFichier::Sorte::ouvrir};
    DialogueFichier dialogEnregistrer{DialogueFichier::Sorte::enregistrer};
    DialogueFichier dialogExporterRapport{DialogueFichier::Sorte::enregistrer};
    BoitesMessages boites;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    // Controls, named as in the rest of the program.
    QTabWidget* PageControl1 = nullptr;
    QWidget *ongletAnalyse = nullptr, *ongletStatistiques = nullptr,
            *ongletRapportAnalyse = nullptr;
    QLabel *panneauHeure = nullptr, *panneauMessage = nullptr;
    QTimer* Timer1 = nullptr;
    QWidget* pBoutonAnalyse = nullptr;
    QPushButton *btCharger = nullptr, *btEnregistrerSous = nullptr, *btAnalyser = nullptr,
                *btExporter = nullptr;
    QLabel* lbNbLignes = nullptr;
    QProgressBar* barreProgressionAnalyse = nullptr;
    QWidget* panelAnalyse = nullptr;
    QSplitter* Splitter1 = nullptr;
    VueTexte *Memo1 = nullptr, *RichEdit1 = nullptr;
    PageRapport* pageRapport = nullptr;
    PageStatistiques* pageStatistiques = nullptr;
    FichiersRecents* fichiersRecents_ = nullptr;
    OptionLignesIgnorees* optionLignes_ = nullptr;
    QMenu *menuFichier = nullptr, *menuEdition = nullptr, *menuOutils = nullptr,
          *menuStatistiques = nullptr, *menuAide = nullptr;
    QAction *menuChargerJournal = nullptr, *menuEnregisterjournalsous = nullptr,
            *menuExporterAnalyse = nullptr, *menuQuitter = nullptr, *menuAnalyser = nullptr,
            *menuOptions = nullptr, *menuStatIP = nullptr, *menuStatOS = nullptr,
            *menuStatNav = nullptr, *menuStatResolution = nullptr, *menuStatCouleurs = nullptr,
            *menuStatProvenance = nullptr, *menuStatHoraires = nullptr, *menuStatVisites = nullptr,
            *menuRapportdAnalyse = nullptr, *menuApropos = nullptr;

    void creerMenus();
    // Steps of the load after the dialog: the files read, the window shown as after a load.
    void chargerFichiers(const QStringList& chemins);
    void creerPageAnalyse();
    void creerBarreStatus();
    void placerBoutons();
    // Writes the file atomically while the window keeps painting.
    void ecrireFichier(const QString& chemin, const std::function<void(const Ecrivain&)>& produire);
    void ecrireFichierDeLaVue(const QString& chemin, const VueTexte& vue);

    void btChargerClick();
    void btEnregistrerSousClick();
    void btExporterClick();
    void btAnalyserClick();
    void menuAproposClick();
    void menuRapportdAnalyseClick();
    void afficherGrapheSeul(int index);
    void Timer1Timer();
    void creerPageStatistiques();
    void creerPageRapport();
    void creerComplements();
    void creerExportRapport();
    bool complementsActifs() const;
    void menuAfficherComplementsClick(bool coche);
    void menuPeriodeClick();
    // The journal the Analyse reads: the loaded one, or its lines within the period chosen.
    // False, with the message shown, when no line is left.
    bool preparerJournalAnalyse();
    // What the end message and the report's title add for the period.
    QString suffixeFinAnalyse() const;
    QString suffixeTitre() const;
    // The status line's texts, as afficherStatut writes them, without painting.
    void ecrireStatut(const QString& message);
    // Progress of the Analyse command: the bar and the status line are set on every call but
    // painted at most every few tens of milliseconds, and always when `toujours`.
    void progresser(std::size_t position, const QString& message, bool toujours);
    ContexteFenetre contextePages();

    Bip& bip_;
    ExecuteurCommandes executeur_;
    Journal journal_;
    // What the first pass of the Analyse command counted, for its statistics pass.
    ComptesJournal comptesAnalyse_;
    bool quitte_ = false;
    QElapsedTimer peintureProgression_;
    QWidget* ongletComplements = nullptr;
    PageComplements* pageComplements = nullptr;
    QAction *menuAfficherComplements = nullptr, *actionComplementsDevant = nullptr;
    ComptesComplements comptesComplements_;
    std::optional<Complements> derniersComplements_;  // as the page shows them, for the export
    QAction* menuExporterRapport = nullptr;
    std::unique_ptr<LecteursEnSerie> lecteursAnalyse_;
    QAction* menuPeriode = nullptr;
    DialoguePeriode* dialoguePeriode = nullptr;
    PeriodeAnalyse periode_;
    // What the last Analyse read: the loaded journal, or its lines of the period.
    Journal journalAnalyse_;
    PeriodeAnalyse periodeAnalysee_;
    std::size_t horsPeriode_ = 0;
};

// The file-name part of a path: after the last "/" or "\".
QString nomFichier(const QString& chemin);

}  // namespace kestrane
