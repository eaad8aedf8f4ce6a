// What the statistics counts of one stretch of the journal hold as its lines are read: the text
// counts and the stretch's whole set of counts. Shared by the counting and the making of the
// tables (Statistiques.cpp); not for use outside core/analyse.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/Interne.h"
#include "core/journal/DeuxFils.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace interne {

// Counts by text key, in order of first appearance, remembering the last key seen: log lines
// come in bursts (one client, one day, one robot), so many lookups end on that comparison. A
// line's keys are first prepared (hashed, their slot fetched), then counted.
struct CompteurTexte {
    IndexCles<std::string_view> index;
    std::vector<int64_t> nombres;
    std::string_view dernier;
    uint32_t numeroDernier = UINT32_MAX;
    std::string_view cle;
    uint64_t hachage = 0;
    bool commeDernier = false;

    void preparer(std::string_view c) {
        cle = c;
        commeDernier = numeroDernier != UINT32_MAX && memesOctets(c, dernier);
        if (!commeDernier) {
            hachage = hacher(c);
            index.precharger(hachage);
        }
    }

    void vider() {
        index.vider();
        nombres.clear();
        numeroDernier = UINT32_MAX;
    }

    // Adds `nombre` lines of a key whose hash is `h` (apart from the line being counted);
    // returns its entry, `nouveau` telling whether it is new.
    uint32_t ajouter(std::string_view c, uint64_t h, int64_t nombre, bool& nouveau) {
        const uint32_t n = index.trouverOuAjouter(c, h, nouveau);
        if (nouveau) {
            nombres.push_back(nombre);
        } else {
            nombres[n] += nombre;
        }
        return n;
    }
    bool ajouter(std::string_view c, int64_t nombre) {
        bool nouveau;
        ajouter(c, hacher(c), nombre, nouveau);
        return nouveau;
    }

    // Counts the prepared key; true when it is new.
    bool compter() {
        if (commeDernier) {
            ++nombres[numeroDernier];
            return false;
        }
        bool nouveau;
        numeroDernier = index.trouverOuAjouter(cle, hachage, nouveau);
        dernier = index.cle(numeroDernier);
        if (nouveau) {
            nombres.push_back(1);
        } else {
            ++nombres[numeroDernier];
        }
        return nouveau;
    }
};

}  // namespace interne

// What one stretch of the journal adds to every table. Hours are counted one by one, so that
// the slices of any width come out of them.
struct alignas(kLigneCache) ComptesJournal::Cumul {
    IndexCles<CleIP> ip;
    std::vector<int64_t> ipNombre, ipOctets;
    CleIP ipDerniere{};
    uint32_t numeroIPDerniere = UINT32_MAX;
    // Clients that are no dotted address (only when non-conforming lines are skipped), by their
    // text. Once there is one, `ordre` holds both kinds of keys in order of first appearance:
    // n for dotted address n, ~n for text n.
    IndexCles<std::string_view> ipTextes;
    std::vector<int64_t> texteNombre, texteOctets;
    std::vector<int64_t> ordre;
    bool melange = false;
    interne::CompteurTexte textes[kNbTablesTextes];
    interne::CompteurTexte agents;  // whole agents, when the statistics count them
    // At the last fold of a stretch into this one: the entry here of each of its agent entries.
    std::vector<uint32_t> agentsReplies;
    interne::CompteurTexte dates;
    // Texts kept past their line (a stream drops its bytes once counted): the time of the first
    // line of each date, the date of the first line of each hour, the last hour text read.
    std::vector<std::string> heureDeDate;
    std::vector<int> ordreHeures;  // hours of the day in order of first appearance
    int64_t nombreHeure[24] = {};
    std::string dateHeure[24];
    bool heureVue[24] = {};
    std::string texteHeureDernier;
    bool heureLue = false;
    int32_t heureDerniere = 0;
    // A total that only the separate tallies can tell the outcome of: a byte count below zero
    // (a running total may pass the limit on the way and come back), or past 64 bits.
    bool octetsIncertains = false;
    bool echec = false;  // an hour that does not convert
    std::size_t lues = 0;
    ClesLigne cles;  // of the last line read

    // Empty again, its memory kept for the next stretch; in two halves that may run at once.
    void viderAdressesEtPremiersTextes() {
        ip.vider();
        ipNombre.clear();
        ipOctets.clear();
        numeroIPDerniere = UINT32_MAX;
        ipTextes.vider();
        texteNombre.clear();
        texteOctets.clear();
        ordre.clear();
        melange = false;
        textes[kTableProvenances].vider();
        textes[kTableSystemes].vider();
        octetsIncertains = echec = false;
        lues = 0;
        cles = ClesLigne{};
    }
    void viderAutresTextes() {
        textes[kTableFichiers].vider();
        textes[kTableNavigateurs].vider();
        agents.vider();
        dates.vider();
        heureDeDate.clear();
        ordreHeures.clear();
        std::fill(std::begin(nombreHeure), std::end(nombreHeure), 0);
        std::fill(std::begin(heureVue), std::end(heureVue), false);
        heureLue = false;
    }

    // From now on `ordre` lists the keys: the dotted addresses seen so far come first.
    void melanger() {
        if (melange) return;
        melange = true;
        for (std::size_t k = 0; k < ip.taille(); ++k) ordre.push_back(static_cast<int64_t>(k));
    }

    // The key of the line's client, new or not; returns its count and byte total.
    std::pair<int64_t*, int64_t*> compteAdresse(const RLog& r) {
        if (!r.adresse.empty()) {
            melanger();
            bool nouveau;
            const uint32_t n = ipTextes.trouverOuAjouter(r.adresse, nouveau);
            if (nouveau) {
                texteNombre.push_back(0);
                texteOctets.push_back(0);
                ordre.push_back(~static_cast<int64_t>(n));
            }
            cles.adresse = kAdresseTexte | n;
            return {&texteNombre[n], &texteOctets[n]};
        }
        const CleIP cle = cleAdresse(r);
        uint32_t n = numeroIPDerniere;
        if (n == UINT32_MAX || !(cle == ipDerniere)) {
            bool nouveau;
            n = ip.trouverOuAjouter(cle, nouveau);
            if (nouveau) {
                ipNombre.push_back(0);
                ipOctets.push_back(0);
                if (melange) ordre.push_back(n);
            }
            ipDerniere = cle;
            numeroIPDerniere = n;
        }
        cles.adresse = n;
        return {&ipNombre[n], &ipOctets[n]};
    }

    // What a line's agent is counted under.
    enum class Agents { coupes, entiers, aucun };

    template <Agents agents>
    void ajouter(const RLog& r) {
        if (echec) {
            cles = ClesLigne{};
            return;
        }
        const auto [nombre, octets] = compteAdresse(r);
        ++*nombre;
        octetsIncertains |= r.chargement < 0;
        octetsIncertains |= __builtin_add_overflow(*octets, r.chargement, octets);

        if constexpr (agents == Agents::coupes) {
            compterTextes<false>(r, std::make_index_sequence<kNbTablesTextes>{});
        } else {
            compterTextes<agents == Agents::entiers>(
                r, std::index_sequence<kTableProvenances, kTableFichiers>{});
        }
        cles.systeme = textes[kTableSystemes].numeroDernier;
        cles.navigateur = textes[kTableNavigateurs].numeroDernier;
        cles.provenance = textes[kTableProvenances].numeroDernier;
        cles.fichier = textes[kTableFichiers].numeroDernier;
        cles.agent = this->agents.numeroDernier;

        std::string_view reste = r.heure;
        const std::string_view texteHeure = extraireChamp(":", reste);
        if (!heureLue || !memesOctets(texteHeure, texteHeureDernier)) {
            if (!essayerConvertirEntier(texteHeure, heureDerniere)) {
                echec = true;
                return;
            }
            texteHeureDernier.assign(texteHeure);
            heureLue = true;
        }
        const int32_t h = heureDerniere;
        if (h < 0 || h > 23) return;  // not an hour of the day: in no slice
        if (!heureVue[h]) {
            heureVue[h] = true;
            ordreHeures.push_back(h);
            dateHeure[h].assign(r.date);
        }
        ++nombreHeure[h];
    }

    // Every key of the line prepared before any is counted, so that their slots are fetched
    // at the same time.
    template <bool agentEntier, std::size_t... t>
    void compterTextes(const RLog& r, std::index_sequence<t...>) {
        (textes[t].preparer(cleTexte<t>(r)), ...);
        if constexpr (agentEntier) agents.preparer(r.navigateur);
        dates.preparer(r.date);
        (textes[t].compter(), ...);
        if constexpr (agentEntier) agents.compter();
        if (dates.compter()) heureDeDate.emplace_back(r.heure);
    }
};

}  // namespace kestrane
