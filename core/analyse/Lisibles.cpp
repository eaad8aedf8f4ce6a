#include "core/analyse/Lisibles.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/analyse/BornesDates.h"
#include "core/analyse/IndexCles.h"
#include "core/analyse/TableTextes.h"
#include "core/audience/Robots.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/lecture/FinAgent.h"
#include "core/lecture/IndexAgents.h"

namespace kestrane {

using interne::Compteur;
using interne::finAgent;
using interne::TableTextes;

namespace {

bool chiffre(char c) {
    return c >= '0' && c <= '9';
}

// Where the first three blanks of a text are (npos for those it lacks), 16 bytes at a time: a
// request is cut at them.
std::array<std::size_t, 3> troisBlancs(std::string_view s) {
    std::array<std::size_t, 3> blancs{std::string_view::npos, std::string_view::npos,
                                      std::string_view::npos};
    std::size_t n = 0, i = 0;
#if defined(__SSE2__)
    const __m128i blanc = _mm_set1_epi8(' ');
    for (; i + 16 <= s.size(); i += 16) {
        auto masque = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i)), blanc)));
        for (; masque != 0; masque &= masque - 1) {
            blancs[n++] = i + static_cast<std::size_t>(__builtin_ctz(masque));
            if (n == 3) return blancs;
        }
    }
#endif
    for (; i < s.size(); ++i) {
        if (s[i] != ' ') continue;
        blancs[n++] = i;
        if (n == 3) return blancs;
    }
    return blancs;
}

bool lettreDeMethode(char c) {
    return (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
}

}  // namespace

std::string_view cheminRequete(std::string_view requete) {
    const auto [blanc, fin, troisieme] = troisBlancs(requete);
    if (blanc == 0 || blanc == std::string_view::npos) return requete;
    for (std::size_t k = 0; k < blanc; ++k) {
        if (!lettreDeMethode(requete[k])) return requete;
    }
    std::string_view reste = requete.substr(blanc + 1);
    if (fin != std::string_view::npos) {
        // A third piece is the protocol, and nothing follows it.
        if (fin + 1 == requete.size() || troisieme != std::string_view::npos) return requete;
        reste = requete.substr(blanc + 1, fin - blanc - 1);
    }
    return reste.empty() ? requete : reste;
}

namespace {

// Whether cheminRequete(requete) is `fichier` itself, from the bytes around it alone (a method
// before it, then a protocol or nothing after it), for a file known to hold no blank.
bool cheminEstLeFichier(std::string_view requete, std::string_view fichier) {
    const auto q = reinterpret_cast<std::uintptr_t>(requete.data());
    const auto f = reinterpret_cast<std::uintptr_t>(fichier.data());
    if (fichier.empty() || f < q + 2 || f - q + fichier.size() > requete.size()) return false;
    const std::size_t debut = f - q;
    if (requete[debut - 1] != ' ') return false;
    for (std::size_t k = 0; k + 1 < debut; ++k) {
        if (!lettreDeMethode(requete[k])) return false;
    }
    const std::string_view apres = requete.substr(debut + fichier.size());
    return apres.empty() ||
           (apres.size() >= 2 && apres[0] == ' ' && apres.find(' ', 1) == std::string_view::npos);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The counts of the first pass

struct alignas(kLigneCache) ComptesLisibles::Tranche {
    // Agents by what the catalogue reads of them (their first kOctetsAgentLus bytes), which is
    // all their names depend on; the agents that long or longer apart, whole, so that the count
    // of distinct agents stays exact.
    Compteur agents, chemins;
    IndexAgents longs;
    // A line whose path is the very text of its loaded file in the statistics counts is only
    // marked: its path's count is made at the end from the statistics' table of loaded files,
    // less the lines of that file counted here one by one (the others, with `fichiersComptes`).
    std::vector<uint64_t> fichiersVus;  // bits by entry of the statistics' loaded files
    std::vector<uint8_t> marques;       // by entry of `chemins`: it has marked lines
    TableTextes fichiersComptes;
    int64_t lignesMarquees = 0;
    IndexCles<std::string_view> dates;
    std::vector<int64_t> lignesParDate;  // by entry of `dates`
    std::string_view derniereDate;
    uint32_t numeroDate = 0;  // that of `derniereDate` in `dates`
    bool dateVue = false;
    std::array<int64_t, 24> heures{};
    std::string derniere;  // the last line's date (kept: a stream drops its lines)
    // The date of the last line read, kept in `derniere` when the line's bytes may go.
    std::string_view derniereLue;
    BornesDates bornes;
};

namespace {

// What waits on the lines' bytes counted and kept: they may go after this.
void vider(ComptesLisibles::Tranche& t) {
    t.agents.vider();
    t.chemins.vider();
    if (t.derniereLue.data() != nullptr) {
        t.derniere.assign(t.derniereLue);
        t.derniereLue = {};
    }
    t.bornes.garder();
}

void verser(Compteur& dans, Compteur& c) {
    c.vider();
    dans.vider();
    c.table.parcourir([&](std::string_view texte, int64_t n) { dans.table.ajouter(texte, n); });
}
void marquer(ComptesLisibles::Tranche& t, uint32_t chemin) {
    if (chemin >= t.marques.size()) t.marques.resize(chemin + 1 + chemin / 2);
    t.marques[chemin] = 1;
}

// The paths of `t` after those of `dans`, their marks with them.
void verserChemins(ComptesLisibles::Tranche& dans, ComptesLisibles::Tranche& t) {
    t.chemins.vider();
    dans.chemins.vider();
    uint32_t k = 0;
    t.chemins.table.parcourir([&](std::string_view texte, int64_t n) {
        const uint32_t numero = dans.chemins.table.numero(dans.chemins.table.ajouter(texte, n));
        if (k < t.marques.size() && t.marques[k]) marquer(dans, numero);
        ++k;
    });
    t.fichiersComptes.parcourir(
        [&](std::string_view texte, int64_t n) { dans.fichiersComptes.ajouter(texte, n); });
    dans.lignesMarquees += t.lignesMarquees;
}

// The table of paths, the marked lines of the whole journal added to theirs from the statistics'
// loaded files counted over the same lines (into the table made, the counts left as they are).
tableauRapportStat completerChemins(const ComptesLisibles::Tranche& t,
                                    const tableauRapportStat& fichiers) {
    tableauRapportStat chemins;
    t.chemins.table.versTable(chemins);  // entry n is path number n
    if (t.lignesMarquees == 0) return chemins;
    int64_t ajoutees = 0;
    for (const rapportStat& f : fichiers) {
        const int64_t place = t.chemins.table.chercher(f.libelle);
        if (place < 0) continue;
        const uint32_t numero = t.chemins.table.numero(static_cast<std::size_t>(place));
        if (numero >= t.marques.size() || !t.marques[numero]) continue;
        const int64_t n = f.nombre - t.fichiersComptes.nombreDe(f.libelle);
        chemins[numero].nombre += n;
        ajoutees += n;
    }
    // Tables of other lines than those read would give other paths.
    if (ajoutees != t.lignesMarquees) {
        throw std::logic_error("chemins lisibles : fichiers d'autres lignes");
    }
    return chemins;
}

// From how many paths a stretch's are merged on a core of their own.
constexpr std::size_t kCheminsDeuxFils = 4096;

// The lines of each calendar day whose date reads, in day order.
std::vector<LignesDuJour> lignesParJour(const ComptesLisibles::Tranche& t) {
    std::vector<LignesDuJour> jours;
    for (std::size_t k = 0; k < t.dates.taille(); ++k) {
        int32_t a, m, j;
        const std::string_view date = t.dates.cle(k);
        if (t.lignesParDate[k] == 0 || date.size() != 11 || !lireDate(date, a, m, j)) continue;
        jours.push_back({joursDepuisEpoque(a, m, j), t.lignesParDate[k]});
    }
    std::sort(jours.begin(), jours.end(),
              [](const LignesDuJour& x, const LignesDuJour& y) { return x.jour < y.jour; });
    // Two texts of one day ("01/May/2015" and "01/may/2015" if the reader takes both) as one.
    std::vector<LignesDuJour> uniques;
    for (const LignesDuJour& d : jours) {
        if (!uniques.empty() && uniques.back().jour == d.jour) {
            uniques.back().lignes += d.lignes;
        } else {
            uniques.push_back(d);
        }
    }
    return uniques;
}

// What stretch `t` counted besides its paths, after what `dans` counted.
void verserReste(ComptesLisibles::Tranche& dans, ComptesLisibles::Tranche& t) {
    if (t.dateVue) {
        dans.derniere = t.derniere;
        dans.dateVue = true;
    }
    dans.bornes.ajouter(t.bornes);
    verser(dans.agents, t.agents);
    dans.longs.ajouter(t.longs);
    const auto date = [&dans](std::string_view cle) {
        bool nouvelle;
        const uint32_t n = dans.dates.trouverOuAjouter(cle, nouvelle);
        if (nouvelle) dans.lignesParDate.push_back(0);
        return n;
    };
    for (std::size_t k = 0; k < t.dates.taille(); ++k) {
        dans.lignesParDate[date(t.dates.cle(k))] += t.lignesParDate[k];
    }
    // The next line of the stretch compares its date with the last one it saw.
    if (dans.dateVue) {
        dans.numeroDate = date(dans.derniere);
        dans.derniereDate = dans.dates.cle(dans.numeroDate);
    }
    for (std::size_t h = 0; h < 24; ++h) dans.heures[h] += t.heures[h];
}

// What stretch `t` counted, after what `dans` counted: first appearances stay in journal order.
void verser(ComptesLisibles::Tranche& dans, ComptesLisibles::Tranche& t) {
    vider(dans);
    vider(t);
    // The paths, the largest table, beside the rest.
    enParallele(
        t.chemins.table.taille() >= kCheminsDeuxFils, [&] { verserChemins(dans, t); },
        [&] { verserReste(dans, t); });
}

}  // namespace

ComptesLisibles::ComptesLisibles() = default;
ComptesLisibles::~ComptesLisibles() {
    if (compilation_.joinable()) compilation_.join();
}

void ComptesLisibles::commencer(const Journal& journal, int nbTranches, bool /*souple*/) {
    // The catalogue, compiled once per process, is needed only at the end: its compilation runs
    // beside the pass. A failure is raised again by the call that names the agents.
    if (!compilation_.joinable() && !CatalogueAgents::partageCompile()) {
        compilation_ = std::thread([] {
            try {
                CatalogueAgents::partage();
            } catch (...) {
            }
        });
    }
    journal_ = journal;
    const std::string_view octets = journal.octets();
    debut_ = octets.data();
    fin_ = octets.data() + octets.size();
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) tranches_.push_back(nouvelleTranche(k));
    complet_ = false;
}

std::unique_ptr<ComptesLisibles::Tranche> ComptesLisibles::nouvelleTranche(int tranche) const {
    auto t = std::make_unique<Tranche>();
    // Long agents as the audience keeps them: views into a journal loaded whole, into the
    // statistics' copies in a stream's stretch 0, into the block in its stretch 1 until the fold.
    using Garde = IndexAgents::Garde;
    t->longs.regler(journal_.octets().empty() ? (tranche == 0 ? Garde::statistiques : Garde::bloc)
                                              : Garde::journal,
                    statistiques_, tranche);
    t->longs.tampon(debut_, fin_);
    return t;
}

void ComptesLisibles::lire(int tranche, const RLog& r) {
    Tranche& t = *tranches_[static_cast<std::size_t>(tranche)];
    const ComptesJournal::ClesLigne* cles =
        statistiques_ ? &statistiques_->clesLigne(tranche) : nullptr;
    // The whole agent: the record's browser is its start, up to the closing quote or the end of
    // the line. A browser outside the journal's bytes is the parser's "-".
    const char* p = r.navigateur.data();
    const bool agentDansLesOctets = dansOctets(p, debut_, fin_);
    // A client keeps its agent from line to line. Dotted addresses only: a client text's number
    // is of another table.
    std::string_view agent;
    if (cles && cles->adresse < ComptesJournal::kAdresseTexte && agentDansLesOctets) {
        agent = t.agents.compterAgentSelonCle(p, fin_, cles->adresse, kOctetsAgentLus);
    } else {
        agent = agentDansLesOctets
                    ? std::string_view(p, static_cast<std::size_t>(finAgent(p, fin_) - p))
                    : r.navigateur;
        t.agents.preparer(agent.substr(0, kOctetsAgentLus));
    }
    if (agent.size() >= kOctetsAgentLus) {
        t.longs.numero(agent, cles ? cles->agent : ComptesJournal::kSansCle);
    }
    // The loaded file of the statistics is the path itself for the usual methods (GET, POST,
    // HEAD): the same bytes of the request. Such a line is marked, its path found once per file;
    // the file met again, only the method and protocol around it are checked.
    const uint32_t f = cles ? cles->fichier : ComptesJournal::kSansCle;
    const bool fichierVu = f != ComptesJournal::kSansCle && f / 64 < t.fichiersVus.size() &&
                           (t.fichiersVus[f / 64] >> (f % 64) & 1) != 0;
    if (fichierVu && cheminEstLeFichier(r.requete, r.fichierCharge)) {
        ++t.lignesMarquees;
    } else {
        const std::string_view chemin = cheminRequete(r.requete);
        if (f != ComptesJournal::kSansCle && chemin.data() == r.fichierCharge.data() &&
            chemin.size() == r.fichierCharge.size()) {
            ++t.lignesMarquees;
            if (f / 64 >= t.fichiersVus.size()) {
                t.fichiersVus.resize(std::max<std::size_t>(f / 64 + 1, t.fichiersVus.size() * 2));
            }
            uint64_t& mot = t.fichiersVus[f / 64];
            const uint64_t bit = uint64_t{1} << (f % 64);
            if ((mot & bit) == 0) {
                mot |= bit;
                t.chemins.vider();  // a new path comes after the one waiting
                marquer(t, t.chemins.table.numero(t.chemins.table.ajouter(chemin, 0)));
            }
        } else {
            t.chemins.preparer(chemin);
            if (statistiques_) t.fichiersComptes.ajouter(r.fichierCharge, 1);
        }
    }
    // A view: a string assigned on every line costs more than the rest of the line's counts.
    t.derniereLue = r.date.data() ? r.date : std::string_view("", 0);
    t.bornes.lire(r.date, r.heure);
    if (!t.dateVue || !memesOctets(r.date, t.derniereDate)) {
        bool nouvelle;
        t.numeroDate = t.dates.trouverOuAjouter(r.date, nouvelle);
        if (nouvelle) t.lignesParDate.push_back(0);
        t.derniereDate = t.dates.cle(t.numeroDate);
        t.dateVue = true;
    }
    ++t.lignesParDate[t.numeroDate];
    if (r.heure.size() >= 2 && chiffre(r.heure[0]) && chiffre(r.heure[1])) {
        const int h = (r.heure[0] - '0') * 10 + (r.heure[1] - '0');
        if (h < 24) ++t.heures[static_cast<std::size_t>(h)];
    }
}

void ComptesLisibles::lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) {
    RLog copie;
    lire(tranche, agentLisible(r, plus, debut_, fin_, copie));
}

void ComptesLisibles::terminer() {
    for (const auto& t : tranches_) vider(*t);
    complet_ = true;
}

void ComptesLisibles::replier() {
    // The keys waiting point into the block, which the stream is about to reuse.
    for (const auto& t : tranches_) vider(*t);
    if (tranches_.size() < 2) return;
    verser(*tranches_[0], *tranches_[1]);
    tranches_[1] = nouvelleTranche(1);
}

void ComptesLisibles::adopter(LecteurEnregistrements& autre, int tranche) {
    auto& a = dynamic_cast<ComptesLisibles&>(autre);
    std::swap(tranches_.at(1), a.tranches_.at(static_cast<std::size_t>(tranche)));
}

void ComptesLisibles::bloc(std::string_view octets) {
    debut_ = octets.data();
    fin_ = octets.data() + octets.size();
    for (const auto& t : tranches_) t->longs.tampon(debut_, fin_);
}

namespace {

// The browser and system names of agents [debut, fin): the catalogue is shared read-only, each
// thread names its own share. Robots are told as the audience tells them: the catalogue's device
// list, or a robot's word in the agent.
void nommerAgents(const std::vector<std::string_view>& agents, std::size_t debut, std::size_t fin,
                  std::vector<std::string>& navigateurs, std::vector<std::string>& systemes,
                  std::vector<char>& robots, MemoireAgents* memoire) {
    const CatalogueAgents& catalogue = CatalogueAgents::partage();
    std::string nom;
    for (std::size_t k = debut; k < fin; ++k) {
        bool robot;
        if (memoire) {
            ClassementAgent c = memoire->classer(agents[k]);
            navigateurs[k] = std::move(c.navigateur.nom);
            systemes[k] = std::move(c.systeme.nom);
            robot = c.robot;
        } else {
            navigateurs[k] = catalogue.classerNavigateur(agents[k]).nom;
            systemes[k] = catalogue.classerSysteme(agents[k]).nom;
            robot = catalogue.estRobot(agents[k]);
        }
        robots[k] = robot || robotParSonNom(agents[k], nom);
    }
}

}  // namespace

void rendreLisibles(TablesAnalyse& tables, ComptesLisibles& comptes, int largeur,
                    ResultatsLisibles& lisibles, bool trier) {
    if (comptes.compilation_.joinable()) comptes.compilation_.join();
    lisibles = ResultatsLisibles{};
    lisibles.actifs = true;
    // The later stretches into the first, in journal order: an agent's, a path's first
    // appearance is that of its stretch. The last one is merged below, its paths beside the rest.
    if (comptes.tranches_.empty())
        comptes.tranches_.push_back(std::make_unique<ComptesLisibles::Tranche>());
    ComptesLisibles::Tranche& tout = *comptes.tranches_[0];
    vider(tout);
    for (std::size_t k = 1; k + 1 < comptes.tranches_.size(); ++k) {
        verser(tout, *comptes.tranches_[k]);
    }
    ComptesLisibles::Tranche* derniere =
        comptes.tranches_.size() > 1 ? comptes.tranches_.back().get() : nullptr;
    if (derniere) vider(*derniere);
    // Each distinct agent classified once, on both cores as soon as they are merged; then the
    // tables of the addresses on one core, the paths and the referrers on the other.
    std::vector<std::string_view> distincts;
    std::vector<int64_t> lignes;
    std::vector<std::string> nomsNavigateurs, nomsSystemes;
    std::vector<char> robots;
    std::atomic<bool> listes{false};
    std::atomic<std::size_t> suivant{0};
    // Both cores take the next agents to name as they come free: agents cost unequal times.
    const auto nommer = [&] {
        listes.wait(false);
        constexpr std::size_t kParPrise = 32;
        for (std::size_t k; (k = suivant.fetch_add(kParPrise)) < distincts.size();) {
            nommerAgents(distincts, k, std::min(k + kParPrise, distincts.size()), nomsNavigateurs,
                         nomsSystemes, robots, comptes.memoire_.get());
        }
    };
    enParallele(
        true,
        [&] {
            try {
                if (derniere) verserReste(tout, *derniere);
                distincts.reserve(tout.agents.table.taille());
                tout.agents.table.parcourir([&](std::string_view agent, int64_t n) {
                    distincts.push_back(agent);
                    lignes.push_back(n);
                    // A shorter start is one whole agent; the longer ones are counted apart.
                    if (agent.size() < kOctetsAgentLus) ++lisibles.agentsDistincts;
                });
                nomsNavigateurs.resize(distincts.size());
                nomsSystemes.resize(distincts.size());
                robots.resize(distincts.size());
            } catch (...) {
                distincts.clear();  // the other core names nothing, and waits no more
                listes = true;
                listes.notify_one();
                throw;
            }
            listes = true;
            listes.notify_one();
            nommer();
            if (trier) {
                ordonnerParFrequence(tables.statIP);
                ordonnerParFrequence(tables.statTaux);
            }
        },
        [&] {
            if (derniere) verserChemins(tout, *derniere);
            nommer();
            tables.statFichier = completerChemins(tout, tables.statFichier);
            if (trier) {
                ordonnerParFrequence(tables.statFichier);
                ordonnerParFrequence(tables.statPrecedent);
            }
        });
    lisibles.premiereDate = tout.bornes.premiere();
    lisibles.derniereDate = tout.bornes.derniere();
    lisibles.joursCouverts = tout.bornes.nbJours();
    for (std::size_t h = 0; h < 24; ++h) lisibles.heures.lignes[h] += tout.heures[h];
    lisibles.heures.jours = tout.dates.taille();
    lisibles.parJour = lignesParJour(tout);
    lisibles.agentsDistincts += tout.longs.taille();
    tables.statHoraires = journeeMoyenne(lisibles.heures, largeur);
    // A name's first appearance is that of its first agent.
    TableTextes systemes, navigateurs, nomsRobots;
    for (std::size_t k = 0; k < distincts.size(); ++k) {
        navigateurs.ajouter(nomsNavigateurs[k], lignes[k]);
        systemes.ajouter(nomsSystemes[k], lignes[k]);
        if (robots[k]) nomsRobots.ajouter(nomsNavigateurs[k], lignes[k]);
    }
    systemes.versTable(tables.statOS);
    navigateurs.versTable(tables.statNav);
    nomsRobots.versTable(lisibles.robots);
    lisibles.robotsConnus = true;
    if (trier) {
        ordonnerParFrequence(tables.statOS);
        ordonnerParFrequence(tables.statNav);
        ordonnerParFrequence(lisibles.robots);
    }
    // As a fold does it: the later stretches start again empty, so that more lines may be read.
    for (std::size_t k = 1; k < comptes.tranches_.size(); ++k) {
        comptes.tranches_[k] = comptes.nouvelleTranche(static_cast<int>(k));
    }
}

void rendreLisibles(TablesAnalyse& tables, const LignesAnalysees& lignes, int largeur,
                    ResultatsLisibles& lisibles) {
    ComptesLisibles comptes;
    comptes.commencer(lignes.journal(), 1, lignes.souple());
    for (std::size_t i = 0; i < lignes.nbLignes(); ++i) {
        // The record's texts are views into the journal, which outlives the loop.
        comptes.lire(0, lignes.lire(i));
    }
    comptes.terminer();
    rendreLisibles(tables, comptes, largeur, lisibles);
}

}  // namespace kestrane
