#include "platform/Airs.h"

namespace kestrane {

void bipErreur(Bip& bip) {
    bip.bip(900, 50);
    bip.bip(300, 150);
}

void bipTermine(Bip& bip) {
    bip.bip(400, 100);
    bip.bip(600, 100);
    bip.bip(500, 250);
}

void bipQuitter(Bip& bip) {
    int frequence = 900;
    do {
        bip.bip(frequence, 5);
        frequence -= 60;
    } while (frequence >= 100);
}

}  // namespace kestrane
