// What the statistics core touches of the screen and the speaker. The window implements these;
// tests implement them with plain recorders. Texts are Windows-1252 bytes.
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

// A two-column grid of text cells; row 0 holds the headers.
class GrilleRapport {
  public:
    virtual ~GrilleRapport() = default;
    virtual int nbLignes() const = 0;
    virtual void changerNbLignes(int n) = 0;
    virtual std::string cellule(int colonne, int ligne) const = 0;
    virtual void ecrireCellule(int colonne, int ligne, std::string_view texte) = 0;
    // Selects the row and scrolls it into view.
    virtual void choisirLigne(int ligne) = 0;
};

class Etiquette {
  public:
    virtual ~Etiquette() = default;
    virtual void ecrireTexte(std::string_view texte) = 0;
};

// A chart with a fixed, ordered list of series.
class Graphe {
  public:
    virtual ~Graphe() = default;
    virtual int nbSeries() const = 0;
    virtual void viderSerie(int serie) = 0;
    virtual void ajouterPoint(int serie, double valeur, std::string_view libelle) = 0;
};

// The system beep; returns when the tone has been played.
class Bip {
  public:
    virtual ~Bip() = default;
    virtual void bip(int frequenceHz, int dureeMs) = 0;
};

}  // namespace kestrane
