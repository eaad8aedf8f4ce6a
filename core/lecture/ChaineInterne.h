// What the pieces of the format-string compiler share: the pasted text with the origin of each
// byte, the pieces of a template before it is assembled, and the directive readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lecture/InterneFormats.h"

namespace kestrane::chaine {

// The format text once its configuration wrapping is taken off, with the offset in the pasted
// text of each of its bytes (for the positions of the messages).
struct Texte {
    std::string octets;
    std::vector<std::size_t> origine;
    void ajouter(char c, std::size_t o) {
        octets.push_back(c);
        origine.push_back(o);
    }
};

// A piece of a format before the template is made: a literal, or a field with the offset of its
// first byte in the pasted text.
struct Morceau {
    Element e;
    std::size_t origine = 0;
};

bool blanc(char c);
// " (position 12)" for offset 11.
bool lettreNginx(char c);
bool egauxSansCasse(std::string_view a, std::string_view b);
Morceau litteral(std::string texte, std::size_t o);
Morceau champ(ChampJournal c, std::string nom, std::size_t o, uint8_t rang = 0);
// Blanks the value of a strftime pattern holds.
uint8_t blancsStrftime(std::string_view f);
// The name between braces at s[j] (its "{"); j moves past the closing brace. `ecrit` is what the
// message shows of the directive when the brace does not close, `o` where it starts.
std::string lireAccolades(const std::string& s, std::size_t& j, const std::string& ecrit,
                          std::size_t o);

// Apache directive at t[i] ("%"), nginx variable at t[i] ("$"): the pieces are added to
// `sortie`, i moves past it.
void lireDirectiveApache(const Texte& t, std::size_t& i, std::vector<Morceau>& sortie);
void lireVariableNginx(const Texte& t, std::size_t& i, std::vector<Morceau>& sortie);

// The template of a pasted format string; raises "Format de journal incorrect : ...".
Gabarit compiler(std::string_view chaine);

}  // namespace kestrane::chaine
