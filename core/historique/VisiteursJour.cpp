#include "core/historique/VisiteursJour.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/analyse/Decomptes.h"
#include "core/audience/Audience.h"
#include "core/historique/Connexion.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Messages.h"
#include "core/lecture/ULog.h"

namespace kestrane {

namespace {

// The client and the agent mixed 8 bytes at a time (little-endian words, the last one padded
// with zeros), each text ended by its length: the same key on every machine and version, as the
// base keeps it.
uint64_t melanger(uint64_t h, std::string_view t) {
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::size_t k = 0;
    for (; k + 8 <= t.size(); k += 8) {
        uint64_t m;
        std::memcpy(&m, t.data() + k, 8);
        if constexpr (std::endian::native == std::endian::big) m = __builtin_bswap64(m);
        h = (h ^ m) * kMul;
        h ^= h >> 29;
    }
    uint64_t m = 0;
    for (std::size_t o = t.size(); o > k; --o) m = m << 8 | static_cast<unsigned char>(t[o - 1]);
    h = (h ^ m) * kMul;
    h ^= h >> 29;
    h = (h ^ t.size()) * kMul;
    return h ^ (h >> 32);
}

uint64_t cleVisiteur(std::string_view client, std::string_view agent) {
    return melanger(melanger(0xCBF29CE484222325ull, client), agent);
}

// One visitor's two records of one day, `a` starting first.
VisiteurJour joindre(VisiteurJour a, const VisiteurJour& b) {
    if (b.premiere < a.premiere) return joindre(b, a);
    const int32_t ecart = b.premiere - a.derniere;
    if (ecart < kEcartVisite) {
        // The visit that ends `a` goes on in `b` (pieces that overlap count as joined).
        a.visites += b.visites - 1;
        a.duree += b.duree + std::max(ecart, 0);
    } else {
        a.visites += b.visites;
        a.duree += b.duree;
    }
    a.derniere = std::max(a.derniere, b.derniere);
    return a;
}

// A request of a visitor.
struct RequeteVisiteur {
    uint64_t cle;
    int64_t t;  // seconds since 1970-01-01
};

// The visitor's key of a record. `client`: a buffer for the client's text, its memory kept from
// record to record.
uint64_t cleDe(const RLog& r, std::string& client) {
    client.clear();
    ajouterAdresse(client, r);
    return cleVisiteur(client, r.navigateur);
}

// The request of a record kept by the analysis, false when its date or time does not read.
bool requeteDe(const RLog& r, std::string& client, RequeteVisiteur& q) {
    Instant t;
    if (!lireInstant(r.date, r.heure, t)) return false;
    q = {cleDe(r, client), t.secondes};
    return true;
}

bool avant(const RequeteVisiteur& a, const RequeteVisiteur& b) {
    return a.cle < b.cle || (a.cle == b.cle && a.t < b.t);
}

// By visitor, then time: the keys are hashes, spread evenly, so that their first bits share the
// requests out into buckets of a few each, which are sorted on their own.
void trier(std::vector<RequeteVisiteur>& requetes) {
    const std::size_t n = requetes.size();
    if (n < 1024 || n > UINT32_MAX) {
        std::sort(requetes.begin(), requetes.end(), avant);
        return;
    }
    const int bits = std::min(20, static_cast<int>(std::bit_width(n)) - 2);
    const int decalage = 64 - bits;
    std::vector<uint32_t> debuts((std::size_t{1} << bits) + 1, 0);
    for (const RequeteVisiteur& q : requetes) ++debuts[(q.cle >> decalage) + 1];
    for (std::size_t k = 1; k < debuts.size(); ++k) debuts[k] += debuts[k - 1];
    std::vector<RequeteVisiteur> tries(n);
    std::vector<uint32_t> places(debuts.begin(), debuts.end() - 1);
    for (const RequeteVisiteur& q : requetes) tries[places[q.cle >> decalage]++] = q;
    for (std::size_t k = 0; k + 1 < debuts.size(); ++k) {
        const auto d = tries.begin() + debuts[k], f = tries.begin() + debuts[k + 1];
        if (f - d > 16) {
            // A visitor of many requests (a robot), or several met in one bucket.
            std::sort(d, f, avant);
            continue;
        }
        for (auto i = d + 1; i < f; ++i) {
            const RequeteVisiteur q = *i;
            auto j = i;
            for (; j > d && avant(q, *(j - 1)); --j) *j = *(j - 1);
            *j = q;
        }
    }
    requetes.swap(tries);
}

// The visitors of day `jour` among `requetes` (those of other days left out), which are sorted.
VisiteursJour visiteursDesRequetes(std::vector<RequeteVisiteur>& requetes, int64_t jour) {
    const int64_t minuit = jour * kSecondesParJour;
    std::erase_if(requetes, [&](const RequeteVisiteur& q) {
        return q.t < minuit || q.t >= minuit + kSecondesParJour;
    });
    trier(requetes);
    VisiteursJour v;
    for (const RequeteVisiteur& q : requetes) {
        const auto t = static_cast<int32_t>(q.t - minuit);
        if (v.empty() || v.back().cle != q.cle) {
            v.push_back({q.cle, t, t, 1, 0});
            continue;
        }
        VisiteurJour& d = v.back();
        if (t - d.derniere >= kEcartVisite) {
            ++d.visites;
        } else {
            d.duree += t - d.derniere;
        }
        d.derniere = t;
    }
    return v;
}

// The requests of `nb` lines into `requetes`.
void requetesDesLignes(const std::string_view* lignes, std::size_t nb,
                       const OptionsAnalyse& options, std::vector<RequeteVisiteur>& requetes) {
    requetes.reserve(requetes.size() + nb);
    std::string client;
    for (std::size_t k = 0; k < nb; ++k) {
        const std::string_view ligne = lignes[k];
        RLog r;
        if (options.ignorerNonConformes) {
            std::string_view fautif;
            if (!analyserLigneSouple(ligne, r, fautif, CoupeAgent::agentEntier) ||
                !examinerLigne(r, nullptr)) {
                continue;
            }
        } else {
            try {
                r = analyserLigne(ligne, CoupeAgent::agentEntier);
            } catch (const ErreurKestrane&) {
                continue;
            }
        }
        RequeteVisiteur q;
        if (requeteDe(r, client, q)) requetes.push_back(q);
    }
}

}  // namespace

VisiteursJour visiteursDesLignes(const std::vector<std::string_view>& lignes, int64_t jour,
                                 const OptionsAnalyse& options) {
    // Each half read on a core, their requests then sorted together: a visitor's requests may
    // lie in both halves in any time order (lines written late).
    constexpr std::size_t kDeuxFils = 4096;
    const std::size_t n = lignes.size(), milieu = n >= kDeuxFils ? n / 2 : n;
    std::vector<RequeteVisiteur> a, b;
    enParallele(
        milieu < n, [&] { requetesDesLignes(lignes.data(), milieu, options, a); },
        [&] { requetesDesLignes(lignes.data() + milieu, n - milieu, options, b); });
    a.insert(a.end(), b.begin(), b.end());
    return visiteursDesRequetes(a, jour);
}

bool visiteursDeLAudience(ComptesAudience& audience, int64_t jour, VisiteursJour& v) {
    v.clear();
    std::vector<ComptesAudience::VisiteurLu> lus;
    if (!audience.visiteursDuJour(jour, lus)) return false;
    const int64_t minuit = jour * kSecondesParJour;
    v.reserve(lus.size());
    std::string client;
    for (const ComptesAudience::VisiteurLu& l : lus) {
        client.clear();
        if (l.texte) {
            client = l.client;
        } else {
            ajouterAdresseIP(client, static_cast<int32_t>(l.ipv4 >> 24),
                             static_cast<int32_t>(l.ipv4 >> 16 & 255),
                             static_cast<int32_t>(l.ipv4 >> 8 & 255),
                             static_cast<int32_t>(l.ipv4 & 255));
        }
        v.push_back({cleVisiteur(client, l.agent), static_cast<int32_t>(l.premiere - minuit),
                     static_cast<int32_t>(l.derniere - minuit), static_cast<int32_t>(l.visites),
                     static_cast<int32_t>(l.duree)});
    }
    std::sort(v.begin(), v.end(),
              [](const VisiteurJour& a, const VisiteurJour& b) { return a.cle < b.cle; });
    // Two visitors of the audience under one key (a client written both ways): the lines read
    // again make them one.
    for (std::size_t k = 1; k < v.size(); ++k) {
        if (v[k].cle == v[k - 1].cle) {
            v.clear();
            return false;
        }
    }
    return true;
}

VisiteursJour fusionnerVisiteurs(const VisiteursJour& a, const VisiteursJour& b) {
    VisiteursJour r;
    r.reserve(a.size() + b.size());
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].cle < b[j].cle)) {
            r.push_back(a[i++]);
        } else if (i == a.size() || b[j].cle < a[i].cle) {
            r.push_back(b[j++]);
        } else {
            r.push_back(joindre(a[i++], b[j++]));
        }
    }
    return r;
}

TotauxVisiteurs totaux(const VisiteursJour& v) {
    TotauxVisiteurs t;
    t.visiteurs = static_cast<int64_t>(v.size());
    for (const VisiteurJour& x : v) {
        t.visites += x.visites;
        t.duree += x.duree;
    }
    return t;
}

Jonction jonction(const VisiteursJour& veille, const VisiteursJour& jour) {
    Jonction j;
    std::size_t i = 0;
    for (const VisiteurJour& x : jour) {
        if (x.premiere >= kEcartVisite) continue;
        while (i < veille.size() && veille[i].cle < x.cle) ++i;
        if (i == veille.size()) break;
        if (veille[i].cle != x.cle) continue;
        const int64_t ecart = kSecondesParJour - veille[i].derniere + x.premiere;
        if (ecart < kEcartVisite) {
            ++j.visites;
            j.duree += ecart;
        }
    }
    return j;
}

std::string encoderVisiteurs(const VisiteursJour& v) {
    std::string o(v.size() * sizeof(VisiteurJour), '\0');
    for (std::size_t k = 0; k < v.size(); ++k) {
        char* p = o.data() + k * 24;
        std::memcpy(p, &v[k].cle, 8);
        std::memcpy(p + 8, &v[k].premiere, 4);
        std::memcpy(p + 12, &v[k].derniere, 4);
        std::memcpy(p + 16, &v[k].visites, 4);
        std::memcpy(p + 20, &v[k].duree, 4);
    }
    return o;
}

VisiteursJour decoderVisiteurs(std::string_view o) {
    if (o.size() % 24 != 0) throw ErreurBase(std::string(kBasePasUneBase));
    VisiteursJour v(o.size() / 24);
    for (std::size_t k = 0; k < v.size(); ++k) {
        const char* p = o.data() + k * 24;
        std::memcpy(&v[k].cle, p, 8);
        std::memcpy(&v[k].premiere, p + 8, 4);
        std::memcpy(&v[k].derniere, p + 12, 4);
        std::memcpy(&v[k].visites, p + 16, 4);
        std::memcpy(&v[k].duree, p + 20, 4);
    }
    return v;
}

}  // namespace kestrane
