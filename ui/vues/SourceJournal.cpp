#include "ui/vues/SourceJournal.h"

#include <algorithm>
#include <utility>

namespace kestrane {

SourceJournal::SourceJournal(Journal journal, const SourceJournal* avant)
    : journal_(std::move(journal)) {
    const std::size_t n = journal_.nbLignes();
    std::size_t i = 0;
    if (avant && avant->journal_.nbLignes() <= n) {
        // Its last line may have been completed by the new bytes: measured again.
        largeurMax_ = avant->largeurMax_;
        i = avant->journal_.nbLignes() == 0 ? 0 : avant->journal_.nbLignes() - 1;
    }
    for (; i < n; ++i) {
        std::size_t largeur = journal_.debutLigne(i + 1) - journal_.debutLigne(i);
        if (i + 1 < n || journal_.finitParSautDeLigne()) --largeur;
        largeurMax_ = std::max(largeurMax_, largeur);
    }
}

std::string SourceJournal::ligne(std::size_t i) const {
    return std::string(journal_.ligne(i));
}

std::string SourceJournal::extrait(std::size_t i, std::size_t debut, std::size_t longueur) const {
    const std::string_view texte = journal_.ligne(i);
    if (debut >= texte.size()) return {};
    return std::string(texte.substr(debut, longueur));
}

std::size_t SourceJournal::tailleOctets(std::size_t premiere, std::size_t derniere) const {
    return journal_.debutLigne(derniere + 1) - journal_.debutLigne(premiere);
}

}  // namespace kestrane
