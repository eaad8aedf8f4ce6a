// JSON lines, read with simdjson's On-Demand parser: one pass over each object, taking only the
// keys of the mapping, nested ones included ("request.headers.User-Agent[0]").
#include <simdjson.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>

#include "core/journal/Messages.h"
#include "core/lecture/Echappements.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

using C = ChampJournal;
namespace od = simdjson::ondemand;

// One key of the mapping's tree: the key at its level, the element of the array it holds when
// the path says "[n]", and either the field it feeds or the keys under it.
struct NoeudJson {
    std::string cle;
    int64_t indice = -1;
    bool feuille = false;
    ChampJournal champ = C::Autre;
    uint8_t rang = 0;
    std::string chemin;  // the whole path: the name of an extra field
    std::vector<NoeudJson> enfants;
    // The children by their key's hash (a slot holds a child's number + 1, 0 when empty): the
    // mapping of every server has dozens of keys, a Caddy line as many.
    std::vector<uint32_t> cases;
    std::size_t masque = 0;

    const NoeudJson* enfant(std::string_view k) const {
        if (cases.empty()) return nullptr;
        for (std::size_t c = hacherOctets(k) & masque;; c = (c + 1) & masque) {
            if (cases[c] == 0) return nullptr;
            const NoeudJson& e = enfants[cases[c] - 1];
            if (memesOctets(e.cle, k)) return &e;
        }
    }
};

struct ArbreJson {
    NoeudJson racine;
};

struct EtatJson {
    od::parser analyseur;
    std::unique_ptr<char[]> tampon;
    std::size_t capacite = 0;
    // The line was read as Latin-1 (it is no UTF-8): strings go back to their bytes.
    bool latin1 = false;
    // The line the buffer copies (UTF-8 lines only): a string without escape is its own bytes.
    const char* ligne = nullptr;
    // A value of the line was taken out of the buffer or the parser's memory.
    bool horsLigne = false;
};

void SupprimerEtatJson::operator()(EtatJson* e) const {
    delete e;
}

PtrEtatJson creerEtatJson() {
    return PtrEtatJson(new EtatJson);
}

namespace {

// Adds `chemin` to the tree: "a.b[0].c" is a, element 0 of b, c.
void inserer(NoeudJson& racine, const std::string& chemin, ChampJournal champ, uint8_t rang) {
    NoeudJson* n = &racine;
    std::size_t i = 0;
    while (i <= chemin.size()) {
        std::size_t fin = chemin.find('.', i);
        if (fin == std::string::npos) fin = chemin.size();
        std::string cle = chemin.substr(i, fin - i);
        int64_t indice = -1;
        const std::size_t crochet = cle.find('[');
        if (crochet != std::string::npos && cle.back() == ']') {
            int64_t k = 0;
            if (essayerConvertirEntier64(
                    std::string_view(cle).substr(crochet + 1, cle.size() - crochet - 2), k) &&
                k >= 0) {
                indice = k;
                cle.resize(crochet);
            }
        }
        auto it = std::find_if(n->enfants.begin(), n->enfants.end(), [&](const NoeudJson& e) {
            return e.cle == cle && e.indice == indice;
        });
        if (it == n->enfants.end()) {
            n->enfants.push_back({});
            n->enfants.back().cle = cle;
            n->enfants.back().indice = indice;
            it = n->enfants.end() - 1;
        }
        n = &*it;
        i = fin + 1;
    }
    if (!n->feuille) {
        n->feuille = true;
        n->champ = champ;
        n->rang = rang;
        n->chemin = chemin;
    }
}

// How many of the `n` bytes at `p` come before the first above 0x7F, eight at a time: the
// Latin-1 conversions copy ASCII runs whole.
std::size_t debutAscii(const char* p, std::size_t n) {
    std::size_t i = 0;
    for (uint64_t m; i + 8 <= n; i += 8) {
        std::memcpy(&m, p + i, 8);
        if ((m & 0x8080808080808080u) != 0) break;
    }
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

// A string of a line read as Latin-1, back to the line's bytes: characters below U+0100 are
// bytes again, the others stay in UTF-8.
std::string_view versOctets(std::string_view s, Brouillon& b) {
    char* p = b.prendre(s.size());
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t a = debutAscii(s.data() + i, s.size() - i);
        std::memcpy(p + n, s.data() + i, a);
        n += a;
        i += a;
        if (i == s.size()) break;
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < s.size()) {
            p[n++] = static_cast<char>(((c & 0x03) << 6) |
                                       (static_cast<unsigned char>(s[i + 1]) & 0x3F));
            ++i;
        } else {
            p[n++] = s[i];
        }
    }
    return {p, n};
}

struct Parcours {
    EtatJson& etat;
    Brouillon& b;
    ValeursLigne& v;
    ChampsEnPlus& plus;

    // The text of a value: a string unescaped, a number or a literal as written; nothing for an
    // object or an array.
    bool texte(od::value& val, std::string_view& t) {
        // The value's kind is its first byte, as simdjson's type() tells it: the token is then
        // found once for both.
        const std::string_view brut = val.raw_json_token();
        switch (brut.front()) {
            case '"': {
                // Without a backslash the string is its bytes in the line: a view that outlives
                // the reading, where an unescaped copy would have to be kept apart.
                if (etat.ligne) {
                    const std::string_view s = rogner(brut);
                    if (s.size() >= 2 && s.back() == '"' &&
                        s.find('\\') == std::string_view::npos) {
                        t = std::string_view(etat.ligne + (s.data() + 1 - etat.tampon.get()),
                                             s.size() - 2);
                        return true;
                    }
                }
                // Escapes that simdjson surely reads are read once, those of control characters
                // kept as written as below; any other string is left to simdjson, whose reading
                // was then read again from the line whenever it held a control character.
                if (!etat.latin1) {
                    const std::string_view s = rogner(brut);
                    std::size_t taille;
                    if (s.size() >= 2 && s.back() == '"') {
                        char* p = b.prendre(s.size());
                        if (desechapperJsonSur(s.substr(1, s.size() - 2), p, taille)) {
                            t = std::string_view(p, taille);
                            etat.horsLigne = true;
                            return true;
                        }
                    }
                }
                if (val.get_string().get(t)) return false;
                // An escape standing for a control character stays as written: the string is
                // unescaped again from the line, those escapes kept.
                const std::string_view s = rogner(brut);
                if (s.size() >= 2 && trouverOctet(s.data(), s.size(), '\\') &&
                    contientControle(t)) {
                    char* p = b.prendre(s.size());
                    t = std::string_view(p, desechapperJson(s.substr(1, s.size() - 2), p));
                }
                if (etat.latin1) t = versOctets(t, b);
                etat.horsLigne = true;
                return true;
            }
            case 't':
            case 'f':
            case '-':
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
            case '8':
            case '9':
                t = rogner(brut);
                // A number or a literal is written alike in the line it was copied from.
                if (etat.ligne) {
                    t = std::string_view(etat.ligne + (t.data() - etat.tampon.get()), t.size());
                } else {
                    etat.horsLigne = true;
                }
                return true;
            case 'n':
                t = kTiret;
                return true;
            default:  // an object, an array
                return false;
        }
    }

    simdjson::error_code feuille(od::value& val, const NoeudJson& n) {
        // A value that nothing reads is not even looked at.
        if (n.champ == C::Autre && !v.listerAutres) return simdjson::SUCCESS;
        std::string_view t;
        if (!texte(val, t)) return simdjson::SUCCESS;  // an object where a text was expected
        if (n.champ == C::Autre) {
            plus.autres.push_back({n.chemin, t.empty() ? kTiret : t});
        } else {
            v.poser(n.champ, t, n.rang);
        }
        return simdjson::SUCCESS;
    }

    simdjson::error_code valeur(od::value& val, const NoeudJson& n) {
        if (n.indice >= 0) {
            od::array a;
            if (val.get_array().get(a)) return simdjson::SUCCESS;
            int64_t k = 0;
            for (auto element : a) {
                od::value e;
                if (auto err = element.get(e)) return err;
                if (k++ == n.indice) return contenu(e, n);
            }
            return simdjson::SUCCESS;
        }
        return contenu(val, n);
    }

    // A key may be both a field and the parent of others ("request" for nginx, "request.uri"
    // for Caddy): the value's kind tells which it is in this line.
    simdjson::error_code contenu(od::value& val, const NoeudJson& n) {
        if (!n.enfants.empty()) {
            od::json_type type;
            if (auto err = val.type().get(type)) return err;
            if (type == od::json_type::object) {
                od::object o;
                if (auto err = val.get_object().get(o)) return err;
                return objet(o, n);
            }
        }
        return n.feuille ? feuille(val, n) : simdjson::SUCCESS;
    }

    simdjson::error_code objet(od::object& o, const NoeudJson& n) {
        for (auto lu : o) {
            // The field where it lies in its result, neither copied out (the value used where it
            // lies) nor moved: a move read back at once the pieces just written apart, and
            // waited for them at every key.
            if (auto err = lu.error()) return err;
            od::field&& champ = std::move(lu).value_unsafe();
            // A key without a backslash is its bytes in the buffer up to its closing quote (the
            // line was checked whole: the quote is there); only a key with an escape is copied
            // unescaped.
            const char* const debut = champ.key().raw();
            const char* p = debut;
            while (*p != '"' && *p != '\\') ++p;
            std::string_view cle(debut, static_cast<std::size_t>(p - debut));
            if (*p == '\\') {
                if (auto err = champ.unescaped_key().get(cle)) return err;
            }
            if (const NoeudJson* e = n.enfant(cle)) {
                if (auto err = valeur(champ.value(), *e)) return err;
            }
        }
        return simdjson::SUCCESS;
    }
};

// Reads `ligne`, as it is or as Latin-1 turned into UTF-8, into the padded buffer.
simdjson::error_code analyser(EtatJson& e, std::string_view ligne, bool latin1, od::document& doc) {
    const std::size_t taille = latin1 ? 2 * ligne.size() : ligne.size();
    if (e.capacite < taille + simdjson::SIMDJSON_PADDING) {
        e.capacite = taille + simdjson::SIMDJSON_PADDING + 256;
        e.tampon = std::make_unique_for_overwrite<char[]>(e.capacite);
    }
    std::size_t n = 0;
    if (!latin1) {
        std::memcpy(e.tampon.get(), ligne.data(), ligne.size());
        n = ligne.size();
    } else {
        for (std::size_t i = 0; i < ligne.size(); ++i) {
            const std::size_t a = debutAscii(ligne.data() + i, ligne.size() - i);
            std::memcpy(e.tampon.get() + n, ligne.data() + i, a);
            n += a;
            i += a;
            if (i == ligne.size()) break;
            const auto u = static_cast<unsigned char>(ligne[i]);
            e.tampon[n++] = static_cast<char>(0xC0 | (u >> 6));
            e.tampon[n++] = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    std::memset(e.tampon.get() + n, 0, simdjson::SIMDJSON_PADDING);
    e.latin1 = latin1;
    e.ligne = latin1 ? nullptr : ligne.data();
    e.horsLigne = false;
    return e.analyseur.iterate(e.tampon.get(), n, e.capacite).get(doc);
}

simdjson::error_code lireDocument(od::document& doc, Parcours& l, const ArbreJson& arbre) {
    od::object o;
    if (auto err = doc.get_object().get(o)) return err;
    if (auto err = l.objet(o, arbre.racine)) return err;
    // Past the object: the end of the line, or what should not be there.
    const char* reste = nullptr;
    return doc.current_location().get(reste) == simdjson::OUT_OF_BOUNDS
               ? simdjson::SUCCESS
               : simdjson::TRAILING_CONTENT;
}

// Each node's table of its children, at most an eighth full: most keys of a line are no child,
// and such a key then mostly meets an empty slot first, where a fuller table had it compare
// keys and go on unpredictably (12 ns a key of a line of thousands). Of two children with one
// key (two elements of one array), the first inserted is found: it is first along its slots.
void indexer(NoeudJson& n) {
    std::size_t taille = 8;
    while (taille < 8 * n.enfants.size()) taille *= 2;
    n.cases.assign(n.enfants.empty() ? 0 : taille, 0);
    n.masque = taille - 1;
    for (std::size_t k = 0; k < n.enfants.size(); ++k) {
        std::size_t c = hacherOctets(n.enfants[k].cle) & n.masque;
        while (n.cases[c] != 0) c = (c + 1) & n.masque;
        n.cases[c] = static_cast<uint32_t>(k + 1);
    }
    for (NoeudJson& e : n.enfants) indexer(e);
}

}  // namespace

std::shared_ptr<const ArbreJson> compilerCorrespondance(const CorrespondanceJson& c) {
    auto a = std::make_shared<ArbreJson>();
    for (std::size_t k = 0; k < c.size(); ++k) {
        inserer(a->racine, c[k].chemin, c[k].champ,
                static_cast<uint8_t>(std::min<std::size_t>(k, 254)));
    }
    indexer(a->racine);
    return a;
}

bool nommeChamp(const ArbreJson& arbre, ChampJournal champ) {
    std::vector<const NoeudJson*> restants{&arbre.racine};
    while (!restants.empty()) {
        const NoeudJson* n = restants.back();
        restants.pop_back();
        if (n->feuille && n->champ == champ) return true;
        for (const NoeudJson& e : n->enfants) restants.push_back(&e);
    }
    return false;
}

bool valeurHorsLigne(const EtatJson& e) {
    return e.horsLigne;
}

bool lireJson(const ArbreJson& arbre, EtatJson& e, std::string_view ligne, Brouillon& b,
              ValeursLigne& v, ChampsEnPlus& plus, std::string* raison) {
    Parcours l{e, b, v, plus};
    od::document doc;
    simdjson::error_code err = analyser(e, ligne, false, doc);
    if (!err) err = lireDocument(doc, l, arbre);
    if (err == simdjson::UTF8_ERROR) {
        // nginx writes the bytes of a request as they came, UTF-8 or not.
        v.vider();
        plus.autres.clear();
        b.preparer(ligne.size());
        err = analyser(e, ligne, true, doc);
        if (!err) err = lireDocument(doc, l, arbre);
    }
    if (err) {
        if (raison) *raison = kLigneJsonIncorrecte + citerTexte(ligne);
        return false;
    }
    const char* manque = nullptr;
    if (!v.present(C::Temps)) {
        manque = kLigneJsonSansDate.c_str();
    } else if (!v.present(C::Statut)) {
        manque = kLigneJsonSansStatut.c_str();
    } else if (!v.present(C::Requete) && !v.present(C::Chemin) && !v.present(C::CheminComplet)) {
        manque = kLigneJsonSansRequete.c_str();
    }
    if (manque) {
        if (raison) *raison = manque;
        return false;
    }
    return true;
}

}  // namespace kestrane
