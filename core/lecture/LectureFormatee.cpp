#include "core/lecture/LectureFormatee.h"

#include <cstring>
#include <functional>
#include <memory>

#include "core/lecture/InterneFormats.h"

namespace kestrane {

std::string_view MagasinTextes::garder(std::string_view t) {
    bool nouveau;
    return textes_.cle(textes_.trouverOuAjouter(t, nouveau));
}

std::string_view MagasinTextes::garderPartage(std::string_view t) {
    std::lock_guard garde(verrou_);
    return garder(t);
}

std::string_view MagasinTextes::garderChamp(std::size_t champ, std::string_view t) {
    std::string_view& d = derniers_[champ];
    if (d.size() == t.size() && std::memcmp(d.data(), t.data(), t.size()) == 0) return d;
    d = garder(t);
    return d;
}

namespace {

// "hh:mm:ss" for every second of a day, one after the other, made at first need: a time converted
// from ISO 8601 or an epoch points here rather than into the store, where each line's own second
// would cost a lookup and a copy.
constexpr std::size_t kSecondesJour = 86400;
const char* heuresDuJour() {
    static const std::unique_ptr<char[]> table = [] {
        auto t = std::make_unique<char[]>(kSecondesJour * 8);
        for (std::size_t s = 0; s < kSecondesJour; ++s) {
            char* p = t.get() + 8 * s;
            const std::size_t v[3] = {s / 3600, s / 60 % 60, s % 60};
            for (std::size_t k = 0; k < 3; ++k) {
                p[3 * k] = static_cast<char>('0' + v[k] / 10);
                p[3 * k + 1] = static_cast<char>('0' + v[k] % 10);
                if (k < 2) p[3 * k + 2] = ':';
            }
        }
        return t;
    }();
    return table.get();
}

// The same text in the table of the day's seconds; empty when it is no such time.
std::string_view heureDuJour(std::string_view t) {
    if (t.size() != 8 || t[2] != ':' || t[5] != ':') return {};
    std::size_t v[3];
    for (std::size_t k = 0; k < 3; ++k) {
        const char a = t[3 * k], b = t[3 * k + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9') return {};
        v[k] = static_cast<std::size_t>(a - '0') * 10 + static_cast<std::size_t>(b - '0');
    }
    if (v[0] > 23 || v[1] > 59 || v[2] > 59) return {};
    return {heuresDuJour() + 8 * (v[0] * 3600 + v[1] * 60 + v[2]), 8};
}

}  // namespace

void stabiliser(std::string_view ligne, RLog& r, ChampsEnPlus& plus, MagasinTextes& magasin,
                bool partage) {
    const std::less_equal<const char*> avant;
    const auto dans = [&avant](std::string_view t, std::string_view bloc) {
        return avant(bloc.data(), t.data()) &&
               avant(t.data() + t.size(), bloc.data() + bloc.size());
    };
    const auto garder = [&](std::size_t champ, std::string_view t) {
        return partage ? magasin.garderPartage(t) : magasin.garderChamp(champ, t);
    };
    bool heureFixe = false;
    if (!r.heure.empty() && !dans(r.heure, ligne)) {
        const std::string_view h = heureDuJour(r.heure);
        heureFixe = !h.empty();
        if (heureFixe) r.heure = h;
    }
    // A loaded file cut from a request made of its parts moves with the request rather than alone.
    const bool fichierDeRequete = !r.fichierCharge.empty() && !dans(r.fichierCharge, ligne) &&
                                  !dans(r.requete, ligne) && dans(r.fichierCharge, r.requete);
    const std::size_t decalage =
        fichierDeRequete ? static_cast<std::size_t>(r.fichierCharge.data() - r.requete.data()) : 0;
    std::size_t champ = 0;
    for (std::string_view* t : {&r.adresse, &r.autre, &r.logname, &r.date, &r.heure, &r.fuseau,
                                &r.requete, &r.fichierCharge, &r.pagePrecedente, &r.navigateur,
                                &r.systeme, &plus.hoteVirtuel, &plus.agent}) {
        const std::size_t k = champ++;
        if (t->empty() || dans(*t, ligne) || (t == &r.heure && heureFixe) ||
            (t == &r.fichierCharge && fichierDeRequete)) {
            continue;
        }
        *t = garder(k, *t);
    }
    if (fichierDeRequete) r.fichierCharge = r.requete.substr(decalage, r.fichierCharge.size());
}

bool porteHote(const FormatJournal& format) {
    const FormatJournal::Donnees& d = format.donnees();
    if (d.type == TypeFormat::Defaut) return false;
    if (d.json || d.type == TypeFormat::W3C) return true;
    for (const Gabarit& g : d.gabarits) {
        for (const Element& e : g.elements) {
            if (!e.litteral && e.champ == ChampJournal::Hote) return true;
        }
    }
    return false;
}

bool porteAgent(const FormatJournal& format) {
    const FormatJournal::Donnees& d = format.donnees();
    if (d.type == TypeFormat::Defaut || d.type == TypeFormat::W3C) return true;
    if (d.json) return nommeChamp(*d.json, ChampJournal::Agent);
    for (const Gabarit& g : d.gabarits) {
        for (const Element& e : g.elements) {
            if (!e.litteral && e.champ == ChampJournal::Agent) return true;
        }
    }
    return false;
}

Lecture lireStable(LecteurLignes& lecteur, MagasinTextes& magasin, std::string_view ligne,
                   std::size_t numero, RLog& r, ChampsEnPlus& plus, std::string* raison,
                   bool partage) {
    const Lecture l = lecteur.lire(ligne, numero, r, raison);
    if (l != Lecture::Requete) return l;
    const ChampsEnPlus& lus = lecteur.enPlus();
    plus.agent = lus.agent;
    plus.hoteVirtuel = lus.hoteVirtuel;
    plus.tempsReponse = lus.tempsReponse;
    plus.port = lus.port;
    plus.autres.clear();
    // Nothing in the reader's scratch memory: every text already outlives the reading.
    if (lecteur.texteHorsLigne()) stabiliser(ligne, r, plus, magasin, partage);
    return l;
}

}  // namespace kestrane
