// The base of days in an SQLite file: the default, for one machine. Writers take the base at
// once (BEGIN IMMEDIATE) and wait for one another up to kAttenteMs; the write-ahead log lets the
// window read while a feed writes.
#include <sqlite3.h>

#include <string>
#include <unordered_map>

#include "core/historique/Connexion.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {

constexpr int kAttenteMs = 10000;

class ConnexionSqlite : public ConnexionBase {
  public:
    explicit ConnexionSqlite(std::string chemin) : chemin_(std::move(chemin)) {
        const int rc = sqlite3_open_v2(chemin_.c_str(), &base_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK) {
            const std::string raison = base_ ? sqlite3_errmsg(base_) : kBaseInaccessible.c_str();
            sqlite3_close(base_);
            base_ = nullptr;
            throw ErreurBase(message(rc, raison));
        }
        sqlite3_busy_timeout(base_, kAttenteMs);
        sqlite3_extended_result_codes(base_, 0);
        // A file that is no base fails here, before anything is written. Two programs opening a
        // new base at once both ask for its write-ahead log: the one that waits is answered busy
        // at once (the busy handler is not called), and asks again.
        for (int essai = 0;; ++essai) {
            const int rc =
                sqlite3_exec(base_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) break;
            if ((rc & 0xFF) != SQLITE_BUSY || essai * 10 >= kAttenteMs) {
                const std::string raison = sqlite3_errmsg(base_);
                sqlite3_close(base_);
                base_ = nullptr;
                throw ErreurBase(message(rc, raison));
            }
            sqlite3_sleep(10);
        }
        try {
            executer("PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON");
        } catch (...) {
            sqlite3_close(base_);
            base_ = nullptr;
            throw;
        }
    }

    ~ConnexionSqlite() override {
        if (enTransaction_) annuler();
        for (auto& [sql, requete] : preparees_) sqlite3_finalize(requete);
        sqlite3_close(base_);
    }

    const char* moteur() const override { return "sqlite"; }
    const char* typeOctets() const override { return "BLOB"; }

    void executer(std::string_view sql) override {
        char* erreur = nullptr;
        const int rc = sqlite3_exec(base_, std::string(sql).c_str(), nullptr, nullptr, &erreur);
        if (rc != SQLITE_OK) {
            const std::string raison = erreur ? erreur : sqlite3_errmsg(base_);
            sqlite3_free(erreur);
            throw ErreurBase(message(rc, raison));
        }
    }

    std::vector<LigneBase> requete(std::string_view sql,
                                   const std::vector<ValeurBase>& parametres) override {
        sqlite3_stmt* r = preparer(sql);
        lier(r, parametres);
        std::vector<LigneBase> lignes;
        for (;;) {
            const int rc = sqlite3_step(r);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) echec(r, rc);
            LigneBase l(static_cast<std::size_t>(sqlite3_column_count(r)));
            for (int c = 0; c < sqlite3_column_count(r); ++c)
                l[static_cast<std::size_t>(c)] = lire(r, c);
            lignes.push_back(std::move(l));
        }
        sqlite3_reset(r);
        return lignes;
    }

    void inserer(std::string_view table, const std::vector<std::string>& colonnes,
                 const std::vector<LigneBase>& lignes) override {
        std::string sql = "INSERT INTO " + std::string(table) + " (";
        std::string valeurs;
        for (std::size_t k = 0; k < colonnes.size(); ++k) {
            sql += k ? "," : "";
            sql += colonnes[k];
            valeurs += k ? ",$" : "$";
            valeurs += std::to_string(k + 1);
        }
        sql += ") VALUES (" + valeurs + ")";
        sqlite3_stmt* r = preparer(sql);
        for (const LigneBase& l : lignes) {
            lier(r, l);
            const int rc = sqlite3_step(r);
            if (rc != SQLITE_DONE) echec(r, rc);
            sqlite3_reset(r);
        }
    }

    void commencer(std::string_view) override {
        executer("BEGIN IMMEDIATE");
        enTransaction_ = true;
    }

    void valider() override {
        executer("COMMIT");
        enTransaction_ = false;
    }

    void annuler() noexcept override {
        enTransaction_ = false;
        // Statements left half-run would keep the transaction's locks.
        for (auto& [sql, requete] : preparees_) sqlite3_reset(requete);
        sqlite3_exec(base_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

  private:
    std::string message(int rc, const std::string& raison) const {
        std::string m = std::string(kBaseHistorique) + chemin_ + kBaseHistoriqueFin;
        switch (rc & 0xFF) {
            case SQLITE_NOTADB:
            case SQLITE_CORRUPT:
                return m + kBasePasUneBase;
            case SQLITE_BUSY:
            case SQLITE_LOCKED:
                return m + kBaseVerrouillee;
            case SQLITE_FULL:
                return m + kBaseDisquePlein;
            default:
                return m + raison;
        }
    }

    [[noreturn]] void echec(sqlite3_stmt* r, int rc) {
        const std::string raison = sqlite3_errmsg(base_);
        sqlite3_reset(r);
        throw ErreurBase(message(rc, raison));
    }

    sqlite3_stmt* preparer(std::string_view sql) {
        auto it = preparees_.find(std::string(sql));
        if (it != preparees_.end()) return it->second;
        // $1, $2... written ?1, ?2...: SQLite takes "$1" for a name, which it looks for among
        // every name before it (a statement of thousands of rows would take a while), where it
        // takes "?1" for the place it numbers.
        std::string numerotee(sql);
        char guillemet = 0;
        for (std::size_t k = 0; k < numerotee.size(); ++k) {
            const char c = numerotee[k];
            if (guillemet) {
                if (c == guillemet) guillemet = 0;
            } else if (c == '\'' || c == '"') {
                guillemet = c;
            } else if (c == '$' && k + 1 < numerotee.size() && numerotee[k + 1] >= '0' &&
                       numerotee[k + 1] <= '9') {
                numerotee[k] = '?';
            }
        }
        sqlite3_stmt* r = nullptr;
        const int rc = sqlite3_prepare_v2(base_, numerotee.data(),
                                          static_cast<int>(numerotee.size()), &r, nullptr);
        if (rc != SQLITE_OK) throw ErreurBase(message(rc, sqlite3_errmsg(base_)));
        preparees_.emplace(std::string(sql), r);
        return r;
    }

    void lier(sqlite3_stmt* r, const std::vector<ValeurBase>& parametres) {
        sqlite3_clear_bindings(r);
        // A value the statement does not use is not bound.
        const auto places = static_cast<std::size_t>(sqlite3_bind_parameter_count(r));
        for (std::size_t k = 0; k < parametres.size() && k < places; ++k) {
            const int i = static_cast<int>(k + 1);
            const ValeurBase& v = parametres[k];
            int rc = SQLITE_OK;
            switch (v.sorte) {
                case ValeurBase::Sorte::nul:
                    rc = sqlite3_bind_null(r, i);
                    break;
                case ValeurBase::Sorte::entier:
                    rc = sqlite3_bind_int64(r, i, v.entier);
                    break;
                case ValeurBase::Sorte::texte:
                    rc = sqlite3_bind_text64(r, i, v.texte.data(), v.texte.size(), SQLITE_TRANSIENT,
                                             SQLITE_UTF8);
                    break;
                case ValeurBase::Sorte::octets:
                    rc =
                        sqlite3_bind_blob64(r, i, v.texte.data(), v.texte.size(), SQLITE_TRANSIENT);
                    break;
            }
            if (rc != SQLITE_OK) echec(r, rc);
        }
    }

    static ValeurBase lire(sqlite3_stmt* r, int c) {
        switch (sqlite3_column_type(r, c)) {
            case SQLITE_NULL:
                return ValeurBase::nul();
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                return ValeurBase::de(static_cast<int64_t>(sqlite3_column_int64(r, c)));
            case SQLITE_BLOB: {
                const auto* p = static_cast<const char*>(sqlite3_column_blob(r, c));
                return ValeurBase::octetsDe(std::string_view(
                    p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(r, c))));
            }
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(r, c));
                return ValeurBase::de(std::string_view(
                    p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(r, c))));
            }
        }
    }

    std::string chemin_;
    sqlite3* base_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> preparees_;
    bool enTransaction_ = false;
};

}  // namespace

std::unique_ptr<ConnexionBase> ouvrirSqlite(const std::string& chemin) {
    return std::make_unique<ConnexionSqlite>(chemin);
}

bool adressePostgres(std::string_view adresse) {
    return adresse.starts_with("postgresql://") || adresse.starts_with("postgres://");
}

std::unique_ptr<ConnexionBase> ouvrirBase(const std::string& adresse) {
    return adressePostgres(adresse) ? ouvrirPostgres(adresse) : ouvrirSqlite(adresse);
}

}  // namespace kestrane
