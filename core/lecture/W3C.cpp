// W3C extended logs (IIS): the "#Fields:" lines name the columns of the lines after them.
#include <algorithm>
#include <cctype>
#include <string>

#include "core/journal/Messages.h"
#include "core/lecture/CurseurOctets.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

using C = ChampJournal;

struct ColonneConnue {
    std::string_view nom;
    ChampJournal champ;
    uint8_t rang;
};

constexpr ColonneConnue kColonnes[] = {
    {"date", C::Date, 0},
    {"time", C::Heure, 0},
    {"c-ip", C::Client, 0},
    {"cs-username", C::Utilisateur, 0},
    {"cs-method", C::Methode, 0},
    {"cs-uri-stem", C::Chemin, 0},
    {"cs-uri-query", C::Parametres, 0},
    {"cs-uri", C::CheminComplet, 0},
    {"cs-version", C::Protocole, 0},
    {"sc-status", C::Statut, 0},
    {"sc-bytes", C::Octets, 0},
    {"cs(referer)", C::Provenance, 0},
    {"cs(referrer)", C::Provenance, 1},
    {"cs(user-agent)", C::Agent, 0},
    {"cs-host", C::Hote, 0},
    {"cs(host)", C::Hote, 1},
    {"s-port", C::Port, 0},
    {"time-taken", C::DureeMsOuS, 0},
};

// Whether `nom` is `bas` (lower case) in any case.
bool memeNom(std::string_view nom, std::string_view bas) {
    if (nom.size() != bas.size()) return false;
    for (std::size_t i = 0; i < nom.size(); ++i) {
        const char c =
            nom[i] >= 'A' && nom[i] <= 'Z' ? static_cast<char>(nom[i] - 'A' + 'a') : nom[i];
        if (c != bas[i]) return false;
    }
    return true;
}

ChampJournal champW3C(std::string_view nom, uint8_t& rang) {
    rang = 0;
    // Every known name has 4 to 14 bytes: most other columns are told by their length alone.
    if (nom.size() < 4 || nom.size() > 14) return C::Autre;
    for (const ColonneConnue& c : kColonnes) {
        if (memeNom(nom, c.nom)) {
            rang = c.rang;
            return c.champ;
        }
    }
    rang = 0;
    return C::Autre;
}

// A value of a line as cut: where it lies.
struct ValeurW3C {
    std::size_t debut, taille;
};

// Cuts the usual values of a line from `position`, at most `taille`: not quoted, no quote
// within, their separator the next of the cursor's bytes in its word `m`. Thousands of columns
// being no rarity, a loop without calls, whose values stay in registers, cuts them from that
// word alone; it stops before any other value, which lireLigneW3C cuts.
[[gnu::noinline]] std::size_t couperW3C(CurseurOctets::Marque& m, const char* d, char sep,
                                        std::size_t& position, ValeurW3C* valeurs,
                                        std::size_t taille) {
    std::size_t pos = position, k = 0;
    uint64_t mot = m.mot;
    const std::size_t base = m.base;
    // A chosen byte left in the word lies at or after `pos`, which is then within the line.
    for (; k < taille && mot != 0; ++k) {
        const std::size_t f = base + static_cast<unsigned>(__builtin_ctzll(mot));
        // A quote at `pos` is that byte.
        if (d[f] != sep) break;
        valeurs[k] = {pos, f - pos};
        mot &= mot - 1;
        pos = f + 1;
    }
    m.mot = mot;
    position = pos;
    return k;
}

}  // namespace

bool lireChampsW3C(std::string_view ligne, ColonnesW3C& c) {
    constexpr std::string_view kFields = "#Fields:";
    if (!ligne.starts_with(kFields)) return false;
    c.colonnes.clear();
    c.ligne.assign(ligne);
    const std::string_view l = c.ligne;
    // The names lie between blanks and tabs, found 64 bytes at a time; their count bounds the
    // columns, which take one allocation (a file may hold hundreds of such lines of thousands of
    // columns).
    c.colonnes.reserve(CurseurOctets::compter(l.data(), l.size(), ' ', '\t') + 1);
    CurseurOctets blancs(l.data(), l.size(), ' ', '\t', ' ', kFields.size());
    for (std::size_t i = kFields.size(); i < l.size();) {
        const std::size_t f = blancs.suivant();
        if (f > i) {
            ColonnesW3C::Colonne col;
            col.nom = l.substr(i, f - i);
            col.champ = champW3C(col.nom, col.rang);
            c.colonnes.push_back(col);
        }
        blancs.passer();
        i = f + 1;
    }
    return true;
}

bool lireLigneW3C(const ColonnesW3C& c, std::string_view ligne, Brouillon& b, ValeursLigne& v,
                  ChampsEnPlus& plus, std::string* raison) {
    // IIS separates by blanks; others (CloudFront) by tabs, their values holding blanks.
    const char sep = trouverOctet(ligne.data(), ligne.size(), '\t') ? '\t' : ' ';
    const char* d = ligne.data();
    const std::size_t n = ligne.size();
    const std::size_t nbColonnes = c.colonnes.size();
    const auto garder = [&](std::size_t k, std::string_view val) {
        const ColonnesW3C::Colonne& col = c.colonnes[k];
        if (col.champ == C::Agent && trouverOctet(val.data(), val.size(), ' ') == nullptr) {
            // IIS writes the agent's blanks as "+".
            char* p = b.prendre(val.size());
            std::replace_copy(val.begin(), val.end(), p, '+', ' ');
            val = std::string_view(p, val.size());
        }
        if (col.champ == C::Autre) {
            if (v.listerAutres) plus.autres.push_back({col.nom, val.empty() ? kTiret : val});
        } else {
            v.poser(col.champ, val, col.rang);
        }
    };
    CurseurOctets curseur(d, n, sep, '"', sep, 0);
    ValeurW3C valeurs[128];
    std::size_t pos = 0, k = 0;
    while (pos <= n && k < nbColonnes) {
        CurseurOctets::Marque m = curseur.marque();
        const std::size_t nb =
            couperW3C(m, d, sep, pos, valeurs, std::min(std::size(valeurs), nbColonnes - k));
        curseur.revenir(m);
        for (std::size_t i = 0; i < nb; ++i, ++k) {
            garder(k, std::string_view(d + valeurs[i].debut, valeurs[i].taille));
        }
        if (nb == std::size(valeurs) || k == nbColonnes) continue;
        // Any other value: quoted, holding a quote, the last one, or one whose separator lies
        // in another word.
        std::string_view val;
        if (pos < n && d[pos] == '"') {
            const char* q = trouverOctet(d + pos + 1, n - pos - 1, '"');
            if (q == nullptr) {
                if (raison) *raison = kGuillemetManquant + texteEnPosition(pos);
                return false;
            }
            const auto f = static_cast<std::size_t>(q - d);
            val = ligne.substr(pos + 1, f - pos - 1);
            pos = f + 1;
            if (pos < n && d[pos] != sep) break;
        } else {
            const char* s = trouverOctet(d + pos, n - pos, sep);
            const std::size_t f = s ? static_cast<std::size_t>(s - d) : n;
            val = ligne.substr(pos, f - pos);
            pos = f;
        }
        ++pos;  // the separator, or past the end
        curseur.allerA(pos);
        garder(k++, val);
    }
    if (k != nbColonnes || pos <= n) {
        if (raison) {
            std::size_t valeurs = 1;
            for (const char ch : ligne) valeurs += ch == sep;
            *raison = texteValeursPourColonnes(valeurs, nbColonnes);
        }
        return false;
    }
    return true;
}

std::shared_ptr<const DirectivesW3C> DirectivesW3C::indexer(
    std::size_t nbLignes, const std::function<std::string_view(std::size_t)>& ligne) {
    auto d = std::make_shared<DirectivesW3C>();
    for (std::size_t i = 0; i < nbLignes; ++i) {
        const std::string_view l = ligne(i);
        if (l.empty() || l[0] != '#') continue;
        // IIS writes its "#Fields:" line again at every start, mostly the same: the columns of
        // the last one serve again.
        if (!d->colonnes_.empty() && d->colonnes_.back()->ligne == l) {
            d->numeros_.push_back(i);
            d->colonnes_.push_back(d->colonnes_.back());
            continue;
        }
        auto c = std::make_shared<ColonnesW3C>();
        if (lireChampsW3C(l, *c)) {
            d->numeros_.push_back(i);
            d->colonnes_.push_back(std::move(c));
        }
    }
    return d;
}

const ColonnesW3C* DirectivesW3C::colonnesA(std::size_t numero, std::size_t& debut,
                                            std::size_t& fin) const {
    const auto apres = std::upper_bound(numeros_.begin(), numeros_.end(), numero);
    fin = apres == numeros_.end() ? SIZE_MAX : *apres;
    if (apres == numeros_.begin()) {
        debut = 0;
        return nullptr;
    }
    const auto k = static_cast<std::size_t>(apres - numeros_.begin()) - 1;
    debut = numeros_[k];
    return colonnes_[k].get();
}

}  // namespace kestrane
