#include "core/analyse/AnalyseFormat.h"

#include <algorithm>
#include <unordered_map>

#include "core/analyse/IndexCles.h"
#include "core/lecture/Detection.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

FormatJournal formatDetecte(const Journal& journal) {
    const Detection d =
        detecterFormat(journal.nbLignes(), [&journal](std::size_t i) { return journal.ligne(i); });
    return d.type == TypeFormat::Defaut ? FormatJournal() : FormatJournal::propose(d.type);
}

Journal lignesDeLaPeriode(const Journal& journal, const PeriodeAnalyse& periode,
                          std::size_t& horsPeriode, const FormatJournal& format) {
    horsPeriode = 0;
    std::string texte;
    texte.reserve(journal.octets().size());
    LecteurLignes lecteur(format);
    RLog r;
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        const std::string_view ligne = journal.ligne(i);
        // A line that fails after its date was read (its status, its bytes) lies in its
        // period, as with the default format: the analysis then stops at it or skips it,
        // rather than count it out of the period unseen.
        r.date = r.heure = {};
        const Lecture l = lecteur.lire(ligne, i, r);
        Instant t;
        if (l != Lecture::Directive &&
            (!lireInstant(r.date, r.heure, t) || t.secondes < periode.debut.secondes ||
             t.secondes > periode.fin.secondes)) {
            ++horsPeriode;
            continue;
        }
        texte.append(ligne);
        texte += '\n';
    }
    return Journal::depuisTexte(std::move(texte));
}

std::vector<LigneApercu> apercuFormat(const Journal& journal, const FormatJournal& format,
                                      std::size_t nombre) {
    std::vector<LigneApercu> v;
    LecteurLignes lecteur(format);
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
        if (p.hoteVirtuel != "-") ajouter("h\xF4te", p.hoteVirtuel);
        if (p.port >= 0) ajouter("port", std::to_string(p.port));
        if (p.tempsReponse >= 0) ajouter("temps (\xB5s)", std::to_string(p.tempsReponse));
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

int64_t centile95(std::vector<int64_t>& valeurs) {
    if (valeurs.empty()) return 0;
    // Nearest rank: the smallest value with at least 95 % of the values at or below it.
    const std::size_t rang = (valeurs.size() * 95 + 99) / 100;
    const auto k = valeurs.begin() + static_cast<std::ptrdiff_t>(rang - 1);
    std::nth_element(valeurs.begin(), k, valeurs.end());
    return *k;
}

namespace {

int64_t mediane(std::vector<int64_t>& valeurs) {
    if (valeurs.empty()) return 0;
    const std::size_t m = valeurs.size() / 2;
    std::nth_element(valeurs.begin(), valeurs.begin() + static_cast<std::ptrdiff_t>(m),
                     valeurs.end());
    const int64_t haut = valeurs[m];
    if (valeurs.size() % 2 == 1) return haut;
    const int64_t bas =
        *std::max_element(valeurs.begin(), valeurs.begin() + static_cast<std::ptrdiff_t>(m));
    return bas + (haut - bas) / 2;
}

}  // namespace

// One stretch: the keys are texts of the records, which live as long as the first pass's.
struct ComptesEnPlus::Cumul {
    struct Hote {
        std::string_view nom;
        int64_t requetes = 0, octets = 0;
    };
    IndexCles<std::string_view> indexHotes;
    std::vector<Hote> hotes;
    IndexCles<std::string_view> indexFichiers;
    std::vector<std::string_view> fichiers;
    std::vector<std::vector<int64_t>> temps;
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
        const uint32_t n = c.indexHotes.trouverOuAjouter(plus.hoteVirtuel, nouveau);
        if (nouveau) c.hotes.push_back({plus.hoteVirtuel});
        ++c.hotes[n].requetes;
        c.hotes[n].octets += r.chargement;
    }
    if (plus.tempsReponse >= 0) {
        const uint32_t n = c.indexFichiers.trouverOuAjouter(r.fichierCharge, nouveau);
        if (nouveau) {
            c.fichiers.push_back(r.fichierCharge);
            c.temps.emplace_back();
        }
        c.temps[n].push_back(plus.tempsReponse);
    }
}

TablesEnPlus ComptesEnPlus::resultat() const {
    TablesEnPlus t;
    std::unordered_map<std::string_view, std::size_t> hotes, fichiers;
    std::vector<std::vector<int64_t>> temps;
    std::vector<int64_t> tous;
    int64_t requetes = 0;
    for (const auto& c : tranches_) {
        for (const Cumul::Hote& h : c->hotes) {
            const auto [it, nouveau] = hotes.try_emplace(h.nom, t.hotes.size());
            if (nouveau) t.hotes.push_back({std::string(h.nom)});
            t.hotes[it->second].requetes += h.requetes;
            t.hotes[it->second].octets += h.octets;
            requetes += h.requetes;
        }
        for (std::size_t k = 0; k < c->fichiers.size(); ++k) {
            const auto [it, nouveau] = fichiers.try_emplace(c->fichiers[k], t.temps.size());
            if (nouveau) {
                t.temps.push_back({std::string(c->fichiers[k])});
                temps.emplace_back();
            }
            std::vector<int64_t>& v = temps[it->second];
            v.insert(v.end(), c->temps[k].begin(), c->temps[k].end());
            tous.insert(tous.end(), c->temps[k].begin(), c->temps[k].end());
        }
    }
    for (LigneHoteVirtuel& h : t.hotes) {
        h.part = static_cast<double>(h.requetes) / static_cast<double>(requetes);
    }
    std::stable_sort(t.hotes.begin(), t.hotes.end(),
                     [](const auto& a, const auto& b) { return a.requetes > b.requetes; });
    for (std::size_t k = 0; k < t.temps.size(); ++k) {
        std::vector<int64_t>& v = temps[k];
        LigneTempsReponse& l = t.temps[k];
        l.requetes = static_cast<int64_t>(v.size());
        int64_t somme = 0;
        for (const int64_t x : v) somme += x;
        l.moyenne = somme / l.requetes;
        l.maximum = *std::max_element(v.begin(), v.end());
        l.mediane = mediane(v);
        l.centile95 = centile95(v);
    }
    std::stable_sort(t.temps.begin(), t.temps.end(), [](const auto& a, const auto& b) {
        return a.moyenne != b.moyenne ? a.moyenne > b.moyenne : a.maximum > b.maximum;
    });
    t.requetesAvecTemps = static_cast<int64_t>(tous.size());
    if (!tous.empty()) {
        int64_t somme = 0;
        for (const int64_t x : tous) somme += x;
        t.tempsMoyen = somme / t.requetesAvecTemps;
        t.temps95 = centile95(tous);
    }
    return t;
}

}  // namespace kestrane
