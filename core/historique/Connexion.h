// A connection to the base of days, whichever engine holds it: an SQLite file (the default, one
// machine) or a PostgreSQL server (several servers feeding one base). The base's code speaks the
// SQL both engines share — parameters written $1, $2... in order, INSERT ... ON CONFLICT, BIGINT,
// TEXT and bytes (BLOB / BYTEA through the schema's own type names, typeOctets()) — and goes
// through this interface alone. No Qt here. A TEXT value is valid UTF-8 without NUL (a
// PostgreSQL base is UTF8 and refuses anything else); bytes that may be anything go in a bytes
// column.
//
// Every failure raises ErreurBase with a French message naming the base; a statement that fails
// inside a transaction leaves it to be cancelled by annuler().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"

namespace kestrane {

class ErreurBase : public ErreurKestrane {
  public:
    using ErreurKestrane::ErreurKestrane;
};

// A value bound to a statement or read from a row.
struct ValeurBase {
    enum class Sorte : uint8_t { nul, entier, texte, octets } sorte = Sorte::nul;
    int64_t entier = 0;
    std::string texte;  // the text or the bytes

    static ValeurBase nul() { return {}; }
    static ValeurBase de(int64_t n) { return {Sorte::entier, n, {}}; }
    static ValeurBase de(std::string_view t) { return {Sorte::texte, 0, std::string(t)}; }
    static ValeurBase octetsDe(std::string_view o) { return {Sorte::octets, 0, std::string(o)}; }
};
using LigneBase = std::vector<ValeurBase>;

class ConnexionBase {
  public:
    virtual ~ConnexionBase() = default;
    // "sqlite" or "postgresql".
    virtual const char* moteur() const = 0;
    // The schema's name of a column of bytes: "BLOB" or "BYTEA".
    virtual const char* typeOctets() const = 0;

    // Statements without parameters nor rows, separated by ";" (the schema).
    virtual void executer(std::string_view sql) = 0;
    // One statement, $1..$n bound to `parametres` in order; its rows, each value as the column's
    // type gives it (INTEGER/BIGINT: entier; TEXT: texte; bytes: octets; NULL: nul). A sum or
    // another number with decimals (NUMERIC, REAL) is an entier too, truncated.
    virtual std::vector<LigneBase> requete(std::string_view sql,
                                           const std::vector<ValeurBase>& parametres = {}) = 0;
    // Many rows into one table at once (a prepared statement in SQLite, COPY in PostgreSQL):
    // `colonnes` named, each row one value per column.
    virtual void inserer(std::string_view table, const std::vector<std::string>& colonnes,
                         const std::vector<LigneBase>& lignes) = 0;

    // A transaction that writes: it waits for, then holds, the right to write that `cle` names
    // (two transactions of the same key never run at once; SQLite holds the whole base), so that
    // what it read stays true until valider(). annuler() never raises; a connection destroyed in a
    // transaction cancels it.
    virtual void commencer(std::string_view cle) = 0;
    virtual void valider() = 0;
    virtual void annuler() noexcept = 0;
};

// Opens the base at `adresse`: a PostgreSQL connection URI ("postgresql://..." or
// "postgres://..."), otherwise the path of an SQLite file, made when it does not exist.
std::unique_ptr<ConnexionBase> ouvrirBase(const std::string& adresse);
bool adressePostgres(std::string_view adresse);

std::unique_ptr<ConnexionBase> ouvrirSqlite(const std::string& chemin);
std::unique_ptr<ConnexionBase> ouvrirPostgres(const std::string& adresse);

}  // namespace kestrane
