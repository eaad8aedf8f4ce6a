// bench_analyse_formats [lines] [--runs N] [--format NAME...]: the whole analysis (analyserJournal:
// first pass on both cores, statistics, Compléments) of the same generated traffic in the default
// format and written again in other formats (tests/core/lecture/Reecriture.h), one run of each in
// turn so that both see the same load. Prints per format `format= analyse_s= ratio=` (medians,
// elapsed seconds, ratio to the default format's analysis of the same requests; in brackets the
// same in processor seconds of both threads), then the time of "Automatique"'s detection on each
// journal. "--profil" runs the named formats' analyses alone, for a profiler; "--profil-defaut"
// the default format's analyses of the same requests.

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "bench/Mesures.h"
#include "bench/generateur.h"
#include "core/analyse/AnalyseFormat.h"
#include "core/analyse/ServiceAnalyse.h"
#include "tests/core/lecture/Reecriture.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

struct Cas {
    const char* nom;
    Ecriture ecriture;
    FormatJournal format;
};

// One analysis: its elapsed seconds into `ecoule`, its processor seconds (both threads: what other
// programs on a shared machine disturb less) into `processeur`.
void analyser(const Journal& j, const OptionsAnalyse& o, std::size_t& lignes, Mesure& ecoule,
              Mesure& processeur) {
    ResultatAnalyse r;
    const std::clock_t avant = std::clock();
    ecoule.secondes.push_back(chronometrer([&] { analyserJournal(j, o, r); }));
    processeur.secondes.push_back(static_cast<double>(std::clock() - avant) / CLOCKS_PER_SEC);
    lignes = resumer(r).lignesAnalysees;
}

}  // namespace

int main(int argc, char** argv) {
    long nbLignes = 1000000, runs = 5;
    // "--format NAME" (repeatable) keeps only the named formats: the others' journals take
    // minutes to write and analyse when one format is being worked on.
    // "--profil": the format's analyses alone, for a profiler to see nothing else.
    std::vector<std::string> choisis;
    std::vector<char*> autres{argv[0]};
    bool profil = false, profilDefaut = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--format" && i + 1 < argc) {
            choisis.emplace_back(argv[++i]);
        } else if (std::string_view(argv[i]) == "--profil") {
            profil = true;
        } else if (std::string_view(argv[i]) == "--profil-defaut") {
            profil = profilDefaut = true;
        } else {
            autres.push_back(argv[i]);
        }
    }
    if (!lireArguments(static_cast<int>(autres.size()), autres.data(), nbLignes, runs)) {
        std::fprintf(stderr,
                     "usage: bench_analyse_formats [lignes] [--runs N] [--format NOM] "
                     "[--profil[-defaut]]\n");
        return 2;
    }
    std::printf("bench_analyse_formats: %ld lines, %ld runs, load %s\n", nbLignes, runs,
                chargeMachine().c_str());
    std::string texte = texteJournal(static_cast<std::size_t>(nbLignes));
    std::vector<Requete> requetes;
    requetes.reserve(static_cast<std::size_t>(nbLignes));
    for (std::size_t i = 0; i < texte.size();) {
        const std::size_t f = texte.find('\n', i);
        Requete q;
        if (couperCombinee(std::string_view(texte).substr(i, f - i), q)) {
            requetes.push_back(std::move(q));
        }
        i = f + 1;
    }
    const Cas cas[] = {
        {"personnalise-combine", Ecriture::Combine,
         FormatJournal::depuisChaine(
             "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"")},
        {"json-nginx", Ecriture::JsonNginx, FormatJournal::propose(TypeFormat::Json)},
        // Epoch times, nested keys and a request joined from its parts.
        {"json-caddy", Ecriture::JsonCaddy, FormatJournal::propose(TypeFormat::Json)},
        {"vhost", Ecriture::HoteVirtuelPort, FormatJournal::propose(TypeFormat::HoteVirtuel)},
        {"w3c", Ecriture::W3C, FormatJournal::propose(TypeFormat::W3C)},
    };
    OptionsAnalyse defaut;
    defaut.complements = true;
    for (const Cas& c : cas) {
        if (!choisis.empty() && std::find(choisis.begin(), choisis.end(), c.nom) == choisis.end()) {
            continue;
        }
        // The requests this format can hold, written both ways.
        std::string combine, ecrit;
        if (c.ecriture == Ecriture::W3C) ecrit = std::string(kEnteteW3C) + "\n";
        for (std::size_t i = 0; i < requetes.size(); ++i) {
            const std::string l = reecrire(requetes[i], c.ecriture, i);
            if (l.empty()) continue;
            ecrit += l + "\n";
            combine += reecrire(requetes[i], Ecriture::Combine, i) + "\n";
        }
        const Journal jc = Journal::depuisTexte(std::move(combine));
        const Journal je = Journal::depuisTexte(std::move(ecrit));
        OptionsAnalyse o = defaut;
        o.format = c.format;
        Mesure md, mf, pd, pf;
        std::size_t ld = 0, lf = 0;
        for (long k = 0; k < runs; ++k) {
            if (profil) {
                if (profilDefaut) {
                    analyser(jc, defaut, lf, mf, pf);
                } else {
                    analyser(je, o, lf, mf, pf);
                }
            } else if (k % 2 == 0) {
                analyser(jc, defaut, ld, md, pd);
                analyser(je, o, lf, mf, pf);
            } else {
                analyser(je, o, lf, mf, pf);
                analyser(jc, defaut, ld, md, pd);
            }
        }
        if (profil) {
            std::printf("format=%s analyse_s=%.3f (profil)\n", c.nom, mf.mediane());
            continue;
        }
        std::printf(
            "format=%s analyse_s=%.3f ratio=%.2f  (defaut %.3f s; processeur %.3f s / %.3f s, "
            "ratio %.2f; %zu lignes analysees, %zu par defaut)\n",
            c.nom, mf.mediane(), mf.mediane() / md.mediane(), md.mediane(), pf.mediane(),
            pd.mediane(), pf.mediane() / pd.mediane(), lf, ld);
        Mesure det;
        FormatJournal trouve;
        for (int k = 0; k < 5; ++k) {
            det.secondes.push_back(chronometrer([&] { trouve = formatDetecte(je); }));
        }
        std::printf("detection=%s detection_ms=%.1f (max %.1f) -> %s\n", c.nom,
                    det.mediane() * 1000, det.max() * 1000, trouve.libelle().c_str());
    }
    std::printf("crete_rss_kio=%ld\n", creteRssKio());
    return 0;
}
