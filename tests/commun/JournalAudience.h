// What the audience's tests of the service and of the window read: a journal over two days with
// referrers of every kind, robots the catalogue knows (WhatsApp's agent says nothing of a robot)
// and one only the rule knows, a request that is not "METHOD path protocol"; and a small country
// database.
#pragma once

#include <string>
#include <vector>

#include "tests/core/audience/EcrivainMmdb.h"

namespace kestrane::test {

inline constexpr const char* kFirefoxAudience =
    "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Firefox/121.0";

inline std::string ligneAudience(const std::string& ip, const std::string& quand,
                                 const std::string& referent,
                                 const std::string& agent = kFirefoxAudience,
                                 const std::string& requete = "GET /index.html HTTP/1.1") {
    return ip + " - - [" + quand + " +0100] \"" + requete + "\" 200 100 \"" + referent + "\" \"" +
           agent + "\"";
}

inline std::vector<std::string> lignesAudience() {
    const std::string google = "Googlebot/2.1 (+http://www.google.com/bot.html)";
    return {
        ligneAudience("81.2.3.1", "06/Dec/2026:23:50:00",
                      "https://www.google.fr/search?q=caf%C3%A9"),
        ligneAudience("81.2.3.1", "07/Dec/2026:00:10:00", "http://WWW.Exemple.ORG:8080/page"),
        ligneAudience("81.2.3.2", "07/Dec/2026:08:00:00", "-", google),
        ligneAudience("81.2.3.2", "07/Dec/2026:08:01:00", "-", google),
        ligneAudience("81.2.3.3", "07/Dec/2026:08:30:00", "-", "WhatsApp/2.19.81 A"),
        ligneAudience("81.2.3.4", "07/Dec/2026:09:00:00", "http://exemple.org/", "MonCrawler/1.0"),
        ligneAudience("81.2.3.1", "07/Dec/2026:09:00:00", "https://www.bing.com/search?q=Caf%E9",
                      kFirefoxAudience, "GET /"),
        ligneAudience("81.2.3.5", "07/Dec/2026:10:00:00", "http://exemple.org/b", kFirefoxAudience,
                      "POST /f HTTP/1.0"),
        ligneAudience("81.2.3.5", "07/Dec/2026:10:20:00", "http://autre.net/", kFirefoxAudience,
                      "HEAD / HTTP/2.0"),
        ligneAudience("81.2.3.6", "07/Dec/2026:11:00:00", "http://autre.net/x"),
    };
}

// The bytes of a database: 81.2.3.0/30 in France, 81.2.3.4/30 in Germany ("Allemagne").
inline std::string basePaysDeTest() {
    EcrivainMmdb e;
    e.ajouter("81.2.3.0/30", paysMmdb("FR", {{"en", "France"}, {"fr", "France"}}));
    e.ajouter("81.2.3.4/30", paysMmdb("DE", {{"en", "Germany"}, {"fr", "Allemagne"}}));
    return e.octets();
}

}  // namespace kestrane::test
