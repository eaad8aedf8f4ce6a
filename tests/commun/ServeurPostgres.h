// A PostgreSQL 15 server of the tests' own: made by initdb in a temporary folder the first time a
// test asks for it, listening on a Unix socket in that folder only, stopped and removed when the
// test program ends. Run as `nobody` when the tests run as root (initdb refuses root). Null when
// the server's programs are missing: the tests that need it are then skipped, never faked.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace kestrane::test {

class ServeurPostgres {
  public:
    static ServeurPostgres* partage() {
        static const std::unique_ptr<ServeurPostgres> serveur = demarrer();
        return serveur.get();
    }

    // A new empty database on the server, as an address for ouvrirBase().
    std::string nouvelleBase() {
        const std::string nom = "kestrane" + std::to_string(++bases_);
        if (!lancer(binaire("createdb") + " -h " + dossier_ + " -U kestrane " + nom)) return {};
        return "postgresql:///" + nom + "?host=" + dossier_ + "&user=kestrane";
    }

    ~ServeurPostgres() {
        lancer(binaire("pg_ctl") + " -D " + dossier_ + "/donnees -m immediate -w stop");
        std::error_code ec;
        std::filesystem::remove_all(dossier_, ec);
    }

  private:
    static constexpr const char* kBinaires = "/usr/lib/postgresql/15/bin/";

    static std::unique_ptr<ServeurPostgres> demarrer() {
        if (!std::filesystem::exists(std::string(kBinaires) + "initdb")) return nullptr;
        auto s = std::unique_ptr<ServeurPostgres>(new ServeurPostgres);
        std::string modele = (std::filesystem::temp_directory_path() / "kestrane-pg-XXXXXX").string();
        if (::mkdtemp(modele.data()) == nullptr) return nullptr;
        s->dossier_ = modele;
        if (::geteuid() == 0) {
            s->utilisateur_ = "runuser -u nobody -- ";
            if (std::system(("chown nobody " + modele).c_str()) != 0) return nullptr;
        }
        const std::string donnees = modele + "/donnees";
        if (!s->lancer(s->binaire("initdb") + " -D " + donnees +
                       " -U kestrane --auth=trust -E UTF8 --no-locale -N") ||
            !s->lancer(s->binaire("pg_ctl") + " -D " + donnees + " -l " + modele +
                       "/journal -w -o \"-c listen_addresses='' -k " + modele +
                       " -c fsync=off -c full_page_writes=off\" start")) {
            return nullptr;
        }
        return s;
    }

    std::string binaire(const char* nom) const { return utilisateur_ + kBinaires + nom; }
    bool lancer(const std::string& commande) const {
        return std::system((commande + " >/dev/null 2>&1").c_str()) == 0;
    }

    std::string dossier_, utilisateur_;
    int bases_ = 0;
};

}  // namespace kestrane::test
