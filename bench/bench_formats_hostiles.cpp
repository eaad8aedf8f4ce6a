// bench_formats_hostiles [--runs N] [--cas NOM]: what a format given by the user costs on input
// built to be slow, against normal lines of the same lengths. Each case is a format (a string
// compiled in every run, as the command line does once per analysis, or an offered one) and about
// 24 MB of hostile lines; its normal counterpart has lines of exactly the same lengths, written as
// that format writes a request with a long path (for a hostile format string, combined lines read
// by the combined format string). Both are timed twice: the reader alone (compile, then
// LecteurLignes over every line) and the whole analysis (analyserJournal with the Compléments,
// readable results and the skipping of lines that do not read), one run of each in turn, the
// order changing every run. Per case the ratios of the medians in processor seconds; then the
// worst. Target: 10 at most.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/Mesures.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/Erreur.h"
#include "core/lecture/LecteurLignes.h"
#include "tests/core/catalogue/AgentPiege.h"

using namespace kestrane;

namespace {

constexpr std::string_view kCombine =
    "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"";
constexpr std::string_view kNginx =
    "$remote_addr - $remote_user [$time_local] \"$request\" $status $body_bytes_sent "
    "\"$http_referer\" \"$http_user_agent\"";
constexpr std::size_t kOctetsParCas = 24'000'000;

std::string repeter(std::string_view morceau, std::size_t fois) {
    std::string s;
    s.reserve(morceau.size() * fois);
    for (std::size_t k = 0; k < fois; ++k) s += morceau;
    return s;
}

// `debut`, letters, then `fin`: `longueur` bytes when that leaves room for the letters.
std::string remplir(std::string debut, std::size_t longueur, std::string_view fin) {
    for (std::size_t i = 0; debut.size() + fin.size() < longueur; ++i) {
        debut.push_back(static_cast<char>('a' + i % 26));
    }
    return debut.append(fin);
}

std::string debutCombine(std::size_t k) {
    return "10.0." + std::to_string(k / 250 % 250) + "." + std::to_string(k % 250) +
           " - - [20/Dec/2023:10:" + std::to_string(10 + k % 50) + ":00 +0100] ";
}

std::string agentOrdinaire(std::size_t k, bool distinct) {
    return "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0." +
           (distinct ? std::to_string(k) : std::string("6099")) + ".71 Safari/537.36";
}

// A normal combined line of `longueur` bytes, its path padded.
std::string combinee(std::size_t longueur, std::size_t k, bool agentDistinct,
                     std::string_view suite) {
    return remplir(debutCombine(k) + "\"GET /pages/", longueur,
                   ".html HTTP/1.1\" 200 5120 \"https://www.exemple.fr/\" \"" +
                       agentOrdinaire(k, agentDistinct) + "\"" + std::string(suite));
}

std::string jsonDebut(std::size_t k) {
    return "{\"time_local\":\"20/Dec/2023:10:" + std::to_string(10 + k % 50) +
           ":00 +0100\",\"remote_addr\":\"10.0.0." + std::to_string(k % 250) +
           "\",\"status\":200,\"body_bytes_sent\":5120";
}

// One hostile case: its format and lines, and what a normal line of the same length is.
struct Cas {
    const char* nom;
    std::string chaine;  // a format string, compiled in every run; empty: `format`
    FormatJournal format;
    std::function<std::string(std::size_t k)> hostile;
    // The same format's normal line of that length; for a hostile format string, a combined
    // line, read by the combined format string.
    std::function<std::string(std::size_t longueur, std::size_t k)> normale;
    std::string chaineNormale;
    FormatJournal formatNormal;
};

std::vector<Cas> preparerCas() {
    const std::string combine(kCombine);
    const std::string reste = "\"GET / HTTP/1.1\" 200 5120 \"-\" \"curl/8.0\"";
    const auto combineeNormale = [](std::size_t n, std::size_t k) {
        return combinee(n, k, false, "");
    };
    std::vector<Cas> cas;
    // Thousands of directives, each a field of every line.
    std::string directives = combine;
    for (int k = 0; k < 4000; ++k) directives += " %{X-En-Tete-" + std::to_string(k) + "}i";
    cas.push_back({"chaine-4000-directives",
                   directives,
                   {},
                   [=](std::size_t k) { return debutCombine(k) + reste + repeter(" -", 4000); },
                   combineeNormale,
                   combine,
                   {}});
    // The path and its query joined into one field, thousands of times.
    const auto chemins = [=](std::size_t k) {
        return debutCombine(k) + reste + repeter(" /a?b=1", 4000);
    };
    cas.push_back({"chaine-4000-uri-requete",
                   combine + repeter(" %U%q", 4000),
                   {},
                   chemins,
                   combineeNormale,
                   combine,
                   {}});
    cas.push_back({"nginx-4000-uri-args",
                   std::string(kNginx) + repeter(" $uri$is_args$args", 4000),
                   {},
                   chemins,
                   combineeNormale,
                   combine,
                   {}});
    // Fields that end at a literal other than a blank, found far off in 64 KB lines.
    cas.push_back({"chaine-separateurs-lointains",
                   "%h|%l|%u|%t|\"%r\"|%>s|%b|%{X}i|%{Y}i",
                   {},
                   [](std::size_t k) {
                       return "10.0.0." + std::to_string(k % 250) +
                              "|-|-|[20/Dec/2023:10:00:00 +0100]|\"GET / HTTP/1.1\"|200|5|" +
                              repeter("x", 32000) + "|" + repeter("y", 32000);
                   },
                   combineeNormale,
                   combine,
                   {}});
    // A combined line followed by 20,000 other fields.
    const FormatJournal plus = FormatJournal::propose(TypeFormat::CombineSuivi);
    cas.push_back({"combine-plus-20000-champs", "", plus,
                   [=](std::size_t k) {
                       return debutCombine(k) + reste + repeter(" 7", 15000) +
                              repeter(" \"q\"", 5000);
                   },
                   [](std::size_t n, std::size_t k) { return combinee(n, k, false, " 0.123 443"); },
                   "", plus});
    const FormatJournal json = FormatJournal::propose(TypeFormat::Json);
    const auto jsonNormale = [](std::size_t n, std::size_t k) {
        return remplir(
            jsonDebut(k) + ",\"request\":\"GET /pages/", n,
            ".html HTTP/1.1\",\"http_user_agent\":\"" + agentOrdinaire(k, false) + "\"}");
    };
    // 100 KB JSON lines nested 50,000 deep under a key nobody reads, and under one read.
    cas.push_back({"json-imbrique-50000", "", json,
                   [](std::size_t k) {
                       return jsonDebut(k) +
                              ",\"request\":\"GET / HTTP/1.1\",\"x\":" + repeter("[", 50000) +
                              repeter("]", 50000) + "}";
                   },
                   jsonNormale, "", json});
    cas.push_back({"json-imbrique-cle-lue", "", json,
                   [](std::size_t k) {
                       return jsonDebut(k) +
                              ",\"request\":{\"uri\":\"/\",\"headers\":{\"User-Agent\":" +
                              repeter("[", 50000) + repeter("]", 50000) + "}}}";
                   },
                   jsonNormale, "", json});
    // 100 KB lines of 8,000 keys, each written with an escape.
    cas.push_back({"json-8000-cles-echappees", "", json,
                   [](std::size_t k) {
                       std::string l = jsonDebut(k) + ",\"request\":\"GET / HTTP/1.1\"";
                       for (int n = 0; n < 8000; ++n) {
                           l += ",\"\\u0063le" + std::to_string(n) + "\":\"v\"";
                       }
                       return l + "}";
                   },
                   jsonNormale, "", json});
    // A request of 16,000 escaped control characters, kept as written; a line that is no
    // UTF-8, read twice.
    cas.push_back({"json-echappements-controle", "", json,
                   [](std::size_t k) {
                       return jsonDebut(k) + ",\"request\":\"GET /" + repeter("\\u0007\\n", 8000) +
                              " HTTP/1.1\",\"http_user_agent\":\"curl/8.0\"}";
                   },
                   jsonNormale, "", json});
    cas.push_back({"json-latin1-100k", "", json,
                   [](std::size_t k) {
                       return jsonDebut(k) + ",\"request\":\"GET /" + repeter("a", 100000) +
                              " HTTP/1.1\",\"http_user_agent\":\"curl\xE9\"}";
                   },
                   jsonNormale, "", json});
    // Hundreds of "#Fields:" lines of 2,000 columns, each followed by one line; the normal
    // journal has its one "#Fields:" line first.
    std::string champs = "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes";
    for (int k = 0; k < 2000; ++k) champs += " cs(X-En-Tete-" + std::to_string(k) + ")";
    const FormatJournal w3c = FormatJournal::propose(TypeFormat::W3C);
    cas.push_back({"w3c-fields-repetes", "", w3c,
                   [=](std::size_t k) {
                       if (k % 2 == 0) return champs;
                       return "2023-12-20 10:00:00 10.0.0." + std::to_string(k % 250) +
                              " GET /a 200 5" + repeter(" -", 2000);
                   },
                   [](std::size_t n, std::size_t k) {
                       if (k == 0) {
                           return std::string(
                               "#Fields: date time c-ip cs-method cs-uri-stem "
                               "sc-status sc-bytes cs(User-Agent)");
                       }
                       return remplir(
                           "2023-12-20 10:00:00 10.0.0." + std::to_string(k % 250) + " GET /pages/",
                           n, ".html 200 5 Mozilla/5.0+(X11;+Linux+x86_64)");
                   },
                   "", w3c});
    // User agents of 64 KB that hold every text the catalogue's filters look for, in
    // alternating case, each one distinct; the normal agents are distinct too.
    std::string piege = agentPiege();
    while (piege.size() < 65536) piege += " " + agentPiege();
    piege.resize(65536);
    cas.push_back({"agents-piege-64k",
                   combine,
                   {},
                   [=](std::size_t k) {
                       return debutCombine(k) + "\"GET / HTTP/1.1\" 200 5120 \"-\" \"" +
                              std::to_string(k) + piege + "\"";
                   },
                   [](std::size_t n, std::size_t k) { return combinee(n, k, true, ""); },
                   combine,
                   {}});
    return cas;
}

FormatJournal formatDe(const std::string& chaine, const FormatJournal& format) {
    return chaine.empty() ? format : FormatJournal::depuisChaine(chaine);
}

volatile std::size_t puits = 0;

double tempsProcesseur() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Elapsed and processor seconds (every thread) of each run.
struct Temps {
    Mesure ecoule, processeur;
    void mesurer(const std::function<void()>& f) {
        const double p = tempsProcesseur();
        ecoule.secondes.push_back(chronometrer(f));
        processeur.secondes.push_back(tempsProcesseur() - p);
    }
};

void lire(const std::string& chaine, const FormatJournal& format, const Journal& j) {
    const FormatJournal f = formatDe(chaine, format);
    const auto directives =
        f.aDirectives()
            ? DirectivesW3C::indexer(j.nbLignes(), [&](std::size_t i) { return j.ligne(i); })
            : nullptr;
    LecteurLignes lecteur(f, directives);
    RLog r;
    std::size_t lues = 0;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) {
        lues += lecteur.lire(j.ligne(i), i, r) == Lecture::Requete;
    }
    puits = puits + lues;
}

void analyser(const std::string& chaine, const FormatJournal& format, const Journal& j,
              std::size_t& analysees) {
    OptionsAnalyse o;
    o.format = formatDe(chaine, format);
    o.ignorerNonConformes = true;
    o.complements = true;
    o.resultatsLisibles = true;
    o.uneLigneSuffit = true;
    ResultatAnalyse r;
    try {
        analyserJournal(j, o, r);
        analysees = resumer(r).lignesAnalysees;
    } catch (const ErreurKestrane&) {
        analysees = 0;  // every line skipped
    }
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 5;
    std::string seul;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        long v = 0;
        if ((a == "--runs" || a == "-r") && i + 1 < argc && lireEntier(argv[i + 1], v) && v > 0) {
            runs = v;
            ++i;
        } else if (a == "--cas" && i + 1 < argc) {
            seul = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_formats_hostiles [--runs N] [--cas NOM]\n");
            return 2;
        }
    }
    std::printf("bench_formats_hostiles: %ld runs, load %s\n", runs, chargeMachine().c_str());
    // Compiled once per process, as in the program: not part of any run.
    CatalogueAgents::partage();
    double pire = 0;
    std::string casPire;
    for (const Cas& c : preparerCas()) {
        if (!seul.empty() && seul != c.nom) continue;
        std::string texteH, texteN;
        std::size_t nbLignes = 0;
        while (texteH.size() < kOctetsParCas) {
            const std::string l = c.hostile(nbLignes);
            texteH.append(l).push_back('\n');
            texteN.append(c.normale(l.size(), nbLignes++)).push_back('\n');
        }
        const Journal hostile = Journal::depuisTexte(std::move(texteH));
        const Journal normal = Journal::depuisTexte(std::move(texteN));
        Temps lh, ln, ah, an;
        std::size_t analyseesH = 0, analyseesN = 0;
        for (long k = 0; k < runs; ++k) {
            const auto hostileD = [&] {
                lh.mesurer([&] { lire(c.chaine, c.format, hostile); });
                ah.mesurer([&] { analyser(c.chaine, c.format, hostile, analyseesH); });
            };
            const auto normalD = [&] {
                ln.mesurer([&] { lire(c.chaineNormale, c.formatNormal, normal); });
                an.mesurer([&] { analyser(c.chaineNormale, c.formatNormal, normal, analyseesN); });
            };
            // The second of a pair runs in another state of the caches and the machine.
            if (k % 2 == 0) {
                hostileD();
                normalD();
            } else {
                normalD();
                hostileD();
            }
        }
        const auto ms = [](const Mesure& m) { return m.mediane() * 1e3; };
        const double rl = lh.processeur.mediane() / ln.processeur.mediane();
        const double ra = ah.processeur.mediane() / an.processeur.mediane();
        std::printf(
            "cas=%s ratio_lecture=%.2f ratio_analyse=%.2f  (processeur: lecture %.1f / %.1f ms, "
            "analyse %.1f / %.1f ms; ecoule: lecture %.1f / %.1f ms, analyse %.1f / %.1f ms; "
            "%zu lignes, %.1f Mo, %zu et %zu analysees)\n",
            c.nom, rl, ra, ms(lh.processeur), ms(ln.processeur), ms(ah.processeur),
            ms(an.processeur), ms(lh.ecoule), ms(ln.ecoule), ms(ah.ecoule), ms(an.ecoule), nbLignes,
            static_cast<double>(hostile.octets().size()) / 1e6, analyseesH, analyseesN);
        std::fflush(stdout);
        for (const double r : {rl, ra}) {
            if (r > pire) {
                pire = r;
                casPire = c.nom;
            }
        }
    }
    std::printf("ratio_max=%.2f cas=%s crete_rss_kio=%ld\n", pire, casPire.c_str(), creteRssKio());
    return 0;
}
