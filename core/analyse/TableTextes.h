// The text counts of the readable results (Lisibles.cpp): texts in order of first appearance,
// packed for lookups that read few places. Not for use outside core/analyse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "core/analyse/TablesStat.h"
#include "core/lecture/FinAgent.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/TableauLog.h"

namespace kestrane::interne {

// Texts counted in order of first appearance. Each entry lies in one piece of `arene_` (its
// number, hash, length, then its bytes), and a slot of the index holds its place: a lookup reads
// the slot and the entry, where a general index reads the slot, the key, its bytes and the count
// in four places (the table of paths is larger than the caches). The counts lie apart, by entry
// number, so that a line whose entry is known counts without reading the entry.
class TableTextes {
  public:
    TableTextes() { cases_.assign(1024, Case{0, 0}); }

    std::size_t taille() const { return nombres_.size(); }

    void precharger(uint64_t h) const { __builtin_prefetch(&cases_[h & (cases_.size() - 1)]); }

    // Adds n to the text's count (h: hacher(texte)), a new entry at the end when it has none;
    // returns the entry's place, which stays its own.
    uint32_t ajouter(std::string_view texte, uint64_t h, int64_t n) {
        const std::size_t masque = cases_.size() - 1;
        const auto empreinte = static_cast<uint32_t>(h >> 32);
        std::size_t c = h & masque;
        for (; cases_[c].place != 0; c = (c + 1) & masque) {
            if (cases_[c].empreinte != empreinte) continue;
            const std::size_t p = cases_[c].place - 1;
            if (arene_[p + 2] == texte.size() && memesOctets(texteA(p), texte)) {
                nombres_[arene_[p]] += n;
                return static_cast<uint32_t>(p);
            }
        }
        const std::size_t p = arene_.size();
        // Places are 32-bit numbers of 8-byte words: 32 GiB of texts.
        if (p + 3 + texte.size() / 8 >= UINT32_MAX) throw std::bad_alloc();
        arene_.resize(p + 3 + (texte.size() + 7) / 8);
        arene_[p] = nombres_.size();
        arene_[p + 1] = h;
        arene_[p + 2] = texte.size();
        if (!texte.empty()) std::memcpy(arene_.data() + p + 3, texte.data(), texte.size());
        nombres_.push_back(n);
        cases_[c] = {empreinte, static_cast<uint32_t>(p + 1)};
        if (nombres_.size() * 2 > cases_.size()) reconstruire();
        return static_cast<uint32_t>(p);
    }
    uint32_t ajouter(std::string_view texte, int64_t n) { return ajouter(texte, hacher(texte), n); }

    // The place of the text's entry; -1 when it has none.
    int64_t chercher(std::string_view texte) const {
        const uint64_t h = hacher(texte);
        const std::size_t masque = cases_.size() - 1;
        for (std::size_t c = h & masque; cases_[c].place != 0; c = (c + 1) & masque) {
            const std::size_t p = cases_[c].place - 1;
            if (arene_[p + 1] == h && arene_[p + 2] == texte.size() &&
                memesOctets(texteA(p), texte)) {
                return static_cast<int64_t>(p);
            }
        }
        return -1;
    }
    // The text's count; 0 when it has none.
    int64_t nombreDe(std::string_view texte) const {
        const int64_t p = chercher(texte);
        return p < 0 ? 0 : nombres_[arene_[static_cast<std::size_t>(p)]];
    }

    // The entry at `place` (from ajouter).
    std::string_view texteA(std::size_t place) const {
        return {reinterpret_cast<const char*>(arene_.data() + place + 3),
                static_cast<std::size_t>(arene_[place + 2])};
    }
    uint32_t numero(std::size_t place) const { return static_cast<uint32_t>(arene_[place]); }
    void compter(uint32_t numero, int64_t n) { nombres_[numero] += n; }

    // f(texte, nombre) for each entry in order of first appearance; the texts stay valid until
    // the next new entry.
    template <typename F>
    void parcourir(F&& f) const {
        for (std::size_t p = 0; p < arene_.size(); p += 3 + (arene_[p + 2] + 7) / 8) {
            f(texteA(p), nombres_[arene_[p]]);
        }
    }

    void versTable(tableauRapportStat& table) const {
        table.clear();
        table.reserve(taille());
        parcourir([&](std::string_view texte, int64_t n) {
            table.push_back({std::string(texte), {}, n});
        });
    }

  private:
    struct Case {
        uint32_t empreinte;  // high half of the text's hash
        uint32_t place;      // word of its entry in arene_ + 1; 0 for an empty slot
    };

    void reconstruire() {
        cases_.assign(cases_.size() * 2, Case{0, 0});
        const std::size_t masque = cases_.size() - 1;
        for (std::size_t p = 0; p < arene_.size(); p += 3 + (arene_[p + 2] + 7) / 8) {
            std::size_t c = arene_[p + 1] & masque;
            while (cases_[c].place != 0) c = (c + 1) & masque;
            cases_[c] = {static_cast<uint32_t>(arene_[p + 1] >> 32), static_cast<uint32_t>(p + 1)};
        }
    }

    std::vector<Case> cases_;
    std::vector<uint64_t> arene_;
    std::vector<int64_t> nombres_;
};

// Where the agent that starts at p ends, within bytes ending at `fin`.
const char* finAgent(const char* p, const char* fin) {
    return p + longueurAgent(p, static_cast<std::size_t>(fin - p));
}

// The texts of the lines, each counted when the next line brings another one: meanwhile its
// slot is fetched from memory, and a run of lines with the same text (a client's burst, one
// agent) costs one lookup.
struct Compteur {
    TableTextes table;
    std::string_view enAttente;
    uint64_t hachage = 0;
    int64_t nombreEnAttente = 0;

    // The text of one line; it must stay readable until vider().
    void preparer(std::string_view cle) {
        if (nombreEnAttente > 0 && memesOctets(cle, enAttente)) {
            ++nombreEnAttente;
            return;
        }
        vider();
        enAttente = cle;
        hachage = hacher(cle);
        table.precharger(hachage);
        nombreEnAttente = 1;
    }

    void vider() {
        if (nombreEnAttente == 0) return;
        table.ajouter(enAttente, hachage, nombreEnAttente);
        nombreEnAttente = 0;
    }

    // By the entry number of the line's key in the statistics counts of the same stretch: what
    // the text was found under (+1; 0 before the key is met), so that most lines count without a
    // lookup of their own.
    std::vector<uint32_t> parCle;

    // The agent that starts at p (within bytes ending at `fin`) of one line whose client is entry
    // `cle` of the statistics counts, counted by its first `lus` bytes: the agent that client came
    // with last is compared first, its end checked after it, so that the agent is measured only
    // when it differs. The texts counted here hold no quote nor line break, which end an agent.
    // Returns the agent when it was measured, else an empty text: one of `lus` bytes or more is
    // counted by a start that others may share.
    std::string_view compterAgentSelonCle(const char* p, const char* fin, uint32_t cle,
                                          std::size_t lus) {
        uint32_t& place = caseParCle(parCle, cle, 0);
        if (place != 0) {
            const std::string_view texte = table.texteA(place - 1);
            const auto reste = static_cast<std::size_t>(fin - p);
            if (texte.size() < lus && reste >= texte.size() &&
                memesOctets({p, texte.size()}, texte) &&
                (reste == texte.size() || finitAgent(p[texte.size()]))) {
                table.compter(table.numero(place - 1), 1);
                return {};
            }
        }
        return compterAutreAgent(p, fin, place, lus);
    }

    // Out of line: most lines end on the comparison above, which stays in the caller.
    [[gnu::noinline]] std::string_view compterAutreAgent(const char* p, const char* fin,
                                                         uint32_t& place, std::size_t lus) {
        vider();
        const std::string_view agent(p, static_cast<std::size_t>(finAgent(p, fin) - p));
        place = table.ajouter(agent.substr(0, lus), 1) + 1;
        return agent;
    }
};

}  // namespace kestrane::interne
