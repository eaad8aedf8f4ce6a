#include "cli/FormatCommande.h"

#include "cli/MessagesCommande.h"
#include "core/journal/Erreur.h"
#include "core/journal/Texte.h"

namespace kestrane {

std::optional<std::string> choisirFormat(std::string_view texte, OptionsAnalyse& options) {
    try {
        const std::optional<FormatJournal> f = resoudreFormat(texte);
        options.formatAutomatique = !f;
        options.format = f ? *f : FormatJournal();
        return std::nullopt;
    } catch (const ErreurKestrane& e) {
        return utf8Depuis1252(e.message());
    }
}

std::string texteFormatCourt(const ResultatAnalyse& r) {
    std::string s = kFormatCourt + r.format.libelle();
    if (r.formatAutomatique) s += kDetecte;
    return s;
}

}  // namespace kestrane
