// A reader of the report's ';'-separated files as spreadsheets read them (quoted cells, doubled
// quotes, CR LF rows), strict: for the tests and the fuzzing targets of the writers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane::test {

using LignesCsv = std::vector<std::vector<std::string>>;

// The rows of `t` (without its byte order mark); nothing when it is not well formed: a quote that
// neither opens a cell nor is doubled inside one, a line break outside quotes, a quote left open,
// a last row without its CR LF.
inline std::optional<LignesCsv> lireCsv(std::string_view t) {
    LignesCsv lignes(1);
    std::string cellule;
    bool guillemets = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (guillemets) {
            if (c == '"' && i + 1 < t.size() && t[i + 1] == '"') {
                cellule += '"';
                ++i;
            } else if (c == '"') {
                guillemets = false;
            } else {
                cellule += c;
            }
        } else if (c == '"') {
            if (!cellule.empty()) return std::nullopt;
            guillemets = true;
        } else if (c == ';') {
            lignes.back().push_back(std::move(cellule));
            cellule.clear();
        } else if (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n') {
            lignes.back().push_back(std::move(cellule));
            cellule.clear();
            lignes.emplace_back();
            ++i;
        } else if (c == '\r' || c == '\n') {
            return std::nullopt;
        } else {
            cellule += c;
        }
    }
    if (guillemets || !cellule.empty() || !lignes.back().empty()) return std::nullopt;
    lignes.pop_back();
    return lignes;
}

}  // namespace kestrane::test
