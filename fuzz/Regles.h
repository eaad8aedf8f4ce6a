// The rules of the log line, written again as plainly as they are stated: cut a copy of the line
// field by field, positions counted from 1, numbers read digit by digit in a wide integer. The
// fuzzing targets hold the program's fast parser to them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrane::regles {

struct Ligne {
    int64_t ip[4] = {0, 0, 0, 0};
    std::string adresse;  // the client's text when it is no dotted address
    std::string autre, logname, date, heure, fuseau, requete, fichierCharge, pagePrecedente,
        navigateur, systeme;
    int64_t codeRenvoye = 0;
    int64_t chargement = 0;
};

// The text that does not convert, or the record.
struct Analyse {
    std::optional<std::string> erreur;
    Ligne ligne;
};

std::optional<int64_t> entier(const std::string& texte, int bits);
std::string fichier(const std::string& requete);
std::string navigateur(const std::string& agent);
std::string systeme(const std::string& agent);
Analyse analyser(const std::string& ligne);
// For an analysis that skips non-conforming lines: the four numbers as analyser reads them, or
// else the client is the text before the first blank; the rest is cut as analyser cuts it, but
// for the quoted fields, read with their escapes (\" and \\ are part of the field).
Analyse analyserSouple(const std::string& ligne);
std::string detail(const Ligne& l);

}  // namespace kestrane::regles
