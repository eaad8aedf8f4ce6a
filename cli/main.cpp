// kestrane-rapport: the analysis of journal files into an HTML report and CSV tables, for servers
// and scripts, with the options of `kestrane --rapport`.
#include <iostream>

#include "cli/LigneDeCommande.h"
#include "core/journal/Memoire.h"

int main(int argc, char* argv[]) {
    kestrane::relancerAvecPagesEnormes(argv);
    return kestrane::executerLigneDeCommande(argc, argv, std::cout, std::cerr,
                                             kestrane::Programme::kestraneRapport);
}
