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

    // `statistiques`: the counts that read each line just before (null: none).
    void regler(Garde garde, const SourceClesLigne* statistiques) {
        garde_ = garde;
        statistiques_ = statistiques;
    }
    // The bytes of the journal, or of the block whose lines come next.
    void tampon(const char* debut, const char* fin) {
        debut_ = debut;
        fin_ = fin;
    }

    std::size_t taille() const { return index_.taille(); }
    std::string_view cle(std::size_t n) const { return index_.cle(n); }

    // The number of a line's agent, added when new (`nouveau` tells). `entree`: the statistics'
    // agent entry the line was counted under (ClesLigne::agent, kSansCle for none), whose whole
    // agent starts with this one.
    uint32_t numero(std::string_view agent, uint64_t h, uint32_t entree, bool& nouveau) {
        const int64_t n = index_.trouver(agent, h);
        if (n >= 0) {
            nouveau = false;
            return static_cast<uint32_t>(n);
        }
        std::string_view vue = agent;
        bool copier = true;
        if (garde_ == Garde::statistiques) {
            if (statistiques_ && entree != ClesLigne::kSansCle && !agent.empty()) {
                const std::string_view entier = statistiques_->agentEntier(entree);
                // Checked on the bytes: a format's reader may hand an agent that starts elsewhere.
                if (entier.size() >= agent.size() &&
                    std::memcmp(entier.data(), agent.data(), agent.size()) == 0) {
                    vue = entier.substr(0, agent.size());
                    copier = false;
                }
            }
        } else {
            copier = !dansOctets(agent.data(), debut_, fin_);
        }
        const uint32_t k = copier ? index_.trouverOuAjouter(agent, h, nouveau)
                                  : index_.trouverOuAjouterSansCopie(vue, h, nouveau);
        if (garde_ == Garde::bloc) entrees_.push_back(entree);
        return k;
    }
    uint32_t numero(std::string_view agent, uint32_t entree = ClesLigne::kSansCle) {
        bool nouveau;
        return numero(agent, hacher(agent), entree, nouveau);
    }

    // The agents of `b`, the stretch whose lines follow these, after them (a stream's fold, once
    // the statistics have folded theirs); returns the number here of each of b's.
    std::vector<uint32_t> ajouter(const IndexAgents& b) {
        std::vector<uint32_t> numeros(b.taille());
        for (std::size_t k = 0; k < b.taille(); ++k) {
            const uint32_t entree = k < b.entrees_.size() && statistiques_
                                        ? statistiques_->agentReplie(b.entrees_[k])
                                        : ClesLigne::kSansCle;
            bool nouveau;
            numeros[k] = numero(b.cle(k), b.index_.hachage(k), entree, nouveau);
        }
        return numeros;
    }

  private:
    IndexCles<std::string_view> index_;
    std::vector<uint32_t> entrees_;  // of each agent, in a stream's stretch 1
    Garde garde_ = Garde::journal;
    const SourceClesLigne* statistiques_ = nullptr;
    const char* debut_ = nullptr;
    const char* fin_ = nullptr;
};

}  // namespace kestrane
