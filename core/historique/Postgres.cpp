// The base of days on a PostgreSQL server: not built in yet, the connection refuses with a
// message.
#include "core/historique/Connexion.h"
#include "core/journal/Messages.h"

namespace kestrane {

std::unique_ptr<ConnexionBase> ouvrirPostgres(const std::string& adresse) {
    throw ErreurBase(std::string(kBaseHistorique) + adresse + kBaseHistoriqueFin +
                     kBaseInaccessible);
}

}  // namespace kestrane
