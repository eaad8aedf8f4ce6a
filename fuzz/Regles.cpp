#include "fuzz/Regles.h"

namespace kestrane::regles {

namespace {

std::string couper(const std::string& separateur, std::string& reste) {
    const std::size_t p = reste.find(separateur);
    std::string champ;
    if (p == std::string::npos) {
        champ = reste;
        reste.clear();
    } else {
        champ = reste.substr(0, p);
        reste = reste.substr(p + separateur.size());
    }
    return champ.empty() ? "-" : champ;
}

// The cut of a quoted field read with the escapes Apache writes: a backslash takes the character
// after it into the field, so that an escaped quote ends nothing.
std::string couperCite(const std::string& separateur, std::string& reste, bool echappements) {
    if (!echappements) return couper(separateur, reste);
    for (std::size_t i = 0; i < reste.size(); ++i) {
        if (reste[i] == '\\') {
            ++i;
        } else if (reste.compare(i, separateur.size(), separateur) == 0) {
            std::string champ = reste.substr(0, i);
            reste = reste.substr(i + separateur.size());
            return champ.empty() ? "-" : champ;
        }
    }
    std::string champ = reste;
    reste.clear();
    return champ.empty() ? "-" : champ;
}

void enlever(std::size_t n, std::string& reste) {
    reste = n >= reste.size() ? std::string() : reste.substr(n);
}

// Characters a..b, from 1, inclusive; empty when b < a.
std::string entre(const std::string& s, std::size_t a, std::size_t b) {
    if (b < a || a > s.size()) return {};
    return s.substr(a - 1, b - a + 1);
}

int chiffre(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<int64_t> entier(const std::string& t, int bits) {
    __extension__ using Large = __int128;
    const Large max = (Large{1} << (bits - 1)) - 1, min = -(Large{1} << (bits - 1));
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool negatif = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negatif = t[i++] == '-';
    int base = 10;
    if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == t.size()) return std::nullopt;
    Large v = 0;
    for (; i < t.size(); ++i) {
        const int c = chiffre(t[i], base);
        if (c < 0) return std::nullopt;
        v = v * base + c;
        if (v > max + 1) return std::nullopt;
    }
    if (negatif) v = -v;
    if (v < min || v > max) return std::nullopt;
    return static_cast<int64_t>(v);
}

std::string fichier(const std::string& r) {
    const std::size_t L = r.size();
    std::size_t debut = 5, fin = L;
    for (std::size_t i = 4; i <= L; ++i) {
        if (r[i - 1] != ' ') continue;
        if (r[i - 2] == 'T') debut = i + 1;
        fin = i - 1;
    }
    return entre(r, debut, fin);
}

std::string navigateur(const std::string& a) {
    std::size_t fin = a.size();
    for (std::size_t i = 1; i <= a.size(); ++i) {
        if (a[i - 1] == '(') fin = i - 1;
    }
    return entre(a, 1, fin);
}

std::string systeme(const std::string& a) {
    std::size_t debut = 1, fin = a.size(), n = 0;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const char c = a[i - 1];
        if (c == ';') {
            ++n;
            if (n < 3) debut = i + 2;
        }
        if ((c == ')' && n < 3) || (c == ';' && n == 3)) fin = i - 1;
    }
    if (debut == 1) return "-";
    const std::string coupe = entre(a, debut, fin);
    if (coupe == "Windows NT 5.0") return "Windows 2000";
    if (coupe == "Windows NT 5.1") return "Windows XP";
    return coupe;
}

namespace {

Analyse couperLigne(const std::string& texte, bool echappements) {
    Analyse r;
    Ligne& l = r.ligne;
    std::string reste = texte;
    const auto nombre = [&](const std::string& champ, int bits, int64_t& v) {
        if (r.erreur) return;
        const auto lu = entier(champ, bits);
        if (lu) {
            v = *lu;
        } else {
            r.erreur = champ;
        }
    };
    const std::string ip1 = couper(".", reste);
    nombre(ip1, 32, l.ip[0]);
    const std::string ip2 = couper(".", reste);
    nombre(ip2, 32, l.ip[1]);
    const std::string ip3 = couper(".", reste);
    nombre(ip3, 32, l.ip[2]);
    const std::string ip4 = couper(" ", reste);
    nombre(ip4, 32, l.ip[3]);
    l.autre = couper(" ", reste);
    l.logname = couper(" ", reste);
    enlever(1, reste);
    l.date = couper(":", reste);
    l.heure = couper(" ", reste);
    l.fuseau = couper("] ", reste);
    enlever(1, reste);
    l.requete = couperCite("\" ", reste, echappements);
    l.fichierCharge = fichier(l.requete);
    const std::string code = couper(" ", reste);
    nombre(code, 32, l.codeRenvoye);
    const std::string octets = couper(" ", reste);
    if (octets != "-" && octets != "NC") nombre(octets, 64, l.chargement);
    // The reading that skips lines refuses a negative byte count, which no server writes.
    if (echappements && !r.erreur && l.chargement < 0) r.erreur = octets;
    enlever(1, reste);
    l.pagePrecedente = couperCite("\" ", reste, echappements);
    enlever(1, reste);
    const std::string agent = couperCite("\"", reste, echappements);
    l.navigateur = navigateur(agent);
    l.systeme = systeme(agent);
    return r;
}

}  // namespace

Analyse analyser(const std::string& texte) {
    return couperLigne(texte, false);
}

Analyse analyserSouple(const std::string& ligne) {
    std::string reste = ligne;
    bool nombres = true;
    for (const char* separateur : {".", ".", ".", " "}) {
        if (!entier(couper(separateur, reste), 32)) {
            nombres = false;
            break;
        }
    }
    if (nombres) return couperLigne(ligne, true);
    reste = ligne;
    const std::string adresse = couper(" ", reste);
    // Any dotted address in front cuts the rest of the line the same way.
    Analyse a = couperLigne("0.0.0.0 " + reste, true);
    a.ligne.adresse = adresse;
    return a;
}

std::string detail(const Ligne& l) {
    const std::string s = "\r\n";
    return "Adresse IP      : " + std::to_string(l.ip[0]) + "." + std::to_string(l.ip[1]) + "." +
           std::to_string(l.ip[2]) + "." + std::to_string(l.ip[3]) + s + s +
           "Autre           : " + l.autre + s + "Logname         : " + l.logname + s +
           "Date            : " + l.date + s + "Heure           : " + l.heure + s +
           "Fuseau          : GMT " + l.fuseau + s + "Requ\xEAte         : " + l.requete + s +
           "Code renvoy\xE9    : " + std::to_string(l.codeRenvoye) + s +
           "Chargement      : " + std::to_string(l.chargement) + " octets" + s +
           "Page pr\xE9"
           "c\xE9"
           "dente : " +
           l.pagePrecedente + s + "Navigateur/Robot: " + l.navigateur + s +
           "Syst\xE8me d'exploitation : " + l.systeme;
}

}  // namespace kestrane::regles
