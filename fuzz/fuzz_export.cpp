// The report's writers on tables of any bytes: the HTML page well formed (every tag of the page's
// own set, closed in order, a body row's cells by the next cell or row, attributes quoted or bare
// words, no markup and no NUL out of the cells, UTF-8
// throughout), and its tables, read back, equal to the CSV files read back by a reader of the
// format, cell for cell (but the CSV's formula guard).
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/export/Export.h"
#include "tests/commun/Csv.h"

using namespace kestrane;

namespace {

void exiger(bool condition) {
    if (!condition) std::abort();
}

using Lignes = test::LignesCsv;

std::string sansEntites(std::string_view t) {
    static const std::pair<std::string_view, std::string_view> kEntites[] = {
        {"&amp;", "&"},   {"&lt;", "<"},  {"&gt;", ">"},
        {"&quot;", "\""}, {"&#39;", "'"}, {"&#xFFFD;", "\xEF\xBF\xBD"}};
    std::string s;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] != '&') {
            s += t[i++];
            continue;
        }
        bool connue = false;
        for (const auto& [e, c] : kEntites) {
            if (t.substr(i, e.size()) == e) {
                s += c;
                i += e.size();
                connue = true;
                break;
            }
        }
        exiger(connue);  // a raw '&' would start an entity for a reader
    }
    return s;
}

// Checks the page's structure and returns each section's rows of cells: the header, then the
// visible rows and the folded ones (whose repeated header is left out).
std::vector<Lignes> lireHtml(const std::string& h) {
    static const std::string_view kVides[] = {"meta", "rect"};
    static const std::string_view kBalises[] = {
        "html",    "head", "meta", "title",   "style",   "body",    "h1",      "p",
        "section", "h2",   "svg",  "text",    "rect",    "table",   "thead",   "tbody",
        "tr",      "th",   "td",   "details", "summary", "footer",  "div",     "span",
        "caption", "desc", "ul",   "li",      "line",    "polygon", "polyline"};
    std::vector<std::string> ouvertes;
    std::vector<Lignes> tables;
    std::string texte;
    bool enteteRepetee = false;
    std::size_t i = h.find("<html");
    exiger(h.substr(0, i) == "<!DOCTYPE html>\n");
    while (i < h.size()) {
        if (h[i] != '<') {
            exiger(h[i] != '>');
            texte += h[i++];
            continue;
        }
        const std::size_t fin = h.find('>', i);
        exiger(fin != std::string::npos);
        std::string_view balise(h.data() + i + 1, fin - i - 1);
        const bool fermante = !balise.empty() && balise.front() == '/';
        if (fermante) balise.remove_prefix(1);
        const std::string nom(balise.substr(0, balise.find_first_of(" /")));
        bool connue = false;
        for (const auto b : kBalises) connue = connue || nom == b;
        exiger(connue);
        // Attributes: name="value", no quote, '<' or '>' in a value.
        std::size_t guillemets = 0;
        for (const char c : balise) guillemets += c == '"';
        exiger(guillemets % 2 == 0 && balise.find('<') == std::string_view::npos);
        std::string lu = sansEntites(texte);
        texte.clear();
        // A body row's cells and the row itself close where the next one starts, or where the
        // body ends; the line break after a row is no cell's.
        const bool cellule = !fermante && (nom == "td" || nom == "th");
        const bool rangee = (!fermante && nom == "tr") || (fermante && nom == "tbody");
        if ((cellule || rangee) && !ouvertes.empty() &&
            (ouvertes.back() == "td" || ouvertes.back() == "th")) {
            if (rangee && !lu.empty() && lu.back() == '\n') lu.pop_back();
            if (!enteteRepetee) tables.back().back().push_back(lu);
            ouvertes.pop_back();
            lu.clear();
        }
        if (rangee && !ouvertes.empty() && ouvertes.back() == "tr") ouvertes.pop_back();
        if (fermante) {
            exiger(!ouvertes.empty() && ouvertes.back() == nom);
            ouvertes.pop_back();
            if ((nom == "td" || nom == "th") && !enteteRepetee) tables.back().back().push_back(lu);
            if (nom == "thead") enteteRepetee = false;
        } else {
            bool vide = !balise.empty() && balise.back() == '/';
            for (const auto v : kVides) vide = vide || nom == v;
            if (!vide) ouvertes.push_back(nom);
            if (nom == "section") tables.emplace_back();
            if (nom == "thead") enteteRepetee = !tables.back().empty();
            if (nom == "tr" && !enteteRepetee) tables.back().emplace_back();
        }
        i = fin + 1;
    }
    exiger(ouvertes.empty() && texte == "\n");
    return tables;
}

// A count as the page writes it ("1 234"); any other text as it is.
std::string enGroupes(const std::string& texte) {
    int64_t n = 0;
    const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), n);
    const bool compte = erreur == std::errc() && fin == texte.data() + texte.size() &&
                        !texte.empty() && std::to_string(n) == texte;
    return compte ? nombreFrancais(n) : texte;
}

// A table of the input's bytes: rows split at '\n', cells at '\t'.
TableExportee tableDe(std::string_view octets, unsigned graine) {
    TableExportee t;
    t.titre = "Table \xE9";
    t.fichier = "t.csv";
    t.entetes = {"Libell\xE9", "Nombre"};
    t.numeriques = {false, (graine & 1) != 0};
    while (!octets.empty()) {
        const std::size_t n = octets.find('\n');
        std::string_view ligne = octets.substr(0, n);
        octets.remove_prefix(n == std::string_view::npos ? octets.size() : n + 1);
        const std::size_t tab = ligne.find('\t');
        t.lignes.push_back(
            {std::string(ligne.substr(0, tab)),
             tab == std::string_view::npos ? "" : std::string(ligne.substr(tab + 1))});
    }
    t.points = t.lignes.size() >= 2
                   ? static_cast<int>(std::min<std::size_t>(t.lignes.size(), (graine >> 1) % 60))
                   : 0;
    for (int k = 0; k < t.points; ++k) t.valeurs.push_back(k % 7);
    // Shares beside the rows, put between their cells, some too small to draw a bar.
    if (graine & 2) {
        t.part = 1 + static_cast<int>((graine >> 2) & 1);
        for (std::size_t k = 0; k < t.lignes.size(); ++k) {
            t.parts.push_back(pourcentFrancais(static_cast<double>(k * 37 % 1001) / 10.0));
        }
    }
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    if (taille < 2 || taille > 1 << 14) return 0;
    const std::string_view octets(reinterpret_cast<const char*>(donnees) + 2, taille - 2);
    // The first byte: the journal's name's length; the second: the shape of the tables.
    const std::size_t longueurNom = std::min<std::size_t>(donnees[0] % 32, octets.size());
    DonneesRapport d;
    d.nomJournal = std::string(octets.substr(0, longueurNom));
    const std::string_view reste = octets.substr(longueurNom);
    const std::size_t moitie = reste.size() / 2;
    d.tables = {tableDe(reste.substr(0, moitie), donnees[1]),
                tableDe(reste.substr(moitie), donnees[1] ^ 0xFF)};
    std::string html;
    produireHtml(d, [&](std::string_view m) { html += m; });
    exiger(estUtf8(html) && html.find('\0') == std::string::npos);
    const std::vector<Lignes> pages = lireHtml(html);
    exiger(pages.size() == d.tables.size());
    for (std::size_t k = 0; k < d.tables.size(); ++k) {
        const TableExportee& t = d.tables[k];
        std::string csv;
        produireCsv(t, [&](std::string_view m) { csv += m; });
        exiger(estUtf8(csv) && csv.find('\0') == std::string::npos);
        exiger(csv.substr(0, 3) == "\xEF\xBB\xBF");
        const auto relu = test::lireCsv(std::string_view(csv).substr(3));
        exiger(relu.has_value());
        const Lignes& lu = *relu;
        const Lignes& page = pages[k];
        exiger(lu.size() == t.lignes.size() + 1 && page.size() == lu.size());
        const bool parts = !t.parts.empty();
        const std::size_t colonnes = parts ? 3 : 2;
        for (std::size_t l = 0; l < lu.size(); ++l) {
            exiger(lu[l].size() == colonnes && page[l].size() == colonnes);
            for (std::size_t w = 0; w < colonnes; ++w) {
                if (l == 0) {
                    exiger(lu[l][w] == page[l][w]);
                    continue;
                }
                // The share, where it is put, the same in both.
                if (parts && static_cast<int>(w) == t.part) {
                    exiger(lu[l][w] == t.parts[l - 1] && page[l][w] == t.parts[l - 1]);
                    continue;
                }
                const std::size_t c = parts && static_cast<int>(w) > t.part ? w - 1 : w;
                // The CSV keeps the cell; the page writes a count in groups of three digits.
                const std::string brut = utf8DuJournal(t.lignes[l - 1][c]);
                const bool nombre = t.numeriques[c];
                exiger(lu[l][w] == (nombre ? brut : sansFormule(brut)));
                exiger(page[l][w] == (nombre ? enGroupes(brut) : brut));
            }
        }
    }
    return 0;
}
