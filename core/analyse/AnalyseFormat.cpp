#include "core/analyse/AnalyseFormat.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "core/analyse/IndexCles.h"
#include "core/journal/DeuxFils.h"
#include "core/lecture/Detection.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

FormatJournal formatDetecte(const Journal& journal) {
    const Detection d =
        detecterFormat(journal.nbLignes(), [&journal](std::size_t i) { return journal.ligne(i); });
    return d.type == TypeFormat::Defaut ? FormatJournal() : FormatJournal::propose(d.type);
}

std::vector<LigneApercu> apercuFormat(const Journal& journal, const FormatJournal& format,
                                      std::size_t nombre) {
    std::vector<LigneApercu> v;
    LecteurLignes lecteur(format);
    lecteur.listerAutres(true);
    for (std::size_t i = 0; i < journal.nbLignes() && i < nombre; ++i) {
        const std::string_view ligne = journal.ligne(i);
        LigneApercu a;
        a.numero = i;
        RLog r;
        const Lecture l = lecteur.lire(ligne, i, r, &a.raison);
        if (l != Lecture::Requete) {
            a.nature = l == Lecture::Directive ? LigneApercu::Directive : LigneApercu::NonConforme;
            a.champs.emplace_back(ligne);
            v.push_back(std::move(a));
            continue;
        }
        const ChampsEnPlus& p = lecteur.enPlus();
        std::string date(r.date);
        date.append(":").append(r.heure).append(" ").append(r.fuseau);
        std::string autres;
        const auto ajouter = [&autres](std::string_view nom, std::string_view valeur) {
            if (!autres.empty()) autres += "; ";
            autres.append(nom).append("=").append(valeur);
        };
        if (p.hoteVirtuel != "-") ajouter(kNomHote, p.hoteVirtuel);
        if (p.port >= 0) ajouter(kNomPort, std::to_string(p.port));
        if (p.tempsReponse >= 0) ajouter(kNomTempsReponse, std::to_string(p.tempsReponse));
        for (const ChampsEnPlus::Autre& x : p.autres) ajouter(x.nom, x.valeur);
        a.champs = {adresseIP(r),
                    date,
                    std::string(r.requete),
                    std::to_string(r.codeRenvoye),
                    std::to_string(r.chargement),
                    std::string(r.pagePrecedente),
                    std::string(r.navigateur),
                    std::string(r.systeme),
                    autres.empty() ? std::string("-") : autres};
        v.push_back(std::move(a));
    }
    return v;
}

bool bornesDuJournal(const Journal& journal, const FormatJournal& format, Instant& premiere,
                     Instant& derniere) {
    const std::size_t n = journal.nbLignes();
    const auto directives =
        format.aDirectives()
            ? DirectivesW3C::indexer(n, [&journal](std::size_t i) { return journal.ligne(i); })
            : nullptr;
    LecteurLignes lecteur(format, directives);
    RLog r;
    const auto instant = [&](std::size_t i, Instant& t) {
        return lecteur.lire(journal.ligne(i), i, r) == Lecture::Requete &&
               lireInstant(r.date, r.heure, t);
    };
    const std::size_t m = std::min(n, kLignesDetection);
    bool trouve = false;
    for (std::size_t k = 0; k < m && !trouve; ++k) trouve = instant(k, premiere);
    if (!trouve) return false;
    for (std::size_t k = 0; k < m; ++k) {
        if (instant(n - 1 - k, derniere)) return true;
    }
    return false;
}

namespace {

// The 95th percentile (nearest rank) and the median of [debut, fin), which they reorder.
int64_t centile95(int64_t* debut, int64_t* fin) {
    if (debut == fin) return 0;
    // Nearest rank: the smallest value with at least 95 % of the values at or below it.
    const auto n = static_cast<std::size_t>(fin - debut);
    int64_t* const k = debut + (n * 95 + 99) / 100 - 1;
    std::nth_element(debut, k, fin);
    return *k;
}

int64_t mediane(int64_t* debut, int64_t* fin) {
    if (debut == fin) return 0;
    const auto n = static_cast<std::size_t>(fin - debut);
    int64_t* const m = debut + n / 2;
    std::nth_element(debut, m, fin);
    const int64_t haut = *m;
    if (n % 2 == 1) return haut;
    const int64_t bas = *std::max_element(debut, m);
    return bas + (haut - bas) / 2;
}

}  // namespace

int64_t centile95(std::vector<int64_t>& valeurs) {
    return centile95(valeurs.data(), valeurs.data() + valeurs.size());
}

// One stretch: the keys are texts of the records, which live as long as the first pass's.
struct alignas(kLigneCache) ComptesEnPlus::Cumul {
    struct Hote {
        std::string_view nom;
        int64_t requetes = 0, octets = 0;
    };
    IndexCles<std::string_view> indexHotes;
    std::vector<Hote> hotes;
    uint32_t dernierHote = 0;
    IndexCles<std::string_view> indexFichiers;
    std::vector<std::string_view> fichiers;
    std::vector<std::vector<int64_t>> temps;
    // A file's number here by its entry in the statistics' table of this stretch (kSansCle:
    // not met yet).
    std::vector<uint32_t> parEntree;
};

ComptesEnPlus::ComptesEnPlus() = default;
ComptesEnPlus::~ComptesEnPlus() = default;

void ComptesEnPlus::commencer(const Journal&, int nbTranches, bool) {
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) tranches_.push_back(std::make_unique<Cumul>());
}

void ComptesEnPlus::lire(int tranche, const RLog& r) {
    lireEnPlus(tranche, r, ChampsEnPlus{});
}

void ComptesEnPlus::lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) {
    Cumul& c = *tranches_[static_cast<std::size_t>(tranche)];
    bool nouveau;
    if (plus.hoteVirtuel != "-") {
        // The lines of a journal mostly name one host after the other: the last one is compared
        // before any lookup.
        uint32_t n = c.dernierHote;
        if (n >= c.hotes.size() || !memesOctets(c.hotes[n].nom, plus.hoteVirtuel)) {
            n = c.indexHotes.trouverOuAjouter(plus.hoteVirtuel, nouveau);
            if (nouveau) c.hotes.push_back({plus.hoteVirtuel});
            c.dernierHote = n;
        }
        ++c.hotes[n].requetes;
        c.hotes[n].octets += r.chargement;
    }
    if (plus.tempsReponse >= 0) {
        constexpr uint32_t kSansCle = ComptesJournal::kSansCle;
        const uint32_t entree =
            statistiques_ ? statistiques_->clesLigne(tranche).fichier : kSansCle;
        uint32_t* place = entree != kSansCle ? &caseParCle(c.parEntree, entree) : nullptr;
        uint32_t n = place ? *place : kSansCle;
        if (n == kSansCle) {
            n = c.indexFichiers.trouverOuAjouter(r.fichierCharge, nouveau);
            if (nouveau) {
                c.fichiers.push_back(r.fichierCharge);
                c.temps.emplace_back();
            }
            if (place) *place = n;
        }
        c.temps[n].push_back(plus.tempsReponse);
    }
}

void ComptesEnPlus::replier() {
    if (tranches_.size() < 2) return;
    Cumul& a = *tranches_[0];
    const Cumul& b = *tranches_[1];
    for (const Cumul::Hote& h : b.hotes) {
        bool nouveau;
        const uint32_t n = a.indexHotes.trouverOuAjouter(h.nom, nouveau);
        if (nouveau) a.hotes.push_back({h.nom});
        a.hotes[n].requetes += h.requetes;
        a.hotes[n].octets += h.octets;
    }
    for (std::size_t f = 0; f < b.fichiers.size(); ++f) {
        bool nouveau;
        const uint32_t n = a.indexFichiers.trouverOuAjouter(b.fichiers[f], nouveau);
        if (nouveau) {
            a.fichiers.push_back(b.fichiers[f]);
            a.temps.emplace_back();
        }
        a.temps[n].insert(a.temps[n].end(), b.temps[f].begin(), b.temps[f].end());
    }
    tranches_[1] = std::make_unique<Cumul>();
}

void ComptesEnPlus::adopter(LecteurEnregistrements& autre, int tranche) {
    auto& a = dynamic_cast<ComptesEnPlus&>(autre);
    std::swap(tranches_.at(1), a.tranches_.at(static_cast<std::size_t>(tranche)));
}

TablesEnPlus ComptesEnPlus::resultat() const {
    TablesEnPlus t;
    std::unordered_map<std::string_view, std::size_t> hotes;
    int64_t requetes = 0;
    for (const auto& c : tranches_) {
        for (const Cumul::Hote& h : c->hotes) {
            const auto [it, nouveau] = hotes.try_emplace(h.nom, t.hotes.size());
            if (nouveau) t.hotes.push_back({std::string(h.nom)});
            t.hotes[it->second].requetes += h.requetes;
            t.hotes[it->second].octets += h.octets;
            requetes += h.requetes;
        }
    }
    for (LigneHoteVirtuel& h : t.hotes) {
        h.part = static_cast<double>(h.requetes) / static_cast<double>(requetes);
    }
    std::stable_sort(t.hotes.begin(), t.hotes.end(),
                     [](const auto& a, const auto& b) { return a.requetes > b.requetes; });

    // Every time once in one array, each file's together (first stretch first): the files'
    // figures and the overall ones reorder it in place, where copies per file then of the
    // whole cost more than the figures on a million lines.
    IndexCles<std::string_view> fichiers;
    std::vector<std::size_t> debuts;
    std::vector<std::vector<uint32_t>> numeros(tranches_.size());
    for (std::size_t k = 0; k < tranches_.size(); ++k) {
        const Cumul& c = *tranches_[k];
        numeros[k].resize(c.fichiers.size());
        for (std::size_t f = 0; f < c.fichiers.size(); ++f) {
            bool nouveau;
            const uint32_t n = fichiers.trouverOuAjouter(c.fichiers[f], nouveau);
            if (nouveau) {
                t.temps.push_back({std::string(c.fichiers[f])});
                debuts.push_back(0);
            }
            numeros[k][f] = n;
            debuts[n] += c.temps[f].size();
        }
    }
    std::size_t total = 0;
    for (std::size_t& d : debuts) total += std::exchange(d, total);
    std::vector<int64_t> tous(total);
    std::vector<std::size_t> fins = debuts;
    for (std::size_t k = 0; k < tranches_.size(); ++k) {
        const Cumul& c = *tranches_[k];
        for (std::size_t f = 0; f < c.fichiers.size(); ++f) {
            std::size_t& fin = fins[numeros[k][f]];
            std::copy(c.temps[f].begin(), c.temps[f].end(), tous.begin() + fin);
            fin += c.temps[f].size();
        }
    }
    int64_t sommeTous = 0;
    for (std::size_t k = 0; k < t.temps.size(); ++k) {
        int64_t* const debut = tous.data() + debuts[k];
        int64_t* const fin = tous.data() + fins[k];
        LigneTempsReponse& l = t.temps[k];
        l.requetes = fin - debut;
        int64_t somme = 0;
        for (const int64_t* x = debut; x != fin; ++x) somme += *x;
        sommeTous += somme;
        l.moyenne = somme / l.requetes;
        l.maximum = *std::max_element(debut, fin);
        l.mediane = mediane(debut, fin);
        l.centile95 = centile95(debut, fin);
    }
    std::stable_sort(t.temps.begin(), t.temps.end(), [](const auto& a, const auto& b) {
        return a.moyenne != b.moyenne ? a.moyenne > b.moyenne : a.maximum > b.maximum;
    });
    t.requetesAvecTemps = static_cast<int64_t>(total);
    if (total > 0) {
        t.tempsMoyen = sommeTous / t.requetesAvecTemps;
        t.temps95 = centile95(tous);
    }
    return t;
}

}  // namespace kestrane
