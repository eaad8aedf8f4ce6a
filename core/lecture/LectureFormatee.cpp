#include "core/lecture/LectureFormatee.h"

#include <cstring>
#include <functional>

#include "core/lecture/InterneFormats.h"

namespace kestrane {

std::string_view MagasinTextes::garder(std::string_view t) {
    const auto trouve = textes_.find(t);
    if (trouve != textes_.end()) return *trouve;
    return *textes_.emplace(t).first;
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

void stabiliser(std::string_view ligne, RLog& r, ChampsEnPlus& plus, MagasinTextes& magasin,
                bool partage) {
    const std::less_equal<const char*> avant;
    const char* debut = ligne.data();
    const char* fin = ligne.data() + ligne.size();
    std::size_t champ = 0;
    for (std::string_view* t :
         {&r.adresse, &r.autre, &r.logname, &r.date, &r.heure, &r.fuseau, &r.requete,
          &r.fichierCharge, &r.pagePrecedente, &r.navigateur, &r.systeme, &plus.hoteVirtuel}) {
        const std::size_t k = champ++;
        if (t->empty() || (avant(debut, t->data()) && avant(t->data() + t->size(), fin))) continue;
        *t = partage ? magasin.garderPartage(*t) : magasin.garderChamp(k, *t);
    }
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

Lecture lireStable(LecteurLignes& lecteur, MagasinTextes& magasin, std::string_view ligne,
                   std::size_t numero, RLog& r, ChampsEnPlus& plus, std::string* raison,
                   bool partage) {
    const Lecture l = lecteur.lire(ligne, numero, r, raison);
    if (l != Lecture::Requete) return l;
    const ChampsEnPlus& lus = lecteur.enPlus();
    plus.hoteVirtuel = lus.hoteVirtuel;
    plus.tempsReponse = lus.tempsReponse;
    plus.port = lus.port;
    plus.autres.clear();
    stabiliser(ligne, r, plus, magasin, partage);
    return l;
}

}  // namespace kestrane
