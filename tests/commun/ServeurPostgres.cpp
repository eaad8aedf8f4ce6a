#include "tests/commun/ServeurPostgres.h"

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

namespace kestrane::test {

namespace {

namespace fs = std::filesystem;

constexpr const char* kProprietaire = "kestrane";  // the server's superuser, trusted on its socket

// The postmaster, for the signal handlers (kill is safe there).
std::atomic<pid_t> gPostmaster{0};
constexpr int kSignaux[] = {SIGABRT, SIGSEGV, SIGBUS, SIGINT, SIGTERM};
struct sigaction gAnciens[std::size(kSignaux)];

// A dying program stops its server at once (SIGQUIT: the immediate shutdown), then dies as it
// would have: the former handler put back, the fault or abort() running it when this returns.
void surSignal(int signal) {
    const pid_t pid = gPostmaster.exchange(0);
    if (pid > 0) ::kill(pid, SIGQUIT);
    for (std::size_t k = 0; k < std::size(kSignaux); ++k)
        if (kSignaux[k] == signal) ::sigaction(signal, &gAnciens[k], nullptr);
    if (signal == SIGINT || signal == SIGTERM) ::raise(signal);
}

class Serveur {
  public:
    Serveur() {
        const char* binaires = std::getenv("KESTRANE_PG_BIN");
        binaires_ = binaires ? binaires : "/usr/lib/postgresql/15/bin";
        for (const char* outil : {"initdb", "pg_ctl", "createdb"}) {
            if (!fs::exists(binaires_ / outil)) {
                etat_ = BasePostgres::Etat::absent;
                raison_ =
                    "PostgreSQL 15 is not installed here (no " + (binaires_ / outil).string() + ")";
                return;
            }
        }
        etat_ = BasePostgres::Etat::echec;
        std::string modele = (fs::temp_directory_path() / "kestrane-pg-XXXXXX").string();
        if (::mkdtemp(modele.data()) == nullptr) {
            raison_ = "mkdtemp failed";
            return;
        }
        dossier_ = modele;
        if (::geteuid() == 0) {
            const passwd* personne = ::getpwnam("nobody");
            if (personne == nullptr ||
                ::chown(modele.c_str(), personne->pw_uid, personne->pw_gid)) {
                raison_ = "cannot give the server's folder to nobody";
                return;
            }
            commeProprietaire_ = "runuser -u nobody -- ";
        }
        const std::string d = dossier_.string();
        const std::string options = "-c listen_addresses='' -c unix_socket_directories='" + d +
                                    "' -c fsync=off -c full_page_writes=off "
                                    "-c synchronous_commit=off";
        if (!lancer("initdb", commeProprietaire_ + outil("initdb") + " -D " + d + "/donnees -U " +
                                  kProprietaire + " -A trust --locale=C -E UTF8 --no-sync") ||
            !lancer("pg_ctl", commeProprietaire_ + outil("pg_ctl") + " start -w -t 60 -D " + d +
                                  "/donnees -l " + d + "/serveur.log -o \"" + options + "\"")) {
            arreter();
            return;
        }
        std::ifstream pid(dossier_ / "donnees" / "postmaster.pid");
        pid_t n = 0;
        pid >> n;
        gPostmaster = n;
        struct sigaction action = {};
        action.sa_handler = surSignal;
        for (std::size_t k = 0; k < std::size(kSignaux); ++k)
            ::sigaction(kSignaux[k], &action, &gAnciens[k]);
        etat_ = BasePostgres::Etat::prete;
    }

    ~Serveur() {
        arreter();
        std::error_code ec;
        if (!dossier_.empty()) fs::remove_all(dossier_, ec);
    }

    BasePostgres baseNeuve() {
        const std::lock_guard<std::mutex> verrou(mutex_);
        if (etat_ != BasePostgres::Etat::prete) return {etat_, {}, raison_};
        const std::string nom = "kestrane_" + std::to_string(++bases_);
        const std::string d = dossier_.string();
        if (!lancer("createdb",
                    outil("createdb") + " -h " + d + " -U " + kProprietaire + " " + nom))
            return {BasePostgres::Etat::echec, {}, raison_};
        return {BasePostgres::Etat::prete,
                "postgresql:///" + nom + "?host=" + d + "&user=" + kProprietaire,
                {}};
    }

  private:
    std::string outil(const char* nom) const { return (binaires_ / nom).string(); }

    // Runs `commande` from the folder, its output kept in <nom>.log; false with the log's end
    // in raison_ when it fails.
    bool lancer(const std::string& nom, const std::string& commande) {
        const fs::path journal = dossier_ / (nom + ".log");
        const std::string ligne =
            "cd " + dossier_.string() + " && " + commande + " > " + journal.string() + " 2>&1";
        if (std::system(ligne.c_str()) == 0) return true;
        std::ifstream f(journal);
        const std::string texte(std::istreambuf_iterator<char>(f), {});
        raison_ = nom + " failed: " + texte.substr(texte.size() > 2000 ? texte.size() - 2000 : 0);
        return false;
    }

    void arreter() {
        if (!fs::exists(dossier_ / "donnees" / "postmaster.pid")) return;
        gPostmaster = 0;
        std::system((commeProprietaire_ + outil("pg_ctl") + " stop -m immediate -D " +
                     dossier_.string() + "/donnees > /dev/null 2>&1")
                        .c_str());
    }

    fs::path binaires_, dossier_;
    std::string commeProprietaire_;
    BasePostgres::Etat etat_ = BasePostgres::Etat::absent;
    std::string raison_;
    int bases_ = 0;
    std::mutex mutex_;
};

}  // namespace

BasePostgres basePostgresNeuve() {
    // Made at the first call, stopped by its destructor when the program exits.
    static Serveur serveur;
    return serveur.baseNeuve();
}

}  // namespace kestrane::test
