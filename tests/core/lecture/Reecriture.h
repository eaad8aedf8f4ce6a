// Combined lines written again in the other formats, as each server would write the same
// request: for the tests (the records must come out the same) and the benchmark. Cut and written
// here with plain string operations and the C library's calendar, apart from the code under test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace kestrane::test {

// One request as the server knew it: the texts of a combined line, unescaped.
struct Requete {
    std::string client, identite, utilisateur, date, heure, fuseau, requete, statut, octets,
        provenance, agent;
    // The request line's three parts, when it has exactly three.
    std::string methode, chemin, parametres, protocole;
    bool troisParties = false;
};

// A quoted field escaped as Apache writes it (\" \\ and \xhh for control bytes and bytes
// above 126) or as nginx's escape=json does (\" \\ and \u00XX for control bytes only).
inline std::string echapper(std::string_view t, bool json) {
    std::string s;
    for (const char c : t) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            s.push_back('\\');
            s.push_back(c);
        } else if (u < 0x20 || (!json && u > 0x7E)) {
            char h[8];
            std::snprintf(h, sizeof h, json ? "\\u%04x" : "\\x%02x", u);
            s.append(h);
        } else {
            s.push_back(c);
        }
    }
    return s;
}
inline std::string echapperApache(std::string_view t) {
    return echapper(t, false);
}
inline std::string echapperJson(std::string_view t) {
    return echapper(t, true);
}

// The quoted field at t[i] (its opening quote), unescaped; i moves past the closing quote.
inline std::string lireCite(std::string_view t, std::size_t& i) {
    std::string s;
    for (++i; i < t.size() && t[i] != '"'; ++i) {
        if (t[i] == '\\' && i + 1 < t.size()) {
            const char e = t[++i];
            if (e == 'x' && i + 2 < t.size()) {
                s.push_back(
                    static_cast<char>(std::stoi(std::string(t.substr(i + 1, 2)), nullptr, 16)));
                i += 2;
            } else {
                s.push_back(e);
            }
        } else {
            s.push_back(t[i]);
        }
    }
    ++i;
    return s;
}

inline std::string motSuivant(std::string_view t, std::size_t& i, char fin = ' ') {
    const std::size_t f = t.find(fin, i);
    const std::string m(t.substr(i, f == std::string_view::npos ? std::string_view::npos : f - i));
    i = f == std::string_view::npos ? t.size() : f + 1;
    return m;
}

// A combined line cut into its request; false when it is not written as Apache writes it.
inline bool couperCombinee(std::string_view t, Requete& q) {
    std::size_t i = 0;
    q.client = motSuivant(t, i);
    q.identite = motSuivant(t, i);
    q.utilisateur = motSuivant(t, i);
    if (i >= t.size() || t[i] != '[') return false;
    ++i;
    q.date = motSuivant(t, i, ':');
    q.heure = motSuivant(t, i);
    q.fuseau = motSuivant(t, i, ']');
    if (i + 1 >= t.size() || t[i + 1] != '"') return false;
    ++i;
    q.requete = lireCite(t, i);
    ++i;
    q.statut = motSuivant(t, i);
    q.octets = motSuivant(t, i);
    if (i >= t.size() || t[i] != '"') return false;
    q.provenance = lireCite(t, i);
    if (i + 1 >= t.size() || t[i + 1] != '"') return false;
    ++i;
    q.agent = lireCite(t, i);
    if (i != t.size()) return false;
    const std::size_t b1 = q.requete.find(' '), b2 = q.requete.rfind(' ');
    q.troisParties = b1 != std::string::npos && b2 != b1 && q.requete.find(' ', b1 + 1) == b2;
    if (q.troisParties) {
        q.methode = q.requete.substr(0, b1);
        const std::string uri = q.requete.substr(b1 + 1, b2 - b1 - 1);
        const std::size_t p = uri.find('?');
        q.chemin = uri.substr(0, p);
        q.parametres = p == std::string::npos ? "" : uri.substr(p + 1);
        q.protocole = q.requete.substr(b2 + 1);
    }
    return true;
}

// Seconds since 1970 of the request's local time and zone.
inline int64_t epoque(const Requete& q) {
    static constexpr const char* kMois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    tm.tm_mday = std::stoi(q.date.substr(0, 2));
    for (int m = 0; m < 12; ++m) {
        if (q.date.compare(3, 3, kMois[m]) == 0) tm.tm_mon = m;
    }
    tm.tm_year = std::stoi(q.date.substr(7, 4)) - 1900;
    tm.tm_hour = std::stoi(q.heure.substr(0, 2));
    tm.tm_min = std::stoi(q.heure.substr(3, 2));
    tm.tm_sec = std::stoi(q.heure.substr(6, 2));
    const int zone = (std::stoi(q.fuseau.substr(1, 2)) * 60 + std::stoi(q.fuseau.substr(3, 2))) *
                     (q.fuseau[0] == '-' ? -1 : 1);
    return static_cast<int64_t>(timegm(&tm)) - zone * 60;
}

// strftime of the request's time in UTC.
inline std::string utc(const Requete& q, const char* forme) {
    const std::time_t s = static_cast<std::time_t>(epoque(q));
    std::tm tm{};
    gmtime_r(&s, &tm);
    char b[64];
    std::strftime(b, sizeof b, forme, &tm);
    return b;
}

// "2023-12-20T00:17:49+01:00": the local time as ISO 8601.
inline std::string iso(const Requete& q) {
    static constexpr const char* kMois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int m = 0;
    for (int k = 0; k < 12; ++k) {
        if (q.date.compare(3, 3, kMois[k]) == 0) m = k + 1;
    }
    char b[64];
    std::snprintf(b, sizeof b, "%s-%02d-%sT%s%s:%s", q.date.substr(7, 4).c_str(), m,
                  q.date.substr(0, 2).c_str(), q.heure.c_str(), q.fuseau.substr(0, 3).c_str(),
                  q.fuseau.substr(3, 2).c_str());
    return b;
}

enum class Ecriture {
    Combine,          // as Apache writes it
    Commun,           // without referrer and agent
    HoteVirtuelPort,  // %v:%p %h ...
    HoteVirtuel,      // %v %h ...
    NginxHote,        // $host $remote_addr - $remote_user ...
    CombineSuivi,     // combined, then a response time, a port and a quoted address
    W3C,              // IIS's columns (UTC)
    JsonNginx,        // nginx escape=json with its variables' names
    JsonCaddy,        // Caddy (epoch time, UTC)
    JsonTraefik,      // Traefik (ISO 8601, local time)
    ChaineNginx,      // kChaineNginx
};

// An nginx format string that cuts the request into its parts and writes an ISO date.
inline constexpr std::string_view kChaineNginx =
    "$remote_addr - $remote_user [$time_iso8601] \"$request_method $request_uri "
    "$server_protocol\" $status $body_bytes_sent \"$http_referer\" \"$http_user_agent\" "
    "$request_time";

inline constexpr std::string_view kEnteteW3C =
    "#Software: Microsoft Internet Information Services 10.0\n#Version: 1.0\n"
    "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
    "cs-version cs(User-Agent) cs(Referer) cs-host sc-status sc-substatus sc-bytes time-taken";

inline std::string ouTiret(const std::string& t) {
    return t.empty() ? "-" : t;
}
inline std::string octetsNombre(const Requete& q) {
    return q.octets == "-" ? "0" : q.octets;
}

// The request written in `e` (one line, no break); empty when that format cannot hold it (W3C
// and the formats that cut the request need its three parts; W3C writes the agent's blanks as
// "+", so an agent holding a "+" would not come back).
inline std::string reecrire(const Requete& q, Ecriture e, std::size_t numero = 0) {
    const std::string a = echapperApache(q.requete), p = echapperApache(q.provenance),
                      ag = echapperApache(q.agent);
    const std::string temps = "[" + q.date + ":" + q.heure + " " + q.fuseau + "]";
    const std::string fin =
        "\"" + a + "\" " + q.statut + " " + q.octets + " \"" + p + "\" \"" + ag + "\"";
    const std::string milieu = q.identite + " " + q.utilisateur + " " + temps + " ";
    switch (e) {
        case Ecriture::Combine:
            return q.client + " " + milieu + fin;
        case Ecriture::Commun:
            return q.client + " " + milieu + "\"" + a + "\" " + q.statut + " " + q.octets;
        case Ecriture::HoteVirtuelPort:
            return "www.exemple.fr:443 " + q.client + " " + milieu + fin;
        case Ecriture::HoteVirtuel:
            return "www.exemple.fr " + q.client + " " + milieu + fin;
        case Ecriture::NginxHote:
            // One line in ten from a server whose variable was empty: the line starts blank.
            return (numero % 10 == 3 ? std::string() : std::string("www.exemple.fr")) + " " +
                   q.client + " - " + q.utilisateur + " " + temps + " " + fin;
        case Ecriture::CombineSuivi:
            return q.client + " " + milieu + fin + " 0.123 443 \"10.0.0." +
                   std::to_string(numero % 200) + "\"";
        case Ecriture::W3C: {
            if (!q.troisParties || q.agent.find('+') != std::string::npos) {
                return {};
            }
            std::string ua = q.agent;
            for (char& c : ua) c = c == ' ' ? '+' : c;
            return utc(q, "%Y-%m-%d %H:%M:%S") + " 10.0.0.5 " + q.methode + " " + q.chemin + " " +
                   ouTiret(q.parametres) + " 443 " + q.utilisateur + " " + q.client + " " +
                   q.protocole + " " + ua + " " + q.provenance + " www.exemple.fr " + q.statut +
                   " 0 " + octetsNombre(q) + " 15";
        }
        case Ecriture::JsonNginx:
            return "{\"time_local\":\"" + q.date + ":" + q.heure + " " + q.fuseau +
                   "\",\"remote_addr\":\"" + q.client + "\",\"remote_user\":\"" +
                   echapperJson(q.utilisateur) + "\",\"request\":\"" + echapperJson(q.requete) +
                   "\",\"status\": \"" + q.statut + "\",\"body_bytes_sent\":\"" + octetsNombre(q) +
                   "\",\"request_time\":\"0.004\",\"http_referer\":\"" +
                   echapperJson(q.provenance) + "\",\"http_user_agent\":\"" +
                   echapperJson(q.agent) + "\",\"host\":\"www.exemple.fr\"}";
        case Ecriture::JsonCaddy: {
            if (!q.troisParties) return {};
            std::string en_tetes = "{\"User-Agent\":[\"" + echapperJson(q.agent) + "\"]";
            if (q.provenance != "-")
                en_tetes += ",\"Referer\":[\"" + echapperJson(q.provenance) + "\"]";
            en_tetes += ",\"Accept\":[\"*/*\"]}";
            return "{\"level\":\"info\",\"ts\":" + std::to_string(epoque(q)) +
                   ".5241024,\"logger\":\"http.log.access\",\"msg\":\"handled request\","
                   "\"request\":{\"remote_ip\":\"" +
                   q.client + "\",\"remote_port\":\"41342\",\"proto\":\"" + q.protocole +
                   "\",\"method\":\"" + q.methode + "\",\"host\":\"www.exemple.fr\",\"uri\":\"" +
                   echapperJson(q.chemin + (q.parametres.empty() ? "" : "?" + q.parametres)) +
                   "\",\"headers\":" + en_tetes + "},\"user_id\":\"" +
                   (q.utilisateur == "-" ? "" : echapperJson(q.utilisateur)) +
                   "\",\"duration\":0.000929675,\"size\":" + octetsNombre(q) +
                   ",\"status\":" + q.statut + "}";
        }
        case Ecriture::JsonTraefik:
            if (!q.troisParties) return {};
            return "{\"ClientAddr\":\"" + q.client + ":5678\",\"ClientHost\":\"" + q.client +
                   "\",\"ClientPort\":\"5678\",\"ClientUsername\":\"" +
                   echapperJson(q.utilisateur) + "\",\"DownstreamContentSize\":" + octetsNombre(q) +
                   ",\"DownstreamStatus\":" + q.statut +
                   ",\"Duration\":1234567,\"RequestHost\":\"www.exemple.fr\",\"RequestMethod\":\"" +
                   q.methode + "\",\"RequestPath\":\"" +
                   echapperJson(q.chemin + (q.parametres.empty() ? "" : "?" + q.parametres)) +
                   "\",\"RequestPort\":\"-\",\"RequestProtocol\":\"" + q.protocole +
                   "\",\"StartLocal\":\"" + iso(q) + "\",\"StartUTC\":\"" +
                   utc(q, "%Y-%m-%dT%H:%M:%SZ") +
                   "\",\"level\":\"info\",\"request_User-Agent\":\"" + echapperJson(q.agent) +
                   "\"" +
                   (q.provenance == "-"
                        ? ""
                        : ",\"request_Referer\":\"" + echapperJson(q.provenance) + "\"") +
                   "}";
        case Ecriture::ChaineNginx:
            if (!q.troisParties) return {};
            return q.client + " - " + q.utilisateur + " [" + iso(q) + "] \"" +
                   echapperApache(q.methode) + " " +
                   echapperApache(q.chemin + (q.parametres.empty() ? "" : "?" + q.parametres)) +
                   " " + echapperApache(q.protocole) + "\" " + q.statut + " " + octetsNombre(q) +
                   " \"" + p + "\" \"" + ag + "\" 0.004";
    }
    return {};
}

}  // namespace kestrane::test
