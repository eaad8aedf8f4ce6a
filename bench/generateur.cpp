#include "bench/generateur.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/journal/LectureFlux.h"

namespace kestrane {

namespace {

__extension__ typedef unsigned __int128 U128;

// xoshiro256** seeded through splitmix64: the same stream on every platform, which the
// standard distributions do not promise (their algorithms are the library's choice).
class Alea {
  public:
    explicit Alea(uint64_t graine) {
        for (auto& e : etat_) {
            graine += 0x9E3779B97F4A7C15ull;
            uint64_t z = graine;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            e = z ^ (z >> 31);
        }
    }

    uint64_t suivant() {
        const uint64_t r = rotation(etat_[1] * 5, 7) * 9;
        const uint64_t t = etat_[1] << 17;
        etat_[2] ^= etat_[0];
        etat_[3] ^= etat_[1];
        etat_[1] ^= etat_[2];
        etat_[0] ^= etat_[3];
        etat_[2] ^= t;
        etat_[3] = rotation(etat_[3], 45);
        return r;
    }
    // Uniform in [0, n), n below 2^32.
    uint32_t sous(uint32_t n) { return static_cast<uint32_t>(((suivant() >> 32) * n) >> 32); }
    uint64_t sous64(uint64_t n) { return static_cast<uint64_t>((U128(suivant()) * n) >> 64); }
    uint32_t entre(uint32_t a, uint32_t b) { return a + sous(b - a + 1); }
    bool pourMille(uint32_t p) { return sous(1000) < p; }

  private:
    static uint64_t rotation(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t etat_[4];
};

// A discrete law over 0..n-1 given by integer weights: integers keep the tables, and so the
// bytes, identical whatever the floating-point unit does.
class Loi {
  public:
    void ajouter(uint64_t poids) {
        total_ += poids;
        cumuls_.push_back(total_);
        guide_.clear();
    }
    // Guides the draws once the weights are all given: the draw's high bits tell where its
    // answer lies among a few cumulated weights, instead of a search through all of them that
    // misses the cache at every step. The answers are those of the whole search.
    void guider() {
        const auto voulus = std::min<std::size_t>(std::bit_ceil(cumuls_.size()), 16384);
        decalage_ =
            std::max(0, static_cast<int>(std::bit_width(total_ - 1)) - std::countr_zero(voulus));
        const uint64_t seaux = ((total_ - 1) >> decalage_) + 1;
        guide_.resize(seaux + 1);
        for (uint64_t b = 0; b <= seaux; ++b) guide_[b] = premierAuDela(b << decalage_);
    }
    std::size_t tirer(Alea& a) const {
        const uint64_t r = a.sous64(total_);
        if (guide_.empty()) return premierAuDela(r);
        const uint64_t b = r >> decalage_;
        return static_cast<std::size_t>(
            std::upper_bound(cumuls_.begin() + guide_[b], cumuls_.begin() + guide_[b + 1], r) -
            cumuls_.begin());
    }

  private:
    // The first index whose cumulated weight passes r.
    uint32_t premierAuDela(uint64_t r) const {
        return static_cast<uint32_t>(std::upper_bound(cumuls_.begin(), cumuls_.end(), r) -
                                     cumuls_.begin());
    }

    std::vector<uint64_t> cumuls_;
    uint64_t total_ = 0;
    std::vector<uint32_t> guide_;
    int decalage_ = 0;
};

// Zipf-like weight of rank k (from 0): 1 / (k + 1 + decalage), scaled to integers.
uint64_t poidsZipf(std::size_t k, uint64_t decalage) {
    return (uint64_t{1} << 40) / (k + 1 + decalage);
}

std::string decimal(uint64_t v) {
    return std::to_string(v);
}

// ---------------------------------------------------------------------------------------------
// User agents

struct Agent {
    std::string texte;
    uint64_t poids;
    bool robot;  // robots and tools: no referrer, plain HTTP/1.x
};

// Adds a family of agents sharing `partPourMille` of the clients; inside the family the first
// texts (the newest versions) are the most common.
void ajouterFamille(std::vector<Agent>& agents, const std::vector<std::string>& textes,
                    uint64_t partPourMille, bool robot) {
    uint64_t somme = 0;
    for (std::size_t k = 0; k < textes.size(); ++k) somme += poidsZipf(k, 1);
    for (std::size_t k = 0; k < textes.size(); ++k) {
        const auto p =
            static_cast<uint64_t>(U128(partPourMille) * 1'000'000 * poidsZipf(k, 1) / somme);
        agents.push_back({textes[k], p > 0 ? p : 1, robot});
    }
}

std::vector<Agent> construireAgents() {
    std::vector<Agent> agents;
    std::vector<std::string> t;

    const char* const windowsModernes[] = {"Windows NT 10.0; Win64; x64", "Windows NT 10.0; WOW64",
                                           "Windows NT 6.3; Win64; x64",
                                           "Windows NT 6.1; Win64; x64", "Windows NT 6.1; WOW64"};
    // Chrome on Windows, recent releases first.
    t.clear();
    for (int v = 120; v >= 100; --v) {
        for (const char* w : windowsModernes) {
            if (v < 110 || w == windowsModernes[0]) {
                t.push_back(std::string("Mozilla/5.0 (") + w +
                            ") AppleWebKit/537.36 (KHTML, like Gecko) Chrome/" + decimal(v) +
                            ".0.0.0 Safari/537.36");
            }
        }
    }
    ajouterFamille(agents, t, 240, false);

    t.clear();
    const char* const chromeAnciens[] = {"49.0.2623.112", "58.0.3029.110", "70.0.3538.102",
                                         "79.0.3945.130", "87.0.4280.88"};
    const char* const windowsAnciens[] = {"Windows NT 5.1", "Windows NT 6.0", "Windows NT 6.1",
                                          "Windows NT 6.2"};
    for (const char* v : chromeAnciens) {
        for (const char* w : windowsAnciens) {
            t.push_back(std::string("Mozilla/5.0 (") + w +
                        ") AppleWebKit/537.36 (KHTML, like Gecko) Chrome/" + v + " Safari/537.36");
        }
    }
    ajouterFamille(agents, t, 20, false);

    t.clear();
    for (int v = 120; v >= 105; --v) {
        t.push_back(
            "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, "
            "like Gecko) Chrome/" +
            decimal(v) + ".0.0.0 Safari/537.36");
        t.push_back(
            "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
            "Chrome/" +
            decimal(v) + ".0.0.0 Safari/537.36");
    }
    ajouterFamille(agents, t, 70, false);

    // Chrome on Android phones.
    t.clear();
    const char* const telephones[] = {
        "Android 14; Pixel 7",  "Android 13; SM-G991B",     "Android 10; K",
        "Android 12; SM-A525F", "Android 11; Redmi Note 8", "Android 9; SM-J530F",
        "Android 13; M2101K6G", "Android 8.0.0; SM-G930F"};
    for (int v = 120; v >= 108; v -= 2) {
        for (const char* tel : telephones) {
            t.push_back(std::string("Mozilla/5.0 (Linux; ") + tel +
                        ") AppleWebKit/537.36 (KHTML, like Gecko) Chrome/" + decimal(v) +
                        ".0.0.0 Mobile Safari/537.36");
        }
    }
    ajouterFamille(agents, t, 150, false);

    // Edge.
    t.clear();
    for (int v = 120; v >= 108; --v) {
        t.push_back(
            "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
            "Gecko) Chrome/" +
            decimal(v) + ".0.0.0 Safari/537.36 Edg/" + decimal(v) + ".0." + decimal(2000 + 17 * v) +
            ".0");
    }
    ajouterFamille(agents, t, 50, false);

    // Firefox, recent then old.
    t.clear();
    const char* const plateformesFirefox[] = {
        "Windows NT 10.0; Win64; x64", "X11; Linux x86_64", "X11; Ubuntu; Linux x86_64",
        "Macintosh; Intel Mac OS X 10.15", "Windows NT 6.1; Win64; x64"};
    for (int v = 121; v >= 102; --v) {
        for (const char* p : plateformesFirefox) {
            t.push_back(std::string("Mozilla/5.0 (") + p + "; rv:" + decimal(v) +
                        ".0) Gecko/20100101 Firefox/" + decimal(v) + ".0");
        }
    }
    ajouterFamille(agents, t, 90, false);

    t.clear();
    const char* const firefoxAnciens[] = {
        "1.8.1.20) Gecko/20081217 Firefox/2.0.0.20", "1.9.0.19) Gecko/2010031422 Firefox/3.0.19",
        "1.9.2.28) Gecko/20120306 Firefox/3.6.28", "1.8) Gecko/20051111 Firefox/1.5"};
    for (const char* f : firefoxAnciens) {
        for (const char* w : {"Windows NT 5.1", "Windows NT 6.0", "Windows NT 5.0"}) {
            for (const char* langue : {"fr", "en-US"}) {
                t.push_back(std::string("Mozilla/5.0 (Windows; U; ") + w + "; " + langue +
                            "; rv:" + f);
            }
        }
        t.push_back(std::string("Mozilla/5.0 (X11; U; Linux i686; fr; rv:") + f);
    }
    // Written without the blanks that the system field of the line expects.
    t.push_back(
        "Mozilla/5.0 (Windows;U;Windows NT 5.1;fr;rv:1.8.1.20) Gecko/20081217 "
        "Firefox/2.0.0.20");
    ajouterFamille(agents, t, 15, false);

    // Safari on Mac, iPhone and iPad, and the early PowerPC releases.
    t.clear();
    const char* const safari[] = {"17.2", "17.1.2", "17.0", "16.6", "16.5", "15.6.1", "14.1.2"};
    for (const char* v : safari) {
        t.push_back(std::string("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) "
                                "AppleWebKit/605.1.15 (KHTML, like Gecko) Version/") +
                    v + " Safari/605.1.15");
    }
    ajouterFamille(agents, t, 40, false);

    t.clear();
    const char* const ios[] = {"17_2", "17_1_2", "17_0_3", "16_7_2", "16_6", "15_7_9", "15_8"};
    for (const char* v : ios) {
        std::string version = v;
        std::replace(version.begin(), version.end(), '_', '.');
        for (const char* appareil : {"iPhone; CPU iPhone OS", "iPad; CPU OS"}) {
            t.push_back(std::string("Mozilla/5.0 (") + appareil + " " + v +
                        " like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/" +
                        version + " Mobile/15E148 Safari/604.1");
        }
    }
    ajouterFamille(agents, t, 120, false);

    ajouterFamille(agents,
                   {"Mozilla/5.0 (Macintosh; U; PPC Mac OS X; fr-fr) AppleWebKit/418 (KHTML, like "
                    "Gecko) Safari/417.9.3",
                    "Mozilla/5.0 (Macintosh; PPC) AppleWebKit/418 (KHTML, like Gecko) Safari/417",
                    "Mozilla/5.0 (Macintosh; U; Intel Mac OS X 10_5_8; fr-fr) AppleWebKit/533.21.1 "
                    "(KHTML, like Gecko) Version/5.0.5 Safari/533.21.1"},
                   3, false);

    // Internet Explorer, from the days of Windows 2000 to Windows 10.
    t.clear();
    const char* const ieAnciens[] = {"6.0", "7.0", "8.0", "5.5", "5.01"};
    const char* const windowsIE[] = {"Windows NT 5.1", "Windows NT 5.0", "Windows NT 6.0",
                                     "Windows NT 6.1", "Windows 98"};
    const char* const jetonsIE[] = {"", "; SV1", "; .NET CLR 1.1.4322",
                                    "; SV1; .NET CLR 1.1.4322; .NET CLR 2.0.50727"};
    for (const char* v : ieAnciens) {
        for (const char* w : windowsIE) {
            for (const char* j : jetonsIE) {
                t.push_back(std::string("Mozilla/4.0 (compatible; MSIE ") + v + "; " + w + j + ")");
            }
        }
    }
    ajouterFamille(agents, t, 25, false);

    ajouterFamille(agents,
                   {"Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko",
                    "Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko",
                    "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; Trident/6.0)",
                    "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)",
                    "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.0; Trident/5.0)"},
                   15, false);

    // Opera: Presto, then the Chromium-based releases.
    t.clear();
    t.push_back("Opera/9.80 (Windows NT 6.1; U; fr) Presto/2.10.289 Version/12.02");
    t.push_back("Opera/9.80 (Windows NT 5.1; U; fr) Presto/2.9.168 Version/11.52");
    t.push_back("Opera/9.80 (X11; Linux x86_64; U; fr) Presto/2.6.30 Version/10.61");
    t.push_back("Opera/8.51 (Windows NT 5.1; U; fr)");
    t.push_back("Opera/9.02 (Windows NT 5.1; U; fr)");
    for (int v = 106; v >= 100; --v) {
        t.push_back(
            "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
            "Gecko) Chrome/" +
            decimal(v + 14) + ".0.0.0 Safari/537.36 OPR/" + decimal(v) + ".0.0.0");
    }
    ajouterFamille(agents, t, 18, false);

    // Search engines and other crawlers.
    ajouterFamille(
        agents,
        {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
         "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
         "Mozilla/5.0 (Linux; Android 6.0.1; Nexus 5X Build/MMB29P) AppleWebKit/537.36 (KHTML, "
         "like Gecko) Chrome/119.0.6045.199 Mobile Safari/537.36 (compatible; Googlebot/2.1; "
         "+http://www.google.com/bot.html)",
         "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
         "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
         "Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)",
         "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
         "Googlebot-Image/1.0",
         "Googlebot/2.1 (+http://www.google.com/bot.html)",
         "msnbot/2.0b (+http://search.msn.com/msnbot.htm)",
         "Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)",
         "DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)",
         "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, like "
         "Gecko) Version/13.1.1 Safari/605.1.15 (Applebot/0.1; +http://www.apple.com/go/applebot)",
         "facebookexternalhit/1.1 (+http://www.facebook.com/externalhit_uatext.php)",
         "Twitterbot/1.0",
         "Mozilla/5.0 (compatible; Exabot/3.0; +http://www.exabot.com/go/robot)",
         "Mozilla/5.0 (compatible; MJ12bot/v1.4.8; http://mj12bot.com/)",
         "Mozilla/5.0 (compatible; DotBot/1.2; +https://opensiteexplorer.org/dotbot)",
         "Mozilla/5.0 (compatible; PetalBot;+https://webmaster.petalsearch.com/site/petalbot)",
         "Mozilla/5.0 (compatible; Qwantify/2.4w; +https://www.qwant.com/)/2.4w",
         "Mozilla/2.0 (compatible; Ask Jeeves/Teoma; +http://about.ask.com/en/docs/about/"
         "webmasters.shtml)",
         "Mozilla/5.0 (compatible; archive.org_bot +http://www.archive.org/details/"
         "archive.org_bot)"},
        60, true);

    // Tools and libraries, mostly without a system in their text.
    ajouterFamille(agents,
                   {"curl/7.81.0",
                    "python-requests/2.31.0",
                    "Go-http-client/1.1",
                    "curl/8.4.0",
                    "Wget/1.21.3 (linux-gnu)",
                    "curl/7.68.0",
                    "python-requests/2.28.2",
                    "Wget/1.19.4 (linux-gnu)",
                    "curl/7.29.0",
                    "Java/1.8.0_151",
                    "libwww-perl/6.67",
                    "Apache-HttpClient/4.5.13 (Java/11.0.18)",
                    "Go-http-client/2.0",
                    "curl/8.5.0",
                    "python-urllib3/1.26.18",
                    "okhttp/4.9.2",
                    "Wget/1.12 (linux-gnu)",
                    "Lynx/2.8.9rel.1 libwww-FM/2.14 SSL-MM/1.4.1 GNUTLS/3.6.13",
                    "Links (2.25; Linux 6.1.0-13-amd64 x86_64; GNU C 12.2; text)",
                    "Mozilla/5.0 (compatible; Nmap Scripting Engine; https://nmap.org/book/"
                    "nse.html)",
                    "-"},
                   25, true);

    // The long tail of a real log: builds of each release, phone models, in-app browsers. Each
    // text is rare, but together they are a good part of the clients, and they make the distinct
    // agents of a journal number in the thousands, as they do on a busy site.
    t.clear();
    const char* const systemesBureau[] = {"Windows NT 10.0; Win64; x64",
                                          "Macintosh; Intel Mac OS X 10_15_7", "X11; Linux x86_64",
                                          "Windows NT 6.1; Win64; x64"};
    for (int v = 124; v >= 100; --v) {
        for (int b = 0; b < 40; ++b) {
            for (const char* w : systemesBureau) {
                t.push_back(std::string("Mozilla/5.0 (") + w +
                            ") AppleWebKit/537.36 (KHTML, like Gecko) Chrome/" + decimal(v) +
                            ".0." + decimal(4800 + 61 * (v - 100) + b) + "." +
                            decimal(b * 7 % 200) + " Safari/537.36");
            }
        }
    }
    const char* const modeles[] = {
        "SM-A536B",  "SM-G991B", "SM-A525F",      "SM-S911B", "Pixel 7",  "Pixel 6a", "M2101K6G",
        "22101316G", "CPH2343",  "moto g(60)",    "SM-A137F", "RMX3630",  "VOG-L29",  "SM-T870",
        "2201117TY", "SM-A225F", "ONEPLUS A6013", "LM-K420",  "SM-M127F", "V2109"};
    for (int android = 10; android <= 14; ++android) {
        for (const char* modele : modeles) {
            for (int v = 124; v >= 108; --v) {
                t.push_back(std::string("Mozilla/5.0 (Linux; Android ") + decimal(android) + "; " +
                            modele + ") AppleWebKit/537.36 (KHTML, like Gecko) Chrome/" +
                            decimal(v) + ".0." + decimal(5000 + 53 * (v - 100) + android) +
                            ".0 Mobile Safari/537.36");
            }
        }
    }
    for (int ios = 15; ios <= 17; ++ios) {
        for (int mineure = 0; mineure <= 6; ++mineure) {
            for (int app = 300; app < 340; ++app) {
                const std::string versionIos = decimal(ios) + "_" + decimal(mineure);
                t.push_back(
                    "Mozilla/5.0 (iPhone; CPU iPhone OS " + versionIos +
                    " like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Mobile/15E148 "
                    "[FBAN/FBIOS;FBAV/" +
                    decimal(app) + ".0.0." + decimal(app % 37) + ".112;FBBV/" +
                    decimal(app * 1733 % 99991) + ";FBDV/iPhone14," + decimal(app % 8) +
                    ";FBMD/iPhone;FBSN/iOS;FBSV/" + decimal(ios) + "." + decimal(mineure) +
                    ";FBSS/3;FBID/phone;FBLC/fr_FR;FBOP/5]");
            }
        }
    }
    for (const std::string& texte : t) {
        agents.push_back({texte, 300'000'000 / t.size(), false});
    }
    return agents;
}

// ---------------------------------------------------------------------------------------------
// Paths

const char* const kMots[] = {
    "velo",       "jardin",        "recette",      "maison",     "voyage",     "montagne",
    "plage",      "cuisine",       "tarte",        "pommes",     "chocolat",   "gateau",
    "meteo",      "paris",         "lyon",         "marseille",  "bordeaux",   "lille",
    "nantes",     "strasbourg",    "toulouse",     "nice",       "occasion",   "prix",
    "promo",      "soldes",        "horaires",     "adresse",    "livraison",  "garantie",
    "avis",       "test",          "comparatif",   "guide",      "tutoriel",   "installation",
    "reparation", "pieces",        "moteur",       "batterie",   "chargeur",   "ecran",
    "clavier",    "imprimante",    "cartouche",    "logiciel",   "gratuit",    "telecharger",
    "forum",      "aide",          "probleme",     "solution",   "photo",      "album",
    "mariage",    "vacances",      "camping",      "hotel",      "restaurant", "fromage",
    "vin",        "champagne",     "anniversaire", "cadeau",     "jouet",      "enfant",
    "ecole",      "histoire",      "randonnee",    "bretagne",   "alsace",     "normandie",
    "caf%C3%A9",  "%C3%A9t%C3%A9", "no%C3%ABl",    "cr%C3%A8me", "p%C3%A2tes", "fran%C3%A7ais"};
constexpr uint32_t kNbMots = sizeof kMots / sizeof kMots[0];

std::string slug(Alea& a, char joint) {
    std::string s = kMots[a.sous(kNbMots)];
    const uint32_t n = a.entre(1, 3);
    for (uint32_t k = 0; k < n; ++k) {
        s += joint;
        s += kMots[a.sous(kNbMots)];
    }
    return s;
}

enum class Genre : uint8_t { page, statique, dynamique, recherche, sonde };

struct Ressource {
    std::string chemin;
    uint32_t taille;  // bytes of a full answer
    Genre genre;
};

uint32_t tailleAuHasard(Alea& a, uint32_t min, uint32_t max) {
    // Roughly log-uniform, leaning to the small end, as sizes on real sites do.
    uint32_t t = min;
    const uint32_t etapes = std::min(a.sous(64), a.sous(64));
    for (uint32_t k = 0; k < etapes && t < max; ++k) t += t / 8 + 1;
    return std::min(t, max) + a.sous(min / 4 + 1);
}

struct Famille {
    std::vector<Ressource> ressources;
    uint64_t partPourMille;
    bool parOrdre = false;  // listed from the most requested down
};

std::vector<Famille> construireRessources(Alea& a) {
    std::vector<Famille> familles;

    Famille socle{{}, 330, true};
    for (const char* c : {"/",
                          "/css/style.css?v=4",
                          "/js/jquery-1.12.4.min.js",
                          "/images/logo.gif",
                          "/favicon.ico",
                          "/js/site.js?v=20231201",
                          "/index.html",
                          "/images/fond.png",
                          "/robots.txt",
                          "/images/puce.gif",
                          "/css/impression.css",
                          "/index.php",
                          "/contact.html",
                          "/sitemap.xml",
                          "/flux.rss",
                          "/plan-du-site.html",
                          "/mentions-legales.html",
                          "/apple-touch-icon.png",
                          "/fonts/opensans-regular.woff2",
                          "/qui-sommes-nous.html"}) {
        const std::string chemin = c;
        const bool page = chemin == "/" || chemin.ends_with(".html") || chemin.ends_with(".php");
        socle.ressources.push_back(
            {chemin, page ? tailleAuHasard(a, 6000, 40000) : tailleAuHasard(a, 300, 90000),
             page ? Genre::page : Genre::statique});
    }
    familles.push_back(std::move(socle));

    Famille images{{}, 150};
    for (int k = 0; k < 700; ++k) {
        const char* ext = a.pourMille(700) ? ".jpg" : (a.pourMille(500) ? ".png" : ".gif");
        images.ressources.push_back({"/images/photos/" + decimal(2015 + a.sous(9)) + "/" +
                                         slug(a, '-') + "-" + decimal(a.sous(100)) + ext,
                                     tailleAuHasard(a, 2000, 400000), Genre::statique});
    }
    familles.push_back(std::move(images));

    Famille articles{{}, 140};
    for (int k = 0; k < 900; ++k) {
        const uint32_t mois = a.entre(1, 12);
        articles.ressources.push_back({"/actualites/" + decimal(2015 + a.sous(9)) + "/" +
                                           (mois < 10 ? "0" : "") + decimal(mois) + "/" +
                                           slug(a, '-') + ".html",
                                       tailleAuHasard(a, 8000, 60000), Genre::page});
    }
    familles.push_back(std::move(articles));

    Famille produits{{}, 140};
    const char* const couleurs[] = {"rouge", "bleu", "noir", "blanc", "vert"};
    for (int k = 0; k < 1500; ++k) {
        std::string c = "/produits/fiche.php?id=" + decimal(a.entre(100, 99999));
        if (a.pourMille(400))
            c += "&ref=" + std::string(kMots[a.sous(kNbMots)]).substr(0, 3) +
                 decimal(a.entre(1000, 9999));
        if (a.pourMille(150)) c += std::string("&couleur=") + couleurs[a.sous(5)];
        produits.ressources.push_back({c, tailleAuHasard(a, 12000, 70000), Genre::dynamique});
    }
    familles.push_back(std::move(produits));

    Famille catalogue{{}, 50};
    const char* const tris[] = {"prix", "nom", "date", "popularite"};
    for (int k = 0; k < 300; ++k) {
        catalogue.ressources.push_back({"/catalogue/" + slug(a, '-') + "/?page=" +
                                            decimal(a.entre(1, 12)) + "&tri=" + tris[a.sous(4)],
                                        tailleAuHasard(a, 15000, 80000), Genre::dynamique});
    }
    familles.push_back(std::move(catalogue));

    Famille forum{{}, 80};
    for (int k = 0; k < 1000; ++k) {
        std::string c = "/forum/viewtopic.php?t=" + decimal(a.entre(10, 48000));
        if (a.pourMille(500)) c += "&start=" + decimal(15 * a.entre(1, 20));
        forum.ressources.push_back({c, tailleAuHasard(a, 9000, 50000), Genre::dynamique});
    }
    for (int k = 0; k < 40; ++k) {
        forum.ressources.push_back({"/forum/viewforum.php?f=" + decimal(a.entre(1, 60)),
                                    tailleAuHasard(a, 9000, 40000), Genre::dynamique});
    }
    familles.push_back(std::move(forum));

    Famille blog{{}, 50};
    for (int k = 0; k < 400; ++k) {
        blog.ressources.push_back(
            {"/blog/" + slug(a, '-') + "/", tailleAuHasard(a, 10000, 50000), Genre::page});
    }
    familles.push_back(std::move(blog));

    Famille telechargements{{}, 4};
    for (int k = 0; k < 120; ++k) {
        telechargements.ressources.push_back(
            {"/telechargements/" + slug(a, '_') + (a.pourMille(700) ? ".pdf" : ".zip"),
             tailleAuHasard(a, 80000, 4000000), Genre::statique});
    }
    familles.push_back(std::move(telechargements));

    Famille recherche{{{"/recherche.php", 0, Genre::recherche}}, 30};
    familles.push_back(std::move(recherche));

    // What vulnerability scanners ask for.
    Famille sondes{{}, 10};
    for (const char* c :
         {"/wp-login.php",
          "/xmlrpc.php",
          "/.env",
          "/phpmyadmin/index.php",
          "/admin/config.php",
          "/.git/config",
          "/wp-admin/setup-config.php",
          "/cgi-bin/test.cgi",
          "/boaform/admin/formLogin",
          "/vendor/phpunit/phpunit/src/Util/PHP/eval-stdin.php",
          "/owa/auth/logon.aspx",
          "/index.php?s=/Index/\\\\think\\\\app/invokefunction&function=call_user_func_array",
          "/.aws/credentials",
          "/server-status",
          "/HNAP1/",
          "/solr/admin/info/system?wt=json",
          "/_ignition/execute-solution",
          "/actuator/health",
          "/config.json",
          "/backup.zip"}) {
        sondes.ressources.push_back({c, 0, Genre::sonde});
    }
    for (int k = 0; k < 40; ++k) {
        sondes.ressources.push_back(
            {"/wp-content/plugins/" + slug(a, '-') + "/readme.txt", 0, Genre::sonde});
    }
    familles.push_back(std::move(sondes));
    return familles;
}

// ---------------------------------------------------------------------------------------------
// The model: everything that does not depend on the line count.

struct Client {
    std::string adresse;
    uint32_t agent;
};

// What a mirror serves: disc images, videos and archives of tens of MB to several GB.
struct GrosFichier {
    std::string chemin;
    uint64_t taille;
};

struct Modele {
    std::vector<Agent> agents;
    std::vector<Client> clients;
    Loi loiClients;
    // The few clients that take most of the bytes (mirrors, download managers, robots that
    // fetch archives) and what they fetch.
    std::vector<Client> clientsLourds;
    Loi loiClientsLourds;
    std::vector<GrosFichier> grosFichiers;
    Loi loiGrosFichiers;
    std::vector<Ressource> ressources;
    Loi loiRessources;
    std::vector<std::string> pagesInternes;  // referrer form of the pages
    Loi loiPagesInternes;
    std::vector<std::string> sitesExternes;
    Loi loiSitesExternes;
    std::vector<std::string> postes;  // targets of POST requests
};

constexpr uint32_t kNbClients = 40000;
// Lines per 10,000 that download a big file.
constexpr uint32_t kGrosTelechargementsPour10000 = 6;
constexpr std::string_view kSite = "https://www.exemple.fr";

std::string adresseAuHasard(Alea& a, std::string_view agent) {
    uint32_t o[4];
    if (agent.find("Googlebot") != std::string_view::npos) {
        o[0] = 66, o[1] = 249, o[2] = a.entre(64, 79), o[3] = a.sous(256);
    } else if (agent.find("bingbot") != std::string_view::npos) {
        o[0] = 157, o[1] = 55, o[2] = 39, o[3] = a.sous(256);
    } else if (a.pourMille(15)) {
        o[0] = 192, o[1] = 168, o[2] = a.sous(4), o[3] = a.entre(2, 254);
    } else {
        do {
            o[0] = a.entre(1, 223);
        } while (o[0] == 10 || o[0] == 127 || o[0] == 169 || o[0] == 172);
        o[1] = a.sous(256), o[2] = a.sous(256), o[3] = a.entre(1, 254);
    }
    return decimal(o[0]) + "." + decimal(o[1]) + "." + decimal(o[2]) + "." + decimal(o[3]);
}

// Sizes of big files: from 5 MB to a 4.7 GB disc image, most of them small, so that single
// responses of hundreds of MB are common and a few pass 2 and 4 GiB.
uint64_t grosseTaille(Alea& a) {
    uint64_t t = 5'000'000 + a.sous(1'000'000);
    const uint32_t etapes = std::min(a.sous(72), a.sous(72));
    for (uint32_t k = 0; k < etapes; ++k) t += t / 10;
    return std::min<uint64_t>(t, 4'700'000'000) + a.sous(4096);
}

void construireTelechargementsLourds(Alea& a, Modele& m) {
    static const char* const agents[] = {
        "Wget/1.21.3",
        "aria2/1.36.0",
        "Debian APT-HTTP/1.3 (2.6.1)",
        "rsync-http/3.2.7",
        "curl/8.5.0",
        "Mozilla/5.0 (compatible; MirrorCheck/2.4; +https://mirrors.exemple.org/)",
        "Go-http-client/1.1",
        "Transmission/4.0.5",
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.0.0 Safari/537.36",
        "Microsoft BITS/7.8",
        "NSPlayer/12.00.19041.3636 WMFSDK/12.00.19041.3636",
        "Mozilla/5.0 (compatible; archive.org_bot +http://archive.org/details/archive.org_bot)",
    };
    for (std::size_t k = 0; k < std::size(agents); ++k) {
        const auto agent = static_cast<uint32_t>(m.agents.size());
        m.agents.push_back({agents[k], 0, true});
        m.clientsLourds.push_back({adresseAuHasard(a, agents[k]), agent});
        m.loiClientsLourds.ajouter(poidsZipf(k, 0));
    }
    const char* const genres[][2] = {
        {"/miroir/debian-cd/12.4.0/amd64/iso-dvd/debian-12.4.0-amd64-DVD-", ".iso"},
        {"/miroir/videos/conference-", ".mp4"},
        {"/miroir/archives/sauvegarde-site-", ".tar.gz"},
        {"/miroir/donnees/recensement-", ".csv.zip"}};
    for (uint32_t k = 0; k < 80; ++k) {
        // One file in ten a disc image: a CD (650-700 MB) or a DVD (3.9-4.7 GB, past 4 GiB for
        // most).
        const uint32_t tirage = a.sous(10);
        const bool image = tirage == 0;
        const auto& g = genres[image ? 0 : 1 + tirage % 3];
        const uint64_t taille = !image             ? grosseTaille(a)
                                : a.pourMille(600) ? 3'900'000'000 + a.sous(800'000'000)
                                                   : 650'000'000 + a.sous(50'000'000);
        m.grosFichiers.push_back({std::string(g[0]) + decimal(a.entre(1, 40)) + g[1], taille});
        m.loiGrosFichiers.ajouter(poidsZipf(k, 2));
    }
}

std::unique_ptr<Modele> construireModele(uint64_t graine) {
    auto m = std::make_unique<Modele>();
    Alea a(graine);

    m->agents = construireAgents();
    Loi loiAgents;
    for (const Agent& ag : m->agents) loiAgents.ajouter(ag.poids);

    // Each client keeps one user agent; popularity follows the client's rank.
    m->clients.reserve(kNbClients);
    for (uint32_t k = 0; k < kNbClients; ++k) {
        const auto agent = static_cast<uint32_t>(loiAgents.tirer(a));
        m->clients.push_back({adresseAuHasard(a, m->agents[agent].texte), agent});
        m->loiClients.ajouter(poidsZipf(k, 2));
    }

    for (Famille& f : construireRessources(a)) {
        // Shuffled so that popularity does not follow the order of construction.
        for (std::size_t k = f.ressources.size(); k > 1 && !f.parOrdre; --k) {
            std::swap(f.ressources[k - 1], f.ressources[a.sous(static_cast<uint32_t>(k))]);
        }
        uint64_t somme = 0;
        for (std::size_t k = 0; k < f.ressources.size(); ++k) somme += poidsZipf(k, 1);
        for (std::size_t k = 0; k < f.ressources.size(); ++k) {
            const auto p =
                static_cast<uint64_t>(U128(f.partPourMille) * 1'000'000 * poidsZipf(k, 1) / somme);
            Ressource& r = f.ressources[k];
            if (r.genre == Genre::page || r.genre == Genre::dynamique) {
                m->pagesInternes.push_back(std::string(kSite) + r.chemin);
                m->loiPagesInternes.ajouter(p);
            }
            m->ressources.push_back(std::move(r));
            m->loiRessources.ajouter(p > 0 ? p : 1);
        }
    }
    m->pagesInternes.push_back(std::string(kSite) + "/");
    m->loiPagesInternes.ajouter(50'000);

    construireTelechargementsLourds(a, *m);

    const char* const domaines[] = {".fr", ".com", ".org", ".net", ".be", ".ch"};
    for (uint32_t k = 0; k < 300; ++k) {
        std::string s = "https://www." + slug(a, '-') + domaines[a.sous(6)] + "/";
        switch (a.sous(4)) {
            case 0:
                s += "forum/topic-" + decimal(a.entre(100, 99999)) + ".html";
                break;
            case 1:
                s += decimal(2016 + a.sous(8)) + "/" + decimal(a.entre(10, 12)) + "/" +
                     slug(a, '-') + "/";
                break;
            case 2:
                s += "index.php?option=com_content&view=article&id=" + decimal(a.entre(1, 999));
                break;
            default:
                break;
        }
        m->sitesExternes.push_back(std::move(s));
        m->loiSitesExternes.ajouter(poidsZipf(k, 3));
    }
    for (const char* s :
         {"https://www.facebook.com/", "https://l.facebook.com/", "https://t.co/",
          "android-app://com.google.android.gm/", "https://fr.wikipedia.org/wiki/Bretagne",
          "https://www.leboncoin.fr/", "http://www.pagesjaunes.fr/annuaire/chercherlespros"}) {
        m->sitesExternes.push_back(s);
        m->loiSitesExternes.ajouter(poidsZipf(8, 0));
    }

    m->postes = {"/contact.html",
                 "/wp-login.php",
                 "/panier/ajouter.php",
                 "/recherche.php",
                 "/forum/posting.php?mode=reply&t=",
                 "/forum/ucp.php?mode=login",
                 "/commentaires/ajouter.php",
                 "/xmlrpc.php"};
    for (Loi* l : {&m->loiClients, &m->loiClientsLourds, &m->loiGrosFichiers, &m->loiRessources,
                   &m->loiPagesInternes, &m->loiSitesExternes}) {
        l->guider();
    }
    return m;
}

// ---------------------------------------------------------------------------------------------
// Time: 30 days (or as many as asked) from 20 Dec 2023, more traffic by day and on work days.

struct Jour {
    std::string date;  // dd/Mon/yyyy
    bool finDeSemaine;
};

std::vector<Jour> construireJours(int nbJours) {
    static const char* const mois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int j = 20, m = 12, an = 2023;
    int jourSemaine = 2;  // Monday is 0: 20 Dec 2023 was a Wednesday
    std::vector<Jour> jours;
    for (int k = 0; k < nbJours; ++k) {
        std::string date;
        if (j < 10) date += '0';
        date += decimal(static_cast<uint64_t>(j));
        date += '/';
        date += mois[m - 1];
        date += '/';
        date += decimal(static_cast<uint64_t>(an));
        jours.push_back({std::move(date), jourSemaine >= 5});
        const bool bissextile = (an % 4 == 0 && an % 100 != 0) || an % 400 == 0;
        const int longueurs[] = {31, bissextile ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (++j > longueurs[m - 1]) {
            j = 1;
            if (++m > 12) m = 1, ++an;
        }
        jourSemaine = (jourSemaine + 1) % 7;
    }
    return jours;
}

// Lines per hour of the 30 days: exact shares of `lignes` in proportion to the hour weights.
std::vector<uint64_t> repartirParHeure(std::size_t lignes, const std::vector<Jour>& jours,
                                       Alea& a) {
    static const uint64_t rythme[24] = {30, 18,  11,  8,   7,   9,  18, 40,  70,  90, 100, 104,
                                        95, 100, 108, 104, 100, 96, 92, 100, 104, 90, 70,  48};
    std::vector<uint64_t> cumuls;
    uint64_t total = 0;
    for (const Jour& j : jours) {
        const uint64_t facteur = (j.finDeSemaine ? 700 : 1000) + a.sous(300);
        for (uint64_t r : rythme) {
            total += facteur * r;
            cumuls.push_back(total);
        }
    }
    std::vector<uint64_t> parHeure(cumuls.size());
    uint64_t avant = 0;
    for (std::size_t h = 0; h < cumuls.size(); ++h) {
        const auto jusque = static_cast<uint64_t>(U128(lignes) * cumuls[h] / total);
        parHeure[h] = jusque - avant;
        avant = jusque;
    }
    return parHeure;
}

// ---------------------------------------------------------------------------------------------
// Writing

// Lines are assembled with memcpy in a buffer handed over about every MiB: formatting
// through streams would dominate the time.
class Tampon {
  public:
    static constexpr std::size_t kPaquet = 1 << 20;
    static constexpr std::size_t kMarge = 1 << 13;  // more than the longest line

    explicit Tampon(const std::function<void(std::string_view)>& ecrire)
        : ecrire_(ecrire), octets_(new char[kPaquet + kMarge]), p_(octets_.get()) {}

    void texte(std::string_view s) {
        std::memcpy(p_, s.data(), s.size());
        p_ += s.size();
    }
    void caractere(char c) { *p_++ = c; }
    void deuxChiffres(uint32_t v) {
        *p_++ = static_cast<char>('0' + v / 10);
        *p_++ = static_cast<char>('0' + v % 10);
    }
    void entier(uint64_t v) {
        char t[20];
        int n = 0;
        do {
            t[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        while (n) *p_++ = t[--n];
    }
    void finLigne() {
        *p_++ = '\n';
        if (static_cast<std::size_t>(p_ - octets_.get()) >= kPaquet) vider();
    }
    void vider() {
        const auto n = static_cast<std::size_t>(p_ - octets_.get());
        if (n) ecrire_(std::string_view(octets_.get(), n));
        p_ = octets_.get();
    }

  private:
    const std::function<void(std::string_view)>& ecrire_;
    std::unique_ptr<char[]> octets_;
    char* p_;
};

void ecrireRecherche(Tampon& t, Alea& a) {
    const uint32_t n = a.entre(1, 3);
    for (uint32_t k = 0; k < n; ++k) {
        if (k) t.caractere('+');
        t.texte(kMots[a.sous(kNbMots)]);
    }
}

class Generateur {
  public:
    Generateur(const Modele& m, uint64_t graine, Tampon& t)
        : m_(m), a_(graine ^ 0x6C6F67ull), t_(t), client_(m.loiClients.tirer(a_)) {}

    void ligne(const Jour& jour, uint32_t heure, uint32_t seconde) {
        if (a_.sous(10000) < kGrosTelechargementsPour10000) {
            telechargementLourd(jour, heure, seconde);
            return;
        }
        // Visitors come in bursts: a page and what it pulls in.
        if (!a_.pourMille(550)) client_ = m_.loiClients.tirer(a_);
        const Client& c = m_.clients[client_];
        const Agent& agent = m_.agents[c.agent];

        t_.texte(c.adresse);
        if (!agent.robot && a_.pourMille(3)) {
            static const char* const noms[] = {"marie", "jdupont", "admin", "webmestre"};
            t_.texte(" - ");
            t_.texte(noms[a_.sous(4)]);
            t_.texte(" [");
        } else {
            t_.texte(" - - [");
        }
        ecrireHorodatage(jour, heure, seconde);
        t_.caractere('"');

        const uint32_t tirage = a_.sous(1000);
        const bool head = tirage < 15;
        const bool post = !head && tirage < 55;
        const Ressource* r = nullptr;
        std::size_t longueurChemin;
        if (post) {
            t_.texte("POST ");
            const std::string& cible = m_.postes[a_.sous(static_cast<uint32_t>(m_.postes.size()))];
            t_.texte(cible);
            longueurChemin = cible.size();
            if (cible.back() == '=') t_.entier(a_.entre(10, 48000));
        } else {
            t_.texte(head ? "HEAD " : "GET ");
            r = &m_.ressources[m_.loiRessources.tirer(a_)];
            t_.texte(r->chemin);
            longueurChemin = r->chemin.size();
            if (r->genre == Genre::recherche) {
                t_.texte("?q=");
                ecrireRecherche(t_, a_);
                if (a_.pourMille(200)) {
                    t_.texte("&page=");
                    t_.entier(a_.entre(2, 9));
                }
            }
        }
        const uint32_t protocole = a_.sous(1000);
        if (agent.robot) {
            t_.texte(protocole < 150 ? " HTTP/1.0\" " : " HTTP/1.1\" ");
        } else {
            t_.texte(protocole < 20    ? " HTTP/1.0\" "
                     : protocole < 250 ? " HTTP/2.0\" "
                                       : " HTTP/1.1\" ");
        }

        // Status and bytes: "-" when nothing was sent.
        uint32_t statut;
        const uint32_t s = a_.sous(1000);
        if (r && r->genre == Genre::sonde) {
            statut = s < 900 ? 404 : 301;
        } else if (s < 800) {
            statut = 200;
        } else if (s < 910) {
            statut =
                (r && r->genre != Genre::dynamique && r->genre != Genre::recherche) ? 304 : 200;
        } else if (s < 960) {
            statut = 404;
        } else if (s < 992) {
            statut = 301;
        } else {
            statut = 500;
        }
        uint64_t envoye = 0;
        if (head || statut == 304) {
            envoye = 0;
        } else if (statut == 404) {
            envoye = 196 + longueurChemin;
        } else if (statut == 301) {
            envoye = 230 + 2 * longueurChemin;
        } else if (statut == 500) {
            envoye = 531;
        } else if (!r) {
            envoye = a_.entre(20, 4000);
        } else if (r->genre == Genre::dynamique || r->genre == Genre::recherche) {
            const uint32_t base = r->taille ? r->taille : 14000;
            envoye = base - base / 20 + a_.sous(base / 10);
        } else {
            envoye = r->taille;
        }
        t_.entier(statut);
        t_.caractere(' ');
        if (envoye) {
            t_.entier(envoye);
        } else {
            t_.caractere('-');
        }

        t_.texte(" \"");
        ecrireProvenance(agent.robot);
        t_.texte("\" \"");
        t_.texte(agent.texte);
        t_.caractere('"');
        t_.finLigne();
    }

  private:
    // dd/Mon/yyyy:hh:mm:ss +0100] and the blank after it.
    void ecrireHorodatage(const Jour& jour, uint32_t heure, uint32_t seconde) {
        t_.texte(jour.date);
        t_.caractere(':');
        t_.deuxChiffres(heure);
        t_.caractere(':');
        t_.deuxChiffres(seconde / 60);
        t_.caractere(':');
        t_.deuxChiffres(seconde % 60);
        t_.texte(" +0100] ");
    }

    // A big file, mostly for one of the heavy clients: whole (200) or a range of it (206), as
    // download managers ask.
    void telechargementLourd(const Jour& jour, uint32_t heure, uint32_t seconde) {
        const Client& c = a_.pourMille(900) ? m_.clientsLourds[m_.loiClientsLourds.tirer(a_)]
                                            : m_.clients[m_.loiClients.tirer(a_)];
        const GrosFichier& f = m_.grosFichiers[m_.loiGrosFichiers.tirer(a_)];
        t_.texte(c.adresse);
        t_.texte(" - - [");
        ecrireHorodatage(jour, heure, seconde);
        t_.texte("\"GET ");
        t_.texte(f.chemin);
        t_.texte(" HTTP/1.1\" ");
        if (a_.pourMille(300)) {
            t_.texte("206 ");
            t_.entier(f.taille / (1 + a_.sous(16)));
        } else {
            t_.texte("200 ");
            t_.entier(f.taille);
        }
        t_.texte(" \"-\" \"");
        t_.texte(m_.agents[c.agent].texte);
        t_.caractere('"');
        t_.finLigne();
    }

    void ecrireProvenance(bool robot) {
        if (robot || a_.pourMille(460)) {
            t_.caractere('-');
            return;
        }
        const uint32_t genre = a_.sous(100);
        if (genre < 66) {
            t_.texte(m_.pagesInternes[m_.loiPagesInternes.tirer(a_)]);
        } else if (genre < 90) {
            static const char* const moteurs[][2] = {
                {"https://www.google.fr/search?q=", "&hl=fr&source=hp"},
                {"https://www.google.com/search?q=", "&ie=UTF-8&oe=UTF-8"},
                {"http://www.google.fr/search?hl=fr&q=", "&btnG=Recherche+Google&meta="},
                {"https://www.bing.com/search?q=", "&form=QBLH"},
                {"https://duckduckgo.com/?q=", "&t=h_"},
                {"https://search.yahoo.com/search?p=", "&fr=yfp-t"},
                {"https://www.qwant.com/?q=", "&t=web"},
                {"https://www.ecosia.org/search?method=index&q=", ""}};
            static const char* const accueils[] = {
                "https://www.google.fr/", "https://www.google.com/", "https://www.bing.com/",
                "https://duckduckgo.com/"};
            if (a_.pourMille(550)) {
                t_.texte(accueils[a_.sous(4)]);
            } else {
                const auto& moteur = moteurs[a_.sous(8)];
                t_.texte(moteur[0]);
                ecrireRecherche(t_, a_);
                t_.texte(moteur[1]);
            }
        } else {
            t_.texte(m_.sitesExternes[m_.loiSitesExternes.tirer(a_)]);
        }
    }

    const Modele& m_;
    Alea a_;
    Tampon& t_;
    std::size_t client_;
};

}  // namespace

void genererJournal(std::size_t lignes, uint64_t graine,
                    const std::function<void(std::string_view)>& ecrire, int nbJours) {
    const std::unique_ptr<Modele> modele = construireModele(graine);
    const std::vector<Jour> jours = construireJours(nbJours);
    Alea aleaHeures(graine ^ 0x68657572ull);
    const std::vector<uint64_t> parHeure = repartirParHeure(lignes, jours, aleaHeures);

    Tampon tampon(ecrire);
    Generateur generateur(*modele, graine, tampon);
    std::array<uint32_t, 3600> parSeconde{};
    for (std::size_t h = 0; h < parHeure.size(); ++h) {
        // Seconds drawn at random, written in increasing order.
        parSeconde.fill(0);
        for (uint64_t k = 0; k < parHeure[h]; ++k) ++parSeconde[aleaHeures.sous(3600)];
        const Jour& jour = jours[h / 24];
        const auto heure = static_cast<uint32_t>(h % 24);
        for (uint32_t s = 0; s < 3600; ++s) {
            for (uint32_t k = 0; k < parSeconde[s]; ++k) generateur.ligne(jour, heure, s);
        }
    }
    tampon.vider();
}

std::string texteJournal(std::size_t lignes, uint64_t graine) {
    std::string texte;
    texte.reserve(lignes * 240);
    genererJournal(lignes, graine, [&](std::string_view piece) { texte.append(piece); });
    return texte;
}

uint64_t ecrireJournal(const std::string& chemin, std::size_t lignes, uint64_t graine,
                       int nbJours) {
    auto echec = [&](int err) {
        return std::runtime_error("cannot write \"" + chemin + "\": " + std::strerror(err));
    };
    std::FILE* f = std::fopen(chemin.c_str(), "wb");
    if (!f) throw echec(errno);
    // The pieces are large already: each one written at once, into a grown pipe when it is one.
    std::setvbuf(f, nullptr, _IONBF, 0);
    agrandirTube(fileno(f));
    uint64_t taille = 0;
    int erreur = 0;
    genererJournal(
        lignes, graine,
        [&](std::string_view piece) {
            if (!erreur && std::fwrite(piece.data(), 1, piece.size(), f) != piece.size()) {
                erreur = errno ? errno : EIO;
            }
            taille += piece.size();
        },
        nbJours);
    if (std::fclose(f) != 0 && !erreur) erreur = errno ? errno : EIO;
    if (erreur) throw echec(erreur);
    return taille;
}

uint64_t tailleJournal(std::size_t lignes, uint64_t graine) {
    uint64_t taille = 0;
    genererJournal(lignes, graine, [&](std::string_view piece) { taille += piece.size(); });
    return taille;
}

}  // namespace kestrane
