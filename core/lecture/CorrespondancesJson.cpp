// The JSON key sets: those of the servers that write JSON lines, and a user's mapping.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "core/journal/Messages.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

using C = ChampJournal;

struct Cle {
    std::string_view nom;
    ChampJournal champ;
};

// nginx with escape=json: users name the keys after the variables.
constexpr Cle kNginx[] = {
    {"time_local", C::Temps},
    {"time_iso8601", C::Temps},
    {"msec", C::Temps},
    {"remote_addr", C::Client},
    {"realip_remote_addr", C::Client},
    {"remote_user", C::Utilisateur},
    {"request", C::Requete},
    {"request_method", C::Methode},
    {"request_uri", C::CheminComplet},
    {"uri", C::Chemin},
    {"args", C::Parametres},
    {"query_string", C::Parametres},
    {"server_protocol", C::Protocole},
    {"status", C::Statut},
    {"body_bytes_sent", C::Octets},
    {"bytes_sent", C::Octets},
    {"http_referer", C::Provenance},
    {"http_referrer", C::Provenance},
    {"http_user_agent", C::Agent},
    {"host", C::Hote},
    {"http_host", C::Hote},
    {"server_name", C::Hote},
    {"server_port", C::Port},
    {"request_time", C::DureeS},
    {"upstream_response_time", C::DureeS},
};

// Names that hand-written nginx (and other) key sets often use; after every server's own.
constexpr Cle kUsuelles[] = {
    {"time", C::Temps},       {"timestamp", C::Temps},    {"@timestamp", C::Temps},
    {"method", C::Methode},   {"protocol", C::Protocole}, {"referer", C::Provenance},
    {"user_agent", C::Agent},
};

constexpr Cle kCaddy[] = {
    {"ts", C::Temps},
    {"request.client_ip", C::Client},
    {"request.remote_ip", C::Client},
    {"user_id", C::Utilisateur},
    {"request.method", C::Methode},
    {"request.uri", C::CheminComplet},
    {"request.proto", C::Protocole},
    {"status", C::Statut},
    {"size", C::Octets},
    {"request.headers.Referer[0]", C::Provenance},
    {"request.headers.User-Agent[0]", C::Agent},
    {"request.host", C::Hote},
    {"duration", C::DureeS},
};

constexpr Cle kTraefik[] = {
    {"StartLocal", C::Temps},           {"StartUTC", C::Temps},
    {"ClientHost", C::Client},          {"ClientUsername", C::Utilisateur},
    {"RequestMethod", C::Methode},      {"RequestPath", C::CheminComplet},
    {"RequestProtocol", C::Protocole},  {"DownstreamStatus", C::Statut},
    {"OriginStatus", C::Statut},        {"DownstreamContentSize", C::Octets},
    {"request_Referer", C::Provenance}, {"request_User-Agent", C::Agent},
    {"RequestHost", C::Hote},           {"RequestPort", C::Port},
    {"Duration", C::DureeNs},
};

template <std::size_t N>
void ajouter(CorrespondanceJson& c, const Cle (&cles)[N]) {
    for (const Cle& k : cles) c.push_back({std::string(k.nom), k.champ});
}

constexpr std::pair<std::string_view, ChampJournal> kNomsChamps[] = {
    {"client", C::Client},
    {"identite", C::Identite},
    {"utilisateur", C::Utilisateur},
    {"temps", C::Temps},
    {"date", C::Temps},
    {"requete", C::Requete},
    {"methode", C::Methode},
    {"chemin", C::Chemin},
    {"uri", C::CheminComplet},
    {"parametres", C::Parametres},
    {"protocole", C::Protocole},
    {"statut", C::Statut},
    {"octets", C::Octets},
    {"provenance", C::Provenance},
    {"agent", C::Agent},
    {"hote", C::Hote},
    {"port", C::Port},
    {"duree_s", C::DureeS},
    {"duree_ms", C::DureeMs},
    {"duree_us", C::DureeUs},
    {"duree_ns", C::DureeNs},
    {"autre", C::Autre},
};

}  // namespace

CorrespondanceJson correspondanceNginx() {
    CorrespondanceJson c;
    ajouter(c, kNginx);
    ajouter(c, kUsuelles);
    return c;
}

CorrespondanceJson correspondanceCaddy() {
    CorrespondanceJson c;
    ajouter(c, kCaddy);
    return c;
}

CorrespondanceJson correspondanceTraefik() {
    CorrespondanceJson c;
    ajouter(c, kTraefik);
    return c;
}

CorrespondanceJson correspondanceJsonCourante() {
    CorrespondanceJson c;
    ajouter(c, kNginx);
    ajouter(c, kCaddy);
    ajouter(c, kTraefik);
    ajouter(c, kUsuelles);
    return c;
}

CorrespondanceJson lireCorrespondanceJson(std::string_view texte) {
    CorrespondanceJson c;
    std::size_t i = 0;
    while (i <= texte.size()) {
        std::size_t fin = texte.find_first_of(";\n", i);
        if (fin == std::string_view::npos) fin = texte.size();
        const std::string_view entree = rogner(texte.substr(i, fin - i));
        i = fin + 1;
        if (entree.empty()) continue;
        const std::size_t egal = entree.find('=');
        if (egal == std::string_view::npos) {
            leverFormatIncorrect(kEgalManquant + citerTexte(entree));
        }
        const std::string_view nom = rogner(entree.substr(0, egal));
        const std::string_view cle = rogner(entree.substr(egal + 1));
        const auto it = std::find_if(std::begin(kNomsChamps), std::end(kNomsChamps),
                                     [&](const auto& p) { return p.first == nom; });
        if (it == std::end(kNomsChamps)) leverFormatIncorrect(kChampInconnu + citerTexte(nom));
        if (cle.empty()) leverFormatIncorrect(kCleManquante + citerTexte(nom));
        c.push_back({std::string(cle), it->second});
    }
    if (c.empty()) leverFormatIncorrect(kAucuneCle);
    return c;
}

}  // namespace kestrane
