// Stand-ins for the screen and the speaker, and a builder of journal lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/analyse/Interfaces.h"
#include "core/analyse/TablesStat.h"
#include "core/journal/Journal.h"

namespace kestrane::test {

class GrilleMemoire : public GrilleRapport {
  public:
    std::vector<std::pair<std::string, std::string>> lignes;
    int ligneCourante = -1;
    int choixFaits = 0;

    int nbLignes() const override { return static_cast<int>(lignes.size()); }
    void changerNbLignes(int n) override { lignes.resize(static_cast<std::size_t>(n)); }
    std::string cellule(int c, int l) const override {
        const auto& p = lignes.at(static_cast<std::size_t>(l));
        return c == 0 ? p.first : p.second;
    }
    void ecrireCellule(int c, int l, std::string_view t) override {
        auto& p = lignes.at(static_cast<std::size_t>(l));
        (c == 0 ? p.first : p.second) = std::string(t);
    }
    void choisirLigne(int l) override {
        ligneCourante = l;
        ++choixFaits;
    }
};

class EtiquetteMemoire : public Etiquette {
  public:
    std::string texte;
    void ecrireTexte(std::string_view t) override { texte = std::string(t); }
};

struct Point {
    double valeur;
    std::string libelle;
    bool operator==(const Point&) const = default;
};

class GrapheMemoire : public Graphe {
  public:
    explicit GrapheMemoire(int nbSeries) : series(static_cast<std::size_t>(nbSeries)) {}
    std::vector<std::vector<Point>> series;
    int nbSeries() const override { return static_cast<int>(series.size()); }
    void viderSerie(int s) override { series.at(static_cast<std::size_t>(s)).clear(); }
    void ajouterPoint(int s, double v, std::string_view l) override {
        series.at(static_cast<std::size_t>(s)).push_back({v, std::string(l)});
    }
};

// One combined-format line.
inline std::string ligneLog(const std::string& ip, const std::string& date = "06/Dec/2006",
                            const std::string& heure = "10:15:32",
                            const std::string& octets = "100",
                            const std::string& requete = "GET /index.html HTTP/1.1",
                            const std::string& provenance = "-",
                            const std::string& agent =
                                "Mozilla/4.0 (compatible; MSIE 6.0; "
                                "Windows NT 5.1)") {
    return ip + " - - [" + date + ":" + heure + " +0100] \"" + requete + "\" 200 " + octets +
           " \"" + provenance + "\" \"" + agent + "\"";
}

inline Journal journalDe(const std::vector<std::string>& lignes) {
    std::string texte;
    for (const auto& l : lignes) texte += l + "\n";
    return Journal::depuisTexte(std::move(texte));
}

// (libelle, nombre) pairs of a table, for readable comparisons.
inline std::vector<std::pair<std::string, int64_t>> paires(const tableauRapportStat& t) {
    std::vector<std::pair<std::string, int64_t>> p;
    for (const auto& e : t) p.emplace_back(e.libelle, e.nombre);
    return p;
}

}  // namespace kestrane::test
