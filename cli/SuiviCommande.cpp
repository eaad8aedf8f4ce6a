#include "cli/SuiviCommande.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/AnalyseCommande.h"
#include "cli/MessagesCommande.h"
#include "core/analyse/AnalyseFlux.h"
#include "core/historique/BaseJours.h"
#include "core/journal/Chemins.h"
#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"
#include "core/journal/LectureFlux.h"
#include "core/journal/SuiviFichier.h"
#include "core/journal/Texte.h"

namespace kestrane {

namespace {

using Horloge = std::chrono::steady_clock;

// What one look at the file takes at most: a writer far ahead is caught up with in pieces.
constexpr std::size_t kMorceau = std::size_t{4} << 20;
// The longest wait between two looks at a file (standard input wakes the wait itself).
constexpr auto kAttenteMax = std::chrono::milliseconds(100);

// SIGINT and SIGTERM ask the follow to end. The handler only raises the flag and wakes the wait
// through a pipe of the program's own, which the wait watches with the input.
volatile std::sig_atomic_t gArret = 0;
int gReveil = -1;

extern "C" void demanderArret(int) {
    const int e = errno;
    gArret = 1;
    if (gReveil >= 0) {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(gReveil, &c, 1);
    }
    errno = e;
}

// The two signals caught while the follow runs, their former handling put back after.
class Signaux {
  public:
    Signaux() {
        // Without the pipe the wait is short anyway, and the flag is seen at its end.
        if (::pipe2(tube_, O_CLOEXEC | O_NONBLOCK) != 0) tube_[0] = tube_[1] = -1;
        gArret = 0;
        gReveil = tube_[1];
        struct sigaction a {};
        a.sa_handler = demanderArret;
        sigemptyset(&a.sa_mask);
        a.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &a, &anciens_[0]);
        ::sigaction(SIGTERM, &a, &anciens_[1]);
    }
    ~Signaux() {
        ::sigaction(SIGINT, &anciens_[0], nullptr);
        ::sigaction(SIGTERM, &anciens_[1], nullptr);
        gReveil = -1;
        for (const int fd : tube_) {
            if (fd >= 0) ::close(fd);
        }
    }
    Signaux(const Signaux&) = delete;
    Signaux& operator=(const Signaux&) = delete;

    bool arret() const { return gArret != 0; }

    // Waits `duree` at most: less when a signal comes or `fd` (>= 0) has something to read.
    void attendre(std::chrono::milliseconds duree, int fd) {
        pollfd p[2];
        nfds_t n = 0;
        if (tube_[0] >= 0) p[n++] = {tube_[0], POLLIN, 0};
        if (fd >= 0) p[n++] = {fd, POLLIN, 0};
        if (arret()) return;
        ::poll(p, n, static_cast<int>(std::max<int64_t>(duree.count(), 0)));
        char vide[16];
        while (tube_[0] >= 0 && ::read(tube_[0], vide, sizeof vide) > 0) {
        }
    }

  private:
    int tube_[2] = {-1, -1};
    struct sigaction anciens_[2]{};
};

// The base of days fed with the followed file's lines as they come: at each feed, the file opened
// at the last one is read to its end first (renamed or deleted since, its last lines are still
// there, through the program's own descriptor), then the file under the name now. The base knows
// each file by its content and counts only what it has not.
class BaseSuivie {
  public:
    explicit BaseSuivie(const DemandeSuivi& d)
        : base_(d.base),
          chemin_(d.journal),
          serveur_(d.serveur.empty() ? nomDeLaMachine() : d.serveur),
          options_(d.analyse),
          limite_(d.limite),
          parDescripteur_(::access("/proc/self/fd", X_OK) == 0) {}
    ~BaseSuivie() { fermer(); }
    BaseSuivie(const BaseSuivie&) = delete;
    BaseSuivie& operator=(const BaseSuivie&) = delete;

    // Raises the base's errors, the base then as it was: a next feed adds the same lines.
    void alimenter() {
        struct stat nomme {};
        const bool present = ::stat(chemin_.c_str(), &nomme) == 0;
        if (fd_ >= 0) {
            ajouter();
            if (present && nomme.st_dev == dev_ && nomme.st_ino == ino_) return;
            fermer();
        }
        if (!present) return;
        if (!parDescripteur_) {
            base_.ajouter({chemin_}, serveur_, options_, limite_);
            return;
        }
        fd_ = ::open(chemin_.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat ouvert {};
        if (fd_ < 0 || ::fstat(fd_, &ouvert) != 0) return fermer();
        dev_ = ouvert.st_dev;
        ino_ = ouvert.st_ino;
        ajouter();
    }

    // A message of the base in UTF-8, the file named by its path rather than its descriptor.
    std::string message(const ErreurKestrane& e) const {
        const std::string& m = e.message();
        const std::size_t p = fd_ >= 0 ? m.find(descripteur()) : std::string::npos;
        if (p == std::string::npos) return utf8Depuis1252(m);
        return utf8Depuis1252(m.substr(0, p)) + chemin_ +
               utf8Depuis1252(m.substr(p + descripteur().size()));
    }

  private:
    std::string descripteur() const { return "/proc/self/fd/" + std::to_string(fd_); }
    void ajouter() { base_.ajouter({descripteur()}, serveur_, options_, limite_); }
    void fermer() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    BaseJours base_;
    std::string chemin_, serveur_;
    OptionsAnalyse options_;
    std::size_t limite_;
    bool parDescripteur_;
    int fd_ = -1;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

// Standard input that turns out to be compressed.
struct EntreeCompressee {};

// Whether the file at `chemin` begins as a gzip file does (false when it cannot be read: the
// first read then says why).
bool fichierCompresse(const std::string& chemin) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char debut[2];
    const ssize_t n = ::read(fd, debut, sizeof debut);
    ::close(fd);
    return n > 0 && estGzip(std::string_view(debut, static_cast<std::size_t>(n)));
}

// The follow itself: the counts, the file followed, the outputs written.
class Suivi {
  public:
    Suivi(const DemandeSuivi& d, std::ostream& erreurs,
          const std::function<int(const std::string&)>& echec)
        : d_(d), erreurs_(erreurs), echec_(echec), comptes_(d.analyse) {
        a_.journaux = {d.journal};
        a_.flux = BilanFlux{};
        if (const char* f = std::getenv("KESTRANE_DUREES_SUIVI")) durees_ = f;
    }

    int executer(std::ostream& sortie) {
        const auto debut = Horloge::now();
        const bool entree = d_.journal == kEntreeStandard;
        if (!d_.base.empty()) base_ = std::make_unique<BaseSuivie>(d_);
        if (entree) {
            suivi_.emplace(d_.journal);
        } else {
            premiereLecture();
        }
        const auto intervalle = std::chrono::seconds(d_.intervalle);
        auto prochaine = Horloge::now() + intervalle;
        for (;;) {
            // The flag read before the last look: the lines there when the signal came count.
            const bool arret = signaux_.arret();
            if (lireLesNouvelles(prochaine) || arret) break;
            const auto maintenant = Horloge::now();
            if (maintenant >= prochaine) {
                if (nouvelles_) {
                    alimenterBase();
                    ecrire();
                }
                prochaine = maintenant + intervalle;
            }
            const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
                prochaine - Horloge::now() + std::chrono::milliseconds(1));
            signaux_.attendre(std::min(reste, std::chrono::milliseconds(kAttenteMax)),
                              entree ? STDIN_FILENO : -1);
        }
        if (nouvelles_ || !ecrit_) {
            alimenterBase();
            ecrire();
        }
        if (!ecrit_) {
            // Nothing could be reported: said as the one-shot run says it.
            verifierIssue(issue_);
            return echec_(texteAucuneLigneConforme(comptes_.ignorees()));
        }
        ecrireResume(sortie, a_, resume_, derniere_, d_.sorties,
                     std::chrono::duration<double>(Horloge::now() - debut).count());
        return baseEnEchec_ ? 1 : 0;
    }

  private:
    // The journal read as the one-shot run reads it, its last line counted only with its break;
    // then followed from the end of that line.
    void premiereLecture() {
        const auto avant = identiteFichier(d_.journal);
        OptionsFlux flux;
        flux.ligneOuverteLaissee = true;
        issue_ = lireEnFlux({d_.journal}, d_.analyse, d_.progression ? &erreurs_ : nullptr, d_.nom,
                            a_, flux, &comptes_);
        numero_ = a_.flux->nbLignes.empty() ? 0 : a_.flux->nbLignes.front();
        suivi_.emplace(d_.journal, a_.flux->octetsLignes);
        // Replaced while it was read: the new file is all new.
        if (identiteFichier(d_.journal) != avant) suivi_.emplace(d_.journal, 0);
        // The base first: once the outputs count a line, the base holds it too.
        alimenterBase();
        ecrireResultat();
    }

    // Reads what the file gained, in pieces, and counts it; true at the end of standard input.
    // Stops early at `limite`, when the outputs are due.
    bool lireLesNouvelles(Horloge::time_point limite) {
        for (;;) {
            const SuiviFichier::Lecture l = suivi_->lire(kMorceau);
            if (suivi_->enAttente() > DecoupeLignes::kLigneMax) {
                // A line that never ends would fill the memory.
                throw ErreurAnalyse(texteLigneTropLongue(DecoupeLignes::kLigneMax >> 20),
                                    numero_ + 1);
            }
            const std::string_view o = l.lignes;
            if (l.troncatures > 0) numero_ = 0;
            // After a rotation the lines end the file read before, then begin the new one.
            std::size_t avant = o.size();
            if (l.rotations > 0) {
                const uint64_t neufs = suivi_->position() - suivi_->enAttente();
                avant = o.size() > neufs ? o.size() - static_cast<std::size_t>(neufs) : 0;
            }
            compter(o.substr(0, avant));
            if (l.rotations > 0) numero_ = 0;
            compter(o.substr(avant));
            if (l.fin) return true;
            if (o.empty() || Horloge::now() >= limite) return false;
        }
    }

    // Whole lines, the last one maybe without its break (a file rotated away).
    void compter(std::string_view o) {
        if (o.empty()) return;
        if (premiers_ && d_.journal == kEntreeStandard && estGzip(o)) throw EntreeCompressee();
        premiers_ = false;
        fins_.clear();
        lignes_.clear();
        trouverSauts(o, fins_);
        std::size_t debut = 0;
        const auto ajouter = [&](std::size_t fin) {
            if (fin - debut > DecoupeLignes::kLigneMax) {
                const std::size_t n = numero_ + lignes_.size() + 1;
                throw ErreurAnalyse(texteLigneTropLongue(DecoupeLignes::kLigneMax >> 20), n);
            }
            lignes_.push_back(o.substr(debut, fin - debut));
        };
        for (const std::size_t k : fins_) {
            const bool crlf = k >= debut + 2 && o[k - 1] == '\n' && o[k - 2] == '\r';
            ajouter(k - (crlf ? 2 : 1));
            debut = k;
        }
        if (debut < o.size()) ajouter(o.size());
        try {
            comptes_.compter(lignes_, o, numero_);
        } catch (const ErreurLigneFlux& e) {
            throw erreurDeLigne(e, {d_.journal});
        }
        numero_ += lignes_.size();
        nouvelles_ = true;
    }

    // The outputs from every line counted so far; nothing while no line is analysed.
    void ecrire() {
        a_.resultat = ResultatAnalyse();
        issue_ = comptes_.resultat(a_.resultat);
        ecrireResultat();
    }

    void ecrireResultat() {
        const auto debut = Horloge::now();
        nouvelles_ = false;
        a_.flux->lignesAnalysees = comptes_.analysees();
        a_.flux->ignorees = comptes_.ignorees();
        if (issue_ != IssueAnalyse::terminee) return;
        const ResumeAnalyse resume = resumerAnalyse(a_);
        if (resume.lignesAnalysees == 0) return;
        DonneesRapport donnees = donneesDeLAnalyse(a_, resume, d_.journal);
        const std::string maintenant = dateLocale("%d/%m/%Y %H:%M:%S");
        const std::size_t blanc = maintenant.find(' ');
        donnees.actualisation = {maintenant.substr(0, blanc), maintenant.substr(blanc + 1),
                                 d_.intervalle};
        ecrireSorties(d_.sorties, donnees);
        ecrit_ = true;
        resume_ = resume;
        // What the summary line needs, without the tables.
        donnees.tables.clear();
        derniere_ = std::move(donnees);
        noterDuree(Horloge::now() - debut);
    }

    // Each write's milliseconds, for the benchmark (bench/bench_suivi.sh).
    void noterDuree(Horloge::duration duree) const {
        if (durees_.empty()) return;
        if (std::FILE* f = std::fopen(durees_.c_str(), "a")) {
            std::fprintf(f, "%.3f\n", std::chrono::duration<double, std::milli>(duree).count());
            std::fclose(f);
        }
    }

    void alimenterBase() {
        if (!base_) return;
        try {
            base_->alimenter();
            baseEnEchec_ = false;
        } catch (const ErreurKestrane& e) {
            // A base held by a feed of its own, a full disk: the next feed adds the same lines.
            baseEnEchec_ = true;
            echec_(base_->message(e) + kBaseNouvelEssai);
        }
    }

    const DemandeSuivi& d_;
    std::ostream& erreurs_;
    const std::function<int(const std::string&)>& echec_;
    Signaux signaux_;
    ComptesFlux comptes_;
    std::optional<SuiviFichier> suivi_;
    std::unique_ptr<BaseSuivie> base_;
    Analyse a_;
    IssueAnalyse issue_ = IssueAnalyse::pasDeFichier;
    ResumeAnalyse resume_;
    DonneesRapport derniere_;
    std::size_t numero_ = 0;  // lines of the file followed counted so far (its numbering)
    std::vector<std::size_t> fins_;
    std::vector<std::string_view> lignes_;
    bool nouvelles_ = false, ecrit_ = false, baseEnEchec_ = false, premiers_ = true;
    std::string durees_;
};

}  // namespace

int executerSuivi(const DemandeSuivi& d, std::ostream& sortie, std::ostream& erreurs,
                  const std::function<int(const std::string&)>& echec) {
    if (d.journal == kEntreeStandard) {
        // A terminal's read would wait for a line whatever the signals.
        struct stat s {};
        if (::fstat(STDIN_FILENO, &s) != 0 || !(S_ISFIFO(s.st_mode) || S_ISREG(s.st_mode))) {
            return echec(kSuivreEntreeTerminal);
        }
    } else {
        struct stat s {};
        if (::stat(d.journal.c_str(), &s) == 0 && !S_ISREG(s.st_mode)) {
            return echec(kSuivreFichierOrdinaire);
        }
        // Its lines are not its bytes: the file read on from an offset would be noise.
        if (fichierCompresse(d.journal)) return echec(texteSuivreCompresse(d.journal));
    }
    Suivi suivi(d, erreurs, echec);
    try {
        return suivi.executer(sortie);
    } catch (const RelectureNecessaire&) {
        return echec(kSuiviSansRelecture);
    } catch (const EntreeCompressee&) {
        return echec(texteSuivreCompresse(d.journal));
    }
}

}  // namespace kestrane
