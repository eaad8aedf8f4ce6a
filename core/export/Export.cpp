// The HTML page and the CSV files of a report.
#include "core/export/Export.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/export/TablesAudience.h"
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

// The page is handed to its writer in pieces of about this size, so that a long table is not
// held whole: the same memory is written again and again.
constexpr std::size_t kMorceauHtml = std::size_t{1} << 18;

void tableHtml(const std::vector<std::vector<std::string>>& lignes, std::size_t debut,
               std::size_t fin, const TableExportee& t, std::string& s, const Ecrivain& ecrire) {
    s += t.triable ? "<table class=\"triable\"><thead><tr>" : "<table><thead><tr>";
    for (const std::string& e : t.entetes) s += "<th>" + echapperHtml(utf8Depuis1252(e)) + "</th>";
    s += "</tr></thead><tbody>\n";
    for (std::size_t k = debut; k < fin; ++k) {
        s += "<tr>";
        for (std::size_t c = 0; c < lignes[k].size(); ++c) {
            s += c < t.numeriques.size() && t.numeriques[c] ? "<td class=\"n\">" : "<td>";
            ajouterTexteJournal(s, lignes[k][c]);
            s += "</td>";
        }
        s += "</tr>\n";
        if (s.size() >= kMorceauHtml) {
            ecrire(s);
            s.clear();
        }
    }
    s += "</tbody></table>\n";
}

// Readable results: the chart follows the page's width, down to a phone's 390 pixels, with each
// label above its bar and the value after it, all within the view.
void grapheSvgEtroit(const TableExportee& t, std::string& s) {
    constexpr int kLargeur = 390, kPlace = 80, kPas = 30;
    const double maximum = std::max(1.0, *std::max_element(t.valeurs.begin(), t.valeurs.end()));
    const int hauteur = t.points * kPas + 6;
    s += "<svg class=\"graphe\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
         std::to_string(kLargeur) + " " + std::to_string(hauteur) +
         "\" style=\"width:100%;max-width:760px\" role=\"img\" aria-label=\"" +
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
void grapheSvg(const TableExportee& t, std::string& s, bool etroit = false) {
    if (t.points <= 0) return;
    if (etroit) return grapheSvgEtroit(t, s);
    constexpr int kLargeur = 760, kMarge = 260, kHauteurBarre = 16, kPas = 20;
    const double maximum = std::max(1.0, *std::max_element(t.valeurs.begin(), t.valeurs.end()));
    const int hauteur = t.points * kPas + 10;
    s += "<svg class=\"graphe\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
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
    "body{font-family:Arial,Helvetica,sans-serif;margin:2em;color:#222}"
    "h1{background:#000;color:#fff;padding:.4em;text-align:center;font-size:1.4em}"
    "h2{border-bottom:2px solid #036;color:#036;font-size:1.1em;margin-top:2em}"
    "table{border-collapse:collapse;margin:.5em 0}"
    "th,td{border:1px solid #bbb;padding:2px 8px;text-align:left}"
    "th{background:#e4e8f0}td.n{text-align:right;font-variant-numeric:tabular-nums}"
    "summary{cursor:pointer;color:#036;margin:.3em 0}"
    "svg.graphe rect{fill:#2a6fb0}svg.graphe text{font-size:11px;font-family:Arial,sans-serif}"
    "footer{margin-top:3em;color:#666;font-size:.9em}";

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

// "38477 lignes analysées sur 38487 lignes lues (10 lignes ignorées)".
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
    ligne(kLignesLuesTitre, std::to_string(lues));
    ligne(kLignesAnalyseesTitre, std::to_string(d.lignes));
    ligne(kLignesIgnoreesTitre, std::to_string(d.lignesIgnorees));
    ligne(kLignesHorsPeriodeTitre, std::to_string(d.lignesHorsPeriode));
    if (!d.filtre.empty()) {
        ligne(kFiltreTitre, d.filtre);
        ligne(kLignesHorsFiltreTitre, std::to_string(d.lignesHorsFiltre));
    }
    ligne(kPremiereDate, utf8DuJournal(m.premiereDate));
    ligne(kDerniereDate, utf8DuJournal(m.derniereDate));
    ligne(kClientsDistincts, std::to_string(m.clients));
    ligne(kEnteteRequetes, std::to_string(d.lignes));
    const std::string octets = utf8Depuis1252(texteNombre(m.octets, FormatNombre::octets));
    if (m.octetsAuDela.empty()) {
        ligne(kOctetsEnvoyes, octets + " (" + std::to_string(m.octets) + ")");
    } else {
        ligne(kOctetsEnvoyes, utf8Depuis1252(kPlusDe) + octets + " (" + m.octetsAuDela + ")");
    }
    ligne(kJoursCouverts, std::to_string(m.jours));
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
        grapheSvg(t, s, d.sommaire.present);
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
