// The formats a journal can be read in: the offered list (captions, command-line names), the
// fields a format can hold, and a compiled format, made from an offered one, from an Apache
// LogFormat or nginx log_format string, or from a mapping of JSON keys.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// The offered formats, in the order of the list (detection breaks ties by it).
enum class TypeFormat : uint8_t {
    Defaut,        // today's reading (analyserLigne), unchanged
    Automatique,   // one of the others, chosen on the journal's first lines
    Commun,        // %h %l %u %t "%r" %>s %b
    HoteVirtuel,   // %v:%p %h ... or %v %h ... (Apache vhost_combined)
    NginxHote,     // $host $remote_addr - $remote_user [$time_local] ...
    CombineSuivi,  // combined followed by other fields
    W3C,           // W3C extended (IIS): columns from the #Fields: lines
    Json,          // one JSON object per line
    Personnalise,  // an Apache or nginx format string
};

struct FormatPropose {
    TypeFormat type;
    std::string_view nom;      // for the command line: "auto", "commun"...; empty for Personnalise
    std::string_view libelle;  // the list's caption, Windows-1252
};

// The nine entries of the list, in order.
std::span<const FormatPropose> formatsProposes();
// The entry named `texte` by its command-line name or its caption (ASCII letters in any case; the
// caption in Windows-1252 or in UTF-8); null for any other text.
const FormatPropose* trouverFormatPropose(std::string_view texte);

// What a field of a format becomes in the record and its extras.
enum class ChampJournal : uint8_t {
    Client,         // ip1..ip4, or `adresse` when no dotted address
    Identite,       // autre
    Utilisateur,    // logname
    Temps,          // date, heure and fuseau, from any written date
    Date,           // W3C: yyyy-mm-dd (UTC), with Heure
    Heure,          // W3C: hh:mm:ss (UTC)
    Requete,        // the request line, as written
    Methode,        // the request's parts, joined into the request line
    Chemin,         // path without its query
    CheminComplet,  // path with its query
    Parametres,     // query, with or without its "?"
    Protocole,
    Statut,
    Octets,
    Provenance,
    Agent,
    Hote,    // virtual host (ChampsEnPlus::hoteVirtuel)
    Port,    // ChampsEnPlus::port
    DureeS,  // response time in seconds (ChampsEnPlus::tempsReponse)
    DureeMs,
    DureeUs,
    DureeNs,
    DureeMsOuS,  // W3C time-taken: milliseconds, or seconds when written with a fraction
    Autre,       // any other field, kept by its name in ChampsEnPlus::autres
};

// JSON: which key (a path: "request.headers.User-Agent[0]") feeds which field. For one field
// the first key that a line holds wins.
struct CleJson {
    std::string chemin;
    ChampJournal champ;
};
using CorrespondanceJson = std::vector<CleJson>;

// Key sets of the servers that write JSON lines.
CorrespondanceJson correspondanceNginx();    // escape=json with the variables' own names
CorrespondanceJson correspondanceCaddy();    // Caddy's access log
CorrespondanceJson correspondanceTraefik();  // Traefik's access log
// The three together: what "JSON, une requête par ligne" reads.
CorrespondanceJson correspondanceJsonCourante();
// A user's mapping: "champ=clé" entries separated by line breaks or ";", field names "client",
// "identite", "utilisateur", "temps", "requete", "methode", "chemin", "uri", "parametres",
// "protocole", "statut", "octets", "provenance", "agent", "hote", "port", "duree_s",
// "duree_ms", "duree_us", "duree_ns", "autre". Raises ErreurKestrane "Format de journal
// incorrect : ..." on an unknown field name or an entry without "=".
CorrespondanceJson lireCorrespondanceJson(std::string_view texte);

// A compiled format: immutable, cheap to copy, shared by the readers of both threads.
class FormatJournal {
  public:
    // The default format.
    FormatJournal();
    // An offered format; not Automatique (detect it) nor Personnalise (give its string).
    static FormatJournal propose(TypeFormat type);
    // An Apache LogFormat string ("%h %l %u %t \"%r\" %>s %b") or an nginx log_format string
    // ("$remote_addr - $remote_user [$time_local] ..."), as written in the server's
    // configuration: the whole LogFormat or log_format directive may be pasted too. Raises
    // ErreurKestrane "Format de journal incorrect : directive inconnue %Z (position 12)" (and
    // the like) when the string cannot be used; positions count bytes of `chaine` from 1.
    // The string is literal: each blank is one blank of the line; a field between quotes ends at
    // its first unescaped quote (\" \\ \xhh are read, Echappements.h); any other field holds no
    // blank (but a time written with some) and may be empty, as nginx writes an empty variable ("-"
    // in the record), except Apache's directives but %q, the headers and the other named fields:
    // Apache writes "-" for what it does not know. "%U%q" and "$uri$is_args$args" are the path with
    // its query.
    static FormatJournal depuisChaine(std::string_view chaine);
    // JSON lines read with this mapping, alone (append a server's key set to it to fall back on
    // that). A line reads when it is one object holding a date, a status and a request (the
    // request line, or its path); "autre" keys go to ChampsEnPlus::autres under their path.
    static FormatJournal json(CorrespondanceJson correspondance);

    TypeFormat type() const;
    bool estDefaut() const { return type() == TypeFormat::Defaut; }
    // Whether lines starting with "#" are directives (W3C), neither requests nor skipped lines.
    bool aDirectives() const { return type() == TypeFormat::W3C; }
    // The caption (Windows-1252): the list's, or "Personnalisé : <chaîne>".
    const std::string& libelle() const;

    struct Donnees;
    const Donnees& donnees() const { return *donnees_; }

  private:
    explicit FormatJournal(std::shared_ptr<const Donnees> donnees);
    std::shared_ptr<const Donnees> donnees_;
};

// A command-line or saved choice: an offered format's name or caption, or else a format string
// (raising like depuisChaine). Nothing for Automatique: the caller detects the format.
std::optional<FormatJournal> resoudreFormat(std::string_view texte);

}  // namespace kestrane
