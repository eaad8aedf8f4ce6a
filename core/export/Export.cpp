// The HTML page and the CSV files of a report.
#include "core/export/Export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "core/analyse/ResumeAudience.h"
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

// How many leading rows a chart draws: `points` of them when the table has two rows or more (the
// window's rule).
std::size_t pointsDuGraphe(std::size_t lignes, int points) {
    return lignes >= 2 && points > 0 ? std::min<std::size_t>(lignes, points) : 0;
}

TableExportee depuisTable(std::string_view titre, const char* fichier, std::string_view entete0,
                          std::string_view entete1, const tableauRapportStat& table, int points,
                          FormatNombre format = FormatNombre::entier) {
    TableExportee t = tableDeComptes(titre, fichier, entete0, entete1);
    // A sum of doubles: byte totals may together pass the 64-bit range.
    double total = 0;
    for (const rapportStat& e : table) total += static_cast<double>(e.nombre);
    t.lignes.reserve(table.size());
    t.parts.reserve(table.size());
    for (const rapportStat& e : table) {
        t.lignes.push_back({e.libelle, format == FormatNombre::entier
                                           ? decimal(e.nombre)
                                           : texteNombre(e.nombre, format)});
        t.parts.push_back(partTexte(static_cast<double>(e.nombre), total));
    }
    const double echelle = format == FormatNombre::dixiemes ? 10.0 : 1.0;
    const std::size_t n = pointsDuGraphe(table.size(), points);
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

const Texte kMoisFrancais[] = {TexteU("janvier"), TexteU("f\u00e9vrier"), TexteU("mars"),
                               TexteU("avril"),   TexteU("mai"),          TexteU("juin"),
                               TexteU("juillet"), TexteU("ao\u00fbt"),    TexteU("septembre"),
                               TexteU("octobre"), TexteU("novembre"),     TexteU("d\u00e9cembre")};

// "20 d\xE9cembre 2023 \xE0 00:17:49" (UTF-8), in the language's words.
std::string jourEtHeure(int32_t a, int32_t m, int32_t j, std::string_view heure) {
    return remplir(TexteU("{} {} {} \u00e0 {}"),
                   {std::to_string(j), kMoisFrancais[m - 1], std::to_string(a), heure});
}

// A log's date ("20/Dec/2023:00:17:49", or with a blank before the time) as French writes it:
// "20 décembre 2023 à 00:17:49" (UTF-8); any other text as it is.
std::string dateFrancaise(std::string_view t) {
    int32_t a, m, j;
    if (t.size() < 11 || !lireDate(t.substr(0, 11), a, m, j)) return utf8DuJournal(t);
    if (t.size() == 20 && (t[11] == ':' || t[11] == ' ')) return jourEtHeure(a, m, j, t.substr(12));
    std::string s = std::to_string(j) + " " + kMoisFrancais[m - 1] + " " + std::to_string(a);
    if (t.size() > 11) s += utf8DuJournal(t.substr(11));
    return s;
}

// The page is handed to its writer in pieces of about this size, so that a long table is not
// held whole: the same memory is written again and again.
constexpr std::size_t kMorceauHtml = std::size_t{1} << 18;

// A share's value: "12,3 %" gives 12.3, "< 0,1 %" 0.05; 0 for any other text.
double valeurPart(std::string_view part) {
    if (!part.empty() && part[0] == '<') return 0.05;
    double v = 0, echelle = 0;
    for (const char c : part) {
        if (c >= '0' && c <= '9') {
            if (echelle > 0) {
                v += (c - '0') * echelle;
                echelle /= 10;
            } else {
                v = v * 10 + (c - '0');
            }
        } else if (c == ',' && echelle == 0) {
            echelle = 0.1;
        } else {
            break;
        }
    }
    return v;
}

// A share cell: its text, and its bar, as long beside the cell's width as the share beside the
// table's largest (`maximum`), in whole percent; none below half a percent, which would not show.
void ajouterPart(std::string& s, std::string_view part, double maximum) {
    const long barre = maximum > 0 ? std::lround(100.0 * valeurPart(part) / maximum) : 0;
    if (barre > 0) {
        s += "<td style=--p:" + std::to_string(barre) + '>';
    } else {
        s += "<td>";
    }
    ajouterEchappe(s, part);
}

// Whether column c of `t` holds byte amounts the page writes in units ("2,5 Mo"): those of the
// Compléments' and the audience's tables. A sortable table keeps the numbers, which its columns
// sort by; the eight tables' byte column (two columns) is written as their grids write it.
bool colonneOctets(const TableExportee& t, std::size_t c) {
    return !t.triable && t.entetes.size() > 2 && c < t.entetes.size() &&
           t.entetes[c] == kEnteteOctets;
}

// A family's cell: its name, and its versions folded beneath with their counts and shares.
void ajouterFamille(std::string& s, const TableExportee& t, std::size_t k) {
    const std::size_t debut = t.debutsVersions[k], fin = t.debutsVersions[k + 1];
    if (fin == debut + 1 && t.versions[debut][1].empty()) {
        ajouterTexteJournal(s, t.familles[k][0]);
        return;
    }
    s += "<details><summary>";
    ajouterTexteJournal(s, t.familles[k][0]);
    s += "</summary><ul>";
    for (std::size_t v = debut; v < fin; ++v) {
        const std::vector<std::string>& l = t.versions[v];
        s += "<li>";
        ajouterTexteJournal(s, l[0]);
        if (!l[1].empty()) {
            s += ' ';
            ajouterTexteJournal(s, l[1]);
        }
        s += " : ";
        ajouterNombre(s, l[2]);
        s += " (";
        ajouterEchappe(s, l[3]);
        s += ")</li>";
    }
    s += "</ul></details>";
}

// The headers as the page and the file write them: "Part" put at its column when the shares are
// apart from the rows.
std::vector<std::string> entetesEcrits(const TableExportee& t) {
    std::vector<std::string> e = t.entetes;
    if (!t.parts.empty() && t.part >= 0 && static_cast<std::size_t>(t.part) <= e.size()) {
        e.insert(e.begin() + t.part, kEntetePart);
    }
    return e;
}

// Rows [debut, fin) of `lignes` (the table's rows or its families) with their shares `parts` put
// at column t.part (none: the rows hold theirs).
void tableHtml(const std::vector<std::vector<std::string>>& lignes,
               const std::vector<std::string>& parts, std::size_t debut, std::size_t fin,
               const TableExportee& t, std::string& s, const Ecrivain& ecrire) {
    // The rows are many: their cells close themselves (the next cell, the next row, the body's
    // end), the columns of numbers and of shares are styled from the table's class ("n2 p3":
    // column 2 holds numbers, column 3 shares).
    const std::size_t colonnePart = t.part < 0 ? SIZE_MAX : static_cast<std::size_t>(t.part);
    const bool inserees = !parts.empty() && colonnePart != SIZE_MAX;
    std::string classes = t.triable ? "triable" : "";
    if (!t.triable) {
        for (std::size_t c = 0; c < t.numeriques.size(); ++c) {
            if (!t.numeriques[c] || c == colonnePart) continue;
            const std::size_t ecrite = c + (inserees && c >= colonnePart ? 1 : 0);
            if (ecrite < 9) classes += (classes.empty() ? "n" : " n") + std::to_string(ecrite + 1);
        }
    }
    if (colonnePart < 8) {
        classes += (classes.empty() ? "p" : " p") + std::to_string(colonnePart + 1);
    }
    s += classes.empty() ? std::string("<div class=\"defile\"><table>")
                         : "<div class=\"defile\"><table class=\"" + classes + "\">";
    // The bars' scale: the largest share of the table, folded rows included.
    double maximum = 0;
    if (colonnePart != SIZE_MAX) {
        if (!parts.empty()) {
            for (const std::string& p : parts) maximum = std::max(maximum, valeurPart(p));
        } else {
            for (const auto& l : lignes) {
                if (colonnePart < l.size()) maximum = std::max(maximum, valeurPart(l[colonnePart]));
            }
        }
    }
    // Named for a screen reader; the heading above already shows the title.
    s += "<caption>" + echapperHtml(utf8Depuis1252(t.titre)) + (debut > 0 ? " (suite)" : "") +
         "</caption><thead><tr>";
    for (const std::string& e : entetesEcrits(t)) {
        s += "<th scope=\"col\">" + echapperHtml(utf8Depuis1252(e)) + "</th>";
    }
    s += "</tr></thead><tbody>\n";
    const bool familles = &lignes == &t.familles;
    for (std::size_t k = debut; k < fin; ++k) {
        s += "<tr>";
        for (std::size_t c = 0; c <= lignes[k].size(); ++c) {
            if (c == colonnePart && !parts.empty()) {
                ajouterPart(s, k < parts.size() ? std::string_view(parts[k]) : std::string_view(),
                            maximum);
            }
            if (c == lignes[k].size()) break;
            if (c == colonnePart && parts.empty()) {
                ajouterPart(s, lignes[k][c], maximum);
            } else if (c < t.numeriques.size() && t.numeriques[c]) {
                // A sortable table's script finds its numbers by their class.
                s += t.triable ? "<td class=n>" : "<td>";
                int64_t n = 0;
                const std::string& texte = lignes[k][c];
                const auto [bout, erreur] =
                    std::from_chars(texte.data(), texte.data() + texte.size(), n);
                if (colonneOctets(t, c) && erreur == std::errc() &&
                    bout == texte.data() + texte.size() && n >= 0) {
                    s += utf8Depuis1252(texteNombre(n, FormatNombre::octets));
                } else {
                    ajouterNombre(s, texte);
                }
            } else {
                s += "<td>";
                if (c == 0 && familles) {
                    ajouterFamille(s, t, k);
                } else {
                    ajouterTexteJournal(s, lignes[k][c]);
                }
            }
        }
        s += '\n';
        if (s.size() >= kMorceauHtml) {
            ecrire(s);
            s.clear();
        }
    }
    s += "</tbody></table></div>\n";
}

// A phone's chart: it follows the page's width, down to 390 pixels, with each label above its
// bar and the value after it, all within the view, its texts 11 pixels high or more.
// A chart's title and text alternative, named by ids made from `id`, after the role that makes
// the drawing one image.
void nommerGraphe(std::string& s, const std::string& id, const std::string& titre,
                  const std::string& description) {
    s += "role=\"img\" aria-labelledby=\"" + id + "t " + id + "d\"><title id=\"" + id + "t\">" +
         echapperHtml(titre) + "</title><desc id=\"" + id + "d\">" + echapperHtml(description) +
         "</desc>\n";
}

// A value beside a chart's bar: a count in groups of three digits, as the tables write it.
std::string nombreDuGraphe(std::string_view texte) {
    std::string s;
    ajouterNombre(s, texte);
    return s;
}

// The rows the page shows: the families of a table that has them.
const std::vector<std::vector<std::string>>& montrees(const TableExportee& t) {
    return t.debutsVersions.empty() ? t.lignes : t.familles;
}

// What a chart of the leading rows tells: which rows it draws, whose figures the table holds.
std::string descriptionBarres(const TableExportee& t) {
    std::string d =
        "Barres des " + std::to_string(t.points) + " premi\xC3\xA8res lignes du tableau qui suit";
    for (int k = 0; k < t.points && k < 3; ++k) {
        d += k == 0 ? " : " : ", ";
        d += utf8DuJournal(montrees(t)[k][0]) + " (" + utf8DuJournal(montrees(t)[k][1]) + ")";
    }
    return d + (t.points > 3 ? "\xE2\x80\xA6" : "");
}

void grapheSvgEtroit(const TableExportee& t, std::string& s, const std::string& id) {
    constexpr int kLargeur = 360, kPlace = 80, kPas = 32;
    const double maximum = std::max(1.0, *std::max_element(t.valeurs.begin(), t.valeurs.end()));
    const int hauteur = t.points * kPas + 6;
    s += "<svg class=\"graphe etroit\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
         std::to_string(kLargeur) + " " + std::to_string(hauteur) +
         "\" style=\"width:100%;max-width:760px\" ";
    nommerGraphe(s, id + "e", utf8Depuis1252(t.titre), descriptionBarres(t));
    for (int k = 0; k < t.points; ++k) {
        const double v = std::max(0.0, t.valeurs[k]);
        const int y = 3 + k * kPas;
        const int l = static_cast<int>(std::lround(v / maximum * (kLargeur - kPlace)));
        const std::string libelle = couperUtf8(utf8DuJournal(montrees(t)[k][0]), 55);
        s += "<text x=\"2\" y=\"" + std::to_string(y + 11) + "\">" + echapperHtml(libelle) +
             "</text>";
        s += "<rect x=\"2\" y=\"" + std::to_string(y + 14) + "\" width=\"" + std::to_string(l) +
             "\" height=\"12\"/>";
        s += "<text x=\"" + std::to_string(l + 6) + "\" y=\"" + std::to_string(y + 25) + "\">" +
             nombreDuGraphe(montrees(t)[k][1]) + "</text>\n";
    }
    s += "</svg>\n";
}

// Horizontal bars, one per point, labelled with the row's first cell and its value.
void grapheSvg(const TableExportee& t, std::string& s, const std::string& id) {
    if (t.points <= 0) return;
    // The phone's drawing first, hidden on a wide page (and the wide one on a phone).
    grapheSvgEtroit(t, s, id);
    constexpr int kLargeur = 760, kMarge = 260, kHauteurBarre = 16, kPas = 20;
    const double maximum = std::max(1.0, *std::max_element(t.valeurs.begin(), t.valeurs.end()));
    const int hauteur = t.points * kPas + 10;
    s += "<svg class=\"graphe large\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
         std::to_string(kLargeur) + " " + std::to_string(hauteur) + "\" width=\"" +
         std::to_string(kLargeur) + "\" height=\"" + std::to_string(hauteur) + "\" ";
    nommerGraphe(s, id + "l", utf8Depuis1252(t.titre), descriptionBarres(t));
    for (int k = 0; k < t.points; ++k) {
        const double v = std::max(0.0, t.valeurs[k]);
        const int y = 5 + k * kPas;
        const int l = static_cast<int>(std::lround(v / maximum * (kLargeur - kMarge - 90)));
        const std::string libelle = couperUtf8(utf8DuJournal(montrees(t)[k][0]), 38);
        s += "<text x=\"" + std::to_string(kMarge - 6) + "\" y=\"" + std::to_string(y + 12) +
             "\" text-anchor=\"end\">" + echapperHtml(libelle) + "</text>";
        s += "<rect x=\"" + std::to_string(kMarge) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
             std::to_string(l) + "\" height=\"" + std::to_string(kHauteurBarre) + "\"/>";
        s += "<text x=\"" + std::to_string(kMarge + l + 4) + "\" y=\"" + std::to_string(y + 12) +
             "\">" + nombreDuGraphe(montrees(t)[k][1]) + "</text>\n";
    }
    s += "</svg>\n";
}

// A coordinate with one decimal.
void ajouterCoordonnee(std::string& s, double v) {
    char t[24];
    const int n = std::snprintf(t, sizeof t, "%.1f", v);
    s.append(t, static_cast<std::size_t>(n));
}

// The whole number of a cell (0 for any other text).
double valeurCellule(const std::string& texte) {
    int64_t n = 0;
    std::from_chars(texte.data(), texte.data() + texte.size(), n);
    return static_cast<double>(n);
}

// A row's label on the time axis: "20/12" for "20/12/2023", the hour as it is.
std::string libelleTemps(const std::string& texte) {
    return texte.size() == 10 && texte[2] == '/' ? texte.substr(0, 5) : utf8DuJournal(texte);
}

// The requests of each row in order (days or hours) as an area, and the visitors (column 2, when
// the table has it) as a line over it; drawn for a phone and for a wide page as the bar charts.
void grapheActivite(const TableExportee& t, std::string& s, const std::string& id) {
    const std::size_t n = t.lignes.size();
    if (n < 2) return;
    const bool visiteurs = t.entetes.size() > 2;
    double maximum = 1;
    std::size_t pic = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double r = valeurCellule(t.lignes[k][1]);
        if (r > valeurCellule(t.lignes[pic][1])) pic = k;
        maximum = std::max(maximum, r);
        if (visiteurs) maximum = std::max(maximum, valeurCellule(t.lignes[k][2]));
    }
    const std::string titre = utf8Depuis1252(t.titre);
    std::string description =
        titre + " (" + libelleTemps(t.lignes.front()[0]) + " \xC3\xA0 " +
        libelleTemps(t.lignes.back()[0]) + ") : au plus " +
        nombreFrancais(static_cast<int64_t>(valeurCellule(t.lignes[pic][1]))) +
        " requ\xC3\xAAtes (" + utf8DuJournal(t.lignes[pic][0]) + ")";
    description += "; les chiffres de chaque ligne sont dans le tableau qui suit";
    struct Format {
        const char* classe;
        int largeur, hauteur, etiquettes;
    };
    for (const Format f : {Format{"etroit", 360, 200, 3}, Format{"large", 760, 240, 7}}) {
        const double x0 = 44, x1 = f.largeur - 8, y0 = 24, y1 = f.hauteur - 22;
        const auto x = [&](std::size_t k) {
            return x0 + (x1 - x0) * static_cast<double>(k) / static_cast<double>(n - 1);
        };
        const auto y = [&](double v) { return y1 - (y1 - y0) * std::max(0.0, v) / maximum; };
        s += std::string("<svg class=\"graphe ") + f.classe +
             " activite\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
             std::to_string(f.largeur) + " " + std::to_string(f.hauteur) + "\" ";
        s += f.etiquettes == 3 ? "style=\"width:100%;max-width:760px\" "
                               : "width=\"" + std::to_string(f.largeur) + "\" height=\"" +
                                     std::to_string(f.hauteur) + "\" ";
        nommerGraphe(s, id + f.classe[0], titre, description);
        // The scale: the largest value at the top, 0 at the bottom.
        s += "<line x1=\"40\" y1=\"" + std::to_string(static_cast<int>(y0)) + "\" x2=\"" +
             std::to_string(static_cast<int>(x1)) + "\" y2=\"" +
             std::to_string(static_cast<int>(y0)) + "\"/><line x1=\"40\" y1=\"" +
             std::to_string(static_cast<int>(y1)) + "\" x2=\"" +
             std::to_string(static_cast<int>(x1)) + "\" y2=\"" +
             std::to_string(static_cast<int>(y1)) + "\"/>";
        s += "<text x=\"38\" y=\"" + std::to_string(static_cast<int>(y0) + 4) +
             "\" text-anchor=\"end\">" + nombreFrancais(static_cast<int64_t>(maximum)) +
             "</text><text x=\"38\" y=\"" + std::to_string(static_cast<int>(y1) + 4) +
             "\" text-anchor=\"end\">0</text>\n";
        s += "<polygon class=\"r\" points=\"";
        ajouterCoordonnee(s, x0);
        s += ',';
        ajouterCoordonnee(s, y1);
        for (std::size_t k = 0; k < n; ++k) {
            s += ' ';
            ajouterCoordonnee(s, x(k));
            s += ',';
            ajouterCoordonnee(s, y(valeurCellule(t.lignes[k][1])));
        }
        s += ' ';
        ajouterCoordonnee(s, x1);
        s += ',';
        ajouterCoordonnee(s, y1);
        s += "\"/>\n";
        if (visiteurs) {
            s += "<polyline class=\"v\" points=\"";
            for (std::size_t k = 0; k < n; ++k) {
                if (k > 0) s += ' ';
                ajouterCoordonnee(s, x(k));
                s += ',';
                ajouterCoordonnee(s, y(valeurCellule(t.lignes[k][2])));
            }
            s += "\"/>\n";
        }
        // A few rows named along the time axis, the first and the last among them.
        const std::size_t etiquettes =
            std::min<std::size_t>(n, static_cast<std::size_t>(f.etiquettes));
        for (std::size_t e = 0; e < etiquettes; ++e) {
            const std::size_t k = etiquettes > 1 ? e * (n - 1) / (etiquettes - 1) : 0;
            s += "<text x=\"";
            ajouterCoordonnee(s, x(k));
            s += "\" y=\"" + std::to_string(f.hauteur - 6) + "\" text-anchor=\"" +
                 (e == 0                ? "start"
                  : e + 1 == etiquettes ? "end"
                                        : "middle") +
                 "\">" + echapperHtml(libelleTemps(t.lignes[k][0])) + "</text>";
        }
        // The legend, above the area.
        s += "<rect class=\"r\" x=\"44\" y=\"4\" width=\"12\" height=\"10\"/><text x=\"60\" "
             "y=\"13\">" +
             echapperHtml(utf8Depuis1252(t.entetes[1])) + "</text>";
        if (visiteurs) {
            s += "<line class=\"v\" x1=\"150\" y1=\"9\" x2=\"164\" y2=\"9\"/><text x=\"168\" "
                 "y=\"13\">" +
                 echapperHtml(utf8Depuis1252(t.entetes[2])) + "</text>";
        }
        s += "\n</svg>\n";
    }
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
    "th{background:#e4e8f0;overflow-wrap:normal}td.n,table.n2 td:nth-child(2),table.n3 "
    "td:nth-child(3),"
    "table.n4 td:nth-child(4),table.n5 td:nth-child(5),table.n6 td:nth-child(6),"
    "table.n7 td:nth-child(7),table.n8 td:nth-child(8),table.n9 td:nth-child(9)"
    "{text-align:right;font-variant-numeric:tabular-nums;overflow-wrap:normal;white-space:nowrap}"
    "summary{cursor:pointer;color:#036;margin:.3em 0}"
    // A table's caption is for screen readers: its heading shows the same title.
    "caption{position:absolute;width:1px;height:1px;overflow:hidden;clip-path:inset(50%);"
    "white-space:nowrap}"
    // A share's bar, drawn behind its figure (the column's place is in its table's class).
    "table.p2 td:nth-child(2),table.p3 td:nth-child(3),table.p4 td:nth-child(4),"
    "table.p5 td:nth-child(5),table.p6 td:nth-child(6),table.p7 td:nth-child(7),"
    "table.p8 td:nth-child(8){text-align:right;white-space:nowrap;min-width:5em;"
    "background:linear-gradient(90deg,#c9dcf2 calc(var(--p,0)*1%),transparent 0)}"
    "td details ul{margin:.2em 0;padding-left:1.2em}"
    "svg.activite line{stroke:#999;stroke-width:.5}svg.activite polygon.r{fill:#2a6fb0;"
    "fill-opacity:.35;stroke:#2a6fb0}svg.activite .v{fill:none;stroke:#c0561a;stroke-width:2}"
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
    "svg.graphe rect{fill:#5b9bd8}table[class] "
    "td[style]:nth-child(n){background:linear-gradient(90deg,"
    "#2c4a6e calc(var(--p,0)*1%),transparent 0)}svg.activite .v{stroke:#f0a060}"
    "footer{color:#999}}"
    "@media print{body{margin:0;color:#000;background:#fff}h1{background:none;color:#000}"
    "div.defile{overflow:visible}section{break-inside:avoid-page}summary{display:none}"
    "td[style]{print-color-adjust:exact;-webkit-print-color-adjust:exact}td summary{display:block}"
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

// One card of the overview: its caption (UTF-8), its figure as the page writes it and as
// resume.csv does (plain numbers), and whether it is a date.
struct Carte {
    std::string libelle;
    std::string page, csv;
    bool date = false;
    std::string libelleCsv = {};  // when the caption alone would not say it
};

// The overview's cards, a card per figure known, the largest text first.
std::vector<Carte> cartesApercu(const DonneesRapport& d) {
    const DonneesRapport::Apercu& a = d.apercu;
    std::vector<Carte> cartes;
    const auto nombre = [&](const std::optional<int64_t>& n, const Texte& libelle) {
        if (n) cartes.push_back({libelle, nombreFrancais(*n), std::to_string(*n)});
    };
    nombre(d.lignes, TexteU("requ\u00eates"));
    nombre(a.visiteurs, TexteU("visiteurs uniques"));
    nombre(a.visites, TexteU("visites"));
    cartes.push_back({TexteU("envoy\u00e9s"),
                      utf8Depuis1252(texteNombre(a.octets, FormatNombre::octets)),
                      std::to_string(a.octets), false, TexteU("octets envoy\u00e9s")});
    nombre(a.introuvables, TexteU("pages introuvables (404)"));
    nombre(a.erreurs, TexteU("erreurs du serveur (5xx)"));
    nombre(d.lignesIgnorees, TexteU("lignes ignor\u00e9es"));
    if (!a.premiere.empty()) {
        cartes.push_back({TexteU("premi\u00e8re requ\u00eate"), a.premiere, a.premiere, true});
    }
    if (!a.derniere.empty()) {
        cartes.push_back({TexteU("derni\u00e8re requ\u00eate"), a.derniere, a.derniere, true});
    }
    return cartes;
}

void apercuHtml(const DonneesRapport& d, std::string& s) {
    s += "<section class=\"apercu\" aria-label=\"Aper\xC3\xA7u\">";
    for (const Carte& c : cartesApercu(d)) {
        s += std::string("<div class=\"carte\"><span class=\"v") + (c.date ? " d" : "") + "\">" +
             echapperHtml(c.page) + "</span><span class=\"l\">" + c.libelle + "</span></div>";
    }
    s += "</section>\n";
}

// What the report covers, for a reader who never sees the window: the journals, the period,
// what became of the lines, the dates and the totals.
void sommaireHtml(const DonneesRapport& d, std::string& s) {
    const DonneesRapport::Sommaire& m = d.sommaire;
    // The captions are the program's (Windows-1252), the values UTF-8.
    const auto ligne = [&s](std::string_view libelle, const std::string& valeur) {
        s += "<tr><th scope=\"row\">" + utf8Depuis1252(libelle) + "</th><td>" +
             echapperHtml(valeur) + "</td></tr>";
    };
    s += "<table class=\"sommaire\"><caption>Sommaire</caption><tbody>";
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
    return jourEtHeure(a, m, j, heure);
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

namespace {

// "Chrome 120" as "Chrome" and "120", "Windows XP" as "Windows" and "XP" (the catalogue names
// those versions so); any other name without a number at its end is a family alone.
std::pair<std::string_view, std::string_view> familleEtVersion(std::string_view nom) {
    const std::size_t blanc = nom.rfind(' ');
    if (blanc == std::string_view::npos || blanc == 0 || blanc + 1 == nom.size()) return {nom, {}};
    const std::string_view famille = nom.substr(0, blanc), version = nom.substr(blanc + 1);
    const bool chiffres = std::all_of(version.begin(), version.end(),
                                      [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    const bool windows = famille == "Windows" && (version == "XP" || version == "Vista" ||
                                                  version == "ME" || version == "NT");
    return chiffres || windows ? std::pair{famille, version} : std::pair{nom, std::string_view()};
}

// The day of a day number as the tables write it: "20/12/2023".
std::string texteJour(int64_t numero) {
    int32_t a, m, j;
    dateDuJour(numero, a, m, j);
    char t[24];
    std::snprintf(t, sizeof t, "%02d/%02d/%04d", static_cast<int>(j), static_cast<int>(m),
                  static_cast<int>(a));
    return t;
}

// The browsers' table without what robots' agents made (those in the robots' own table).
tableauRapportStat sansRobots(const tableauRapportStat& navigateurs,
                              const tableauRapportStat& robots) {
    std::unordered_map<std::string_view, int64_t> parNom;
    for (const rapportStat& r : robots) parNom[r.libelle] += r.nombre;
    tableauRapportStat t;
    for (const rapportStat& e : navigateurs) {
        const auto r = parNom.find(e.libelle);
        const int64_t n = e.nombre - (r == parNom.end() ? 0 : r->second);
        if (n > 0) t.push_back({e.libelle, e.complement, n});
    }
    ordonnerParFrequence(t);
    return t;
}

}  // namespace

std::string partTexte(double n, double total) {
    return pourcentFrancais(total > 0 ? 100.0 * n / total : 0.0);
}

TableExportee tableDeComptes(std::string_view titre, const char* fichier, std::string_view entete0,
                             std::string_view entete1) {
    TableExportee t;
    t.titre = titre;
    t.fichier = fichier;
    t.entetes = {std::string(entete0), std::string(entete1)};
    t.numeriques = {false, true};
    t.part = 2;
    return t;
}

TableExportee tableParFamilles(std::string_view titre, const char* fichier, std::string_view entete,
                               const tableauRapportStat& table, int points) {
    struct Famille {
        std::string_view nom;
        int64_t nombre = 0;
        std::vector<const rapportStat*> versions;
    };
    std::vector<Famille> familles;
    std::unordered_map<std::string_view, std::size_t> numeros;
    double total = 0;
    for (const rapportStat& e : table) {
        total += static_cast<double>(e.nombre);
        const std::string_view nom = familleEtVersion(e.libelle).first;
        const auto [place, nouvelle] = numeros.try_emplace(nom, familles.size());
        if (nouvelle) familles.push_back({nom, 0, {}});
        Famille& f = familles[place->second];
        f.nombre += e.nombre;
        f.versions.push_back(&e);
    }
    const auto plusFrequente = [](const auto& x, const auto& y) { return x.nombre > y.nombre; };
    std::stable_sort(familles.begin(), familles.end(), plusFrequente);
    TableExportee t = tableDeComptes(titre, fichier, entete, kEnteteOccurences);
    // The rows as they were, for the history page, and their shares.
    for (const rapportStat& e : table) {
        t.lignes.push_back({e.libelle, std::to_string(e.nombre)});
        t.parts.push_back(partTexte(static_cast<double>(e.nombre), total));
    }
    t.entetesVersions = {TexteU("Famille"), "Version", kEnteteOccurences, kEntetePart};
    for (Famille& f : familles) {
        std::stable_sort(
            f.versions.begin(), f.versions.end(),
            [](const rapportStat* x, const rapportStat* y) { return x->nombre > y->nombre; });
        t.familles.push_back({std::string(f.nom), std::to_string(f.nombre)});
        t.partsFamilles.push_back(partTexte(static_cast<double>(f.nombre), total));
        t.debutsVersions.push_back(t.versions.size());
        for (const rapportStat* v : f.versions) {
            t.versions.push_back(
                {std::string(f.nom), std::string(familleEtVersion(v->libelle).second),
                 std::to_string(v->nombre), partTexte(static_cast<double>(v->nombre), total)});
        }
    }
    t.debutsVersions.push_back(t.versions.size());
    const std::size_t n = pointsDuGraphe(t.familles.size(), points);
    t.points = static_cast<int>(n);
    for (std::size_t k = 0; k < n; ++k)
        t.valeurs.push_back(static_cast<double>(familles[k].nombre));
    return t;
}

TableExportee tableActivite(const ResultatAnalyse& r) {
    TableExportee t;
    t.fichier = "activite.csv";
    t.numeriques = {false, true};
    const Complements* c = r.complements ? &*r.complements : nullptr;
    const bool unJour = c ? c->jours.size() == 1 : r.lisibles.parJour.size() == 1;
    if (unJour && r.lisibles.actifs && r.lisibles.heures.jours > 0) {
        // One day: its hours, which the readable results count.
        t.titre = Texte("Requ\xEAtes par heure");
        t.entetes = {"Heure", kEnteteRequetes};
        for (int h = 0; h < 24; ++h) {
            char heure[8];
            std::snprintf(heure, sizeof heure, "%02d h", h);
            t.lignes.push_back(
                {heure, std::to_string(r.lisibles.heures.lignes[static_cast<std::size_t>(h)])});
        }
        return t;
    }
    t.entetes = {kEnteteJour, kEnteteRequetes};
    if (c && !c->jours.empty()) {
        for (const CompteJour& j : c->jours) {
            t.lignes.push_back({texteJour(joursDepuisEpoque(j.annee, j.mois, j.jour)),
                                std::to_string(j.requetes)});
        }
        if (r.audience) {
            t.entetes.push_back(kVisiteursUniques);
            t.numeriques.push_back(true);
            const std::vector<JourAudience> parJour = joursAudience(*c, *r.audience);
            for (std::size_t k = 0; k < t.lignes.size(); ++k) {
                t.lignes[k].push_back(
                    std::to_string(k < parJour.size() ? parJour[k].visiteurs : 0));
            }
        }
    } else if (r.lisibles.actifs && !r.lisibles.parJour.empty()) {
        const std::vector<LignesDuJour>& jours = r.lisibles.parJour;
        // Every day from the first to the last, those without a line at 0, as the Compléments'
        // days; a journal spanning centuries only its days with lines.
        const bool continus = jours.back().jour - jours.front().jour < kJoursContinusMax;
        std::size_t k = 0;
        for (int64_t jour = jours.front().jour; k < jours.size(); ++jour) {
            if (!continus) jour = jours[k].jour;
            const int64_t n = jours[k].jour == jour ? jours[k++].lignes : 0;
            t.lignes.push_back({texteJour(jour), std::to_string(n)});
        }
    }
    t.titre = t.entetes.size() > 2 ? Texte("Requ\xEAtes et visiteurs par jour")
                                   : Texte("Requ\xEAtes par jour");
    return t;
}

TableExportee tableResume(const DonneesRapport& d) {
    TableExportee t;
    t.fichier = "resume.csv";
    t.entetes = {kEnteteMesure, kEnteteValeur};
    // Texts both: the guard against a spreadsheet's formulas leaves plain numbers as they are.
    t.numeriques = {false, false};
    for (const Carte& c : cartesApercu(d)) {
        // The captions are UTF-8 and the cells' texts are read as the log's: both kept as they are.
        std::string libelle = c.libelleCsv.empty() ? c.libelle : c.libelleCsv;
        if (libelle[0] >= 'a' && libelle[0] <= 'z')
            libelle[0] = static_cast<char>(libelle[0] - 'a' + 'A');
        t.lignes.push_back({libelle, c.csv});
    }
    return t;
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
    if (r.lisibles.actifs && !r.lisibles.sansAgent) {
        // Systems and browsers by family, their versions beneath. Robots apart when the analysis
        // told them (a base of days whose every day kept them, too), in a table of their own;
        // with the audience's table of robots (the Compléments), which says more of them (their
        // bytes, each robot by its name), not twice. Robots untold stay among the browsers.
        d.tables[1] =
            tableParFamilles(kTitreSystemes, "systemes.csv", kEnteteSysteme, r.tables.statOS, 50);
        if (r.lisibles.robotsConnus) {
            d.tables[2] =
                tableParFamilles(Texte("Navigateurs"), "navigateurs.csv", Texte("Navigateur"),
                                 sansRobots(r.tables.statNav, r.lisibles.robots), 50);
            // No table of no robot.
            if (!r.lisibles.robots.empty() && !(complements && r.audience)) {
                d.tables.insert(d.tables.begin() + 3,
                                tableParFamilles(kTitreRobots, "robots-agents.csv", kEnteteRobot,
                                                 r.lisibles.robots, 50));
            }
        } else {
            d.tables[2] = tableParFamilles(kTitreNavigateurs, "navigateurs-robots.csv",
                                           kEnteteNavigateur, r.tables.statNav, 50);
        }
    }
    d.activite = tableActivite(r);
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
    s += langueChoisie() == Langue::anglais ? "<!DOCTYPE html>\n<html lang=\"en\">"
                                            : "<!DOCTYPE html>\n<html lang=\"fr\">";
    s += "<head><meta charset=\"utf-8\">"
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
    if (!d.activite.lignes.empty()) {
        const TableExportee& t = d.activite;
        s += "<section id=\"activite\"><h2>" + echapperHtml(utf8Depuis1252(t.titre)) + "</h2>\n";
        grapheActivite(t, s, "ga");
        s += "<details><summary>" + utf8Depuis1252(texteVoirTout(t.lignes.size())) + "</summary>\n";
        tableHtml(t.lignes, t.parts, 0, t.lignes.size(), t, s, ecrire);
        s += "</details>\n</section>\n";
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
        grapheSvg(t, s, "g" + std::to_string(k + 1));
        const bool familles = !t.debutsVersions.empty();
        const auto& lignes = familles ? t.familles : t.lignes;
        const auto& parts = familles ? t.partsFamilles : t.parts;
        const std::size_t visibles =
            t.triable ? lignes.size() : std::min(lignes.size(), kLignesVisibles);
        tableHtml(lignes, parts, 0, visibles, t, s, ecrire);
        if (lignes.size() > visibles) {
            s += "<details><summary>" + utf8Depuis1252(texteVoirTout(lignes.size())) +
                 "</summary>\n";
            tableHtml(lignes, parts, visibles, lignes.size(), t, s, ecrire);
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
    // Which written columns hold numbers, the shares put among them; a family's versions: the
    // version, the count and the share.
    std::vector<bool> numeriques = t.numeriques;
    if (!t.debutsVersions.empty()) {
        numeriques = {false, true, true, true};
    } else if (!t.parts.empty() && t.part >= 0) {
        numeriques.insert(numeriques.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                   t.part, numeriques.size())),
                          true);
    }
    const auto ligne = [&](const std::vector<std::string>& cellules, bool entete) {
        for (std::size_t c = 0; c < cellules.size(); ++c) {
            if (c > 0) s += ';';
            const bool nombre = c < numeriques.size() && numeriques[c];
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
    if (t.debutsVersions.empty() && !t.parts.empty()) {
        // The shares put at their column, the cells before them and after.
        const std::size_t p = static_cast<std::size_t>(std::max(t.part, 0));
        std::vector<std::string> l;
        ligne(entetesEcrits(t), true);
        for (std::size_t k = 0; k < t.lignes.size(); ++k) {
            l = t.lignes[k];
            l.insert(l.begin() + static_cast<std::ptrdiff_t>(std::min(p, l.size())),
                     k < t.parts.size() ? t.parts[k] : std::string());
            ligne(l, false);
        }
    } else if (t.debutsVersions.empty()) {
        ligne(t.entetes, true);
        for (const auto& l : t.lignes) ligne(l, false);
    } else {
        // A family's versions, one row each: the families' counts are their sums.
        ligne(t.entetesVersions, true);
        for (const auto& l : t.versions) ligne(l, false);
    }
    ecrire(s);
}

std::vector<std::string> nomsTablesCsv() {
    // Those of tablesDeLAnalyse and tablesComplements, without copying the tables.
    return {"resume.csv",
            "activite.csv",
            "adresses-ip.csv",
            "systemes.csv",
            "navigateurs-robots.csv",
            "provenances.csv",
            "fichiers-charges.csv",
            "taux-chargement.csv",
            "tranches-horaires.csv",
            "requetes.csv",
            "codes-retour.csv",
            "pages-introuvables.csv",
            "erreurs-serveur.csv",
            "jours.csv",
            "sites-referents.csv",
            "recherches.csv",
            "robots.csv",
            "methodes.csv",
            "protocoles.csv",
            "pays.csv",
            "hotes-virtuels.csv",
            "temps-reponse.csv",
            "fichiers-detail.csv",
            "sites-detail.csv",
            "adresses-detail.csv",
            "navigateurs.csv",
            "robots-agents.csv",
            "filtre.csv"};
}

std::unique_ptr<SortiePreparee> preparerRapportHtml(const std::string& chemin,
                                                    const DonneesRapport& d) {
    return preparerFichier(chemin, [&](const Ecrivain& e) { produireHtml(d, e); });
}

std::unique_ptr<SortiePreparee> preparerTablesCsv(
    const std::string& dossier, const DonneesRapport& d,
    const std::function<void(std::size_t, std::size_t)>& progression, bool enPlace) {
    std::vector<FichierDuDossier> fichiers;
    // The overview first, then the activity, then the tables, as the page shows them.
    const TableExportee resume = tableResume(d);
    if (d.apercu.present) {
        fichiers.push_back(
            {resume.fichier, [&resume](const Ecrivain& e) { produireCsv(resume, e); }});
    }
    if (!d.activite.lignes.empty()) {
        fichiers.push_back(
            {d.activite.fichier, [&d](const Ecrivain& e) { produireCsv(d.activite, e); }});
    }
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
