// bench_formats [lines] [--runs N]: the line reader of the other formats against the default
// parser, on the same generated traffic. The generator's combined lines are written again in each
// format (tests/core/lecture/Reecriture.h), then read on one thread: analyserLigne over the combined
// lines, and LecteurLignes over each format's lines, one run of each in turn so that both see
// the same load. Prints per format the median reading time, in elapsed and in processor seconds
// of this thread, and the ratio to the default parser per line read. Then the time of detection
// on the generated journal and on a journal of 1,000 lines of 16 KiB of junk.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/Mesures.h"
#include "bench/generateur.h"
#include "core/lecture/Detection.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"
#include "tests/core/lecture/Reecriture.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

double tempsFil() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void mesurerUneFois(const std::function<void()>& f, Mesure& ecoule, Mesure& processeur) {
    const double p0 = tempsFil();
    const auto debut = std::chrono::steady_clock::now();
    f();
    ecoule.secondes.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
    processeur.secondes.push_back(tempsFil() - p0);
}

// A text of lines and the view of each.
struct Lignes {
    std::string texte;
    std::vector<std::string_view> vues;

    void indexer() {
        vues.clear();
        std::size_t i = 0;
        while (i < texte.size()) {
            const std::size_t f = texte.find('\n', i);
            vues.emplace_back(texte.data() + i, f - i);
            i = f + 1;
        }
    }
};

// Keeps the reads from being optimised away.
volatile std::size_t puits = 0;

std::size_t empreinte(const RLog& r) {
    return static_cast<std::size_t>(r.codeRenvoye) + r.requete.size() + r.date.size() +
           r.navigateur.size() + r.systeme.size() + static_cast<std::size_t>(r.chargement);
}

double lireDefaut(const Lignes& l) {
    std::size_t s = 0;
    const double t = chronometrer([&] {
        for (const std::string_view v : l.vues) s += empreinte(analyserLigne(v));
    });
    puits = puits + s;
    return t;
}

struct Format {
    const char* nom;
    Ecriture ecriture;
    FormatJournal format;
};

}  // namespace

int main(int argc, char** argv) {
    long nbLignes = 1000000, runs = 5;
    if (!lireArguments(argc, argv, nbLignes, runs)) {
        std::fprintf(stderr, "usage: bench_formats [lignes] [--runs N]\n");
        return 2;
    }
    std::printf("bench_formats: %ld lines, %ld runs, load %s\n", nbLignes, runs,
                chargeMachine().c_str());
    Lignes combine;
    combine.texte = texteJournal(static_cast<std::size_t>(nbLignes));
    combine.indexer();
    std::vector<Requete> requetes(combine.vues.size());
    for (std::size_t i = 0; i < combine.vues.size(); ++i) {
        if (!couperCombinee(combine.vues[i], requetes[i])) {
            std::fprintf(stderr, "line %zu is not combined\n", i);
            return 1;
        }
    }

    const Format formats[] = {
        {"personnalise-combine", Ecriture::Combine,
         FormatJournal::depuisChaine(
             "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"")},
        {"commun", Ecriture::Commun, FormatJournal::propose(TypeFormat::Commun)},
        {"vhost", Ecriture::HoteVirtuelPort, FormatJournal::propose(TypeFormat::HoteVirtuel)},
        {"vhost-sans-port", Ecriture::HoteVirtuel, FormatJournal::propose(TypeFormat::HoteVirtuel)},
        {"nginx-hote", Ecriture::NginxHote, FormatJournal::propose(TypeFormat::NginxHote)},
        {"combine-plus", Ecriture::CombineSuivi, FormatJournal::propose(TypeFormat::CombineSuivi)},
        {"w3c", Ecriture::W3C, FormatJournal::propose(TypeFormat::W3C)},
        {"json-nginx", Ecriture::JsonNginx, FormatJournal::propose(TypeFormat::Json)},
        {"json-caddy", Ecriture::JsonCaddy, FormatJournal::propose(TypeFormat::Json)},
        {"json-traefik", Ecriture::JsonTraefik, FormatJournal::propose(TypeFormat::Json)},
        {"personnalise-nginx", Ecriture::ChaineNginx, FormatJournal::depuisChaine(kChaineNginx)},
    };
    for (const Format& f : formats) {
        Lignes l;
        if (f.ecriture == Ecriture::W3C) l.texte = std::string(kEnteteW3C) + "\n";
        for (std::size_t i = 0; i < requetes.size(); ++i) {
            const std::string ligne = reecrire(requetes[i], f.ecriture, i);
            if (ligne.empty()) continue;
            l.texte += ligne;
            l.texte += '\n';
        }
        l.indexer();
        Mesure defautE, defautP, formatE, formatP;
        std::size_t lues = 0;
        const auto lireFormat = [&] {
            LecteurLignes lecteur(f.format);
            RLog r;
            std::size_t s = 0, n = 0;
            for (std::size_t i = 0; i < l.vues.size(); ++i) {
                if (lecteur.lire(l.vues[i], i, r) == Lecture::Requete) {
                    s += empreinte(r);
                    ++n;
                }
            }
            puits = puits + s;
            lues = n;
        };
        for (long k = 0; k < runs; ++k) {
            // The order changes every run: the second of a pair runs in another machine state.
            if (k % 2 == 0) {
                mesurerUneFois([&] { lireDefaut(combine); }, defautE, defautP);
                mesurerUneFois(lireFormat, formatE, formatP);
            } else {
                mesurerUneFois(lireFormat, formatE, formatP);
                mesurerUneFois([&] { lireDefaut(combine); }, defautE, defautP);
            }
        }
        const double parLigne =
            static_cast<double>(combine.vues.size()) / static_cast<double>(lues);
        std::printf(
            "format=%s lecture_s=%.3f ratio=%.2f  (processeur: %.3f s, ratio %.2f; defaut %.3f s; "
            "%zu lignes lues sur %zu, %.0f octets par ligne)\n",
            f.nom, formatE.mediane(), formatE.mediane() / defautE.mediane() * parLigne,
            formatP.mediane(), formatP.mediane() / defautP.mediane() * parLigne, defautE.mediane(),
            lues, l.vues.size(),
            static_cast<double>(l.texte.size()) / static_cast<double>(l.vues.size()));
    }

    // Detection: the generated journal, and the worst lines it may meet (each as long as
    // detection looks at, with a quote and a brace to get past the first checks).
    const auto detecter = [](const std::vector<std::string_view>& v, const char* nom) {
        Mesure m;
        Detection d;
        for (int k = 0; k < 5; ++k) {
            m.secondes.push_back(chronometrer(
                [&] { d = detecterFormat(v.size(), [&](std::size_t i) { return v[i]; }); }));
        }
        std::printf("detection=%s detection_ms=%.1f (max %.1f) lues=%zu/%zu\n", nom,
                    m.mediane() * 1000, m.max() * 1000, d.lues, d.examinees);
    };
    detecter(combine.vues, "combine");
    const std::string longue = "{\"a\":\"" + std::string(kLongueurDetection - 10, 'x') + "\" \"]";
    std::vector<std::string_view> pires(kLignesDetection, longue);
    detecter(pires, "lignes-de-16-Kio");
    // Combined lines whose agent fills them: every format reads far into each.
    std::string combineLongue(combine.vues[0].substr(0, combine.vues[0].rfind('"')));
    combineLongue.append(kLongueurDetection - combineLongue.size() - 1, 'a').push_back('"');
    std::vector<std::string_view> longues(kLignesDetection, combineLongue);
    detecter(longues, "combinees-de-16-Kio");
    std::printf("crete_rss_kio=%ld\n", creteRssKio());
    return 0;
}
