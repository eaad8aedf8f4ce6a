// bench_agents_longs [lines] [--runs N] [--sans-complements] [--resultats-bruts]: what hostile
// user agents cost (AgentPiege.h: every text the catalogue's entries need, in alternating case,
// about 52 KB). First the whole command line, `kestrane-rapport --csv DIR --complements` (or
// without --complements, or with --resultats-bruts), on the generator's journal of `lines` lines
// and on the same journal with each agent replaced by a distinct trap: elapsed seconds and peak
// RSS of each process. Then the catalogue alone: classifying `lines` distinct traps through a cache
// (a number in front keeps them distinct) against as many distinct ordinary agents (the
// generator's, a number after each), per line.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/Mesures.h"
#include "bench/generateur.h"
#include "core/catalogue/CatalogueAgents.h"
#include "tests/core/catalogue/AgentPiege.h"

extern char** environ;

using namespace kestrane;

namespace {

// The user agent of a combined line: its last quoted field.
std::string_view agentDe(std::string_view ligne) {
    const std::size_t fin = ligne.rfind('"');
    const std::size_t debut = fin == 0 || fin == std::string_view::npos ? std::string_view::npos
                                                                        : ligne.rfind('"', fin - 1);
    return debut == std::string_view::npos ? std::string_view()
                                           : ligne.substr(debut + 1, fin - debut - 1);
}

std::vector<std::string_view> lignesDe(std::string_view texte) {
    std::vector<std::string_view> lignes;
    for (std::size_t debut = 0; debut < texte.size();) {
        const std::size_t fin = texte.find('\n', debut);
        lignes.push_back(texte.substr(debut, fin - debut));
        debut = fin == std::string_view::npos ? texte.size() : fin + 1;
    }
    return lignes;
}

double classerTous(const std::vector<std::string>& agents) {
    std::size_t robots = 0;
    const double s = chronometrer([&] {
        CacheAgents cache(CatalogueAgents::partage());
        for (const std::string& a : agents) robots += cache.classer(a).robot;
    });
    // Keeps the classifications from being left out.
    if (robots > agents.size()) std::printf("?\n");
    return s;
}

// One run of the command line: elapsed seconds, processor seconds (user and system, all its
// threads: what the load of a shared machine disturbs less), and the peak RSS of that process in
// MiB.
bool lancerRapport(const std::string& journal, const std::string& dossier,
                   const std::vector<std::string>& options, double& secondes, double& processeur,
                   double& rssMio) {
    std::filesystem::remove_all(dossier);
    std::vector<std::string> args = {KESTRANE_RAPPORT, "--csv", dossier};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(journal);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int statut = 0;
    rusage usage{};
    // Its summary line would interleave with the table.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    secondes = chronometrer([&] {
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        if (pid > 0) wait4(pid, &statut, 0, &usage);
    });
    posix_spawn_file_actions_destroy(&actions);
    const auto enSecondes = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    processeur = enSecondes(usage.ru_utime) + enSecondes(usage.ru_stime);
    rssMio = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return pid > 0 && WIFEXITED(statut) && WEXITSTATUS(statut) == 0;
}

// The command line on the generator's journal and on the same with a distinct trap for each
// agent, in turns. Run before the benchmark holds much memory: a process started by this one
// reports this one's peak so far as its own when it is higher (the kernel keeps it through exec).
bool mesurerRapport(std::size_t n, long runs, const std::string& piege,
                    const std::vector<std::string>& options) {
    const std::string texte = texteJournal(n);
    const std::vector<std::string_view> journal = lignesDe(texte);
    const std::filesystem::path dossier = std::filesystem::path(KESTRANE_RACINE) / "bench/data";
    std::filesystem::create_directories(dossier);
    const std::string normal =
        (dossier / ("agents-ordinaires-" + std::to_string(n) + ".log")).string();
    const std::string hostile =
        (dossier / ("agents-pieges-" + std::to_string(n) + ".log")).string();
    std::ofstream(normal, std::ios::binary) << texte;
    {
        std::ofstream f(hostile, std::ios::binary);
        for (std::size_t k = 0; k < n; ++k) {
            const std::string_view agent = agentDe(journal[k]);
            const auto debut = static_cast<std::size_t>(agent.data() - journal[k].data());
            f << journal[k].substr(0, debut) << k << ' ' << piege
              << journal[k].substr(debut + agent.size()) << '\n';
        }
    }
    std::printf("benchmark's own peak RSS before the command line: %.0f MiB\n",
                static_cast<double>(creteRssKio()) / 1024.0);
    Mesure tNormal, tHostile, cpuNormal, cpuHostile, rssNormal, rssHostile;
    for (long r = 0; r < runs; ++r) {
        // Each order half of the time.
        for (int i = 0; i < 2; ++i) {
            const bool estPiege = (r + i) % 2 == 1;
            const std::string& chemin = estPiege ? hostile : normal;
            double s = 0, cpu = 0, rss = 0;
            if (!lancerRapport(chemin, (dossier / "agents-csv").string(), options, s, cpu, rss)) {
                std::fprintf(stderr, "kestrane-rapport failed on %s\n", chemin.c_str());
                return false;
            }
            (estPiege ? tHostile : tNormal).secondes.push_back(s);
            (estPiege ? cpuHostile : cpuNormal).secondes.push_back(cpu);
            (estPiege ? rssHostile : rssNormal).secondes.push_back(rss);
        }
    }
    std::filesystem::remove_all(dossier / "agents-csv");
    std::string commande = "kestrane-rapport --csv";
    for (const std::string& o : options) commande += " " + o;
    std::printf("%-42s %10s %10s %10s %10s\n", (commande + ", s").c_str(), "first", "median", "min",
                "max");
    afficher("ordinary journal", tNormal);
    afficher("trap journal", tHostile);
    afficher("ordinary journal, processor s", cpuNormal);
    afficher("trap journal, processor s", cpuHostile);
    std::printf(
        "rapport: ordinaire_s=%.3f piege_s=%.3f ratio=%.1f rss_ordinaire_mib=%.0f "
        "rss_piege_mib=%.0f cpu_ordinaire_s=%.3f cpu_piege_s=%.3f ratio_cpu=%.1f\n\n",
        tNormal.mediane(), tHostile.mediane(), tHostile.mediane() / tNormal.mediane(),
        rssNormal.mediane(), rssHostile.mediane(), cpuNormal.mediane(), cpuHostile.mediane(),
        cpuHostile.mediane() / cpuNormal.mediane());
    return true;
}

// The catalogue alone, through a cache as an analysis uses it.
void mesurerCatalogue(std::size_t n, long runs, const std::string& piege) {
    const std::string texte = texteJournal(n);
    const std::vector<std::string_view> journal = lignesDe(texte);
    std::vector<std::string> pieges, ordinaires;
    for (std::size_t k = 0; k < n; ++k) {
        pieges.push_back(std::to_string(k) + ' ' + piege);
        ordinaires.push_back(std::string(agentDe(journal[k])) + ' ' + std::to_string(k));
    }
    CatalogueAgents::partage();
    Mesure parPiege, parOrdinaire;
    for (long r = 0; r < runs; ++r) {
        parOrdinaire.secondes.push_back(classerTous(ordinaires) * 1e6 / static_cast<double>(n));
        parPiege.secondes.push_back(classerTous(pieges) * 1e6 / static_cast<double>(n));
    }
    std::printf("%-42s %10s %10s %10s %10s\n", "classifying, microseconds per line", "first",
                "median", "min", "max");
    afficher("ordinary distinct agents", parOrdinaire);
    afficher("trap agents", parPiege);
    std::printf("classer: ordinaire_us=%.2f piege_us=%.2f ratio=%.1f\n", parOrdinaire.mediane(),
                parPiege.mediane(), parPiege.mediane() / parOrdinaire.mediane());
}

}  // namespace

int main(int argc, char** argv) {
    long lignes = 10'000, runs = 3;
    // The command line's options: the Compléments unless left out, readable results unless raw.
    std::vector<std::string> options = {"--complements"};
    std::vector<char*> autres = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--sans-complements") {
            options.erase(std::find(options.begin(), options.end(), "--complements"));
        } else if (a == "--resultats-bruts") {
            options.push_back(argv[i]);
        } else {
            autres.push_back(argv[i]);
        }
    }
    if (!lireArguments(static_cast<int>(autres.size()), autres.data(), lignes, runs)) {
        std::fprintf(stderr,
                     "usage: %s [lines] [--runs N] [--sans-complements] [--resultats-bruts]   "
                     "(10000 lines, 3 runs)\n",
                     argv[0]);
        return 2;
    }
    const auto n = static_cast<std::size_t>(lignes);
    const std::string piege = agentPiege();
    std::printf("Hostile user agents: %zu lines, %ld runs of each, trap of %zu bytes\n", n, runs,
                piege.size());
    std::printf("load average: %s\n\n", chargeMachine().c_str());
    if (!mesurerRapport(n, runs, piege, options)) return 1;
    mesurerCatalogue(n, runs, piege);
    std::printf("load average: %s\n", chargeMachine().c_str());
    return 0;
}
