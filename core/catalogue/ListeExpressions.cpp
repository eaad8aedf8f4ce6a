#include "core/catalogue/ListeExpressions.h"

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

}  // namespace

ListeExpressions::ListeExpressions(std::span<const ModeleUap> modeles, bool jit)
    : modeles_(modeles) {
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
            throw ErreurKestrane(
                std::string("Expression incorrecte dans le catalogue des navigateurs : ") +
                m.expression + " (" + reinterpret_cast<const char*>(message) + ")");
        }
        codes_.emplace_back(code);
        // Where the JIT is missing, PCRE2 interprets the expression: same result, slower.
        if (jit) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    }
}

const ModeleUap* ListeExpressions::premier(std::string_view agent, Groupes& groupes) const {
    Brouillon& b = brouillon();
    const auto sujet = reinterpret_cast<PCRE2_SPTR>(agent.data());
    for (std::size_t i = 0; i < codes_.size(); ++i) {
        int n = pcre2_match(codes_[i].get(), sujet, agent.size(), 0, 0, b.donnees.get(),
                            b.contexte.get());
        // A match stopped by one of PCRE2's limits counts as no match: the next entries still
        // have their chance.
        if (n < 0) continue;
        // 0: a match with more groups than the match data holds; the first ten are there.
        if (n == 0 || n > static_cast<int>(groupes.size())) n = static_cast<int>(groupes.size());
        const PCRE2_SIZE* v = pcre2_get_ovector_pointer(b.donnees.get());
        groupes = {};
        for (int g = 0; g < n; ++g)
            if (v[2 * g] != PCRE2_UNSET)
                groupes[g] = agent.substr(v[2 * g], v[2 * g + 1] - v[2 * g]);
        return &modeles_[i];
    }
    return nullptr;
}

bool ListeExpressions::correspond(std::size_t i, std::string_view agent) const {
    Brouillon& b = brouillon();
    return pcre2_match(codes_[i].get(), reinterpret_cast<PCRE2_SPTR>(agent.data()), agent.size(), 0,
                       0, b.donnees.get(), b.contexte.get()) >= 0;
}

}  // namespace kestrane::catalogue
