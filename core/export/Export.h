// The report shared outside the program: one self-contained HTML page (the eight tables, their
// charts as inline SVG, the supplementary tables when asked for) and one CSV file per table, both
// in UTF-8 while the core keeps its texts in Windows-1252.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/analyse/ResultatAnalyse.h"
#include "core/analyse/TablesStat.h"
#include "core/journal/FichierAtomique.h"
#include "core/journal/Texte.h"

namespace kestrane {

// One table of the report: its caption, the headers of its columns and its rows, texts in
// Windows-1252. `points` is the number of leading rows that its chart draws (0: no chart), as the
// window's chart is fed from the same table.
struct TableExportee {
    std::string titre;
    std::string fichier;  // the CSV file's name, without folder
    std::vector<std::string> entetes;
    std::vector<std::vector<std::string>> lignes;
    // Which columns hold numbers (right-aligned in the page); the chart plots column 1.
    std::vector<bool> numeriques;
    int points = 0;
    std::vector<double> valeurs;  // the chart's values, one per leading row
    // When set, what the page shows instead of the rows (Windows-1252). A table without a file
    // name is in the page only.
    std::string note;
    // Whether the page sorts the table by the column whose header is clicked (all its rows then
    // in one table).
    bool triable = false;
    // The column of each row's share of the table ("12,3 %") in the page and the file, drawn as a
    // bar in its cell; -1: none. With `parts`, the shares are put there (with a header "Part")
    // between the rows' own cells, which stay as the history page shows them; without, the rows'
    // column `part` is their share.
    int part = -1;
    std::vector<std::string> parts;
    // Families with their versions (browsers, systems), which the page and the file show instead
    // of the rows: `familles` (name, count) with `partsFamilles`, and family k's versions are
    // versions[debutsVersions[k]] to versions[debutsVersions[k + 1]] (family, version, count,
    // share, under `entetesVersions`). The page folds them beneath their family; the CSV file
    // holds the versions, in the same order.
    std::vector<std::vector<std::string>> familles;
    std::vector<std::string> partsFamilles;
    std::vector<std::vector<std::string>> versions;
    std::vector<std::size_t> debutsVersions;
    std::vector<std::string> entetesVersions;
};

// n's share of `total` as the tables write it: "12,3 %", "< 0,1 %".
std::string partTexte(double n, double total);
// A table of entries and their counts, each row's share put after them (`parts`); its rows to add.
TableExportee tableDeComptes(std::string_view titre, const char* fichier, std::string_view entete0,
                             std::string_view entete1);

struct DonneesRapport {
    // The journal's file name and the period (" du 01/12/2026 00:00:00 au ...", or empty), in
    // UTF-8 as the system and the window give them.
    std::string nomJournal;
    // When several files were analysed as one: their names, oldest first (then `nomJournal` is
    // not used).
    std::vector<std::string> journaux;
    std::string periode;
    std::string dateCreation;
    std::string version;
    int64_t lignes = 0;  // the lines analysed: read, within the period, not skipped
    // The lines read and those left out, when known (0: not told).
    int64_t lignesLues = 0, lignesIgnorees = 0, lignesHorsPeriode = 0;
    // The journal's format when it is not the default (Windows-1252), empty otherwise.
    std::string format;
    // The filter's expression as typed (UTF-8) and the lines it left out, when the lines were
    // filtered (Filtre.h); empty otherwise: the report then says nothing of a filter.
    std::string filtre;
    int64_t lignesHorsFiltre = 0;
    std::vector<TableExportee> tables;
    // The requests (and visitors) of each day, or of each hour for a journal of one day: the chart
    // drawn before the tables, its figures folded beneath it. No rows: no chart.
    TableExportee activite;
    // With readable results, what the page's summary adds to the lines counted.
    struct Sommaire {
        bool present = false;
        // The earliest and latest requests, as the log writes them.
        std::string premiereDate, derniereDate;
        // `jours`: calendar days from the first to the last, as many as the days table's.
        int64_t clients = 0, octets = 0, jours = 0;
        // The bytes of every address together when they pass the 64-bit range (the addresses'
        // own totals fit), in decimal digits; empty otherwise.
        std::string octetsAuDela;
    } sommaire;
    // The overview cards at the top of the page, beside `lignes` and `lignesIgnorees`: what the
    // analysis knows of them (the audience's and status codes' figures with the Compl�ments only).
    struct Apercu {
        bool present = false;
        int64_t octets = 0;
        std::optional<int64_t> visiteurs, visites, introuvables, erreurs;
        // The earliest and latest requests, "17 mai 2015 � 10:00:00" (UTF-8); empty: unknown.
        std::string premiere, derniere;
    } apercu;
    // A live report, written again as its journal grows: when this page was made ("11/12/2026",
    // "10:15:03") and every how many seconds; the page then says so under its title and asks the
    // browser to load it again as often. 0 seconds: a report made once, which says nothing of it.
    struct Actualisation {
        std::string jour, heure;
        int secondes = 0;
    } actualisation;
};

// "Rapport d'analyse du fichier a.log", or "... de 3 journaux : a, b, c", then the period.
std::string titreRapport(const DonneesRapport& d);

// The eight tables of an analysis as the report grids show them, with the leading entries their
// charts take (`nbAdresses` for the addresses chart).
// `lisibles`: bytes in units and the average day in tenths, as readable results write them.
std::vector<TableExportee> tablesDeLAnalyse(const TablesAnalyse& tables, int nbAdresses = 10,
                                            bool lisibles = false);
// The supplementary tables: status codes, files answered 404, files answered 5xx, days (with
// their visitors and visits when `audience` is given), then the audience's tables.
std::vector<TableExportee> tablesComplements(const Complements& c,
                                             const Audience* audience = nullptr);
// The audience's tables: its summary (in the page only), referring sites, searches, robots,
// methods, protocols and countries (a note instead without a country database).
std::vector<TableExportee> tablesAudience(const Audience& a);
// The tables of the fields beyond the combined format: "Hôtes virtuels" and "Temps de
// réponse", each when the analysis has it (ExportFormat.cpp).
std::vector<TableExportee> tablesEnPlus(const TablesEnPlus& t);
// The figures of each loaded file, referring site and client address (TablesEntrees.cpp).
std::vector<TableExportee> tablesEntrees(const TablesEntrees& e);
// "Format du journal : Commun (détecté)"; empty for the default format read as always.
std::string texteFormat(const ResultatAnalyse& r);
// What the report of an analysis shows: the lines counted, the period, the eight tables and,
// when the analysis has them and `complements` asks for them, the supplementary tables and the
// figures of each entry. The
// caller names the journal and dates the report.
DonneesRapport donneesRapport(const ResultatAnalyse& r, int nbAdresses = 10,
                              bool complements = true);

// &, <, >, " and ' of a UTF-8 text as HTML entities.
std::string echapperHtml(std::string_view texte);
// A cell of a ';'-separated file: quoted when it holds ';', '"', a line break, or starts/ends
// with a blank; its quotes doubled.
std::string celluleCsv(std::string_view texte);

// A text cell that a spreadsheet would run as a formula ("=...", "+...", "@...", "-..." but the
// lone "-") with an apostrophe before it.
std::string sansFormule(std::string texte);

// The page and one table's file, piece by piece. The tables' cells are log text (utf8DuJournal),
// their titles and headers the program's own (Windows-1252); the journal's name is the system's
// (utf8Repare).
void produireHtml(const DonneesRapport& d, const Ecrivain& ecrire);
void produireCsv(const TableExportee& t, const Ecrivain& ecrire);

// The overview cards' figures as the file resume.csv holds them: a row per card, in the cards'
// order, the numbers plain.
TableExportee tableResume(const DonneesRapport& d);

// The requests of each day (and their visitors when the audience was counted), or of each hour
// for a journal of one day; no rows when the analysis does not know them.
TableExportee tableActivite(const ResultatAnalyse& r);

// A table of browsers, robots or systems by family ("Chrome" for "Chrome 120" and "Chrome 119"),
// the families and their versions most frequent first, with their shares.
TableExportee tableParFamilles(std::string_view titre, const char* fichier, std::string_view entete,
                               const tableauRapportStat& table, int points);

// The names of every table file a report may hold (with the supplementary tables).
std::vector<std::string> nomsTablesCsv();

// The page into `chemin`, the tables into the folder `dossier` (made when missing, replaced whole
// when it holds nothing but table files: FichierAtomique.h, preparerDossier), written but not yet
// in place: for a caller that puts several outputs in place together (installerTout).
// `progression` is told each table written. Raise ErreurFichier.
std::unique_ptr<SortiePreparee> preparerRapportHtml(const std::string& chemin,
                                                    const DonneesRapport& d);
std::unique_ptr<SortiePreparee> preparerTablesCsv(
    const std::string& dossier, const DonneesRapport& d,
    const std::function<void(std::size_t faites, std::size_t total)>& progression = {},
    bool enPlace = false);

// The same, put in place at once: an earlier page or folder stays whole on a failure.
void ecrireRapportHtml(const std::string& chemin, const DonneesRapport& d);
void ecrireTablesCsv(
    const std::string& dossier, const DonneesRapport& d,
    const std::function<void(std::size_t faites, std::size_t total)>& progression = {});

}  // namespace kestrane
