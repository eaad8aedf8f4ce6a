// A journal of three days of a site, for the tests that count it in pieces and compare.
#pragma once

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kestrane::test {

// Three days of a site: a pool of clients, agents (robots among them), paths, referrers and
// statuses, a visit across each midnight, neighbouring lines out of order; with `fautives`, lines
// the lenient reading skips.
inline std::string journalDeJours(std::size_t n, bool fautives) {
    static const char* const kAgents[] = {
        "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.0.0 Safari/537.36",
        "Googlebot/2.1 (+http://www.google.com/bot.html)", "MonCrawler/1.0", "curl/7.29.0"};
    static const char* const kReferents[] = {"-", "https://www.google.fr/search?q=caf%C3%A9",
                                             "http://exemple.org/page", "https://www.bing.com/"};
    std::mt19937 alea(7);
    std::vector<std::string> lignes;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t seconde = 20 * 3600 + i * (3 * 86400 - 24 * 3600) / n;
        const std::size_t jour = 10 + seconde / 86400, s = seconde % 86400;
        char quand[64];
        std::snprintf(quand, sizeof quand, "%02zu/Oct/2005:%02zu:%02zu:%02zu", jour, s / 3600,
                      s / 60 % 60, s % 60);
        std::ostringstream o;
        o << "10.0." << alea() % 7 << '.' << alea() % 13 << " - - [" << quand << " +0200] \"GET /p"
          << alea() % 37 << (alea() % 5 ? "" : "?q=x") << " HTTP/1.1\" "
          << (alea() % 9   ? 200
              : alea() % 2 ? 404
                           : 503)
          << ' ' << (alea() % 6 ? std::to_string(alea() % 90000) : "-") << " \""
          << kReferents[alea() % 4] << "\" \"" << kAgents[alea() % 5] << '"';
        lignes.push_back(o.str());
        if (fautives && alea() % 97 == 0) {
            lignes.push_back(alea() % 2 ? "" : "10.0.0.1 - - [10/Oct/2005:25:00:00 +0200] \"GET");
        }
    }
    for (std::size_t i = 1; i + 1 < lignes.size(); i += 53) std::swap(lignes[i], lignes[i + 1]);
    std::string texte;
    for (const auto& l : lignes) texte += l + '\n';
    return texte;
}

}  // namespace kestrane::test
