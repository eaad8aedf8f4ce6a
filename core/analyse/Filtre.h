// The filter of an analysis: which lines every table counts, written once as text for the window's
// filter bar and the command line's --filtre. No Qt here.
//
// Syntax. Terms side by side must all hold (and); `ou` or `|` between them: either; a leading `-`
// negates a term or a group; parentheses group. A term is `champ:valeur`, or a bare `robot`,
// `statique`. A value holding blanks, parentheses, `|` or `"` is written in double quotes (`\"`
// and `\\` inside them).
//
//   ip:66.249.66.1          the client address: an IPv4 or IPv6 address (any writing of it),
//   ip:66.249.0.0/16        or a CIDR prefix; an IPv4 address and its IPv4-mapped IPv6 writing
//   ip:2001:db8::/32        (::ffff:a.b.c.d) are the same address; /0 takes every address; a
//                           client that is a host name matches only its exact text (ip:nom)
//   chemin:/index.html      the request's path (query string included), whatever the method
//   provenance:...          the referrer as logged
//   site:google.fr          the referring site (as "Sites référents" lists it)
//   recherche:"mots"        the search terms of a search engine's referrer ("Recherches")
//   navigateur:Firefox      the browser as the catalogue names it: its family or its name
//   systeme:Windows         ("Chrome", "Chrome 42"); likewise for the system
//   robot:Googlebot         a robot by its name in "Robots"; bare `robot`: every robot
//   statique                a static file, by the path's extension (kExtensionsStatiques)
//   statut:404  statut:4xx  the status code, or its class
//   methode:GET  protocole:HTTP/1.1   as "Méthodes" and "Protocoles" list them
//   pays:FR  pays:France    the ISO code or the name of the client's country (needs a country
//                           database: OptionsAnalyse::basePays)
//   hote:www.exemple.fr     the virtual host, in the formats that log it
//   jour:2015-05-17  jour:2015-05-17..2015-05-20    the line's day, as logged (bounds included)
//   heure:8  heure:8..12  heure:22..2               the hour (8..12: 08:00 to 12:59; wraps past 23)
//
// Text values (chemin, provenance, site, recherche, navigateur, systeme, robot, methode,
// protocole, pays, hote) match the whole text exactly by default; a `*` in the value stands for
// any run of bytes (`chemin:/wp-*`, `chemin:*.php`); `~texte` matches a text containing it
// (`chemin:~admin`); `=texte` is exact even with a `*` (`chemin:=/a*b`). Paths and referrers are
// compared byte for byte, the other fields ignoring ASCII case. Values are the log's bytes (UTF-8
// as typed for most logs); the tables' labels give them back through termePourEntree.
//
// A line whose fields cannot be read (it does not parse in its format) is kept: the analysis then
// stops at it or skips it as it would have without the filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"

namespace kestrane {

class BasePays;

// A wrong expression: where (1-based, in characters of the expression) and why. message() is the
// whole text in Windows-1252 but for the quoted part of the expression, kept as typed.
class ErreurFiltre : public ErreurKestrane {
  public:
    ErreurFiltre(std::size_t position, std::string raison, std::string citation = {});
    std::size_t position() const { return position_; }
    // The reason (Windows-1252), and the part of the expression it quotes (as typed, maybe empty).
    const std::string& raison() const { return raison_; }
    const std::string& citation() const { return citation_; }
    // The whole message in UTF-8, for a terminal or the window (the expression taken as UTF-8).
    std::string messageUtf8() const;

  private:
    std::size_t position_;
    std::string raison_, citation_;
};

// The extensions of static files (lower case), `statique`'s list.
inline constexpr std::string_view kExtensionsStatiques[] = {
    "css", "js",  "mjs", "png",  "jpg",   "jpeg", "gif", "webp", "avif",
    "svg", "ico", "bmp", "woff", "woff2", "ttf",  "otf", "eot",  "map"};

class Filtre {
  public:
    // The empty filter: every line kept.
    Filtre() = default;
    // Reads an expression; raises ErreurFiltre. Blanks alone: the empty filter.
    static Filtre lire(std::string_view expression);
    // The expressions joined by "and" (each in parentheses when it needs them), the empty ones
    // left out: the command line's --filtre and its shorthands. Raises as lire().
    static Filtre tous(const std::vector<std::string>& expressions);

    bool vide() const { return !arbre_; }
    // The expression as given.
    const std::string& texte() const { return texte_; }
    // The terms joined by "and" at the top of the expression, each as written (a group in its
    // parentheses, a negation with its "-"): what a filter bar shows one by one. Joined by blanks
    // they read as the same filter.
    std::vector<std::string> termes() const;
    // Whether a term asks for the client's country (a country database is then needed).
    bool demandePays() const;

    // Whether the filter keeps a record, read with the whole agent (CoupeAgent::agentEntier, or a
    // format's ChampsEnPlus::agent). `plus`: the format's extra fields (the virtual host), null in
    // the default format. Without a cache: the catalogue classes the agent each time, so a caller
    // testing many lines uses a TriFiltre. A country term is false without `base`.
    bool garde(const RLog& r, const ChampsEnPlus* plus, const BasePays* base = nullptr) const;

    struct Arbre;
    const Arbre* arbre() const { return arbre_.get(); }

  private:
    std::string texte_;
    std::shared_ptr<const Arbre> arbre_;
};

// A filter applied to many lines, one object per thread: it keeps what it learnt of each distinct
// user agent (the catalogue's names, robot or not) and of each client's country.
class TriFiltre {
  public:
    TriFiltre(const Filtre& filtre, std::shared_ptr<const BasePays> base = nullptr);
    ~TriFiltre();
    TriFiltre(const TriFiltre&) = delete;
    TriFiltre& operator=(const TriFiltre&) = delete;

    bool garde(const RLog& r, const ChampsEnPlus* plus);

    struct Caches;

  private:
    Filtre filtre_;
    std::shared_ptr<const BasePays> base_;
    std::unique_ptr<Caches> caches_;
};

// The tables' entries a window may select or exclude by a filter term.
enum class SorteEntree {
    adresse,     // statIP, statTaux: "66.249.66.1", "2001:db8::1", a host name
    systeme,     // statOS (readable: the catalogue's name)
    navigateur,  // statNav
    robot,       // the audience's robots
    provenance,  // statPrecedent
    fichier,     // statFichier (readable: the path)
    statut,      // the status codes: "404"
    jour,        // the days: "17/05/2015" (or "2015-05-17")
    heure,       // the hourly slices: "08 à 09", "08h à 09h" (the first hour to the last)
    pays,        // the audience's countries
    hote,        // the virtual hosts
    site,        // the referring sites
    recherche,   // the searches
};

// The term that keeps the lines of that entry (`exclure`: that leaves them out), its value quoted
// as needed: Filtre::lire of it keeps exactly those lines. Empty when the label names nothing a
// term can select (an hourly slice or a day that does not read).
std::string termePourEntree(SorteEntree sorte, std::string_view libelle, bool exclure = false);

// A value written as a filter term's value: bare when it can be, otherwise in double quotes;
// with "=" first when it would otherwise read as a pattern.
std::string valeurDeTerme(std::string_view valeur);

}  // namespace kestrane
