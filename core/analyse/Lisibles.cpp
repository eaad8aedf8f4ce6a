#include "core/analyse/Lisibles.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/analyse/IndexCles.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/DeuxFils.h"

namespace kestrane {

namespace {

void ajouterDecimal(std::string& s, uint64_t v) {
    char chiffres[24];
    int n = 0;
    do {
        chiffres[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) s += chiffres[--n];
}

std::string texteDecimal(int64_t v) {
    std::string s;
    if (v < 0) s += '-';
    ajouterDecimal(s, v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v));
    return s;
}

// "q,r" from tenths.
std::string texteDixiemes(uint64_t dixiemes) {
    std::string s;
    ajouterDecimal(s, dixiemes / 10);
    s += ',';
    s += static_cast<char>('0' + dixiemes % 10);
    return s;
}

// Texts counted in order of first appearance. A line's key is counted when the next line brings
// another one: meanwhile its slot is fetched from memory (the tables of paths are larger than the
// caches), and a run of lines with the same key (a client's burst, one agent) costs one lookup.
struct Compteur {
    IndexCles<std::string_view> index;
    std::vector<int64_t> nombres;
    std::string_view enAttente;
    uint64_t hachage = 0;
    int64_t nombreEnAttente = 0;

    // The key of one line; its text must stay readable until vider().
    void preparer(std::string_view cle) {
        if (nombreEnAttente > 0 && memesOctets(cle, enAttente)) {
            ++nombreEnAttente;
            return;
        }
        vider();
        enAttente = cle;
        hachage = hacher(cle);
        index.precharger(hachage);
        nombreEnAttente = 1;
    }

    void vider() {
        if (nombreEnAttente == 0) return;
        bool nouveau;
        const uint32_t n = index.trouverOuAjouter(enAttente, hachage, nouveau);
        if (nouveau) nombres.push_back(0);
        nombres[n] += nombreEnAttente;
        nombreEnAttente = 0;
    }

    void ajouter(std::string_view cle, int64_t n) {
        vider();
        bool nouveau;
        const uint32_t k = index.trouverOuAjouter(cle, nouveau);
        if (nouveau) nombres.push_back(0);
        nombres[k] += n;
    }

    void versTable(tableauRapportStat& table) const {
        table.clear();
        table.reserve(nombres.size());
        for (std::size_t k = 0; k < nombres.size(); ++k) {
            table.push_back({std::string(index.cle(k)), {}, nombres[k]});
        }
    }
};

// Where the agent that starts at p ends: at its closing quote, or at the end of its line, or at
// `fin`; 16 bytes at a time.
const char* finAgent(const char* p, const char* fin) {
#if defined(__SSE2__)
    const __m128i guillemet = _mm_set1_epi8('"'), lf = _mm_set1_epi8('\n'),
                  cr = _mm_set1_epi8('\r');
    for (; fin - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int masque = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(v, guillemet),
                         _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
        if (masque != 0) return p + __builtin_ctz(static_cast<unsigned>(masque));
    }
#endif
    for (; p < fin; ++p) {
        if (*p == '"' || *p == '\n' || *p == '\r') return p;
    }
    return fin;
}

// From how many distinct agents their names are found on both cores.
constexpr std::size_t kAgentsDeuxFils = 64;

bool chiffre(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string_view cheminRequete(std::string_view requete) {
    const std::size_t blanc = requete.find(' ');
    if (blanc == 0 || blanc == std::string_view::npos) return requete;
    for (std::size_t k = 0; k < blanc; ++k) {
        const char c = requete[k];
        if (!((c >= 'A' && c <= 'Z') || c == '-' || c == '_')) return requete;
    }
    std::string_view reste = requete.substr(blanc + 1);
    const std::size_t fin = reste.find(' ');
    if (fin != std::string_view::npos) {
        // A third piece is the protocol, and nothing follows it.
        const std::string_view protocole = reste.substr(fin + 1);
        if (protocole.empty() || protocole.find(' ') != std::string_view::npos) return requete;
        reste = reste.substr(0, fin);
    }
    return reste.empty() ? requete : reste;
}

void ordonnerParFrequence(tableauRapportStat& table) {
    std::stable_sort(table.begin(), table.end(), [](const rapportStat& a, const rapportStat& b) {
        return a.nombre > b.nombre;
    });
}

tableauRapportStat journeeMoyenne(const HeuresDuJournal& heures, int largeur) {
    largeur = std::clamp(largeur, 1, 6);
    tableauRapportStat table;
    const auto deuxChiffres = [](std::string& s, int v) {
        if (v < 10) s += '0';
        ajouterDecimal(s, static_cast<uint64_t>(v));
    };
    for (int debut = 0; debut < 24; debut += largeur) {
        const int fin = std::min(24, debut + largeur);
        int64_t lignes = 0;
        for (int h = debut; h < fin; ++h) lignes += heures.lignes[static_cast<std::size_t>(h)];
        rapportStat e;
        deuxChiffres(e.libelle, debut);
        e.libelle += " \xE0 ";
        deuxChiffres(e.libelle, fin);
        if (heures.jours > 0) {
            // Tenths of the mean, rounded half up.
            const auto jours = static_cast<int64_t>(heures.jours);
            e.nombre = (lignes * 20 + jours) / (2 * jours);
        }
        table.push_back(std::move(e));
    }
    return table;
}

std::string texteNombre(int64_t nombre, FormatNombre format) {
    switch (format) {
        case FormatNombre::entier:
            return texteDecimal(nombre);
        case FormatNombre::dixiemes:
            if (nombre < 0) {
                std::string s(1, '-');
                return s += texteDixiemes(0 - static_cast<uint64_t>(nombre));
            }
            return texteDixiemes(static_cast<uint64_t>(nombre));
        case FormatNombre::octets: {
            if (nombre < 0) return texteDecimal(nombre);
            if (nombre < 1024) return texteDecimal(nombre) + (nombre < 2 ? " octet" : " octets");
            static constexpr const char* kUnites[] = {"Ko", "Mo", "Go", "To", "Po", "Eo"};
            __extension__ using Large = unsigned __int128;
            const Large octets = static_cast<uint64_t>(nombre);
            Large diviseur = 1024;
            std::size_t u = 0;
            // Tenths of the unit, rounded; a value that rounds to 1024,0 is the next unit's 1,0.
            for (;;) {
                const Large dixiemes = (octets * 20 + diviseur) / (2 * diviseur);
                if (dixiemes < 10240 || u + 1 == std::size(kUnites)) {
                    return texteDixiemes(static_cast<uint64_t>(dixiemes)) + " " + kUnites[u];
                }
                diviseur *= 1024;
                ++u;
            }
        }
    }
    return {};
}

void ecrireNombres(const tableauRapportStat& table, GrilleRapport& grille, FormatNombre format) {
    if (format == FormatNombre::entier) return;
    const int n = std::min(static_cast<int>(table.size()), grille.nbLignes() - 1);
    for (int k = 0; k < n; ++k) {
        grille.ecrireCellule(1, k + 1,
                             texteNombre(table[static_cast<std::size_t>(k)].nombre, format));
    }
}

void remplirGrapheLisible(Graphe& graphe, int n, const tableauRapportStat& table,
                          FormatNombre format) {
    if (format != FormatNombre::dixiemes) return remplirGraphe(graphe, n, table);
    // remplirGraphe's points, their values in units.
    const std::size_t points =
        table.size() >= 2 && n > 0 ? std::min(table.size(), static_cast<std::size_t>(n)) : 0;
    for (int s = 0; s < graphe.nbSeries(); ++s) {
        graphe.viderSerie(s);
        for (std::size_t k = 0; k < points; ++k) {
            graphe.ajouterPoint(s, static_cast<double>(table[k].nombre) / 10.0, table[k].libelle);
        }
    }
}

FormatNombre formatStatTaux(bool lisibles) {
    return lisibles ? FormatNombre::octets : FormatNombre::entier;
}

FormatNombre formatStatHoraires(bool lisibles) {
    return lisibles ? FormatNombre::dixiemes : FormatNombre::entier;
}

// ---------------------------------------------------------------------------------------------
// The counts of the first pass

struct ComptesLisibles::Tranche {
    Compteur agents, chemins;
    IndexCles<std::string_view> dates;
    std::string_view derniereDate;
    bool dateVue = false;
    std::array<int64_t, 24> heures{};
    std::string premiere[2], derniere[2];  // date and time (kept: a stream drops its lines)
};

namespace {

// What stretch `t` counted, after what `dans` counted: first appearances stay in journal order.
void verser(ComptesLisibles::Tranche& dans, ComptesLisibles::Tranche& t) {
    t.agents.vider();
    t.chemins.vider();
    if (t.dateVue) {
        if (!dans.dateVue) dans.premiere[0] = t.premiere[0], dans.premiere[1] = t.premiere[1];
        dans.derniere[0] = t.derniere[0];
        dans.derniere[1] = t.derniere[1];
        dans.dateVue = true;
    }
    for (std::size_t k = 0; k < t.agents.nombres.size(); ++k) {
        dans.agents.ajouter(t.agents.index.cle(k), t.agents.nombres[k]);
    }
    for (std::size_t k = 0; k < t.chemins.nombres.size(); ++k) {
        dans.chemins.ajouter(t.chemins.index.cle(k), t.chemins.nombres[k]);
    }
    for (std::size_t k = 0; k < t.dates.taille(); ++k) {
        bool nouvelle;
        dans.dates.trouverOuAjouter(t.dates.cle(k), nouvelle);
    }
    // The next line of the stretch compares its date with the last one it saw.
    if (dans.dateVue) {
        bool nouvelle;
        dans.derniereDate = dans.dates.cle(dans.dates.trouverOuAjouter(dans.derniere[0], nouvelle));
    }
    for (std::size_t h = 0; h < 24; ++h) dans.heures[h] += t.heures[h];
}

}  // namespace

ComptesLisibles::ComptesLisibles() = default;
ComptesLisibles::~ComptesLisibles() = default;

void ComptesLisibles::commencer(const Journal& journal, int nbTranches, bool /*souple*/) {
    const std::string_view octets = journal.octets();
    debut_ = octets.data();
    fin_ = octets.data() + octets.size();
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) tranches_.push_back(std::make_unique<Tranche>());
    complet_ = false;
}

void ComptesLisibles::lire(int tranche, const RLog& r) {
    Tranche& t = *tranches_[static_cast<std::size_t>(tranche)];
    // The whole agent: the record's browser is its start, up to the closing quote or the end of
    // the line. A browser outside the journal's bytes is the parser's "-".
    std::string_view agent = r.navigateur;
    const char* p = r.navigateur.data();
    if (std::greater_equal<const char*>()(p, debut_) && std::less<const char*>()(p, fin_)) {
        agent = {p, static_cast<std::size_t>(finAgent(p, fin_) - p)};
    }
    t.agents.preparer(agent);
    t.chemins.preparer(cheminRequete(r.requete));
    if (!t.dateVue) t.premiere[0] = r.date, t.premiere[1] = r.heure;
    t.derniere[0] = r.date;
    t.derniere[1] = r.heure;
    if (!t.dateVue || !memesOctets(r.date, t.derniereDate)) {
        bool nouvelle;
        t.derniereDate = t.dates.cle(t.dates.trouverOuAjouter(r.date, nouvelle));
        t.dateVue = true;
    }
    if (r.heure.size() >= 2 && chiffre(r.heure[0]) && chiffre(r.heure[1])) {
        const int h = (r.heure[0] - '0') * 10 + (r.heure[1] - '0');
        if (h < 24) ++t.heures[static_cast<std::size_t>(h)];
    }
}

void ComptesLisibles::terminer() {
    for (const auto& t : tranches_) t->agents.vider(), t->chemins.vider();
    complet_ = true;
}

void ComptesLisibles::replier() {
    // The keys waiting point into the block, which the stream is about to reuse.
    for (const auto& t : tranches_) t->agents.vider(), t->chemins.vider();
    if (tranches_.size() < 2) return;
    verser(*tranches_[0], *tranches_[1]);
    tranches_[1] = std::make_unique<Tranche>();
}

void ComptesLisibles::bloc(std::string_view octets) {
    debut_ = octets.data();
    fin_ = octets.data() + octets.size();
}

namespace {

// The browser and system names of each distinct agent, on both cores when there are many: the
// catalogue is shared read-only. The device list (robots) is not needed for names.
void nommerAgents(const std::vector<std::string_view>& agents,
                  std::vector<std::string>& navigateurs, std::vector<std::string>& systemes) {
    const CatalogueAgents& catalogue = CatalogueAgents::partage();
    navigateurs.resize(agents.size());
    systemes.resize(agents.size());
    const auto nommer = [&](std::size_t debut, std::size_t fin) {
        for (std::size_t k = debut; k < fin; ++k) {
            navigateurs[k] = catalogue.classerNavigateur(agents[k]).nom;
            systemes[k] = catalogue.classerSysteme(agents[k]).nom;
        }
    };
    const std::size_t milieu = agents.size() / 2;
    enParallele(
        agents.size() >= kAgentsDeuxFils, [&] { nommer(0, milieu); },
        [&] { nommer(milieu, agents.size()); });
}

}  // namespace

void rendreLisibles(TablesAnalyse& tables, ComptesLisibles& comptes, int largeur,
                    ResultatsLisibles& lisibles) {
    Compteur systemes, navigateurs;
    lisibles = ResultatsLisibles{};
    lisibles.actifs = true;
    // Stretches in journal order: an agent's, a path's first appearance is that of its stretch.
    ComptesLisibles::Tranche tout;
    for (const auto& t : comptes.tranches_) verser(tout, *t);
    if (tout.dateVue) {
        lisibles.premiereDate = tout.premiere[0] + " " + tout.premiere[1];
        lisibles.derniereDate = tout.derniere[0] + " " + tout.derniere[1];
    }
    for (std::size_t h = 0; h < 24; ++h) lisibles.heures.lignes[h] += tout.heures[h];
    const Compteur& agents = tout.agents;
    const Compteur& chemins = tout.chemins;
    const IndexCles<std::string_view>& dates = tout.dates;
    // Each distinct agent classified once; a name's first appearance is that of its first agent.
    std::vector<std::string_view> distincts(agents.nombres.size());
    for (std::size_t k = 0; k < distincts.size(); ++k) distincts[k] = agents.index.cle(k);
    std::vector<std::string> nomsNavigateurs, nomsSystemes;
    nommerAgents(distincts, nomsNavigateurs, nomsSystemes);
    for (std::size_t k = 0; k < distincts.size(); ++k) {
        navigateurs.ajouter(nomsNavigateurs[k], agents.nombres[k]);
        systemes.ajouter(nomsSystemes[k], agents.nombres[k]);
    }
    lisibles.heures.jours = dates.taille();
    lisibles.agentsDistincts = distincts.size();
    comptes.tranches_.clear();
    comptes.complet_ = false;

    systemes.versTable(tables.statOS);
    navigateurs.versTable(tables.statNav);
    chemins.versTable(tables.statFichier);
    tables.statHoraires = journeeMoyenne(lisibles.heures, largeur);
    for (tableauRapportStat* t : {&tables.statIP, &tables.statOS, &tables.statNav,
                                  &tables.statPrecedent, &tables.statFichier, &tables.statTaux}) {
        ordonnerParFrequence(*t);
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
