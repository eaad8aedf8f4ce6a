// The statistics pass in one go: every table of the pass counted while the first pass parses
// each line, on both cores, merged so that each table is exactly the one its own tally would
// build.
#include <algorithm>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/Interne.h"
#include "core/analyse/InterneComptes.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/journal/FilAuxiliaire.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

constexpr int64_t kMax32 = INT32_MAX;

using Cumul = ComptesJournal::Cumul;
using interne::CompteurTexte;

// Appends b's keys unknown to a after a's, adding the counts of the keys they share; with
// `numeros`, the entry in a of each of b's.
void fusionner(CompteurTexte& a, const CompteurTexte& b,
               const std::function<void(uint32_t numeroB)>& nouvelle = {},
               std::vector<uint32_t>* numeros = nullptr) {
    if (numeros) numeros->resize(b.index.taille());
    for (std::size_t k = 0; k < b.index.taille(); ++k) {
        bool nouveau;
        const uint32_t n = a.ajouter(b.index.cle(k), b.index.hachage(k), b.nombres[k], nouveau);
        if (numeros) (*numeros)[k] = n;
        if (nouveau && nouvelle) nouvelle(static_cast<uint32_t>(k));
    }
}

// b's addresses after a's, in b's order of first appearance.
void fusionnerAdresses(Cumul& a, const Cumul& b) {
    if (b.melange) a.melanger();
    const std::size_t nbB = b.melange ? b.ordre.size() : b.ip.taille();
    for (std::size_t i = 0; i < nbB; ++i) {
        const int64_t cle = b.melange ? b.ordre[i] : static_cast<int64_t>(i);
        bool nouveau;
        int64_t *nombre, *octets, nombreB, octetsB;
        if (cle >= 0) {
            const auto k = static_cast<std::size_t>(cle);
            const uint32_t n = a.ip.trouverOuAjouter(b.ip.cle(k), nouveau);
            if (nouveau) {
                a.ipNombre.push_back(0);
                a.ipOctets.push_back(0);
                if (a.melange) a.ordre.push_back(n);
            }
            nombre = &a.ipNombre[n];
            octets = &a.ipOctets[n];
            nombreB = b.ipNombre[k];
            octetsB = b.ipOctets[k];
        } else {
            const auto k = static_cast<std::size_t>(~cle);
            const uint32_t n = a.ipTextes.trouverOuAjouter(b.ipTextes.cle(k), nouveau);
            if (nouveau) {
                a.texteNombre.push_back(0);
                a.texteOctets.push_back(0);
                a.ordre.push_back(~static_cast<int64_t>(n));
            }
            nombre = &a.texteNombre[n];
            octets = &a.texteOctets[n];
            nombreB = b.texteNombre[k];
            octetsB = b.texteOctets[k];
        }
        *nombre += nombreB;
        a.octetsIncertains |= __builtin_add_overflow(*octets, octetsB, octets);
    }
}

void fusionnerHeures(Cumul& a, const Cumul& b) {
    fusionner(a.dates, b.dates, [&](uint32_t k) { a.heureDeDate.push_back(b.heureDeDate[k]); });
    for (const int h : b.ordreHeures) {
        if (!a.heureVue[h]) {
            a.heureVue[h] = true;
            a.ordreHeures.push_back(h);
            a.dateHeure[h] = b.dateHeure[h];
        }
        a.nombreHeure[h] += b.nombreHeure[h];
    }
}

// a then b, as if one stretch had read the lines of both: two shares of the tables, each on a
// core (through `fil` when there is one). With `viderB`, b is emptied after, its memory kept.
void fusionner(Cumul& a, Cumul& b, FilAuxiliaire* fil = nullptr, bool viderB = false) {
    a.lues += b.lues;
    a.echec |= b.echec;
    a.octetsIncertains |= b.octetsIncertains;
    const bool plier = !a.echec;
    // The addresses and the referrers, the loaded files: the tables with the most keys apart.
    const auto premiere = [&] {
        if (plier) {
            fusionnerAdresses(a, b);
            fusionner(a.textes[kTableProvenances], b.textes[kTableProvenances]);
            fusionner(a.textes[kTableSystemes], b.textes[kTableSystemes]);
        }
        if (viderB) b.viderAdressesEtPremiersTextes();
    };
    const auto seconde = [&] {
        if (plier) {
            fusionner(a.textes[kTableFichiers], b.textes[kTableFichiers]);
            fusionner(a.textes[kTableNavigateurs], b.textes[kTableNavigateurs]);
            fusionner(a.agents, b.agents, {}, &a.agentsReplies);
            fusionnerHeures(a, b);
        }
        if (!plier) a.agentsReplies.clear();
        if (viderB) b.viderAutresTextes();
    };
    if (fil) {
        fil->enParallele(true, premiere, seconde);
    } else {
        enParallele(true, premiere, seconde);
    }
}

bool tientSur32Bits(const std::vector<int64_t>& v) {
    return std::all_of(v.begin(), v.end(), [](int64_t x) { return x <= kMax32; });
}

tableauRapportStat tableDeTextes(const CompteurTexte& c) {
    tableauRapportStat t(c.index.taille());
    for (std::size_t k = 0; k < t.size(); ++k) {
        t[k].libelle.assign(c.index.cle(k));
        t[k].nombre = c.nombres[k];
    }
    return t;
}

struct Tables {
    tableauRapportStat ip, taux, tranches, dates;
    tableauRapportStat textes[kNbTablesTextes];
};

// The tables of systems and browsers of the whole agents counted: each distinct agent cut once,
// in order of first appearance, which is the order its browser and system first appear in.
void couperAgents(const Cumul& a, CompteurTexte& systemes, CompteurTexte& navigateurs) {
    for (std::size_t k = 0; k < a.agents.index.taille(); ++k) {
        const std::string_view agent = a.agents.index.cle(k);
        navigateurs.ajouter(extraireNavigateur(agent), a.agents.nombres[k]);
        systemes.ajouter(extraireSysteme(agent), a.agents.nombres[k]);
    }
}

// Every table from the counts of the whole journal (`coupe`: the systems and browsers cut from
// the whole agents counted), the counts left as they are; false when only the separate tallies
// can tell the outcome (an hour that does not convert, a count beyond 32 bits, an uncertain byte
// total).
bool tablesDuCumul(const Cumul& a, bool coupe, std::size_t nbLignes, int largeur, Tables& t) {
    CompteurTexte coupes[2];
    if (coupe && !a.echec) couperAgents(a, coupes[0], coupes[1]);
    const CompteurTexte& systemes = coupe ? coupes[0] : a.textes[kTableSystemes];
    const CompteurTexte& navigateurs = coupe ? coupes[1] : a.textes[kTableNavigateurs];
    if (a.echec || a.octetsIncertains || !tientSur32Bits(a.ipNombre) ||
        !tientSur32Bits(a.texteNombre) ||
        !std::all_of(std::begin(a.textes), std::end(a.textes),
                     [](const CompteurTexte& c) { return tientSur32Bits(c.nombres); }) ||
        !tientSur32Bits(systemes.nombres) || !tientSur32Bits(navigateurs.nombres) ||
        !tientSur32Bits(a.dates.nombres) || nbLignes > static_cast<std::size_t>(kMax32)) {
        return false;
    }
    const std::size_t nbAdresses = a.melange ? a.ordre.size() : a.ip.taille();
    t.ip.resize(nbAdresses);
    t.taux.resize(nbAdresses);
    for (std::size_t i = 0; i < nbAdresses; ++i) {
        const int64_t cle = a.melange ? a.ordre[i] : static_cast<int64_t>(i);
        if (cle >= 0) {
            const auto k = static_cast<std::size_t>(cle);
            const CleIP& c = a.ip.cle(k);
            ajouterAdresseIP(t.ip[i].libelle, c.v[0], c.v[1], c.v[2], c.v[3]);
            t.ip[i].nombre = a.ipNombre[k];
            t.taux[i].nombre = a.ipOctets[k];
        } else {
            const auto k = static_cast<std::size_t>(~cle);
            t.ip[i].libelle.assign(a.ipTextes.cle(k));
            t.ip[i].nombre = a.texteNombre[k];
            t.taux[i].nombre = a.texteOctets[k];
        }
        t.taux[i].libelle = t.ip[i].libelle;
    }
    enParallele(
        true, [&] { t.textes[kTableProvenances] = tableDeTextes(a.textes[kTableProvenances]); },
        [&] { t.textes[kTableFichiers] = tableDeTextes(a.textes[kTableFichiers]); });
    t.textes[kTableSystemes] = tableDeTextes(systemes);
    t.textes[kTableNavigateurs] = tableDeTextes(navigateurs);
    t.dates = tableDeTextes(a.dates);
    for (std::size_t k = 0; k < t.dates.size(); ++k) {
        t.dates[k].complement = t.dates[k].libelle;
        t.dates[k].complement += ' ';
        t.dates[k].complement += a.heureDeDate[k];
    }
    // A slice opens with the first line of its hours, in the order the hours first appear.
    t.tranches.assign(1, rapportStat{});
    int entreeDeTranche[24];
    std::fill(std::begin(entreeDeTranche), std::end(entreeDeTranche), -1);
    for (const int h : a.ordreHeures) {
        const int c = h / largeur;
        if (entreeDeTranche[c] < 0) {
            entreeDeTranche[c] = static_cast<int>(t.tranches.size());
            t.tranches.push_back({libelleTranche(c, largeur), a.dateHeure[h], 0});
        }
        t.tranches[static_cast<std::size_t>(entreeDeTranche[c])].nombre += a.nombreHeure[h];
    }
    diviserParJours(t.tranches, t.dates.size());
    return true;
}

// The tables made from the counts into their places, `apres(etape)` after each of the seven; the
// requests table gets the one entry per date.
void rangerTables(Tables& t, TablesAnalyse& tables, const std::function<void(int)>& apres) {
    tables.statIP = std::move(t.ip);
    apres(kEtapeIP);
    tables.statOS = std::move(t.textes[kTableSystemes]);
    apres(kEtapeOS);
    tables.statNav = std::move(t.textes[kTableNavigateurs]);
    apres(kEtapeNav);
    tables.statPrecedent = std::move(t.textes[kTableProvenances]);
    apres(kEtapePrecedent);
    tables.statFichier = std::move(t.textes[kTableFichiers]);
    apres(kEtapeFichier);
    tables.statTaux = std::move(t.taux);
    apres(kEtapeOctets);
    tables.statHoraires = std::move(t.tranches);
    apres(kEtapeTranches);
    tables.statVMensuelles = std::move(t.dates);
}

}  // namespace

ComptesJournal::ComptesJournal() = default;
ComptesJournal::~ComptesJournal() = default;

void ComptesJournal::commencer(const Journal& journal, int nbTranches, bool souple) {
    journal_ = journal;
    complet_ = false;
    souple_ = souple;
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) tranches_.push_back(std::make_unique<Cumul>());
}

void ComptesJournal::lire(int tranche, const RLog& r) {
    Cumul& c = *tranches_[static_cast<std::size_t>(tranche)];
    ++c.lues;
    using A = Cumul::Agents;
    if (agentsEntiers_) {
        // A record cut by the parse holds the browser alone, which would be counted as an agent.
        if (r.systeme.data() != nullptr) {
            throw std::logic_error("statistiques : agents entiers attendus");
        }
        c.ajouter<A::entiers>(r);
    } else if (sansAgents_) {
        c.ajouter<A::aucun>(r);
    } else {
        c.ajouter<A::coupes>(r);
    }
}

void ComptesJournal::lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) {
    if (!agentsEntiers_) {
        lire(tranche, r);
        return;
    }
    // A format's reader cuts the agent: its whole text comes beside the record (empty when the
    // line has none, which cuts into what the record holds).
    RLog entier = r;
    entier.navigateur = plus.agent;
    entier.systeme = {};
    lire(tranche, entier);
}

void ComptesJournal::terminer() {
    complet_ = true;
}

void ComptesJournal::replier() {
    if (tranches_.size() < 2) return;
    fusionner(*tranches_[0], *tranches_[1], fil_, true);
}

void ComptesJournal::adopter(LecteurEnregistrements& autre, int tranche) {
    auto& a = dynamic_cast<ComptesJournal&>(autre);
    std::swap(tranches_.at(1), a.tranches_.at(static_cast<std::size_t>(tranche)));
}

const ComptesJournal::ClesLigne& ComptesJournal::clesLigne(int tranche) const {
    return tranches_[static_cast<std::size_t>(tranche)]->cles;
}

SourceClesLigne::AgentEntier ComptesJournal::agentEntier(int tranche, uint32_t agent) const {
    const auto t = static_cast<std::size_t>(tranche);
    const IndexCles<std::string_view>* index =
        t < tranches_.size() ? &tranches_[t]->agents.index : nullptr;
    if (!index || agent >= index->taille()) return {};
    return {index->cle(agent), index->hachage(agent)};
}

uint32_t ComptesJournal::agentReplie(uint32_t agent) const {
    if (tranches_.empty() || agent >= tranches_[0]->agentsReplies.size()) return kSansCle;
    return tranches_[0]->agentsReplies[agent];
}

bool ComptesJournal::couvre(const LignesAnalysees& lignes) const {
    if (!complet_ || souple_ != lignes.souple()) return false;
    const Journal& journal = lignes.journal();
    if (journal_.identite() != journal.identite() || journal_.nbLignes() != journal.nbLignes()) {
        return false;
    }
    if (!souple_) return true;
    std::size_t lues = 0;
    for (const auto& t : tranches_) lues += t->lues;
    return lues == lignes.nbLignes();
}

const ComptesJournal::Cumul* ComptesJournal::fusionnerTranches() {
    if (tranches_.empty()) return nullptr;
    // As a fold does it: the later stretches start again empty, so that more lines may be read.
    for (std::size_t k = 1; k < tranches_.size(); ++k) {
        fusionner(*tranches_[0], *tranches_[k], fil_, true);
    }
    return tranches_[0].get();
}

void calculerTables(const LignesAnalysees& lignes, int largeurTranche, TablesAnalyse& tables,
                    ComptesJournal* comptes, const std::function<void(int etape)>& apresEtape,
                    ListesPeriodes* listes, const Execution& enFond) {
    const int largeur = std::clamp(largeurTranche, 1, 24);
    const Journal& journal = lignes.journal();
    const auto calculer = [&](const std::function<void()>& travail) {
        if (enFond) {
            enFond(travail);
        } else {
            travail();
        }
    };
    const auto apres = [&](int etape) {
        if (apresEtape) apresEtape(etape);
    };

    // The counts of the first pass, or a reading of the journal made for the occasion.
    Tables t;
    bool enUneFois = false;
    calculer([&] {
        ComptesJournal lus;
        lus.agentsEntiers(true);
        // Outside the attempt: in another format, the counts' keys may live in its texts.
        TableauLog lecture;
        ComptesJournal* c = comptes;
        if (!c || !c->couvre(lignes)) {
            try {
                lecture.memoriser(journal, {}, &lus, lignes.souple() ? examinerLigne : nullptr,
                                  lignes.format());
                c = &lus;
            } catch (const ErreurKestrane&) {
                // A line that does not parse: the tallies raise its error. A thread refused:
                // the tallies need none.
                c = nullptr;
            }
        }
        const Cumul* cumul = c ? c->fusionnerTranches() : nullptr;
        enUneFois = cumul && tablesDuCumul(*cumul, c->coupeAgents(), lignes.nbLignes(), largeur, t);
    });
    if (enUneFois) {
        rangerTables(t, tables, apres);
    } else {
        // Each tally fills its table in place; its grid is filled before the next one runs.
        calculer([&] { compterAdressesIP(lignes, tables.statIP); });
        apres(kEtapeIP);
        calculer([&] { compterSystemes(lignes, tables.statOS); });
        apres(kEtapeOS);
        calculer([&] { compterNavigateurs(lignes, tables.statNav); });
        apres(kEtapeNav);
        calculer([&] { compterProvenances(lignes, tables.statPrecedent); });
        apres(kEtapePrecedent);
        calculer([&] { compterFichiers(lignes, tables.statFichier); });
        apres(kEtapeFichier);
        calculer([&] { compterOctets(lignes, tables.statTaux); });
        apres(kEtapeOctets);
        calculer([&] { compterTranchesHoraires(lignes, largeur, tables.statHoraires); });
        apres(kEtapeTranches);
        calculer([&] { compterRequetes(lignes, "", "", "", tables.statVMensuelles); });
    }
    if (listes) *listes = listesPeriodes(tables.statVMensuelles);
    compterRequetes(lignes, kPeriodeToutLeFichier, "", "", tables.statVMensuelles);
    apres(kEtapeRequetes);
}

bool tablesDesComptes(ComptesJournal& comptes, std::size_t nbLignes, int largeurTranche,
                      TablesAnalyse& tables, ListesPeriodes* listes) {
    const int largeur = std::clamp(largeurTranche, 1, 24);
    Tables t;
    const Cumul* cumul = comptes.fusionnerTranches();
    if (!cumul || !tablesDuCumul(*cumul, comptes.coupeAgents(), nbLignes, largeur, t)) return false;
    rangerTables(t, tables, [](int) {});
    if (listes) *listes = listesPeriodes(tables.statVMensuelles);
    tables.statVMensuelles = {entreeToutLeFichier(nbLignes)};
    return true;
}

}  // namespace kestrane
