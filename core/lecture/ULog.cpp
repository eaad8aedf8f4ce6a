#include "core/lecture/ULog.h"

#include <charconv>
#include <cstdint>

#include "core/journal/Messages.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

constexpr std::string_view kWindowsXP = "Windows XP";
constexpr std::string_view kWindows2000 = "Windows 2000";

// Text from position a to position b of `s`, both counted from 1 and inclusive; empty when
// b < a.
std::string_view entre(std::string_view s, std::size_t a, std::size_t b) {
    if (b < a) return s.substr(s.size(), 0);
    return s.substr(a - 1, b - a + 1);
}

}  // namespace

std::string_view extraireFichier(std::string_view requete) {
    const std::size_t L = requete.size();
    std::size_t debut = 5, fin = L;
    // Blanks at positions 4..L (from 1), i.e. offsets 3..L-1.
    for (std::size_t k = 3; k < L;) {
        const char* p = trouverOctet(requete.data() + k, L - k, ' ');
        if (!p) break;
        k = static_cast<std::size_t>(p - requete.data());
        const std::size_t i = k + 1;  // position from 1
        if (requete[k - 1] == 'T') debut = i + 1;
        fin = i - 1;
        ++k;
    }
    return entre(requete, debut, fin);
}

std::string_view extraireNavigateur(std::string_view agent) {
    const std::size_t p = chercherDernier(agent, '(');
    return p == std::string_view::npos ? agent : agent.substr(0, p);
}

std::string_view extraireSysteme(std::string_view agent) {
    const std::size_t L = agent.size();
    // The first three semicolons decide everything: after the third nothing moves.
    std::size_t pv[3];
    int n = 0;
    for (std::size_t k = 0; k < L && n < 3;) {
        const char* p = trouverOctet(agent.data() + k, L - k, ';');
        if (!p) break;
        k = static_cast<std::size_t>(p - agent.data());
        pv[n++] = k;
        ++k;
    }
    if (n == 0) return kTiret;
    // Positions from 1: start = semicolon + 2 for the first two semicolons.
    const std::size_t debut = (n >= 2 ? pv[1] : pv[0]) + 1 + 2;
    std::size_t fin;
    if (n == 3) {
        fin = pv[2];  // position of the third semicolon minus 1, from 1
    } else {
        const std::size_t par = chercherDernier(agent, ')');
        fin = par == std::string_view::npos ? L : par;
    }
    const std::string_view coupe = entre(agent, debut, fin);
    if (coupe == "Windows NT 5.0") return kWindows2000;
    if (coupe == "Windows NT 5.1") return kWindowsXP;
    return coupe;
}

namespace {

// Steps 5 on of the cut, shared by the two parsers. `Entier` and `Entier64` read a number:
// raising for analyserLigne, returning false for analyserLigneSouple. `Cite` cuts the quoted
// fields: at the plain separator, or past the quotes a client escaped.
template <typename Entier, typename Entier64, typename Cite>
bool couperSuite(std::string_view reste, RLog& r, Entier entier, Entier64 entier64, Cite cite,
                 CoupeAgent coupe) {
    r.autre = extraireChamp(" ", reste);
    r.logname = extraireChamp(" ", reste);
    supprimerDebut(1, reste);
    r.date = extraireChamp(":", reste);
    r.heure = extraireChamp(" ", reste);
    r.fuseau = extraireChamp("] ", reste);
    supprimerDebut(1, reste);
    r.requete = cite("\" ", reste);
    r.fichierCharge = extraireFichier(r.requete);
    if (!entier(extraireChamp(" ", reste), r.codeRenvoye)) return false;
    const std::string_view octets = extraireChamp(" ", reste);
    if (octets == "-" || octets == "NC") {
        r.chargement = 0;
    } else if (!entier64(octets, r.chargement)) {
        return false;
    }
    supprimerDebut(1, reste);
    r.pagePrecedente = cite("\" ", reste);
    supprimerDebut(1, reste);
    const std::string_view agent = cite("\"", reste);
    if (coupe == CoupeAgent::agentEntier) {
        r.navigateur = agent;
        r.systeme = {};
        return true;
    }
    r.navigateur = extraireNavigateur(agent);
    r.systeme = extraireSysteme(agent);
    return true;
}

}  // namespace

RLog analyserLigne(std::string_view ligne, CoupeAgent coupe) {
    RLog r;
    std::string_view reste = ligne;
    r.ip1 = convertirEntier(extraireChamp(".", reste));
    r.ip2 = convertirEntier(extraireChamp(".", reste));
    r.ip3 = convertirEntier(extraireChamp(".", reste));
    r.ip4 = convertirEntier(extraireChamp(" ", reste));
    couperSuite(
        reste, r,
        [](std::string_view t, int32_t& v) {
            v = convertirEntier(t);
            return true;
        },
        [](std::string_view t, int64_t& v) {
            v = convertirEntier64(t);
            return true;
        },
        [](std::string_view separateur, std::string_view& suite) {
            return extraireChamp(separateur, suite);
        },
        coupe);
    return r;
}

namespace {

// The four numbers of a dotted address cut off `reste`; false when one does not convert.
bool lireAdressePointee(std::string_view& reste, RLog& r) {
    return essayerConvertirEntier(extraireChamp(".", reste), r.ip1) &&
           essayerConvertirEntier(extraireChamp(".", reste), r.ip2) &&
           essayerConvertirEntier(extraireChamp(".", reste), r.ip3) &&
           essayerConvertirEntier(extraireChamp(" ", reste), r.ip4);
}

}  // namespace

bool adressePointee(std::string_view ligne) {
    RLog r;
    return lireAdressePointee(ligne, r);
}

bool analyserLigneSouple(std::string_view ligne, RLog& r, std::string_view& fautif,
                         CoupeAgent coupe) {
    // Every field is written below (the record of a line that fails is not used).
    r.adresse = {};
    std::string_view reste = ligne;
    if (!lireAdressePointee(reste, r)) {
        r.ip1 = r.ip2 = r.ip3 = r.ip4 = 0;
        reste = ligne;
        r.adresse = extraireChamp(" ", reste);
    }
    return couperSuite(
        reste, r,
        [&fautif](std::string_view t, int32_t& v) {
            if (essayerConvertirEntier(t, v)) return true;
            fautif = t;
            return false;
        },
        [&fautif](std::string_view t, int64_t& v) {
            if (essayerConvertirEntier64(t, v) && v >= 0) return true;
            fautif = t;
            return false;
        },
        extraireChampEchappe, coupe);
}

void ajouterAdresseIP(std::string& s, int32_t a, int32_t b, int32_t c, int32_t d) {
    // Written in a buffer then appended once (as ajouterEntier writes each number): a base's
    // feed writes the client of every new visitor.
    char tampon[4 * 12];
    char* p = tampon;
    for (const int32_t n : {a, b, c, d}) {
        if (p != tampon) *p++ = '.';
        p = std::to_chars(p, tampon + sizeof tampon, n).ptr;
    }
    s.append(tampon, p);
}

void ajouterAdresse(std::string& s, const RLog& r) {
    if (r.adresse.empty()) {
        ajouterAdresseIP(s, r.ip1, r.ip2, r.ip3, r.ip4);
    } else {
        s += r.adresse;
    }
}

std::string adresseIP(const RLog& r) {
    std::string s;
    ajouterAdresse(s, r);
    return s;
}

void ajouterDetailLog(std::string& s, const RLog& r) {
    constexpr std::string_view kSaut = "\r\n";
    s += kDetailAdresse;
    ajouterAdresse(s, r);
    s += kSaut;
    s += kSaut;
    s += kDetailAutre;
    s += r.autre;
    s += kSaut;
    s += kDetailLogname;
    s += r.logname;
    s += kSaut;
    s += kDetailDate;
    s += r.date;
    s += kSaut;
    s += kDetailHeure;
    s += r.heure;
    s += kSaut;
    s += kDetailFuseau;
    s += r.fuseau;
    s += kSaut;
    s += kDetailRequete;
    s += r.requete;
    s += kSaut;
    s += kDetailCode;
    ajouterEntier(s, r.codeRenvoye);
    s += kSaut;
    s += kDetailChargement;
    ajouterEntier(s, r.chargement);
    s += kUniteOctets;
    s += kSaut;
    s += kDetailPrecedente;
    s += r.pagePrecedente;
    s += kSaut;
    s += kDetailNavigateur;
    s += r.navigateur;
    s += kSaut;
    s += kDetailSysteme;
    s += r.systeme;
}

std::string detailLog(const RLog& r) {
    std::string s;
    s.reserve(256 + r.requete.size() + r.pagePrecedente.size() + r.navigateur.size());
    ajouterDetailLog(s, r);
    return s;
}

}  // namespace kestrane
