// The application of a filter to the lines (Filtre.h), and the terms of the tables' entries.
#include "core/analyse/Filtre.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "core/analyse/Complements.h"
#include "core/analyse/InterneFiltre.h"
#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/Audience.h"
#include "core/audience/BasePays.h"
#include "core/audience/Referents.h"
#include "core/audience/Robots.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {

constexpr char minuscule(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool egauxSansCasse(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (minuscule(a[k]) != minuscule(b[k])) return false;
    }
    return true;
}

// Whether `texte` holds `morceau` (in lower case), ASCII case ignored in `texte`.
bool contientSansCasse(std::string_view texte, std::string_view morceau) {
    if (morceau.empty()) return true;
    for (std::size_t k = 0; k + morceau.size() <= texte.size(); ++k) {
        if (minuscule(texte[k]) != morceau[0]) continue;
        if (egauxSansCasse(texte.substr(k, morceau.size()), morceau)) return true;
    }
    return false;
}

bool correspondTexte(const TermeFiltre& t, std::string_view v) {
    switch (t.mode) {
        case ModeTexte::exact:
            return t.casse ? v == t.valeur : egauxSansCasse(v, t.valeur);
        case ModeTexte::contient:
            return t.casse ? v.find(t.valeur) != std::string_view::npos
                           : contientSansCasse(v, t.valeur);
        case ModeTexte::motif:
            return correspondMotif(v, t.valeur, t.casse);
    }
    return false;
}

bool dependDeLAgent(ChampFiltre c) {
    return c == ChampFiltre::navigateur || c == ChampFiltre::systeme || c == ChampFiltre::robot ||
           c == ChampFiltre::robots;
}

// An extension of 1 to 8 bytes in lower case as one word (0 otherwise), to compare at once.
constexpr uint64_t motExtension(std::string_view e) {
    if (e.empty() || e.size() > 8) return 0;
    uint64_t m = 0;
    for (const char c : e) m = m << 8 | static_cast<unsigned char>(minuscule(c));
    return m;
}

constexpr auto kMotsStatiques = [] {
    std::array<uint64_t, std::size(kExtensionsStatiques)> m{};
    for (std::size_t k = 0; k < m.size(); ++k) m[k] = motExtension(kExtensionsStatiques[k]);
    return m;
}();

// Whether the path (its query string left aside) ends in a static file's extension: one pass to
// the first "?" or "#", noting the last "/" and ".".
bool cheminStatique(std::string_view chemin) {
    std::size_t barre = 0, point = std::string_view::npos, k = 0;
    for (; k < chemin.size(); ++k) {
        const char c = chemin[k];
        if (c == '?' || c == '#') break;
        if (c == '/') {
            barre = k;
            point = std::string_view::npos;
        } else if (c == '.') {
            point = k;
        }
    }
    if (point == std::string_view::npos || point < barre) return false;
    const uint64_t mot = motExtension(chemin.substr(point + 1, k - point - 1));
    if (mot == 0) return false;
    for (const uint64_t m : kMotsStatiques) {
        if (m == mot) return true;
    }
    return false;
}

bool prefixeCommun(const std::array<uint8_t, 16>& a, const std::array<uint8_t, 16>& b, int bits) {
    const int entiers = bits / 8;
    if (std::memcmp(a.data(), b.data(), static_cast<std::size_t>(entiers)) != 0) return false;
    const int reste = bits % 8;
    if (reste == 0) return true;
    const auto masque = static_cast<uint8_t>(0xFF << (8 - reste));
    return (a[static_cast<std::size_t>(entiers)] & masque) ==
           (b[static_cast<std::size_t>(entiers)] & masque);
}

// A text's hash, 8 bytes at a time: agents are long, and many share their start and their end.
struct HachageTexte {
    using is_transparent = void;
    static uint64_t mot(const char* p) {
        uint64_t m;
        std::memcpy(&m, p, 8);
        return m;
    }
    // Four lanes of 8 bytes, mixed independently so that the processor overlaps them.
    std::size_t operator()(std::string_view t) const {
        constexpr uint64_t kMul = 0xFF51AFD7ED558CCDull;
        uint64_t h[4] = {t.size() * 0x9E3779B97F4A7C15ull, 0x243F6A8885A308D3ull,
                         0x13198A2E03707344ull, 0xA4093822299F31D0ull};
        const char* p = t.data();
        std::size_t n = t.size();
        for (; n >= 32; p += 32, n -= 32) {
            for (int k = 0; k < 4; ++k) h[k] = (h[k] ^ mot(p + 8 * k)) * kMul;
        }
        for (int k = 0; n > 0; ++k) {
            uint64_t m = 0;
            const std::size_t l = std::min<std::size_t>(n, 8);
            std::memcpy(&m, p, l);
            h[k] = (h[k] ^ m) * kMul;
            p += l;
            n -= l;
        }
        uint64_t r = h[0] ^ (h[1] >> 17) ^ (h[1] << 47) ^ (h[2] >> 31) ^ (h[2] << 33) ^
                     (h[3] >> 45) ^ (h[3] << 19);
        r *= kMul;
        return r ^ (r >> 32);
    }
};

// Equal texts, their last 8 bytes compared first (see HachageTexte).
struct EgaliteTexte {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        if (a.size() != b.size()) return false;
        if (a.size() >= 8 && HachageTexte::mot(a.data() + a.size() - 8) !=
                                 HachageTexte::mot(b.data() + b.size() - 8)) {
            return false;
        }
        return a == b;
    }
};

}  // namespace

bool correspondMotif(std::string_view texte, std::string_view motif, bool casse) {
    // The classic greedy match with one point to come back to: linear for "*" alone.
    std::size_t t = 0, m = 0, etoile = std::string_view::npos, reprise = 0;
    const auto egal = [casse](char a, char b) { return casse ? a == b : minuscule(a) == b; };
    while (t < texte.size()) {
        if (m < motif.size() && motif[m] == '*') {
            etoile = m++;
            reprise = t;
        } else if (m < motif.size() && egal(texte[t], motif[m])) {
            ++t;
            ++m;
        } else if (etoile != std::string_view::npos) {
            m = etoile + 1;
            t = ++reprise;
        } else {
            return false;
        }
    }
    while (m < motif.size() && motif[m] == '*') ++m;
    return m == motif.size();
}

struct TriFiltre::Caches {
    // The bit of each term that depends on the agent alone (-1: none), and their results for each
    // distinct agent, the last one apart (requests of a visitor come in runs).
    std::vector<int> bitAgent;
    std::vector<uint32_t> termesAgent;
    bool navigateurs = false, systemes = false, robots = false, nomsRobots = false;
    ReconnaitreRobot catalogue;
    std::unordered_map<std::string, uint64_t, HachageTexte, EgaliteTexte> agents;
    std::string dernierAgent;
    uint64_t dernierResultat = 0;
    bool dernierConnu = false;
    // The country of each database record: its ISO code and its name, in lower case.
    std::unordered_map<int64_t, std::pair<std::string, std::string>> pays;
    std::unordered_map<uint32_t, int64_t> fichesIPv4;
};

namespace {

std::string enMinuscules(std::string t) {
    for (char& c : t) c = minuscule(c);
    return t;
}

// One line against the filter: its fields worked out as the terms ask for them.
class Evaluation {
  public:
    Evaluation(const Filtre::Arbre& a, const RLog& r, const ChampsEnPlus* plus,
               TriFiltre::Caches& caches, const BasePays* base)
        : a_(a), r_(r), plus_(plus), c_(caches), base_(base) {}

    bool noeud(const NoeudFiltre& n) {
        switch (n.sorte) {
            case NoeudFiltre::Sorte::terme:
                return terme(n.terme);
            case NoeudFiltre::Sorte::non:
                return !noeud(n.enfants[0]);
            case NoeudFiltre::Sorte::et:
                for (const NoeudFiltre& e : n.enfants) {
                    if (!noeud(e)) return false;
                }
                return true;
            case NoeudFiltre::Sorte::ou:
                for (const NoeudFiltre& e : n.enfants) {
                    if (noeud(e)) return true;
                }
                return false;
        }
        return false;
    }

  private:
    bool terme(uint32_t k) {
        const TermeFiltre& t = a_.termes[k];
        switch (t.champ) {
            case ChampFiltre::ip:
                return ip(t);
            case ChampFiltre::chemin:
                return correspondTexte(t, chemin());
            case ChampFiltre::statique:
                return cheminStatique(chemin());
            case ChampFiltre::provenance:
                return correspondTexte(t, r_.pagePrecedente);
            case ChampFiltre::site:
                return correspondTexte(t, site());
            case ChampFiltre::recherche: {
                if (!moteurRecherche(site())) return false;
                const std::string_view brute = rechercheBrute(r_.pagePrecedente);
                return !brute.empty() && correspondTexte(t, termesRecherche(brute));
            }
            case ChampFiltre::navigateur:
            case ChampFiltre::systeme:
            case ChampFiltre::robot:
            case ChampFiltre::robots:
                return (resultatsAgent() >> c_.bitAgent[k]) & 1;
            case ChampFiltre::statut: {
                const int32_t code = r_.codeRenvoye;
                return t.classe == 0 ? code == t.code
                                     : code >= 100 && code <= 999 && code / 100 == t.classe;
            }
            case ChampFiltre::methode:
            case ChampFiltre::protocole:
                coupeRequete();
                return correspondTexte(t, t.champ == ChampFiltre::methode ? methode_ : protocole_);
            case ChampFiltre::pays:
                return pays(t);
            case ChampFiltre::hote:
                return correspondTexte(t, plus_ ? plus_->hoteVirtuel : std::string_view("-"));
            case ChampFiltre::jour: {
                int64_t n;
                return lireJour(r_.date, n) && n >= t.debut && n <= t.fin;
            }
            case ChampFiltre::heure: {
                const std::string_view h = r_.heure.substr(0, r_.heure.find(':'));
                if (h.empty() || h.size() > 2) return false;
                const int64_t v = lireChiffres(h, 0, h.size());
                if (v < 0 || v > 23) return false;
                return t.debut <= t.fin ? v >= t.debut && v <= t.fin : v >= t.debut || v <= t.fin;
            }
        }
        return false;
    }

    std::string_view agent() const {
        return plus_ && plus_->agent.data() ? plus_->agent : r_.navigateur;
    }

    std::string_view chemin() {
        if (!cheminLu_) {
            chemin_ = cheminRequete(r_.requete);
            cheminLu_ = true;
        }
        return chemin_;
    }

    const std::string& site() {
        if (!siteLu_) {
            site_ = hoteReferent(r_.pagePrecedente);
            siteLu_ = true;
        }
        return site_;
    }

    void coupeRequete() {
        if (requeteCoupee_) return;
        methode_ = protocole_ = kAutre;
        couperRequete(r_.requete, methode_, protocole_);
        requeteCoupee_ = true;
    }

    // The client's address as 16 bytes; false for a host name.
    bool adresse(std::array<uint8_t, 16>& o) const {
        if (r_.adresse.empty()) {
            const int32_t p[4] = {r_.ip1, r_.ip2, r_.ip3, r_.ip4};
            o.fill(0);
            o[10] = o[11] = 0xFF;
            for (int k = 0; k < 4; ++k) {
                if (p[k] < 0 || p[k] > 255) return false;
                o[static_cast<std::size_t>(12 + k)] = static_cast<uint8_t>(p[k]);
            }
            return true;
        }
        return octetsAdresse(r_.adresse, o);
    }

    bool ip(const TermeFiltre& t) const {
        std::array<uint8_t, 16> o;
        if (t.prefixe < 0) return !adresse(o) && adresseIP(r_) == t.valeur;
        if (!adresse(o)) return false;
        return t.prefixe == 0 || prefixeCommun(o, t.octets, t.prefixe);
    }

    bool pays(const TermeFiltre& t) {
        if (!base_) return false;
        int64_t fiche;
        if (r_.adresse.empty()) {
            const uint32_t v4 = static_cast<uint32_t>(r_.ip1 & 0xFF) << 24 |
                                static_cast<uint32_t>(r_.ip2 & 0xFF) << 16 |
                                static_cast<uint32_t>(r_.ip3 & 0xFF) << 8 |
                                static_cast<uint32_t>(r_.ip4 & 0xFF);
            auto it = c_.fichesIPv4.find(v4);
            if (it == c_.fichesIPv4.end())
                it = c_.fichesIPv4.emplace(v4, base_->ficheIPv4(v4)).first;
            fiche = it->second;
        } else {
            fiche = base_->fiche(r_.adresse);
        }
        auto it = c_.pays.find(fiche);
        if (it == c_.pays.end()) {
            std::string nom = base_->nomPays(fiche);
            if (nom.empty()) nom = std::string(kPaysInconnu);
            it = c_.pays
                     .emplace(fiche, std::pair{enMinuscules(base_->codePays(fiche)),
                                               enMinuscules(std::move(nom))})
                     .first;
        }
        const auto& [code, nom] = it->second;
        return (!code.empty() && t.mode == ModeTexte::exact && code == t.valeur) ||
               correspondTexte(t, nom);
    }

    // Bit b: whether the agent satisfies the b-th term that depends on it.
    uint64_t resultatsAgent() {
        if (agentLu_) return agent_;
        agentLu_ = true;
        const std::string_view a = agent();
        // Agents of one length share long starts: their last bytes tell them apart sooner.
        const std::string& d = c_.dernierAgent;
        if (c_.dernierConnu && d.size() == a.size() &&
            (a.size() < 8 || HachageTexte::mot(d.data() + d.size() - 8) ==
                                 HachageTexte::mot(a.data() + a.size() - 8)) &&
            d == a) {
            return agent_ = c_.dernierResultat;
        }
        auto it = c_.agents.find(a);
        if (it == c_.agents.end()) it = c_.agents.emplace(std::string(a), classer(a)).first;
        c_.dernierAgent.assign(a);
        c_.dernierResultat = it->second;
        c_.dernierConnu = true;
        return agent_ = it->second;
    }

    uint64_t classer(std::string_view a) const {
        const CatalogueAgents& catalogue = CatalogueAgents::partage();
        Designation navigateur, systeme;
        if (c_.navigateurs) navigateur = catalogue.classerNavigateur(a);
        if (c_.systemes) systeme = catalogue.classerSysteme(a);
        std::string nomRobot;
        bool robot = false;
        if (c_.nomsRobots) {
            robot = reconnaitreRobot(c_.catalogue, a, nomRobot);
        } else if (c_.robots) {
            // Robot or not, the same answer without naming it: the device list, then the rule.
            robot = catalogue.estRobot(a) || robotParSonNom(a, nomRobot);
        }
        uint64_t bits = 0;
        for (std::size_t b = 0; b < c_.termesAgent.size(); ++b) {
            const TermeFiltre& t = a_.termes[c_.termesAgent[b]];
            bool oui = false;
            switch (t.champ) {
                case ChampFiltre::navigateur:
                    oui = correspondTexte(t, navigateur.famille) ||
                          correspondTexte(t, navigateur.nom);
                    break;
                case ChampFiltre::systeme:
                    oui = correspondTexte(t, systeme.famille) || correspondTexte(t, systeme.nom);
                    break;
                case ChampFiltre::robot:
                    oui = robot && correspondTexte(t, nomRobot);
                    break;
                default:
                    oui = robot;
                    break;
            }
            if (oui) bits |= uint64_t{1} << b;
        }
        return bits;
    }

    const Filtre::Arbre& a_;
    const RLog& r_;
    const ChampsEnPlus* plus_;
    TriFiltre::Caches& c_;
    const BasePays* base_;
    bool cheminLu_ = false, siteLu_ = false, requeteCoupee_ = false, agentLu_ = false;
    std::string_view chemin_, methode_, protocole_;
    std::string site_;
    uint64_t agent_ = 0;
};

}  // namespace

TriFiltre::TriFiltre(const Filtre& filtre, std::shared_ptr<const BasePays> base)
    : filtre_(filtre), base_(std::move(base)), caches_(std::make_unique<Caches>()) {
    if (filtre_.demandePays() && !base_) throw ErreurKestrane(kFiltrePaysSansBase);
    if (const Filtre::Arbre* a = filtre_.arbre()) {
        Caches& c = *caches_;
        c.bitAgent.assign(a->termes.size(), -1);
        for (std::size_t k = 0; k < a->termes.size(); ++k) {
            const ChampFiltre champ = a->termes[k].champ;
            if (!dependDeLAgent(champ)) continue;
            c.bitAgent[k] = static_cast<int>(c.termesAgent.size());
            c.termesAgent.push_back(static_cast<uint32_t>(k));
            c.navigateurs |= champ == ChampFiltre::navigateur;
            c.systemes |= champ == ChampFiltre::systeme;
            c.robots |= champ == ChampFiltre::robot || champ == ChampFiltre::robots;
            c.nomsRobots |= champ == ChampFiltre::robot;
        }
        if (c.nomsRobots) c.catalogue = robotsDuCatalogue();
    }
}

TriFiltre::~TriFiltre() = default;

bool TriFiltre::garde(const RLog& r, const ChampsEnPlus* plus) {
    const Filtre::Arbre* a = filtre_.arbre();
    if (!a) return true;
    Evaluation e(*a, r, plus, *caches_, base_.get());
    return e.noeud(a->racine);
}

bool Filtre::garde(const RLog& r, const ChampsEnPlus* plus, const BasePays* base) const {
    if (!arbre_) return true;
    // The database borrowed, not owned.
    TriFiltre tri(*this, std::shared_ptr<const BasePays>(std::shared_ptr<const BasePays>(), base));
    return tri.garde(r, plus);
}

}  // namespace kestrane
