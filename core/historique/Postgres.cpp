// The base of days on a PostgreSQL server, for several servers feeding one base. Parameters go
// apart from the statement (integers as binary int8, bytes as binary bytea, texts as text); rows
// come back as text and take the type of their column. Many rows go in with one COPY. A writer
// holds a transaction-scoped advisory lock named by its key, so that writers of different keys
// run side by side; every lock is waited for up to kAttenteMs, as in the SQLite base.
#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/historique/Connexion.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {

constexpr int kAttenteMs = 10000;
constexpr std::size_t kMorceauCopie = 1 << 20;

// Type identifiers of pg_type, fixed by the server's catalogue (its header is not the client's).
constexpr Oid kBooleen = 16, kOctets = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26,
              kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

using Resultat = std::unique_ptr<PGresult, decltype(&PQclear)>;

// The address as messages show it: a password, in the user part or as a parameter, masked.
std::string masquee(std::string adresse) {
    // As libpq reads it: the user part ends at the first "@" before any "/".
    const std::size_t schema = adresse.find("://");
    const std::size_t debut = schema == std::string::npos ? 0 : schema + 3;
    const std::size_t arobase = adresse.find_first_of("@/", debut);
    if (arobase != std::string::npos && adresse[arobase] == '@') {
        const std::size_t deuxPoints = adresse.find(':', debut);
        if (deuxPoints < arobase) adresse.replace(deuxPoints + 1, arobase - deuxPoints - 1, "***");
    }
    const std::string cle = "password=";
    for (std::size_t p = adresse.find(cle); p != std::string::npos; p = adresse.find(cle, p + 1)) {
        if (p == 0 || (adresse[p - 1] != '?' && adresse[p - 1] != '&')) continue;
        const std::size_t valeur = p + cle.size();
        adresse.replace(valeur, adresse.find('&', valeur) - valeur, "***");
    }
    return adresse;
}

// libpq's message on one line: its lines joined, blanks folded.
std::string surUneLigne(const char* texte) {
    std::string s;
    for (const char* p = texte ? texte : ""; *p; ++p) {
        const bool blanc = *p == ' ' || *p == '\t' || *p == '\n' || *p == '\r';
        if (!blanc)
            s += *p;
        else if (!s.empty() && s.back() != ' ')
            s += ' ';
    }
    if (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A number of a NUMERIC or floating column as an integer, truncated and held within int64 as
// SQLite's conversion does: SUM() of a BIGINT column is NUMERIC in PostgreSQL.
int64_t entierDe(std::string_view t) {
    int64_t n = 0;
    const auto [fin, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
    const bool entier = fin == t.data() + t.size() ||
                        (*fin == '.' && t.find_first_of("eE") == std::string_view::npos);
    if (ec == std::errc() && entier) return n;
    const double d = std::strtod(std::string(t).c_str(), nullptr);
    constexpr double kBorne = 9223372036854775808.0;  // 2^63
    if (d != d) return 0;
    if (d >= kBorne) return std::numeric_limits<int64_t>::max();
    if (d <= -kBorne) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

// The advisory lock's number for a key: FNV-1a, the same on every machine feeding the base.
int64_t empreinte(std::string_view cle) {
    uint64_t h = 14695981039346656037ULL;
    for (const char c : cle) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return static_cast<int64_t>(h);
}

// One value in COPY's text form.
void ajouterCopie(std::string& morceau, const ValeurBase& v) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (v.sorte) {
        case ValeurBase::Sorte::nul:
            morceau += "\\N";
            break;
        case ValeurBase::Sorte::entier:
            morceau += std::to_string(v.entier);
            break;
        case ValeurBase::Sorte::texte:
            for (const char c : v.texte) {
                switch (c) {
                    case '\\':
                        morceau += "\\\\";
                        break;
                    case '\t':
                        morceau += "\\t";
                        break;
                    case '\n':
                        morceau += "\\n";
                        break;
                    case '\r':
                        morceau += "\\r";
                        break;
                    default:
                        morceau += c;
                }
            }
            break;
        case ValeurBase::Sorte::octets:
            // bytea's hex form, its backslash doubled for COPY.
            morceau += "\\\\x";
            for (const char c : v.texte) {
                morceau += kHex[static_cast<unsigned char>(c) >> 4];
                morceau += kHex[static_cast<unsigned char>(c) & 0xF];
            }
            break;
    }
}

class ConnexionPostgres : public ConnexionBase {
  public:
    explicit ConnexionPostgres(const std::string& adresse) : adresse_(masquee(adresse)) {
        // The address's own settings come after the defaults and before what this code needs.
        const char* cles[] = {"connect_timeout", "fallback_application_name", "dbname",
                              "client_encoding", nullptr};
        const char* valeurs[] = {"10", "kestrane", adresse.c_str(), "UTF8", nullptr};
        base_ = PQconnectdbParams(cles, valeurs, 1);
        if (PQstatus(base_) != CONNECTION_OK) {
            std::string raison = kBaseConnexionImpossible;
            raison += " (" + surUneLigne(PQerrorMessage(base_)) + ")";
            PQfinish(base_);
            throw ErreurBase(entete() + raison);
        }
        // The server's notices ("already exists, skipping") are no concern of the user's.
        PQsetNoticeProcessor(
            base_, [](void*, const char*) {}, nullptr);
        try {
            executer("SET lock_timeout = " + std::to_string(kAttenteMs));
        } catch (...) {
            PQfinish(base_);
            throw;
        }
        // A day's visitors are tens of kilobytes that the server's default compression (pglz)
        // takes milliseconds to squeeze; LZ4 takes microseconds, where the server has it.
        PQclear(PQexec(base_, "SET default_toast_compression = 'lz4'"));
    }

    ~ConnexionPostgres() override {
        if (enTransaction_) annuler();
        PQfinish(base_);
    }

    const char* moteur() const override { return "postgresql"; }
    const char* typeOctets() const override { return "BYTEA"; }

    void executer(std::string_view sql) override {
        const Resultat r(PQexec(base_, std::string(sql).c_str()), PQclear);
        verifier(r.get());
    }

    std::vector<LigneBase> requete(std::string_view sql,
                                   const std::vector<ValeurBase>& parametres) override {
        const std::size_t n = parametres.size();
        std::vector<Oid> types(n, 0);
        std::vector<const char*> valeurs(n, nullptr);
        std::vector<int> longueurs(n, 0), formats(n, 0);
        std::vector<std::string> entiers(n);
        for (std::size_t k = 0; k < n; ++k) {
            const ValeurBase& v = parametres[k];
            switch (v.sorte) {
                case ValeurBase::Sorte::nul:
                    break;
                case ValeurBase::Sorte::entier: {
                    const auto u = static_cast<uint64_t>(v.entier);
                    for (int octet = 7; octet >= 0; --octet)
                        entiers[k] += static_cast<char>((u >> (8 * octet)) & 0xFF);
                    types[k] = kInt8;
                    valeurs[k] = entiers[k].data();
                    longueurs[k] = 8;
                    formats[k] = 1;
                    break;
                }
                case ValeurBase::Sorte::texte:
                    // Left untyped, as a literal: the statement gives it its type.
                    valeurs[k] = v.texte.c_str();
                    break;
                case ValeurBase::Sorte::octets:
                    types[k] = kOctets;
                    valeurs[k] = v.texte.data();
                    longueurs[k] = static_cast<int>(v.texte.size());
                    formats[k] = 1;
                    break;
            }
        }
        // A statement met again is parsed and planned once by the server, for the types of its
        // parameters (a statement of the protocol outlives the transactions, failed ones too);
        // the first time it goes with its values, in one round trip instead of two.
        std::string cle(sql);
        for (const Oid t : types) cle.append(reinterpret_cast<const char*>(&t), sizeof t);
        auto preparee = preparees_.find(cle);
        PGresult* resultat;
        if (preparee == preparees_.end()) {
            resultat =
                PQexecParams(base_, std::string(sql).c_str(), static_cast<int>(n), types.data(),
                             valeurs.data(), longueurs.data(), formats.data(), 0);
            preparees_.emplace(std::move(cle), std::string());
        } else {
            if (preparee->second.empty()) {
                std::string nom(1, 'k');
                nom += std::to_string(nbPreparees_++);
                const Resultat p(PQprepare(base_, nom.c_str(), std::string(sql).c_str(),
                                           static_cast<int>(n), types.data()),
                                 PQclear);
                verifier(p.get());
                preparee->second = nom;
            }
            resultat = PQexecPrepared(base_, preparee->second.c_str(), static_cast<int>(n),
                                      valeurs.data(), longueurs.data(), formats.data(), 0);
        }
        const Resultat r(resultat, PQclear);
        verifier(r.get());
        std::vector<LigneBase> lignes(static_cast<std::size_t>(PQntuples(r.get())));
        for (std::size_t i = 0; i < lignes.size(); ++i) {
            lignes[i].resize(static_cast<std::size_t>(PQnfields(r.get())));
            for (std::size_t c = 0; c < lignes[i].size(); ++c)
                lignes[i][c] = lire(r.get(), static_cast<int>(i), static_cast<int>(c));
        }
        return lignes;
    }

    void inserer(std::string_view table, const std::vector<std::string>& colonnes,
                 const std::vector<LigneBase>& lignes) override {
        std::string sql = "COPY " + std::string(table) + " (";
        for (std::size_t k = 0; k < colonnes.size(); ++k) sql += (k ? "," : "") + colonnes[k];
        sql += ") FROM STDIN";
        {
            const Resultat debut(PQexec(base_, sql.c_str()), PQclear);
            if (PQresultStatus(debut.get()) != PGRES_COPY_IN) verifier(debut.get());
        }
        // Rows shorter than the columns end with NULLs, longer ones are cut, as SQLite binds.
        static const ValeurBase kNul;
        std::string morceau;
        bool envoye = true;
        for (std::size_t i = 0; i < lignes.size() && envoye; ++i) {
            for (std::size_t k = 0; k < colonnes.size(); ++k) {
                if (k) morceau += '\t';
                ajouterCopie(morceau, k < lignes[i].size() ? lignes[i][k] : kNul);
            }
            morceau += '\n';
            if (morceau.size() >= kMorceauCopie || i + 1 == lignes.size()) {
                envoye =
                    PQputCopyData(base_, morceau.data(), static_cast<int>(morceau.size())) == 1;
                morceau.clear();
            }
        }
        PQputCopyEnd(base_, envoye ? nullptr : "interrompu");
        // The COPY's outcome, then nothing: every result read, the first failure kept.
        Resultat echec(nullptr, PQclear);
        while (PGresult* r = PQgetResult(base_)) {
            if (!echec && PQresultStatus(r) != PGRES_COMMAND_OK)
                echec.reset(r);
            else
                PQclear(r);
        }
        if (echec) verifier(echec.get());
        if (!envoye) throw ErreurBase(entete() + surUneLigne(PQerrorMessage(base_)));
    }

    void commencer(std::string_view cle) override {
        executer("BEGIN");
        enTransaction_ = true;
        try {
            requete("SELECT pg_advisory_xact_lock($1)", {ValeurBase::de(empreinte(cle))});
        } catch (...) {
            annuler();
            throw;
        }
    }

    void valider() override {
        // After a failed statement the server has given the transaction up, and COMMIT would
        // roll it back without a word.
        if (PQtransactionStatus(base_) == PQTRANS_INERROR) {
            annuler();
            throw ErreurBase(entete() + kBaseTransactionEchouee);
        }
        enTransaction_ = false;
        executer("COMMIT");
    }

    void annuler() noexcept override {
        enTransaction_ = false;
        PQclear(PQexec(base_, "ROLLBACK"));
    }

  private:
    std::string entete() const { return kBaseHistorique + adresse_ + kBaseHistoriqueFin; }

    // Raises the failure `r` tells (a null result: libpq's own), unless it is none.
    void verifier(const PGresult* r) const {
        const ExecStatusType etat = PQresultStatus(r);
        if (r && (etat == PGRES_COMMAND_OK || etat == PGRES_TUPLES_OK)) return;
        const char* code = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        const std::string_view etatSql = code ? code : "";
        // Serialization failure, deadlock, lock not available; disk full.
        if (etatSql == "40001" || etatSql == "40P01" || etatSql == "55P03")
            throw ErreurBase(entete() + kBaseVerrouillee);
        if (etatSql == "53100") throw ErreurBase(entete() + kBaseDisquePlein);
        const char* primaire = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        throw ErreurBase(entete() +
                         (primaire ? std::string(primaire) : surUneLigne(PQerrorMessage(base_))));
    }

    static ValeurBase lire(const PGresult* r, int i, int c) {
        if (PQgetisnull(r, i, c)) return ValeurBase::nul();
        const std::string_view t(PQgetvalue(r, i, c),
                                 static_cast<std::size_t>(PQgetlength(r, i, c)));
        switch (PQftype(r, c)) {
            case kInt2:
            case kInt4:
            case kInt8:
            case kOid:
            case kNumeric:
            case kFloat4:
            case kFloat8:
                return ValeurBase::de(entierDe(t));
            case kBooleen:
                return ValeurBase::de(int64_t{t == "t"});
            case kOctets: {
                std::size_t taille = 0;
                unsigned char* o =
                    PQunescapeBytea(reinterpret_cast<const unsigned char*>(t.data()), &taille);
                ValeurBase v =
                    ValeurBase::octetsDe(std::string_view(reinterpret_cast<char*>(o), taille));
                PQfreemem(o);
                return v;
            }
            default:
                return ValeurBase::de(t);
        }
    }

    std::string adresse_;
    PGconn* base_ = nullptr;
    bool enTransaction_ = false;
    // The statements met, by their text and their parameters' types, with the name of those
    // prepared on the server (empty: met once, not prepared).
    std::unordered_map<std::string, std::string> preparees_;
    std::size_t nbPreparees_ = 0;
};

}  // namespace

std::unique_ptr<ConnexionBase> ouvrirPostgres(const std::string& adresse) {
    return std::make_unique<ConnexionPostgres>(adresse);
}

}  // namespace kestrane
