// The HTML page and the CSV files of a report.
#include "core/export/Export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/export/TablesAudience.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"

namespace kestrane {

namespace {

// From how many rows of the referrers and files the tables are made on both cores.
constexpr std::size_t kLignesDeuxFilsExport = 20000;

// Rows shown before the fold of a long table.
constexpr std::size_t kLignesVisibles = 50;

std::string decimal(int64_t n) {
    return std::to_string(n);
}

TableExportee depuisTable(const char* titre, const char* fichier, const char* entete0,
                          const char* entete1, const tableauRapportStat& table, int points,
                          FormatNombre format = FormatNombre::entier) {
    TableExportee t;
    t.titre = titre;
    t.fichier = fichier;
    t.entetes = {entete0, entete1};
    t.numeriques = {false, true};
    t.lignes.reserve(table.size());
    for (const rapportStat& e : table) {
        t.lignes.push_back({e.libelle, format == FormatNombre::entier
                                           ? decimal(e.nombre)
                                           : texteNombre(e.nombre, format)});
    }
    const double echelle = format == FormatNombre::dixiemes ? 10.0 : 1.0;
    // The window's rule: a chart draws its first `points` entries when the table has two.
    const std::size_t n =
        table.size() >= 2 && points > 0 ? std::min<std::size_t>(table.size(), points) : 0;
    t.points = static_cast<int>(n);
    for (std::size_t k = 0; k < n; ++k) {
        t.valeurs.push_back(static_cast<double>(table[k].nombre) / echelle);
    }
    return t;
}

// &, <, >, " and ' as entities, appended to `s`.
void ajouterEchappe(std::string& s, std::string_view texte) {
    std::size_t debut = 0;
    for (std::size_t k = 0; k < texte.size(); ++k) {
        const char* entite;
        switch (texte[k]) {
            case '&':
                entite = "&amp;";
                break;
            case '<':
                entite = "&lt;";
                break;
            case '>':
                entite = "&gt;";
                break;
            case '"':
                entite = "&quot;";
                break;
            case '\'':
                entite = "&#39;";
                break;
            // A NUL byte of a log line would end the text for some readers.
            case '\0':
                entite = "&#xFFFD;";
                break;
            default:
                continue;
        }
        s.append(texte.substr(debut, k - debut));
        s += entite;
        debut = k + 1;
    }
    s.append(texte.substr(debut));
}

// A log's text in the page: echapperHtml(utf8DuJournal(texte)), without its two copies when the
// text is plain ASCII, as nearly every cell of a log is.
void ajouterTexteJournal(std::string& s, std::string_view texte) {
    for (const char c : texte) {
        if (static_cast<unsigned char>(c) - 1u >= 0x7Fu) {
            ajouterEchappe(s, utf8DuJournal(texte));
            return;
        }
    }
    ajouterEchappe(s, texte);
}

// A whole number of a cell as French writes it ("1 234 567"); any other text as it is.
void ajouterNombre(std::string& s, std::string_view texte) {
    int64_t n = 0;
    const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), n);
    // Only a number written as a count writes it ("007" or "-0" stay as they are).
    if (erreur == std::errc() && fin == texte.data() + texte.size() && !texte.empty() &&
        std::to_string(n) == texte) {
        s += nombreFrancais(n);
    } else {
        ajouterTexteJournal(s, texte);
    }
}

const char* const kMoisFrancais[] = {"janvier",   "f\303\251vrier", "mars",     "avril",
                                     "mai",       "juin",           "juillet",  "ao\303\273t",
                                     "septembre", "octobre",        "novembre", "d\303\251cembre"};

// A log's date ("20/Dec/2023:00:17:49", or with a blank before the time) as French writes it:
// "20 décembre 2023 à 00:17:49" (UTF-8); any other text as it is.
std::string dateFrancaise(std::string_view t) {
    int32_t a, m, j;
    if (t.size() < 11 || !lireDate(t.substr(0, 11), a, m, j)) return utf8DuJournal(t);
    std::string s = std::to_string(j) + " " + kMoisFrancais[m - 1] + " " + std::to_string(a);
    if (t.size() == 20 && (t[11] == ':' || t[11] == ' ')) {
        s += " \xC3\xA0 " + std::string(t.substr(12));
    } else if (t.size() > 11) {
        s += utf8DuJournal(t.substr(11));
    }
    return s;
}

// The page is handed to its writer in pieces of about this size, so that a long table is not
// held whole: the same memory is written again and again.
constexpr std::size_t kMorceauHtml = std::size_t{1} << 18;

void tableHtml(const std::vector<std::vector<std::string>>& lignes, std::size_t debut,
               std::size_t fin, const TableExportee& t, std::string& s, const Ecrivain& ecrire) {
    s += t.triable ? "<div class=\"defile\"><table class=\"triable\"><thead><tr>"
                   : "<div class=\"defile\"><table><thead><tr>";
    for (const std::string& e : t.entetes) s += "<th>" + echapperHtml(utf8Depuis1252(e)) + "</th>";
    s += "</tr></thead><tbody>\n";
    for (std::size_t k = debut; k < fin; ++k) {
        s += "<tr>";
        for (std::size_t c = 0; c < lignes[k].size(); ++c) {
            if (c < t.numeriques.size() && t.numeriques[c]) {
                s += "<td class=\"n\">";
                ajouterNombre(s, lignes[k][c]);
            } else {
                s += "<td>";
                ajouterTexteJournal(s, lignes[k][c]);
            }
            s += "</td>";
        }
        s += "</tr>\n";
        if (s.size() >= kMorceauHtml) {
            ecrire(s);
            s.clear();
        }
    }
    s += "</tbody></table></div>\n";
}

// A phone's chart: it follows the page's width, down to 390 pixels, with each label above its
// bar and the value after it, all within the view, its texts 11 pixels high or more.
void grapheSvgEtroit(const TableExportee& t, std::string& s) {
    constexpr int kLargeur = 360, kPlace = 80, kPas = 32;
    const double maximum = std::max(1.0, *std::max_element(t.valeurs.begin(), t.valeurs.end()));
    const int hauteur = t.points * kPas + 6;
    s += "<svg class=\"graphe etroit\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
         std::to_string(kLargeur) + " " + std::to_string(hauteur) +
         "\" style=\"width:100%;max-width:760px\" role=\"img\" " + "aria-label=\"" +
         echapperHtml(utf8Depuis1252(t.titre)) + "\">\n";
    for (int k = 0; k < t.points; ++k) {
        const double v = std::max(0.0, t.valeurs[k]);
        const int y = 3 + k * kPas;
        const int l = static_cast<int>(std::lround(v / maximum * (kLargeur - kPlace)));
        const std::string libelle = couperUtf8(utf8DuJournal(t.lignes[k][0]), 55);
        s += "<text x=\"2\" y=\"" + std::to_string(y + 11) + "\">" + echapperHtml(libelle) +
             "</text>";
        s += "<rect x=\"2\" y=\"" + std::to_string(y + 14) + "\" width=\"" + std::to_string(l) +
             "\" height=\"12\"/>";
        s += "<text x=\"" + std::to_string(l + 6) + "\" y=\"" + std::to_string(y + 25) + "\">" +
             echapperHtml(utf8DuJournal(t.lignes[k][1])) + "</text>\n";
    }
    s += "</svg>\n";
}

// Horizontal bars, one per point, labelled with the row's first cell and its value.
void grapheSvg(const TableExportee& t, std::string& s) {
    if (t.points <= 0) return;
    // The phone's drawing first, hidden on a wide page (and the wide one on a phone).
    grapheSvgEtroit(t, s);
    constexpr int kLargeur = 760, kMarge = 260, kHauteurBarre = 16, kPas = 20;
    const double maximum = std::max(1.0, *std::max_element(t.valeurs.begin(), t.valeurs.end()));
    const int hauteur = t.points * kPas + 10;
    s += "<svg class=\"graphe large\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
         std::to_string(kLargeur) + " " + std::to_string(hauteur) + "\" width=\"" +
         std::to_string(kLargeur) + "\" height=\"" + std::to_string(hauteur) +
         "\" role=\"img\" aria-label=\"" + echapperHtml(utf8Depuis1252(t.titre)) + "\">\n";
    for (int k = 0; k < t.points; ++k) {
        const double v = std::max(0.0, t.valeurs[k]);
        const int y = 5 + k * kPas;
        const int l = static_cast<int>(std::lround(v / maximum * (kLargeur - kMarge - 90)));
        const std::string libelle = couperUtf8(utf8DuJournal(t.lignes[k][0]), 38);
        s += "<text x=\"" + std::to_string(kMarge - 6) + "\" y=\"" + std::to_string(y + 12) +
             "\" text-anchor=\"end\">" + echapperHtml(libelle) + "</text>";
        s += "<rect x=\"" + std::to_string(kMarge) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
             std::to_string(l) + "\" height=\"" + std::to_string(kHauteurBarre) + "\"/>";
        s += "<text x=\"" + std::to_string(kMarge + l + 4) + "\" y=\"" + std::to_string(y + 12) +
             "\">" + echapperHtml(utf8DuJournal(t.lignes[k][1])) + "</text>\n";
    }
    s += "</svg>\n";
}

const char* const kStyle =
    "body{font-family:Arial,Helvetica,sans-serif;margin:2em;color:#222;background:#fff}"
    "h1{background:#000;color:#fff;padding:.4em;text-align:center;font-size:1.4em;"
    "overflow-wrap:anywhere}"
    "h2{border-bottom:2px solid #036;color:#036;font-size:1.1em;margin-top:2em}"
    // A table never widens the page: its long cells wrap anywhere, and what still does not fit
    // scrolls in the table's own box.
    "div.defile{overflow-x:auto;max-width:100%}"
    "table{border-collapse:collapse;margin:.5em 0}"
    "th,td{border:1px solid #bbb;padding:2px 8px;text-align:left;overflow-wrap:anywhere}"
    "th{background:#e4e8f0}td.n{text-align:right;font-variant-numeric:tabular-nums;"
    "overflow-wrap:normal;white-space:nowrap}"
    "summary{cursor:pointer;color:#036;margin:.3em 0}"
    "svg.graphe{max-width:100%;height:auto}"
    "svg.graphe rect{fill:#2a6fb0}svg.graphe text{font-size:11px;font-family:Arial,sans-serif;"
    "fill:currentColor}"
    // Each chart twice: drawn for a wide page, and label above bar for a phone, one shown.
    "svg.etroit{display:none}"
    "section.apercu{display:flex;flex-wrap:wrap;gap:.6em;margin:1em 0}"
    "div.carte{border:1px solid #bbb;border-radius:6px;padding:.5em .8em;min-width:8em;flex:1 1 "
    "8em}"
    "div.carte span{display:block}span.v{font-size:1.3em;font-weight:bold;color:#036}"
    "span.v.d{font-size:1em}span.l{color:#555;font-size:.9em}"
    "@media (max-width:600px){body{margin:.6em}svg.large{display:none}svg.etroit{display:block}}"
    "p,code,footer{overflow-wrap:anywhere}footer{margin-top:3em;color:#666;font-size:.9em}"
    "@media (prefers-color-scheme:dark){body{background:#15171a;color:#ddd}"
    "h1{background:#2b2f36}h2{color:#8cb4e6;border-color:#8cb4e6}th{background:#252a33}"
    "th,td,div.carte{border-color:#444}summary,span.v{color:#8cb4e6}span.l{color:#aaa}"
    "svg.graphe rect{fill:#5b9bd8}"
    "footer{color:#999}}"
    "@media print{body{margin:0;color:#000;background:#fff}h1{background:none;color:#000}"
    "div.defile{overflow:visible}section{break-inside:avoid-page}summary{display:none}"
    "svg.etroit{display:none}svg.large{display:block}}";

// Sorts a table.triable by the column whose header is clicked, again the other way; numbers
// ("1 234", "12,5 %") as numbers.
const char* const kScriptTri =
    "<script>document.querySelectorAll('table.triable th').forEach(function(h){"
    "h.style.cursor='pointer';h.onclick=function(){"
    "var b=h.closest('table').tBodies[0],c=h.cellIndex,s=h.dataset.s=h.dataset.s==='1'?'-1':'1';"
    "var v=function(r){var e=r.cells[c],z=e.textContent;return e.className==='n'?"
    "parseFloat(z.replace(/\\s/g,'').replace(',','.'))||0:z};"
    "Array.from(b.rows).sort(function(x,y){var p=v(x),q=v(y);return (p<q?-1:p>q?1:0)*s})"
    ".forEach(function(r){b.appendChild(r)})}});</script>\n";

// "38477 lignes analysÃ©es sur 38487 lignes lues (10 lignes ignorÃ©es)".
std::string resume(const DonneesRapport& d) {
    std::string s = quantite(d.lignes, kLigneAnalysee, kLignesAnalysees);
    if (d.lignesLues == 0 || d.lignesLues == d.lignes) return utf8Depuis1252(s);
    s += kSur + quantite(d.lignesLues, kLigneLue, kLignesLues);
    std::string exclues;
    if (d.lignesHorsPeriode > 0) {
        exclues = quantite(d.lignesHorsPeriode, kLigneHorsPeriode, kLignesHorsPeriode);
    }
    if (!d.filtre.empty()) {
        if (!exclues.empty()) exclues += ", ";
        exclues += quantite(d.lignesHorsFiltre, kLigneHorsFiltre, kLignesHorsFiltre);
    }
    if (d.lignesIgnorees > 0) {
        if (!exclues.empty()) exclues += ", ";
        exclues += quantite(d.lignesIgnorees, kLigneIgnoree, kLignesIgnorees);
    }
    return utf8Depuis1252(exclues.empty() ? s : s + " (" + exclues + ")");
}

// The overview: a card per figure known, the largest text first.
void apercuHtml(const DonneesRapport& d, std::string& s) {
    const DonneesRapport::Apercu& a = d.apercu;
    s += "<section class=\"apercu\" aria-label=\"Aper\xC3\xA7u\">";
    const auto carte = [&s](const std::string& valeur, const char* libelle, bool date = false) {
        s += std::string("<div class=\"carte\"><span class=\"v") + (date ? " d" : "") + "\">" +
             echapperHtml(valeur) + "</span><span class=\"l\">" + libelle + "</span></div>";
    };
    const auto nombre = [&](const std::optional<int64_t>& n, const char* libelle) {
        if (n) carte(nombreFrancais(*n), libelle);
    };
    nombre(d.lignes, "requ\xC3\xAAtes");
    nombre(a.visiteurs, "visiteurs uniques");
    nombre(a.visites, "visites");
    carte(utf8Depuis1252(texteNombre(a.octets, FormatNombre::octets)),
          "envoy\xC3\xA9"
          "s");
    nombre(a.introuvables, "pages introuvables (404)");
    nombre(a.erreurs, "erreurs du serveur (5xx)");
    nombre(d.lignesIgnorees,
           "lignes ignor\xC3\xA9"
           "es");
    if (!a.premiere.empty()) carte(a.premiere, "premi\xC3\xA8re requ\xC3\xAAte", true);
    if (!a.derniere.empty()) carte(a.derniere, "derni\xC3\xA8re requ\xC3\xAAte", true);
    s += "</section>\n";
}

// What the report covers, for a reader who never sees the window: the journals, the period,
// what became of the lines, the dates and the totals.
void sommaireHtml(const DonneesRapport& d, std::string& s) {
    const DonneesRapport::Sommaire& m = d.sommaire;
    // The captions are the program's (Windows-1252), the values UTF-8.
    const auto ligne = [&s](std::string_view libelle, const std::string& valeur) {
        s += "<tr><th style=\"text-align:left\">" + utf8Depuis1252(libelle) + "</th><td>" +
             echapperHtml(valeur) + "</td></tr>";
    };
    s += "<table class=\"sommaire\"><tbody>";
    std::string journaux;
    const std::vector<std::string> noms =
        d.journaux.empty() ? std::vector<std::string>{d.nomJournal} : d.journaux;
    for (std::size_t k = 0; k < noms.size(); ++k) {
        if (k > 0) journaux += ", ";
        journaux += utf8Repare(noms[k]);
    }
    ligne(noms.size() > 1 ? kJournauxLus : kJournalLu, journaux);
    ligne(kPeriodeLue,
          d.periode.empty() ? utf8Depuis1252(kToutLeJournal) : utf8Repare(d.periode.substr(1)));
    const int64_t lues = d.lignesLues > 0 ? d.lignesLues : d.lignes;
    ligne(kLignesLuesTitre, nombreFrancais(lues));
    ligne(kLignesAnalyseesTitre, nombreFrancais(d.lignes));
    ligne(kLignesIgnoreesTitre, nombreFrancais(d.lignesIgnorees));
    ligne(kLignesHorsPeriodeTitre, nombreFrancais(d.lignesHorsPeriode));
    if (!d.filtre.empty()) {
        ligne(kFiltreTitre, d.filtre);
        ligne(kLignesHorsFiltreTitre, nombreFrancais(d.lignesHorsFiltre));
    }
    ligne(kPremiereDate, dateFrancaise(m.premiereDate));
    ligne(kDerniereDate, dateFrancaise(m.derniereDate));
    ligne(kClientsDistincts, nombreFrancais(m.clients));
    ligne(kEnteteRequetes, nombreFrancais(d.lignes));
    const std::string octets = utf8Depuis1252(texteNombre(m.octets, FormatNombre::octets));
    if (m.octetsAuDela.empty()) {
        ligne(kOctetsEnvoyes, octets + " (" + nombreFrancais(m.octets) + ")");
    } else {
        ligne(kOctetsEnvoyes, utf8Depuis1252(kPlusDe) + octets + " (" + m.octetsAuDela + ")");
    }
    ligne(kJoursCouverts, nombreFrancais(m.jours));
    s += "</tbody></table>\n";
}

}  // namespace

std::vector<TableExportee> tablesDeLAnalyse(const TablesAnalyse& t, int nbAdresses, bool lisibles) {
    std::vector<TableExportee> tables(8);
    // Every row is a few small allocations: long tables are made on both cores, the referrers
    // and the loaded files (the most keys) on one, the six others on the other.
    const bool deux = t.statPrecedent.size() + t.statFichier.size() >= kLignesDeuxFilsExport;
    enParallele(
        deux,
        [&] {
            tables[0] = depuisTable(kTitreAdressesIP, "adresses-ip.csv", kEnteteAdressesIP,
                                    kEnteteOccurences, t.statIP, nbAdresses);
            tables[1] = depuisTable(kTitreSystemes, "systemes.csv", kEnteteSysteme,
                                    kEnteteOccurences, t.statOS, 50);
            tables[2] = depuisTable(kTitreNavigateurs, "navigateurs-robots.csv", kEnteteNavigateur,
                                    kEnteteOccurences, t.statNav, 50);
            tables[5] = depuisTable(kTitreTauxChargement, "taux-chargement.csv", kEnteteAdresseIP,
                                    kEnteteOctets, t.statTaux, 50, formatStatTaux(lisibles));
            tables[6] =
                depuisTable(kTitreTranchesHoraires, "tranches-horaires.csv", kEnteteTrancheHoraire,
                            kEnteteNbAcces, t.statHoraires, 24, formatStatHoraires(lisibles));
            tables[7] = depuisTable(kTitreRequetes, "requetes.csv", kEnteteDate, kEnteteOccurences,
                                    t.statVMensuelles, 24);
        },
        [&] {
            tables[3] = depuisTable(kTitreProvenances, "provenances.csv", kEntetePageProvenance,
                                    kEnteteOccurences, t.statPrecedent, 50);
            tables[4] = depuisTable(kTitreFichiersCharges, "fichiers-charges.csv",
                                    kEnteteFichierCharge, kEnteteOccurences, t.statFichier, 50);
        });
    return tables;
}

namespace {

std::string instantFrancais(Instant i) {
    const int64_t jour = jourDeLInstant(i.secondes), s = i.secondes - jour * 86400;
    int32_t a, m, j;
    dateDuJour(jour, a, m, j);
    char heure[16];
    std::snprintf(heure, sizeof heure, "%02d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return std::to_string(j) + " " + kMoisFrancais[m - 1] + " " + std::to_string(a) + " \xC3\xA0 " +
           heure;
}

DonneesRapport::Apercu apercuDe(const ResultatAnalyse& r) {
    DonneesRapport::Apercu a;
    a.present = true;
    for (const rapportStat& e : r.tables.statTaux) {
        a.octets = e.nombre > INT64_MAX - a.octets ? INT64_MAX : a.octets + e.nombre;
    }
    if (r.complements) {
        const Complements& c = *r.complements;
        a.introuvables = a.erreurs = 0;
        for (const CompteCode& k : c.codes) {
            if (k.code == 404) *a.introuvables += k.nombre;
            if (k.code >= 500 && k.code <= 599) *a.erreurs += k.nombre;
        }
        if (c.dates) {
            a.premiere = instantFrancais(c.premiere);
            a.derniere = instantFrancais(c.derniere);
        }
    } else if (r.lisibles.actifs) {
        a.premiere = dateFrancaise(r.lisibles.premiereDate);
        a.derniere = dateFrancaise(r.lisibles.derniereDate);
    }
    if (r.audience) {
        a.visiteurs = r.audience->visiteurs;
        a.visites = r.audience->visites;
    }
    return a;
}

}  // namespace

DonneesRapport donneesRapport(const ResultatAnalyse& r, int nbAdresses, bool complements) {
    DonneesRapport d;
    if (r.periode.active) {
        d.periode = textePeriodeDuAu(texteInstant(r.periode.debut), texteInstant(r.periode.fin));
    }
    const ResumeAnalyse resume = resumer(r);
    d.lignes = static_cast<int64_t>(resume.lignesAnalysees);
    d.lignesLues = static_cast<int64_t>(r.lignesJournal);
    d.lignesIgnorees = static_cast<int64_t>(resume.ignorees);
    d.lignesHorsPeriode = static_cast<int64_t>(resume.horsPeriode);
    if (r.filtre) {
        d.filtre = r.filtre->texte();
        d.lignesHorsFiltre = static_cast<int64_t>(resume.horsFiltre);
    }
    d.tables = tablesDeLAnalyse(r.tables, nbAdresses, r.lisibles.actifs);
    d.apercu = apercuDe(r);
    if (r.lisibles.actifs) {
        d.sommaire.present = true;
        d.sommaire.premiereDate = r.lisibles.premiereDate;
        d.sommaire.derniereDate = r.lisibles.derniereDate;
        d.sommaire.clients = static_cast<int64_t>(r.tables.statIP.size());
        __extension__ using Somme128 = __int128;
        Somme128 octets = 0;
        for (const rapportStat& e : r.tables.statTaux) octets += e.nombre;
        if (octets > INT64_MAX) {
            d.sommaire.octets = INT64_MAX;
            for (; octets > 0; octets /= 10) {
                d.sommaire.octetsAuDela.insert(0, 1, static_cast<char>('0' + int(octets % 10)));
            }
        } else {
            d.sommaire.octets = static_cast<int64_t>(octets);
        }
        d.sommaire.jours = r.lisibles.joursCouverts;
    }
    if (complements && r.complements) {
        const Audience* audience = r.audience ? &*r.audience : nullptr;
        for (auto& t : tablesComplements(*r.complements, audience))
            d.tables.push_back(std::move(t));
    }
    if (complements && r.complements && r.entrees) {
        for (auto& t : tablesEntrees(*r.entrees)) d.tables.push_back(std::move(t));
    }
    d.format = texteFormat(r);
    for (auto& t : tablesEnPlus(r.enPlus)) d.tables.push_back(std::move(t));
    return d;
}

std::string echapperHtml(std::string_view texte) {
    std::string s;
    s.reserve(texte.size());
    ajouterEchappe(s, texte);
    return s;
}

std::string celluleCsv(std::string_view texte) {
    const bool guillemets = texte.find_first_of(";\"\r\n") != std::string_view::npos ||
                            (!texte.empty() && (texte.front() == ' ' || texte.back() == ' '));
    if (!guillemets) return std::string(texte);
    std::string s = "\"";
    for (const char c : texte) {
        if (c == '"') s += '"';
        s += c;
    }
    return s + '"';
}

std::string titreRapport(const DonneesRapport& d) {
    if (d.journaux.size() < 2) {
        return utf8Depuis1252(kRapportDuFichier) +
               utf8Repare(d.journaux.empty() ? d.nomJournal : d.journaux.front()) +
               utf8Repare(d.periode);
    }
    std::string s = utf8Depuis1252(texteRapportDeJournaux(d.journaux.size()));
    for (std::size_t k = 0; k < d.journaux.size(); ++k) {
        if (k > 0) s += ", ";
        s += utf8Repare(d.journaux[k]);
    }
    return s + utf8Repare(d.periode);
}

void produireHtml(const DonneesRapport& d, const Ecrivain& ecrire) {
    std::string s;
    const std::string titre = titreRapport(d);
    const DonneesRapport::Actualisation& a = d.actualisation;
    s += "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width\">";
    if (a.secondes > 0) {
        s += "<meta http-equiv=\"refresh\" content=\"" + std::to_string(a.secondes) + "\">";
    }
    s += "<title>" + echapperHtml(titre) + "</title><style>" + kStyle + "</style></head><body>\n";
    s += "<h1>" + echapperHtml(titre) + "</h1>\n";
    if (a.secondes > 0) {
        s += "<p class=\"mise-a-jour\">" +
             echapperHtml(utf8Depuis1252(texteMiseAJour(a.jour, a.heure, a.secondes))) + "</p>\n";
    }
    s += "<p class=\"resume\">" + resume(d) + "</p>\n";
    if (d.apercu.present) apercuHtml(d, s);
    if (d.sommaire.present) sommaireHtml(d, s);
    if (!d.format.empty()) {
        s += "<p class=\"format\">" + echapperHtml(utf8Depuis1252(d.format)) + "</p>\n";
    }
    if (!d.filtre.empty()) {
        s += "<p class=\"filtre\">" + echapperHtml(utf8Depuis1252(kFiltreDeuxPoints)) + "<code>" +
             echapperHtml(utf8Repare(d.filtre)) + "</code></p>\n";
    }
    ecrire(s);
    for (std::size_t k = 0; k < d.tables.size(); ++k) {
        const TableExportee& t = d.tables[k];
        // Cleared rather than assigned, so that the piece keeps its memory.
        s.clear();
        s += "<section id=\"table-" + std::to_string(k + 1) + "\"><h2>" +
             echapperHtml(utf8Depuis1252(t.titre)) + "</h2>\n";
        if (!t.note.empty()) {
            s += "<p class=\"note\">" + echapperHtml(utf8Depuis1252(t.note)) + "</p>\n</section>\n";
            ecrire(s);
            continue;
        }
        grapheSvg(t, s);
        const std::size_t visibles =
            t.triable ? t.lignes.size() : std::min(t.lignes.size(), kLignesVisibles);
        tableHtml(t.lignes, 0, visibles, t, s, ecrire);
        if (t.lignes.size() > visibles) {
            s += "<details><summary>" + utf8Depuis1252(texteVoirTout(t.lignes.size())) +
                 "</summary>\n";
            tableHtml(t.lignes, visibles, t.lignes.size(), t, s, ecrire);
            s += "</details>\n";
        }
        s += "</section>\n";
        ecrire(s);
    }
    s.clear();
    if (std::any_of(d.tables.begin(), d.tables.end(),
                    [](const TableExportee& t) { return t.triable; })) {
        s += kScriptTri;
    }
    s += "<footer>" + utf8Depuis1252(kCreeLe) + echapperHtml(d.dateCreation) +
         utf8Depuis1252(kParKestrane) + echapperHtml(d.version) + "</footer>\n</body></html>\n";
    ecrire(s);
}

std::string sansFormule(std::string texte) {
    // A spreadsheet runs a cell starting with '=', '+', '@' or '-' as a formula; the texts come
    // from the log, that is from anyone who sends a request ("=HYPERLINK(...)" as a referrer).
    // A leading apostrophe keeps them text, as the spreadsheets themselves write it.
    if (!texte.empty() &&
        (texte[0] == '=' || texte[0] == '+' || texte[0] == '@' || texte[0] == '\t' ||
         texte[0] == '\r' || (texte[0] == '-' && texte.size() > 1))) {
        texte.insert(0, 1, '\'');
    }
    return texte;
}

void produireCsv(const TableExportee& t, const Ecrivain& ecrire) {
    std::string s = "\xEF\xBB\xBF";
    const auto ligne = [&](const std::vector<std::string>& cellules, bool entete) {
        for (std::size_t c = 0; c < cellules.size(); ++c) {
            if (c > 0) s += ';';
            const bool nombre = c < t.numeriques.size() && t.numeriques[c];
            // The headers are the program's texts; the other rows' cells, the log's.
            std::string texte = entete ? utf8Depuis1252(cellules[c]) : utf8DuJournal(cellules[c]);
            s += celluleCsv(nombre ? texte : sansFormule(std::move(texte)));
        }
        s += "\r\n";
        if (s.size() > (1 << 16)) {
            ecrire(s);
            s.clear();
        }
    };
    ligne(t.entetes, true);
    for (const auto& l : t.lignes) ligne(l, false);
    ecrire(s);
}

std::vector<std::string> nomsTablesCsv() {
    // Those of tablesDeLAnalyse and tablesComplements, without copying the tables.
    return {"adresses-ip.csv",        "systemes.csv",         "navigateurs-robots.csv",
            "provenances.csv",        "fichiers-charges.csv", "taux-chargement.csv",
            "tranches-horaires.csv",  "requetes.csv",         "codes-retour.csv",
            "pages-introuvables.csv", "erreurs-serveur.csv",  "jours.csv",
            "sites-referents.csv",    "recherches.csv",       "robots.csv",
            "methodes.csv",           "protocoles.csv",       "pays.csv",
            "hotes-virtuels.csv",     "temps-reponse.csv",    "fichiers-detail.csv",
            "sites-detail.csv",       "adresses-detail.csv",  "filtre.csv"};
}

std::unique_ptr<SortiePreparee> preparerRapportHtml(const std::string& chemin,
                                                    const DonneesRapport& d) {
    return preparerFichier(chemin, [&](const Ecrivain& e) { produireHtml(d, e); });
}

std::unique_ptr<SortiePreparee> preparerTablesCsv(
    const std::string& dossier, const DonneesRapport& d,
    const std::function<void(std::size_t, std::size_t)>& progression, bool enPlace) {
    std::vector<FichierDuDossier> fichiers;
    for (const TableExportee& t : d.tables) {
        if (t.fichier.empty()) continue;  // in the page only
        fichiers.push_back({t.fichier, [&t](const Ecrivain& e) { produireCsv(t, e); }});
    }
    // The filter the tables were made with, in a file of its own beside them.
    TableExportee filtre;
    if (!d.filtre.empty()) {
        filtre.fichier = "filtre.csv";
        filtre.entetes = {kFiltreTitre, kLignesAnalyseesTitre, kLignesHorsFiltreTitre};
        filtre.numeriques = {false, true, true};
        filtre.lignes.push_back(
            {d.filtre, std::to_string(d.lignes), std::to_string(d.lignesHorsFiltre)});
        fichiers.push_back(
            {filtre.fichier, [&filtre](const Ecrivain& e) { produireCsv(filtre, e); }});
    }
    std::function<void(std::size_t)> suivre;
    if (progression) suivre = [&](std::size_t k) { progression(k, fichiers.size()); };
    return preparerDossier(dossier, fichiers, nomsTablesCsv(), suivre, enPlace);
}

void ecrireRapportHtml(const std::string& chemin, const DonneesRapport& d) {
    installerTout({preparerRapportHtml(chemin, d).get()});
}

void ecrireTablesCsv(const std::string& dossier, const DonneesRapport& d,
                     const std::function<void(std::size_t, std::size_t)>& progression) {
    installerTout({preparerTablesCsv(dossier, d, progression).get()});
}

}  // namespace kestrane
