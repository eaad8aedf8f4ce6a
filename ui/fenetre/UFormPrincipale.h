// The main window: pages, menus, the analysis page's buttons and text views, the file commands,
// and the wiring of its parts: the command executor (every handler runs through it, so that no
// error ever crosses the event loop), the status line, the analysis controller and the result it
// fills, the period, the Compléments page and the report's export.
#pragma once

#include <QMainWindow>
#include <QTime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/analyse/Interfaces.h"
#include "core/analyse/ResultatAnalyse.h"
#include "core/journal/FichierAtomique.h"
#include "core/journal/Journal.h"
#include "ui/dialogues/Dialogues.h"
#include "ui/fenetre/ExecuteurCommandes.h"
#include "ui/pages/contexte/ContexteFenetre.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;
class QWidget;

namespace kestrane {

class Annulation;
class ErreurFichier;
class BarreDeStatut;
class BarreFiltre;
class BaseJours;
class PageHistorique;
class ChoixFormat;
class ChoixBaseGeolocalisation;
class ChoixPeriode;
class ControleurAnalyse;
class FichiersRecents;
class OptionLignesIgnorees;
class PageComplements;
class PageRapport;
class PageStatistiques;
class SuiviJournal;
struct Prolongement;
class VueTexte;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(Bip& bip, QWidget* parent = nullptr);
    ~TForm1() override;

    // Status line: "message [time shown before]", then the clock, then an immediate repaint.
    void afficherStatut(const QString& message);
    // The command executor's (ExecuteurCommandes.h).
    void executer(const std::function<void()>& commande);
    void enFond(const std::function<void()>& travail, const std::function<void()>& suivre = {});
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
    // The size, place and maximised state of the last window closed, when the screens still
    // have room for them (the program's start; the first start keeps the window's own).
    void restaurerGeometrie();

    // Whether the statistics menu and the tabs of pages 1 and 2 are shown.
    void montrerAnalyse(bool montree);
    // The Analyse command (ControleurAnalyse).
    void analyserJournal();

    const Journal& journal() const { return journal_; }
    // The files of the journal loaded, oldest first, as they were named.
    const QStringList& fichiersJournal() const { return fichiersJournal_; }
    // The last analysis, as the pages show it.
    const ResultatAnalyse& resultat() const { return *resultat_; }
    Bip& bip() { return bip_; }

    // Seams: the clock, the end of the event loop, the file dialogs and the message boxes.
    std::function<QTime()> horloge = [] { return QTime::currentTime(); };
    std::function<void()> terminer;
    // Called by the Analyse command at the end of each phase, with its name (for benchmarks).
    std::function<void(const char* phase)> jalonAnalyse;
    // Told how long each update of a followed journal held the window's thread, in ms (for
    // benchmarks).
    std::function<void(double ms)> dureeSuivi;
    DialogueFichier dialogOuvrir{DialogueFichier::Sorte::ouvrir};
    DialogueFichier dialogEnregistrer{DialogueFichier::Sorte::enregistrer};
    DialogueFichier dialogExporterRapport{DialogueFichier::Sorte::enregistrer};
    DialogueFichier dialogBaseGeolocalisation{DialogueFichier::Sorte::ouvrir};
    BoitesMessages boites;
    // Asks for the base of days to open and the server name of the journals added to it, showing
    // those remembered; unset when cancelled.
    std::function<std::optional<std::pair<QString, QString>>(const QString& adresse,
                                                             const QString& serveur)>
        demanderBase;
    // Opens the base at `adresse` and shows its page (FenetreHistorique.cpp).
    void ouvrirBaseHistorique(const QString& adresse);
    PageHistorique* historique() const { return pageHistorique; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    // Controls; their objectNames are the described program's ("Memo1", "RichEdit1"...).
    QTabWidget* PageControl1 = nullptr;
    QWidget *ongletAnalyse = nullptr, *ongletStatistiques = nullptr,
            *ongletRapportAnalyse = nullptr, *ongletComplements = nullptr;
    QTimer* Timer1 = nullptr;
    QWidget* pBoutonAnalyse = nullptr;
    QPushButton *btCharger = nullptr, *btEnregistrerSous = nullptr, *btAnalyser = nullptr,
                *btExporter = nullptr;
    QLabel* lbNbLignes = nullptr;
    QProgressBar* barreProgressionAnalyse = nullptr;
    QPushButton* boutonAnnuler = nullptr;  // beside the bar while a load or an Analyse runs
    QWidget* panelAnalyse = nullptr;
    QSplitter* Splitter1 = nullptr;
    VueTexte* vueJournal = nullptr;  // "Memo1": the journal's lines
    VueTexte* vueDetails = nullptr;  // "RichEdit1": the detail text of the last analysis
    PageRapport* pageRapport = nullptr;
    PageStatistiques* pageStatistiques = nullptr;
    PageComplements* pageComplements = nullptr;
    QMenu *menuFichier = nullptr, *menuEdition = nullptr, *menuOutils = nullptr,
          *menuStatistiques = nullptr, *menuAide = nullptr;
    QAction *menuChargerJournal = nullptr, *menuEnregisterjournalsous = nullptr,
            *menuExporterAnalyse = nullptr, *menuQuitter = nullptr, *menuAnalyser = nullptr,
            *menuOptions = nullptr, *menuStatIP = nullptr, *menuStatOS = nullptr,
            *menuStatNav = nullptr, *menuStatResolution = nullptr, *menuStatCouleurs = nullptr,
            *menuStatProvenance = nullptr, *menuStatHoraires = nullptr, *menuStatVisites = nullptr,
            *menuRapportdAnalyse = nullptr, *menuApropos = nullptr,
            *menuAfficherComplements = nullptr, *actionComplementsDevant = nullptr,
            *menuExporterRapport = nullptr, *menuDetailEntrees = nullptr, *menuOuvrirBase = nullptr,
            *menuAjouterBase = nullptr;
    QWidget* ongletHistorique = nullptr;
    PageHistorique* pageHistorique = nullptr;
    std::unique_ptr<BaseJours> baseHistorique_;
    // The journal followed as it grows (FenetreSuivi.cpp).
    QAction *menuSuivreJournal = nullptr, *menuSuspendreSuivi = nullptr;
    SuiviJournal* suivi_ = nullptr;
    std::size_t nouvellesSuivies_ = 0;     // lines added since the follow began
    std::size_t debutDernierFichier_ = 0;  // where the last file's bytes begin in the journal
    void creerSuivi();
    // Follows the journal's last file when "Suivre le journal" is checked; stops otherwise.
    void commencerSuivi();
    void appliquerSuivi(Prolongement& p);
    void creerHistorique();
    bool ouvrirBaseHistorique();
    void ajouterALaBase();

    void creerMenus();
    void creerPageAnalyse();
    void creerPageStatistiques();
    void creerPageRapport();
    void creerComplements();
    void creerExportRapport();
    void creerControleurAnalyse();
    void creerBarreFiltre();
    void filtrerSur(SorteEntree sorte, const std::string& libelle, bool exclure);
    void proposerValeursFiltre();
    void placerBoutons();
    ContexteFenetre contextePages();
    // The file names of the journal loaded, oldest first, in UTF-8.
    std::vector<std::string> nomsJournaux() const;

    // Steps of the load after the dialog: the files read, the window shown as after a load.
    void chargerFichiers(const QStringList& chemins);
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
    bool complementsActifs() const;
    void menuAfficherComplementsClick(bool coche);

    Bip& bip_;
    ExecuteurCommandes executeur_;
    Journal journal_;
    std::shared_ptr<ResultatAnalyse> resultat_ = std::make_shared<ResultatAnalyse>();
    std::unique_ptr<BarreDeStatut> statut_;
    std::unique_ptr<ControleurAnalyse> controleur_;
    ChoixPeriode* choixPeriode_ = nullptr;
    Annulation* annulation_ = nullptr;
    QStringList fichiersJournal_;
    ChoixFormat* choixFormat_ = nullptr;
    BarreFiltre* barreFiltre_ = nullptr;
    ChoixBaseGeolocalisation* baseGeolocalisation_ = nullptr;
    FichiersRecents* fichiersRecents_ = nullptr;
    OptionLignesIgnorees* optionLignes_ = nullptr;
    // "Résultats &lisibles", in "&Outils" after the option above.
    QAction* menuResultatsLisibles = nullptr;
    void creerOptionLisibles();
    bool quitte_ = false;
};

// A path as the system names it (QFile::encodeName).
std::string cheminSysteme(const QString& chemin);
// The file-name part of a path: after the last "/" or "\".
QString nomFichier(const QString& chemin);
// The core's message on a file again, with the path as the user typed it (the core has its
// bytes).
QString messageFichier(const QString& chemin, const ErreurFichier& e);

}  // namespace kestrane
