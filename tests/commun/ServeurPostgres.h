// A PostgreSQL 15 server of the test program's own, for the tests of the base of days: started at
// the first need in a temporary folder and listening only on a Unix socket there, shared by every
// test of the run, stopped when the program ends (or dies of a signal). As root, the server runs
// as "nobody", since initdb refuses root.
#pragma once

#include <string>

namespace kestrane::test {

struct BasePostgres {
    enum class Etat { prete, absent, echec } etat = Etat::absent;
    std::string adresse;  // prete: the URI of a fresh empty database
    std::string raison;   // absent or echec: why, with the tail of the failing command's log
};

// A fresh empty database on the server, which the first call starts. `absent` when PostgreSQL 15
// is not installed here (its binaries: KESTRANE_PG_BIN, by default /usr/lib/postgresql/15/bin).
BasePostgres basePostgresNeuve();

}  // namespace kestrane::test
