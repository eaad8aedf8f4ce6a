// The distinct whole agents of a reader that follows the statistics' counts (the audience's
// visitors and robots, the readable results' count), numbered in order of first appearance, each
// text held once: a view into the journal loaded whole, or into the statistics' own copy of the
// agent, and a copy only where neither holds it. A hostile journal may give every line a distinct
// agent of tens of kilobytes: readers that each copied them held several times their bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/lecture/FinAgent.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

class IndexAgents {
  public:
    // Where the agents of the lines read next lie, and how a new one is kept.
    enum class Garde {
        journal,       // in a journal loaded whole, which outlives the index: a view
        statistiques,  // a stream's stretch 0: a view into the statistics' copy, or a copy
        bloc,          // a stream's stretch 1: a view into the block, until its fold
    };

    // `statistiques`: the counts that read each line of stretch `tranche` just before (null:
    // none).
    void regler(Garde garde, const SourceClesLigne* statistiques, int tranche) {
        garde_ = garde;
        statistiques_ = statistiques;
        tranche_ = tranche;
    }
    // The bytes of the journal, or of the block whose lines come next.
    void tampon(const char* debut, const char* fin) {
        debut_ = debut;
        fin_ = fin;
    }

    std::size_t taille() const { return index_.taille(); }
    std::string_view cle(std::size_t n) const { return index_.cle(n); }

    // The number of a line's agent, added when new. `entree`: the statistics' agent entry the line
    // was counted under in this stretch (ClesLigne::agent, kSansCle for none), whose whole agent
    // starts with this one and mostly is it: its hash then serves, and in a stream's stretch 0
    // its text.
    uint32_t numero(std::string_view agent, uint32_t entree = ClesLigne::kSansCle) {
        const SourceClesLigne::AgentEntier entier = entierDe(agent, tranche_, entree);
        return numero(agent, entree, entier,
                      entier.texte.size() == agent.size() ? entier.hachage : hacher(agent));
    }

    // The agents of `b`, the stretch whose lines follow these, after them (a stream's fold, once
    // the statistics have folded theirs); returns the number here of each of b's.
    std::vector<uint32_t> ajouter(const IndexAgents& b) {
        std::vector<uint32_t> numeros(b.taille());
        for (std::size_t k = 0; k < b.taille(); ++k) {
            const uint32_t entree = k < b.entrees_.size() && statistiques_
                                        ? statistiques_->agentReplie(b.entrees_[k])
                                        : ClesLigne::kSansCle;
            numeros[k] =
                numero(b.cle(k), entree, entierDe(b.cle(k), 0, entree), b.index_.hachage(k));
        }
        return numeros;
    }

  private:
    // The statistics' whole agent of entry `entree` of stretch `tranche` when it starts with
    // `agent`, checked on the bytes (a format's reader may hand an agent that starts elsewhere);
    // none otherwise.
    SourceClesLigne::AgentEntier entierDe(std::string_view agent, int tranche,
                                          uint32_t entree) const {
        if (!statistiques_ || entree == ClesLigne::kSansCle || agent.empty()) return {};
        const SourceClesLigne::AgentEntier entier = statistiques_->agentEntier(tranche, entree);
        if (entier.texte.size() < agent.size() ||
            std::memcmp(entier.texte.data(), agent.data(), agent.size()) != 0) {
            return {};
        }
        return entier;
    }

    // `entier`: entierDe(agent, ..., entree); `h`: hacher(agent).
    uint32_t numero(std::string_view agent, uint32_t entree,
                    const SourceClesLigne::AgentEntier& entier, uint64_t h) {
        const int64_t n = index_.trouver(agent, h);
        if (n >= 0) return static_cast<uint32_t>(n);
        std::string_view vue = agent;
        bool copier = true;
        if (garde_ == Garde::statistiques) {
            if (!entier.texte.empty()) {
                vue = entier.texte.substr(0, agent.size());
                copier = false;
            }
        } else {
            copier = !dansOctets(agent.data(), debut_, fin_);
        }
        bool nouveau;
        const uint32_t k = copier ? index_.trouverOuAjouter(agent, h, nouveau)
                                  : index_.trouverOuAjouterSansCopie(vue, h, nouveau);
        if (garde_ == Garde::bloc) entrees_.push_back(entree);
        return k;
    }

    IndexCles<std::string_view> index_;
    std::vector<uint32_t> entrees_;  // of each agent, in a stream's stretch 1
    Garde garde_ = Garde::journal;
    const SourceClesLigne* statistiques_ = nullptr;
    int tranche_ = 0;
    const char* debut_ = nullptr;
    const char* fin_ = nullptr;
};

}  // namespace kestrane
