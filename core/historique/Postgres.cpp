// The base of days on a PostgreSQL server, which several web servers feed at once. Statements go
// with their parameters as text (bytes in binary), results come back as text: integers read as
// such (a SUM of BIGINT is NUMERIC there), bytes from their hexadecimal form. A transaction that
// writes takes an advisory lock on its key first, so that two feeds of one server, from any
// machine, run one after the other.
#include <libpq-fe.h>

#include <cstring>
#include <string>
#include <unordered_map>

#include "core/historique/Connexion.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {

// Type numbers of the results read (pg_type).
constexpr Oid kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kNumeric = 1700, kOid = 26;

// The address as messages show it: a password in it replaced.
std::string adresseSansMotDePasse(const std::string& adresse) {
    const std::size_t schema = adresse.find("://");
    if (schema == std::string::npos) return adresse;
    const std::size_t arobase = adresse.find('@', schema + 3);
    const std::size_t deuxPoints = adresse.find(':', schema + 3);
    std::string r = adresse;
    if (arobase != std::string::npos && deuxPoints != std::string::npos && deuxPoints < arobase) {
        r.replace(deuxPoints + 1, arobase - deuxPoints - 1, "***");
    }
    const std::size_t mdp = r.find("password=");
    if (mdp != std::string::npos) {
        const std::size_t fin = r.find('&', mdp);
        r.replace(mdp + 9, (fin == std::string::npos ? r.size() : fin) - mdp - 9, "***");
    }
    return r;
}

int hexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class ConnexionPostgres : public ConnexionBase {
  public:
    explicit ConnexionPostgres(const std::string& adresse)
        : adresse_(adresseSansMotDePasse(adresse)), c_(PQconnectdb(adresse.c_str())) {
        if (!c_ || PQstatus(c_) != CONNECTION_OK) {
            const std::string raison = c_ ? PQerrorMessage(c_) : kBaseInaccessible;
            PQfinish(c_);
            c_ = nullptr;
            throw ErreurBase(
                message(std::string(kBaseServeurInjoignable) + " (" + premiereLigne(raison) + ")"));
        }
        PQsetNoticeProcessor(
            c_, [](void*, const char*) {}, nullptr);
        if (PQsetClientEncoding(c_, "UTF8") != 0) {
            PQfinish(c_);
            c_ = nullptr;
            throw ErreurBase(message(kBaseInaccessible));
        }
    }

    ~ConnexionPostgres() override {
        if (enTransaction_) annuler();
        PQfinish(c_);
    }

    const char* moteur() const override { return "postgresql"; }
    const char* typeOctets() const override { return "BYTEA"; }

    void executer(std::string_view sql) override {
        Resultat r(PQexec(c_, std::string(sql).c_str()));
        verifier(r.r);
    }

    std::vector<LigneBase> requete(std::string_view sql,
                                   const std::vector<ValeurBase>& parametres) override {
        std::vector<std::string> textes(parametres.size());
        std::vector<const char*> valeurs(parametres.size());
        std::vector<int> longueurs(parametres.size()), formats(parametres.size());
        for (std::size_t k = 0; k < parametres.size(); ++k) {
            const ValeurBase& v = parametres[k];
            switch (v.sorte) {
                case ValeurBase::Sorte::nul:
                    valeurs[k] = nullptr;
                    break;
                case ValeurBase::Sorte::entier:
                    textes[k] = std::to_string(v.entier);
                    valeurs[k] = textes[k].c_str();
                    break;
                case ValeurBase::Sorte::texte:
                    valeurs[k] = v.texte.c_str();
                    break;
                case ValeurBase::Sorte::octets:
                    valeurs[k] = v.texte.data();
                    longueurs[k] = static_cast<int>(v.texte.size());
                    formats[k] = 1;
                    break;
            }
        }
        Resultat r(PQexecParams(c_, std::string(sql).c_str(), static_cast<int>(parametres.size()),
                                nullptr, valeurs.data(), longueurs.data(), formats.data(), 0));
        verifier(r.r);
        std::vector<LigneBase> lignes;
        const int nl = PQntuples(r.r), nc = PQnfields(r.r);
        for (int l = 0; l < nl; ++l) {
            LigneBase ligne(static_cast<std::size_t>(nc));
            for (int k = 0; k < nc; ++k) ligne[static_cast<std::size_t>(k)] = lire(r.r, l, k);
            lignes.push_back(std::move(ligne));
        }
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
        for (const LigneBase& l : lignes) requete(sql, l);
    }

    void commencer(std::string_view cle) override {
        executer("BEGIN");
        enTransaction_ = true;
        // FNV-1a of the key: the same lock number on every machine.
        uint64_t h = 0xCBF29CE484222325ull;
        for (const char c : cle) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        requete("SELECT pg_advisory_xact_lock($1)", {ValeurBase::de(static_cast<int64_t>(h))});
    }

    void valider() override {
        executer("COMMIT");
        enTransaction_ = false;
    }

    void annuler() noexcept override {
        enTransaction_ = false;
        PGresult* r = PQexec(c_, "ROLLBACK");
        PQclear(r);
    }

  private:
    // A result freed with its scope.
    struct Resultat {
        explicit Resultat(PGresult* p) : r(p) {}
        ~Resultat() { PQclear(r); }
        Resultat(const Resultat&) = delete;
        Resultat& operator=(const Resultat&) = delete;
        PGresult* r;
    };

    static std::string premiereLigne(const std::string& t) {
        const std::size_t fin = t.find('\n');
        return fin == std::string::npos ? t : t.substr(0, fin);
    }

    std::string message(const std::string& raison) const {
        return std::string(kBaseHistorique) + adresse_ + kBaseHistoriqueFin + raison;
    }

    void verifier(PGresult* r) const {
        const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        if (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK) return;
        const char* etat = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        const std::string code = etat ? etat : "";
        if (code == "53100") throw ErreurBase(message(kBaseDisquePlein));
        if (code == "40001" || code == "40P01" || code == "55P03") {
            throw ErreurBase(message(kBaseVerrouillee));
        }
        const char* primaire = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        throw ErreurBase(message(primaire ? primaire : premiereLigne(PQerrorMessage(c_))));
    }

    static ValeurBase lire(PGresult* r, int l, int k) {
        if (PQgetisnull(r, l, k)) return ValeurBase::nul();
        const char* v = PQgetvalue(r, l, k);
        const auto n = static_cast<std::size_t>(PQgetlength(r, l, k));
        switch (PQftype(r, k)) {
            case kInt8:
            case kInt4:
            case kInt2:
            case kOid:
            case kNumeric: {
                int64_t x = 0;
                bool negatif = false;
                for (std::size_t i = 0; i < n && v[i] != '.'; ++i) {
                    if (v[i] == '-') negatif = true;
                    if (v[i] >= '0' && v[i] <= '9') {
                        x = static_cast<int64_t>(static_cast<uint64_t>(x) * 10u +
                                                 static_cast<uint64_t>(v[i] - '0'));
                    }
                }
                return ValeurBase::de(negatif ? -x : x);
            }
            case kBytea: {
                // "\x" then two hexadecimal digits a byte.
                std::string o;
                o.reserve(n / 2);
                for (std::size_t i = 2; i + 1 < n; i += 2) {
                    o.push_back(static_cast<char>(hexa(v[i]) << 4 | hexa(v[i + 1])));
                }
                return ValeurBase::octetsDe(o);
            }
            default:
                return ValeurBase::de(std::string_view(v, n));
        }
    }

    std::string adresse_;
    PGconn* c_;
    bool enTransaction_ = false;
};

}  // namespace

std::unique_ptr<ConnexionBase> ouvrirPostgres(const std::string& adresse) {
    return std::make_unique<ConnexionPostgres>(adresse);
}

}  // namespace kestrane
