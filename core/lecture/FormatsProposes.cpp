// The offered formats, their lookup, and the compiled formats made from them, from a format
// string or from a JSON mapping.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

#include "core/journal/Erreur.h"
#include "core/journal/Messages.h"
#include "core/journal/Texte.h"
#include "core/lecture/ChaineInterne.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

using namespace chaine;

namespace {

constexpr std::string_view kCombine =
    "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"";

constexpr std::array<FormatPropose, 9> kProposes = {{
    {TypeFormat::Defaut, "combine", kFormatCombine},
    {TypeFormat::Automatique, "auto", kFormatAutomatique},
    {TypeFormat::Commun, "commun", kFormatCommun},
    {TypeFormat::HoteVirtuel, "vhost", kFormatHoteVirtuel},
    {TypeFormat::NginxHote, "nginx-hote", kFormatNginxHote},
    {TypeFormat::CombineSuivi, "combine-plus", kFormatCombineSuivi},
    {TypeFormat::W3C, "w3c", kFormatW3C},
    {TypeFormat::Json, "json", kFormatJson},
    {TypeFormat::Personnalise, "", kFormatPersonnalise},
}};

}  // namespace

const Gabarit& gabaritCombine() {
    static const Gabarit g = compiler(kCombine);
    return g;
}

std::span<const FormatPropose> formatsProposes() {
    return kProposes;
}

const FormatPropose* trouverFormatPropose(std::string_view texte) {
    for (const FormatPropose& f : kProposes) {
        if ((!f.nom.empty() && egauxSansCasse(texte, f.nom)) || egauxSansCasse(texte, f.libelle) ||
            egauxSansCasse(texte, utf8Depuis1252(f.libelle))) {
            return &f;
        }
    }
    return nullptr;
}

FormatJournal::FormatJournal() : FormatJournal(std::make_shared<const Donnees>()) {}

FormatJournal::FormatJournal(std::shared_ptr<const Donnees> d) : donnees_(std::move(d)) {
    if (donnees_->libelle.empty()) {
        auto copie = std::make_shared<Donnees>(*donnees_);
        for (const FormatPropose& f : kProposes) {
            if (f.type == copie->type) copie->libelle = f.libelle;
        }
        donnees_ = std::move(copie);
    }
}

TypeFormat FormatJournal::type() const {
    return donnees_->type;
}
const std::string& FormatJournal::libelle() const {
    return donnees_->libelle;
}

FormatJournal FormatJournal::propose(TypeFormat type) {
    auto d = std::make_shared<Donnees>();
    d->type = type;
    switch (type) {
        case TypeFormat::Defaut:
        case TypeFormat::W3C:
            break;
        case TypeFormat::Commun:
            d->gabarits.push_back(compiler("%h %l %u %t \"%r\" %>s %b"));
            break;
        case TypeFormat::HoteVirtuel:
            d->gabarits.push_back(
                compiler("%v:%p %h %l %u %t \"%r\" %>s %O \"%{Referer}i\" \"%{User-Agent}i\""));
            d->gabarits.push_back(
                compiler("%v %h %l %u %t \"%r\" %>s %O \"%{Referer}i\" \"%{User-Agent}i\""));
            // Apache never writes an empty %v, but nginx's "$server_addr $remote_addr ..." does,
            // and reads the same otherwise.
            for (Gabarit& g : d->gabarits) g.elements.front().nonVide = false;
            break;
        case TypeFormat::NginxHote:
            d->gabarits.push_back(
                compiler("$host $remote_addr - $remote_user [$time_local] \"$request\" $status "
                         "$body_bytes_sent \"$http_referer\" \"$http_user_agent\""));
            break;
        case TypeFormat::CombineSuivi:
            d->gabarits.push_back(compiler(kCombine));
            break;
        case TypeFormat::Json:
            d->json = compilerCorrespondance(correspondanceJsonCourante());
            break;
        case TypeFormat::Automatique:
        case TypeFormat::Personnalise:
            throw ErreurKestrane(kPasUnFormat);
    }
    // As the default reading ignores what follows the agent, an offered format reads the fields
    // a server adds after its own (a port, a time): "combined followed by other fields" is the
    // combined format read that way.
    for (Gabarit& g : d->gabarits) g.suiteLibre = true;
    return FormatJournal(std::move(d));
}

FormatJournal FormatJournal::depuisChaine(std::string_view chaine) {
    auto d = std::make_shared<Donnees>();
    d->type = TypeFormat::Personnalise;
    d->gabarits.push_back(compiler(chaine));
    std::string_view montre = chaine;
    while (!montre.empty() && blanc(montre.front())) montre.remove_prefix(1);
    while (!montre.empty() && blanc(montre.back())) montre.remove_suffix(1);
    d->libelle = kPersonnaliseDebut;
    d->libelle.append(montre);
    return FormatJournal(std::move(d));
}

FormatJournal FormatJournal::json(CorrespondanceJson correspondance) {
    auto d = std::make_shared<Donnees>();
    d->type = TypeFormat::Json;
    d->json = compilerCorrespondance(correspondance);
    return FormatJournal(std::move(d));
}

std::optional<FormatJournal> resoudreFormat(std::string_view texte) {
    if (const FormatPropose* f = trouverFormatPropose(texte)) {
        if (f->type == TypeFormat::Automatique) return std::nullopt;
        if (f->type == TypeFormat::Personnalise) leverFormatIncorrect(kChaineAttendue);
        return FormatJournal::propose(f->type);
    }
    return FormatJournal::depuisChaine(texte);
}

}  // namespace kestrane