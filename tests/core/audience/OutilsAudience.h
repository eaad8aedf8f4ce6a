// Helpers of the audience tests: journal lines, the counts of a journal in one or two stretches,
// and the tables as (name, count) pairs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/audience/Audience.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane::test {

inline constexpr const char* kFirefox =
    "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0";

struct Ligne {
    std::string ip = "1.2.3.4";
    std::string date = "06/Dec/2006";
    std::string heure = "10:00:00";
    std::string agent = kFirefox;
    std::string referent = "-";
    std::string requete = "GET /index.html HTTP/1.1";
    std::string octets = "100";

    std::string texte() const {
        std::string s = ip;
        s.append(" - - [").append(date).append(":").append(heure).append(" +0100] \"");
        s.append(requete).append("\" 200 ").append(octets).append(" \"").append(referent);
        s.append("\" \"").append(agent).append("\"");
        return s;
    }
};

inline Journal journalDe(const std::vector<std::string>& lignes) {
    std::string texte;
    for (const auto& l : lignes) texte.append(l).append("\n");
    return Journal::depuisTexte(std::move(texte));
}

inline Journal journalDe(const std::vector<Ligne>& lignes) {
    std::vector<std::string> t;
    for (const Ligne& l : lignes) t.push_back(l.texte());
    return journalDe(t);
}

// The counts of a journal as the first pass makes them (its lines parsed as the analysis
// that skips non-conforming lines parses them when `souple`).
inline Audience audienceDe(const Journal& journal, ReglagesAudience reglages = {},
                           bool souple = false) {
    ComptesAudience c(std::move(reglages));
    TableauLog t;
    const ExamenLigne tout = [](const RLog&, std::string*) { return true; };
    t.memoriser(journal, {}, &c, souple ? tout : nullptr);
    EXPECT_TRUE(c.complet());
    return c.resultat();
}

template <typename L>
Audience audienceDe(const std::vector<L>& lignes, ReglagesAudience reglages = {}) {
    return audienceDe(journalDe(lignes), std::move(reglages));
}

// The same lines read in two stretches, the second from line `coupure` on; in one stretch when
// `coupure` is npos.
inline Audience audienceEnDeux(const Journal& journal, std::size_t coupure,
                               ReglagesAudience reglages = {}) {
    ComptesAudience c(std::move(reglages));
    c.commencer(journal, coupure == std::string::npos ? 1 : 2, false);
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        c.lire(i < coupure ? 0 : 1, analyserLigne(journal.ligne(i)));
    }
    c.terminer();
    return c.resultat();
}

using Paires = std::vector<std::pair<std::string, int64_t>>;

inline Paires requetes(const std::vector<LigneAudience>& table) {
    Paires p;
    for (const LigneAudience& l : table) p.emplace_back(l.nom, l.requetes);
    return p;
}

// Every figure and table of the counts, one per line, for comparisons that show the difference.
inline std::string texteAudience(const Audience& a) {
    std::string s;
    const auto nombre = [&s](const char* nom, int64_t n) {
        s.append(nom).append("=").append(std::to_string(n)).append("\n");
    };
    nombre("requetes", a.requetes);
    nombre("octets", a.octets);
    nombre("requetesDatees", a.requetesDatees);
    nombre("visiteurs", a.visiteurs);
    nombre("visites", a.visites);
    nombre("dureeVisites", a.dureeVisites);
    nombre("requetesRobots", a.requetesRobots);
    nombre("octetsRobots", a.octetsRobots);
    nombre("avecPays", a.avecPays);
    for (const JourAudience& j : a.jours) {
        s.append(std::to_string(j.annee)).append("-").append(std::to_string(j.mois)).append("-");
        s.append(std::to_string(j.jour)).append(": ").append(std::to_string(j.visiteurs));
        s.append("/").append(std::to_string(j.visites)).append("\n");
    }
    const std::pair<const char*, const std::vector<LigneAudience>*> tables[] = {
        {"site", &a.sitesReferents}, {"recherche", &a.recherches}, {"robot", &a.robots},
        {"methode", &a.methodes},    {"protocole", &a.protocoles}, {"pays", &a.pays}};
    for (const auto& [nom, table] : tables) {
        for (const LigneAudience& l : *table) {
            s.append(nom).append(" ").append(l.nom).append(": ");
            s.append(std::to_string(l.requetes)).append(" ").append(std::to_string(l.octets));
            s.append(" ").append(std::to_string(l.visiteurs)).append("\n");
        }
    }
    return s;
}

// "06/12/2006=2/1" per day: visitors / visits.
inline std::string jours(const Audience& a) {
    std::string s;
    for (const JourAudience& j : a.jours) {
        char t[80];
        std::snprintf(t, sizeof t, "%02d/%02d/%04d=%lld/%lld ", j.jour, j.mois, j.annee,
                      static_cast<long long>(j.visiteurs), static_cast<long long>(j.visites));
        s += t;
    }
    return s;
}

}  // namespace kestrane::test
