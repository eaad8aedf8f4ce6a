#include "core/historique/TablesJour.h"

#include <lz4.h>
#include <zlib.h>

#include <algorithm>
#include <unordered_map>

#include "core/historique/Connexion.h"
#include "core/journal/Messages.h"
#include "core/lecture/IndexCles.h"

namespace kestrane {

namespace {

// Ranks within a day: below 2^22 (a table past it ties its last entries).
constexpr int64_t kRangs = int64_t{1} << 22;

int64_t ordreDe(int64_t debut, std::size_t rang) {
    return debut * kRangs + std::min<int64_t>(static_cast<int64_t>(rang), kRangs - 1);
}

// Each from a table of the result, its labels moved out.
TableJour depuisStat(tableauRapportStat& t, int64_t debut) {
    TableJour r;
    r.reserve(t.size());
    for (std::size_t k = 0; k < t.size(); ++k) {
        r.push_back({std::move(t[k].libelle), t[k].nombre, 0, 0, ordreDe(debut, k)});
    }
    return r;
}

TableJour depuisAudience(std::vector<LigneAudience>& t, int64_t debut) {
    TableJour r;
    r.reserve(t.size());
    for (std::size_t k = 0; k < t.size(); ++k) {
        r.push_back(
            {std::move(t[k].nom), t[k].requetes, t[k].octets, t[k].visiteurs, ordreDe(debut, k)});
    }
    return r;
}

TableJour depuisFichiers(std::vector<CompteFichier>& t, int64_t debut) {
    TableJour r;
    r.reserve(t.size());
    for (std::size_t k = 0; k < t.size(); ++k) {
        r.push_back({std::move(t[k].fichier), t[k].nombre, 0, 0, ordreDe(debut, k)});
    }
    return r;
}

std::string libelleAffiche(const std::string& l) {
    return l == kEntreeAutres ? std::string(kLibelleAutres) : l;
}

tableauRapportStat versStat(const TableJour& t, bool octets = false) {
    tableauRapportStat r;
    r.reserve(t.size());
    for (const EntreeJour& e : t)
        r.push_back({libelleAffiche(e.libelle), {}, octets ? e.octets : e.requetes});
    return r;
}

std::vector<LigneAudience> versAudience(const TableJour& t) {
    std::vector<LigneAudience> r;
    r.reserve(t.size());
    for (const EntreeJour& e : t)
        r.push_back({libelleAffiche(e.libelle), e.requetes, e.octets, e.visiteurs});
    return r;
}

std::vector<CompteFichier> versFichiers(const TableJour& t) {
    std::vector<CompteFichier> r;
    r.reserve(t.size());
    for (const EntreeJour& e : t) r.push_back({libelleAffiche(e.libelle), e.requetes});
    return r;
}

// Writes n at p, 7 bits a byte from the lowest (at most 10 bytes); returns the end.
char* poserNombre(char* p, uint64_t n) {
    while (n >= 0x80) {
        *p++ = static_cast<char>(n | 0x80);
        n >>= 7;
    }
    *p++ = static_cast<char>(n);
    return p;
}

void ecrireNombre(std::string& o, uint64_t n) {
    char octets[10];
    o.append(octets, static_cast<std::size_t>(poserNombre(octets, n) - octets));
}

uint64_t lireNombre(std::string_view o, std::size_t& p) {
    uint64_t n = 0;
    for (int decalage = 0; decalage < 64; decalage += 7) {
        if (p >= o.size()) throw ErreurBase(std::string(kBasePasUneBase));
        const auto c = static_cast<unsigned char>(o[p++]);
        n |= static_cast<uint64_t>(c & 0x7F) << decalage;
        if (!(c & 0x80)) return n;
    }
    throw ErreurBase(std::string(kBasePasUneBase));
}

uint64_t zigzag(int64_t n) {
    return (static_cast<uint64_t>(n) << 1) ^ static_cast<uint64_t>(n >> 63);
}

int64_t dezigzag(uint64_t n) {
    return static_cast<int64_t>(n >> 1) ^ -static_cast<int64_t>(n & 1);
}

}  // namespace

TablesJour tablesDuResultat(ResultatAnalyse&& r, int64_t debut) {
    TablesJour t;
    TablesAnalyse& s = r.tables;
    std::unordered_map<std::string_view, int64_t> octets;
    for (const rapportStat& e : s.statTaux) octets[e.libelle] += e.nombre;
    TableJour adresses = depuisStat(s.statIP, debut);
    for (EntreeJour& e : adresses) e.octets = octets[e.libelle];
    t[SorteTable::adresses] = std::move(adresses);
    t[SorteTable::systemes] = depuisStat(s.statOS, debut);
    t[SorteTable::navigateurs] = depuisStat(s.statNav, debut);
    t[SorteTable::provenances] = depuisStat(s.statPrecedent, debut);
    t[SorteTable::fichiers] = depuisStat(s.statFichier, debut);
    if (r.lisibles.robotsConnus) {
        t[SorteTable::robotsNavigateurs] = depuisStat(r.lisibles.robots, debut);
    }
    if (r.complements) {
        t[SorteTable::introuvables] = depuisFichiers(r.complements->introuvables, debut);
        t[SorteTable::erreurs] = depuisFichiers(r.complements->erreursServeur, debut);
    }
    if (r.audience) {
        Audience& a = *r.audience;
        t[SorteTable::sites] = depuisAudience(a.sitesReferents, debut);
        t[SorteTable::recherches] = depuisAudience(a.recherches, debut);
        t[SorteTable::robots] = depuisAudience(a.robots, debut);
        t[SorteTable::methodes] = depuisAudience(a.methodes, debut);
        t[SorteTable::protocoles] = depuisAudience(a.protocoles, debut);
        if (a.avecPays) t[SorteTable::pays] = depuisAudience(a.pays, debut);
    }
    return t;
}

TableJour fusionnerTables(const TableJour& a, const TableJour& b) {
    // As CumulTable sums them, the labels looked up as the views of `a` and `b` rather than
    // copies: both outlive the merge.
    TableJour r;
    r.reserve(a.size() + b.size());
    IndexCles<std::string_view> index;
    for (const TableJour* t : {&a, &b}) {
        for (const EntreeJour& e : *t) {
            bool nouveau;
            const uint32_t n =
                index.trouverOuAjouterSansCopie(e.libelle, hacher(e.libelle), nouveau);
            if (nouveau) {
                r.push_back(e);
                continue;
            }
            EntreeJour& x = r[n];
            x.requetes += e.requetes;
            x.octets += e.octets;
            x.visiteurs += e.visiteurs;
            x.ordre = std::min(x.ordre, e.ordre);
        }
    }
    return r;
}

void CumulTable::ajouter(const TableJour& t) {
    for (const EntreeJour& e : t) {
        const auto [it, nouveau] = index_.try_emplace(e.libelle, table_.size());
        if (nouveau) {
            table_.push_back(e);
            continue;
        }
        EntreeJour& x = table_[it->second];
        x.requetes += e.requetes;
        x.octets += e.octets;
        x.visiteurs += e.visiteurs;
        x.ordre = std::min(x.ordre, e.ordre);
    }
}

void ordonner(TableJour& t) {
    std::sort(t.begin(), t.end(), [](const EntreeJour& a, const EntreeJour& b) {
        return a.requetes != b.requetes ? a.requetes > b.requetes : a.ordre < b.ordre;
    });
}

TableJour limiter(TableJour t, std::size_t limite) {
    // The "others" entry of an earlier cut takes no place among the `limite`.
    EntreeJour autres{std::string(kEntreeAutres), 0, 0, 0, INT64_MAX};
    const auto deja = std::find_if(t.begin(), t.end(),
                                   [](const EntreeJour& e) { return e.libelle == kEntreeAutres; });
    const bool avant = deja != t.end();
    if (avant) {
        autres = *deja;
        t.erase(deja);
    }
    if (limite > 0 && t.size() > limite) {
        ordonner(t);
        for (std::size_t k = limite; k < t.size(); ++k) {
            autres.requetes += t[k].requetes;
            autres.octets += t[k].octets;
            autres.visiteurs += t[k].visiteurs;
            autres.ordre = std::min(autres.ordre, t[k].ordre);
        }
        t.resize(limite);
    } else if (!avant) {
        return t;
    }
    t.push_back(std::move(autres));
    return t;
}

void remplirResultat(ResultatAnalyse& r, const TablesJour& tables) {
    // As the analysis sorts them: a catch-all entry (`dernier`) after every other.
    const auto table = [&](SorteTable s, std::string_view dernier = {}) {
        const auto it = tables.find(s);
        TableJour t = it == tables.end() ? TableJour() : it->second;
        ordonner(t);
        if (!dernier.empty()) {
            std::stable_partition(t.begin(), t.end(),
                                  [&](const EntreeJour& e) { return e.libelle != dernier; });
        }
        return t;
    };
    const TableJour adresses = table(SorteTable::adresses);
    r.tables.statIP = versStat(adresses);
    TableJour parOctets = adresses;
    std::stable_sort(parOctets.begin(), parOctets.end(),
                     [](const EntreeJour& a, const EntreeJour& b) {
                         return a.octets != b.octets ? a.octets > b.octets : a.ordre < b.ordre;
                     });
    r.tables.statTaux = versStat(parOctets, true);
    r.tables.statOS = versStat(table(SorteTable::systemes));
    r.tables.statNav = versStat(table(SorteTable::navigateurs));
    r.tables.statPrecedent = versStat(table(SorteTable::provenances));
    r.tables.statFichier = versStat(table(SorteTable::fichiers));
    if (tables.count(SorteTable::robotsNavigateurs)) {
        r.lisibles.robots = versStat(table(SorteTable::robotsNavigateurs));
    }
    if (r.complements) {
        r.complements->introuvables = versFichiers(table(SorteTable::introuvables));
        r.complements->erreursServeur = versFichiers(table(SorteTable::erreurs));
        r.complements->adressesDistinctes = static_cast<int64_t>(adresses.size());
    }
    if (r.audience) {
        Audience& a = *r.audience;
        a.sitesReferents = versAudience(table(SorteTable::sites));
        a.recherches = versAudience(table(SorteTable::recherches));
        a.robots = versAudience(table(SorteTable::robots));
        for (const LigneAudience& l : a.robots) {
            a.requetesRobots += l.requetes;
            a.octetsRobots += l.octets;
        }
        a.methodes = versAudience(table(SorteTable::methodes, kAutre));
        a.protocoles = versAudience(table(SorteTable::protocoles, kAutre));
        a.avecPays = tables.count(SorteTable::pays) > 0;
        a.pays = versAudience(table(SorteTable::pays, kPaysInconnu));
    }
}

namespace {

void ecrireEntree(std::string& brut, std::string_view libelle, int64_t requetes, int64_t octets,
                  int64_t visiteurs, int64_t ordre) {
    ecrireNombre(brut, libelle.size());
    brut += libelle;
    // The four numbers appended at once: a table writes them for each of its entries.
    char nombres[40];
    char* p = nombres;
    for (const int64_t n : {requetes, octets, visiteurs, ordre}) p = poserNombre(p, zigzag(n));
    brut.append(nombres, static_cast<std::size_t>(p - nombres));
}

// The entries written, compressed, their raw size first, then the compression's mark: kLz4, or
// the first byte of a zlib stream (0x78) in a table written before version 3 of the schema.
constexpr char kLz4 = 0x01;
std::string comprimer(const std::string& brut);

}  // namespace

std::string encoderTable(const TableJour& t) {
    std::string brut;
    ecrireNombre(brut, t.size());
    for (const EntreeJour& e : t) {
        ecrireEntree(brut, e.libelle, e.requetes, e.octets, e.visiteurs, e.ordre);
    }
    return comprimer(brut);
}

namespace {

// An entry as it is written: a view of its label.
struct Somme {
    std::string_view libelle;
    int64_t requetes, octets, visiteurs, ordre;
};

// Entries of one label each cut to the `limite` of most requests, the others summed with an
// earlier cut's "others" (as limiter), then written.
std::string couperEtEcrire(std::vector<Somme>& s, std::size_t limite) {
    Somme autres{kEntreeAutres, 0, 0, 0, INT64_MAX};
    const auto deja =
        std::find_if(s.begin(), s.end(), [](const Somme& e) { return e.libelle == kEntreeAutres; });
    bool avecAutres = deja != s.end();
    if (avecAutres) {
        autres = *deja;
        s.erase(deja);
    }
    if (limite > 0 && s.size() > limite) {
        // Only the kept entries need their order: the others are summed.
        const auto avantQue = [](const Somme& a, const Somme& b) {
            return a.requetes != b.requetes ? a.requetes > b.requetes : a.ordre < b.ordre;
        };
        const auto coupure = s.begin() + static_cast<std::ptrdiff_t>(limite);
        std::nth_element(s.begin(), coupure, s.end(), avantQue);
        std::sort(s.begin(), coupure, avantQue);
        for (std::size_t k = limite; k < s.size(); ++k) {
            autres.requetes += s[k].requetes;
            autres.octets += s[k].octets;
            autres.visiteurs += s[k].visiteurs;
            autres.ordre = std::min(autres.ordre, s[k].ordre);
        }
        s.resize(limite);
        avecAutres = true;
    }
    if (avecAutres) s.push_back(autres);
    std::string brut;
    std::size_t taille = 10;
    for (const Somme& e : s) taille += e.libelle.size() + 50;
    brut.reserve(taille);
    ecrireNombre(brut, s.size());
    for (const Somme& e : s) {
        ecrireEntree(brut, e.libelle, e.requetes, e.octets, e.visiteurs, e.ordre);
    }
    return comprimer(brut);
}

}  // namespace

std::string encoderTableLimitee(const TableJour& t, std::size_t limite) {
    // As fusionnerTables and limiter make it, the entries summed by label with views of their
    // labels (`t` outlives them), cut, then written.
    std::vector<Somme> s;
    s.reserve(t.size());
    IndexCles<std::string_view> index;
    for (const EntreeJour& e : t) {
        bool nouveau;
        const uint32_t n = index.trouverOuAjouterSansCopie(e.libelle, hacher(e.libelle), nouveau);
        if (nouveau) {
            s.push_back({e.libelle, e.requetes, e.octets, e.visiteurs, e.ordre});
            continue;
        }
        Somme& x = s[n];
        x.requetes += e.requetes;
        x.octets += e.octets;
        x.visiteurs += e.visiteurs;
        x.ordre = std::min(x.ordre, e.ordre);
    }
    return couperEtEcrire(s, limite);
}

std::string encoderTableUnique(const TableJour& t, std::size_t limite) {
    std::vector<Somme> s;
    s.reserve(t.size());
    for (const EntreeJour& e : t)
        s.push_back({e.libelle, e.requetes, e.octets, e.visiteurs, e.ordre});
    return couperEtEcrire(s, limite);
}

namespace {

std::string comprimer(const std::string& brut) {
    std::string o;
    ecrireNombre(o, brut.size());
    const std::size_t entete = o.size();
    if (brut.size() > LZ4_MAX_INPUT_SIZE) {
        // Past what LZ4 takes at once (a day of tens of millions of entries, kept whole): zlib, as
        // before version 3.
        uLongf taille = compressBound(brut.size());
        o.resize(entete + taille);
        if (compress2(reinterpret_cast<Bytef*>(o.data() + entete), &taille,
                      reinterpret_cast<const Bytef*>(brut.data()), brut.size(), 1) != Z_OK) {
            throw ErreurBase(std::string(kBasePasUneBase));
        }
        o.resize(entete + taille);
        return o;
    }
    // LZ4 squeezes a day's tables about as zlib's fastest level does, several times faster.
    const int taille = LZ4_compressBound(static_cast<int>(brut.size()));
    o.push_back(kLz4);
    o.resize(entete + 1 + static_cast<std::size_t>(taille));
    const int ecrits = LZ4_compress_default(brut.data(), o.data() + entete + 1,
                                            static_cast<int>(brut.size()), taille);
    if (ecrits <= 0) throw ErreurBase(std::string(kBasePasUneBase));
    o.resize(entete + 1 + static_cast<std::size_t>(ecrits));
    return o;
}

}  // namespace

TableJour decoderTable(std::string_view octets) {
    std::size_t p = 0;
    const uint64_t taille = lireNombre(octets, p);
    if (taille > (uint64_t{1} << 34)) throw ErreurBase(std::string(kBasePasUneBase));
    std::string brut(taille, '\0');
    if (p < octets.size() && octets[p] == kLz4) {
        ++p;
        if (taille > INT32_MAX || octets.size() - p > INT32_MAX ||
            LZ4_decompress_safe(octets.data() + p, brut.data(), static_cast<int>(octets.size() - p),
                                static_cast<int>(taille)) != static_cast<int>(taille)) {
            throw ErreurBase(std::string(kBasePasUneBase));
        }
    } else {
        // A table written before version 3 of the schema: a zlib stream.
        uLongf lus = static_cast<uLongf>(taille);
        if (uncompress(reinterpret_cast<Bytef*>(brut.data()), &lus,
                       reinterpret_cast<const Bytef*>(octets.data() + p),
                       octets.size() - p) != Z_OK ||
            lus != taille) {
            throw ErreurBase(std::string(kBasePasUneBase));
        }
    }
    p = 0;
    const uint64_t n = lireNombre(brut, p);
    if (n > brut.size()) throw ErreurBase(std::string(kBasePasUneBase));
    TableJour t(n);
    for (EntreeJour& e : t) {
        const uint64_t l = lireNombre(brut, p);
        if (l > brut.size() - p) throw ErreurBase(std::string(kBasePasUneBase));
        e.libelle.assign(brut, p, l);
        p += l;
        e.requetes = dezigzag(lireNombre(brut, p));
        e.octets = dezigzag(lireNombre(brut, p));
        e.visiteurs = dezigzag(lireNombre(brut, p));
        e.ordre = dezigzag(lireNombre(brut, p));
    }
    return t;
}

}  // namespace kestrane
