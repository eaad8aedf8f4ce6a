#include "core/catalogue/ListeExpressions.h"

#include <cstring>
#include <new>
#include <string>

#include "core/journal/Erreur.h"

namespace kestrane::catalogue {

namespace {

// What one thread needs to match: PCRE2 forbids sharing the match data and the JIT stack.
struct Brouillon {
    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> donnees{
        pcre2_match_data_create(std::tuple_size_v<Groupes>, nullptr), pcre2_match_data_free};
    // 32 KiB suffice for the catalogue's expressions on real agents; the stack grows up to
    // 1 MiB for an agent that needs more, instead of failing.
    std::unique_ptr<pcre2_jit_stack, decltype(&pcre2_jit_stack_free)> pile{
        pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr), pcre2_jit_stack_free};
    std::unique_ptr<pcre2_match_context, decltype(&pcre2_match_context_free)> contexte{
        pcre2_match_context_create(nullptr), pcre2_match_context_free};

    Brouillon() {
        if (!donnees || !pile || !contexte) throw std::bad_alloc();
        pcre2_jit_stack_assign(contexte.get(), nullptr, pile.get());
    }
};

Brouillon& brouillon() {
    thread_local Brouillon b;
    return b;
}

constexpr unsigned kBitsSeau = 12;

uint32_t trigramme(const char* p) {
    return static_cast<unsigned char>(p[0]) |
           static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16;
}

uint32_t seau(uint32_t trigramme) {
    return (trigramme * 0x9E3779B1u) >> (32 - kBitsSeau);
}

char minuscule(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace

ListeExpressions::ListeExpressions(std::span<const ModeleUap> modeles, bool jit,
                                   const FiltreUap* filtre)
    : modeles_(modeles), filtre_(filtre) {
    if (filtre_) {
        if (filtre_->conditions.size() != modeles.size()) throw ErreurKestrane(kFiltreIncomplet);
        // Counting sort of the texts by bucket.
        debutSeau_.assign((std::size_t{1} << kBitsSeau) + 1, 0);
        for (const char* a : filtre_->atomes) {
            longueurs_.push_back(static_cast<uint16_t>(std::strlen(a)));
            if (longueurs_.back() < 3) throw ErreurKestrane(std::string(kTexteTropCourt) + a);
            ++debutSeau_[seau(trigramme(a)) + 1];
        }
        for (std::size_t b = 1; b < debutSeau_.size(); ++b) debutSeau_[b] += debutSeau_[b - 1];
        parSeau_.resize(filtre_->atomes.size());
        std::vector<uint32_t> suivant(debutSeau_.begin(), debutSeau_.end() - 1);
        for (std::size_t k = 0; k < filtre_->atomes.size(); ++k)
            parSeau_[suivant[seau(trigramme(filtre_->atomes[k]))]++] = static_cast<uint16_t>(k);
        // The entries by the texts their clauses name; the entries without a condition last.
        mots_ = (modeles.size() + 63) / 64;
        const std::size_t nbTextes = filtre_->atomes.size();
        parTexte_.assign((nbTextes + 1) * mots_, 0);
        const auto marquer = [&](std::size_t ensemble, std::size_t i) {
            parTexte_[ensemble * mots_ + i / 64] |= uint64_t{1} << (i % 64);
        };
        for (std::size_t i = 0; i < modeles.size(); ++i) {
            const ConditionUap& c = filtre_->conditions[i];
            if (c.nbClauses == 0) marquer(nbTextes, i);
            for (const ClauseUap& clause : filtre_->clauses.subspan(c.debut, c.nbClauses)) {
                for (const uint16_t a : filtre_->indices.subspan(clause.debut, clause.nb))
                    marquer(a, i);
            }
        }
    }
    codes_.reserve(modeles.size());
    for (const ModeleUap& m : modeles) {
        int erreur = 0;
        PCRE2_SIZE position = 0;
        pcre2_code* code = pcre2_compile(
            reinterpret_cast<PCRE2_SPTR>(m.expression), PCRE2_ZERO_TERMINATED,
            PCRE2_NEVER_UTF | (m.sansCasse ? PCRE2_CASELESS : 0u), &erreur, &position, nullptr);
        if (!code) {
            PCRE2_UCHAR message[256];
            pcre2_get_error_message(erreur, message, sizeof message);
            throw ErreurKestrane(std::string(kExpressionIncorrecte) + m.expression + " (" +
                                 reinterpret_cast<const char*>(message) + ")");
        }
        codes_.emplace_back(code);
        // Where the JIT is missing, PCRE2 interprets the expression: same result, slower.
        if (jit) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    }
}

void ListeExpressions::chercherAtomes(std::string_view agent, std::vector<uint64_t>& presents,
                                      std::vector<uint16_t>& trouves) const {
    presents.assign((filtre_->atomes.size() + 63) / 64, 0);
    trouves.clear();
    if (agent.size() < 3) return;
    thread_local std::string texte;
    texte.resize(agent.size());
    for (std::size_t k = 0; k < agent.size(); ++k) texte[k] = minuscule(agent[k]);
    const char* p = texte.data();
    const std::size_t n = texte.size();
    for (std::size_t i = 0; i + 3 <= n; ++i) {
        const uint32_t cle = trigramme(p + i);
        const uint32_t b = seau(cle);
        for (uint32_t j = debutSeau_[b]; j < debutSeau_[b + 1]; ++j) {
            const uint16_t a = parSeau_[j];
            const uint64_t bit = uint64_t{1} << (a % 64);
            if ((presents[a / 64] & bit) == 0 && longueurs_[a] <= n - i &&
                std::memcmp(filtre_->atomes[a], p + i, longueurs_[a]) == 0) {
                presents[a / 64] |= bit;
                trouves.push_back(a);
            }
        }
    }
}

bool ListeExpressions::possible(std::size_t entree, const std::vector<uint64_t>& presents) const {
    const ConditionUap& c = filtre_->conditions[entree];
    if (c.nbClauses == 0) return true;
    for (const ClauseUap& clause : filtre_->clauses.subspan(c.debut, c.nbClauses)) {
        bool toutes = true;
        for (const uint16_t a : filtre_->indices.subspan(clause.debut, clause.nb))
            toutes = toutes && (presents[a / 64] >> (a % 64) & 1) != 0;
        if (toutes) return true;
    }
    return false;
}

template <typename F>
void ListeExpressions::parcourirCandidates(std::string_view agent, const F& f,
                                           const std::vector<uint64_t>* parmi) const {
    const auto marquee = [&](std::size_t i) {
        return !parmi || (i / 64 < parmi->size() && ((*parmi)[i / 64] >> (i % 64) & 1) != 0);
    };
    if (!filtre_) {
        for (std::size_t i = 0; i < codes_.size(); ++i) {
            if (marquee(i) && f(i)) return;
        }
        return;
    }
    thread_local std::vector<uint64_t> presents;
    thread_local std::vector<uint16_t> trouves;
    thread_local std::vector<uint64_t> reunion;
    chercherAtomes(agent, presents, trouves);
    const std::size_t nbTextes = filtre_->atomes.size();
    reunion.assign(parTexte_.begin() + static_cast<std::ptrdiff_t>(nbTextes * mots_),
                   parTexte_.begin() + static_cast<std::ptrdiff_t>((nbTextes + 1) * mots_));
    for (const uint16_t a : trouves) {
        const uint64_t* ensemble = parTexte_.data() + a * mots_;
        for (std::size_t m = 0; m < mots_; ++m) reunion[m] |= ensemble[m];
    }
    if (parmi) {
        for (std::size_t m = 0; m < mots_; ++m) reunion[m] &= m < parmi->size() ? (*parmi)[m] : 0;
    }
    // An entry named by one text may need others of the same clause.
    for (std::size_t m = 0; m < mots_; ++m) {
        for (uint64_t bits = reunion[m]; bits != 0; bits &= bits - 1) {
            const std::size_t i = m * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
            if (possible(i, presents) && f(i)) return;
        }
    }
}

bool ListeExpressions::correspondUneDe(std::string_view agent,
                                       const std::vector<uint64_t>& parmi) const {
    bool trouve = false;
    parcourirCandidates(
        agent, [&](std::size_t i) { return trouve = correspond(i, agent); }, &parmi);
    return trouve;
}

const ModeleUap* ListeExpressions::premier(std::string_view agent, Groupes& groupes) const {
    Brouillon& b = brouillon();
    const auto sujet = reinterpret_cast<PCRE2_SPTR>(agent.data());
    const ModeleUap* trouve = nullptr;
    parcourirCandidates(agent, [&](std::size_t i) {
        int n = pcre2_match(codes_[i].get(), sujet, agent.size(), 0, 0, b.donnees.get(),
                            b.contexte.get());
        // A match stopped by one of PCRE2's limits counts as no match: the next entries still
        // have their chance.
        if (n < 0) return false;
        // 0: a match with more groups than the match data holds; the first ten are there.
        if (n == 0 || n > static_cast<int>(groupes.size())) n = static_cast<int>(groupes.size());
        const PCRE2_SIZE* v = pcre2_get_ovector_pointer(b.donnees.get());
        groupes = {};
        for (int g = 0; g < n; ++g)
            if (v[2 * g] != PCRE2_UNSET)
                groupes[g] = agent.substr(v[2 * g], v[2 * g + 1] - v[2 * g]);
        trouve = &modeles_[i];
        return true;
    });
    return trouve;
}

bool ListeExpressions::correspond(std::size_t i, std::string_view agent) const {
    Brouillon& b = brouillon();
    return pcre2_match(codes_[i].get(), reinterpret_cast<PCRE2_SPTR>(agent.data()), agent.size(), 0,
                       0, b.donnees.get(), b.contexte.get()) >= 0;
}

}  // namespace kestrane::catalogue
