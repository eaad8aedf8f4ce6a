// The values of a line made into a record and its extras, whatever format they were read in.
#include <cstring>
#include <string>

#include "core/journal/Messages.h"
#include "core/lecture/Dates.h"
#include "core/lecture/Echappements.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

bool Brouillon::utilise() const {
    return utilise_ != 0 || !debordements_.empty();
}

void Brouillon::preparer(std::size_t taille) {
    debordements_.clear();
    // The unescaped texts and a joined request line never pass twice the line, and a date is 24
    // bytes: one block is enough.
    const std::size_t besoin = 2 * taille + 256;
    if (capacite_ < besoin) {
        bloc_ = std::make_unique_for_overwrite<char[]>(besoin);
        capacite_ = besoin;
    }
    utilise_ = 0;
}

char* Brouillon::prendre(std::size_t n) {
    if (capacite_ - utilise_ >= n) {
        char* p = bloc_.get() + utilise_;
        utilise_ += n;
        return p;
    }
    debordements_.push_back(std::make_unique_for_overwrite<char[]>(n == 0 ? 1 : n));
    return debordements_.back().get();
}

std::string_view Brouillon::garder(std::string_view t) {
    char* p = prendre(t.size());
    if (!t.empty()) std::memcpy(p, t.data(), t.size());
    return {p, t.size()};
}

std::string_view Brouillon::desechapper(std::string_view t) {
    if (trouverOctet(t.data(), t.size(), '\\') == nullptr) return t;
    char* p = prendre(t.size());
    return {p, kestrane::desechapper(t, p)};
}

namespace {

using C = ChampJournal;

// The client: the four numbers as analyserLigneSouple reads them, or the text as written.
void lireClient(std::string_view t, RLog& r) {
    // The usual address, four groups of one to three digits, read at once; any other text is cut
    // field by field.
    int32_t ip[4] = {0, 0, 0, 0};
    std::size_t i = 0, groupe = 0;
    for (; groupe < 4; ++groupe) {
        const std::size_t debut = i;
        while (i < t.size() && i - debut < 3 && t[i] >= '0' && t[i] <= '9') {
            ip[groupe] = ip[groupe] * 10 + (t[i++] - '0');
        }
        if (i == debut || (groupe < 3 && (i == t.size() || t[i++] != '.'))) break;
    }
    if (groupe == 4 && i == t.size()) {
        r.ip1 = ip[0];
        r.ip2 = ip[1];
        r.ip3 = ip[2];
        r.ip4 = ip[3];
        r.adresse = {};
        return;
    }
    std::string_view reste = t;
    r.adresse = {};
    if (!(essayerConvertirEntier(extraireChamp(".", reste), r.ip1) &&
          essayerConvertirEntier(extraireChamp(".", reste), r.ip2) &&
          essayerConvertirEntier(extraireChamp(".", reste), r.ip3) &&
          essayerConvertirEntier(extraireChamp(" ", reste), r.ip4))) {
        r.ip1 = r.ip2 = r.ip3 = r.ip4 = 0;
        r.adresse = t;
    }
}

bool lireTemps(const ValeursLigne& v, Brouillon& b, RLog& r, std::string* raison) {
    const std::string_view t = v[C::Temps];
    // A date written as the journal writes it is cut in place, whatever the format announced:
    // the record's texts then lie in the line, which the first pass keeps without a copy.
    if ((v.temps == TypeTemps::Journal || v.temps == TypeTemps::Quelconque) &&
        couperDateJournal(t, r.date, r.heure, r.fuseau)) {
        return true;
    }
    auto* d = reinterpret_cast<DateTexte*>(b.prendre(sizeof(DateTexte)));
    bool lu = false;
    switch (v.temps) {
        case TypeTemps::Journal:
            break;
        case TypeTemps::Quelconque:
            lu = convertirDateQuelconque(t, *d);
            break;
        case TypeTemps::Secondes:
            lu = convertirEpoque(t, 1, *d);
            break;
        case TypeTemps::Millisecondes:
            lu = convertirEpoque(t, 1000, *d);
            break;
        case TypeTemps::Microsecondes:
            lu = convertirEpoque(t, 1000000, *d);
            break;
    }
    if (!lu) {
        if (raison) *raison = texteDateIncorrecte(citerTexte(t));
        return false;
    }
    r.date = d->date();
    r.heure = d->temps();
    r.fuseau = d->zone();
    return true;
}

bool lireDateW3C(const ValeursLigne& v, Brouillon& b, RLog& r, std::string* raison) {
    auto* d = reinterpret_cast<DateTexte*>(b.prendre(sizeof(DateTexte)));
    if (!convertirDateW3C(v[C::Date], v[C::Heure], *d)) {
        if (raison) {
            std::string t(v[C::Date]);
            t.append(" ").append(v[C::Heure]);
            *raison = texteDateIncorrecte(citerTexte(t));
        }
        return false;
    }
    r.date = d->date();
    r.heure = d->temps();
    r.fuseau = d->zone();
    return true;
}

// The request line out of its parts: method, path and query, protocol, those there are.
void joindreRequete(const ValeursLigne& v, Brouillon& b, RLog& r) {
    std::string_view chemin, parametres;
    if (v.present(C::CheminComplet)) {
        chemin = v[C::CheminComplet];
    } else if (v.present(C::Chemin)) {
        chemin = v[C::Chemin];
        if (v.present(C::Parametres) && v[C::Parametres] != kTiret) {
            parametres = v[C::Parametres];
        }
    }
    const bool methode = v.present(C::Methode), protocole = v.present(C::Protocole);
    const std::size_t taille =
        v[C::Methode].size() + chemin.size() + parametres.size() + v[C::Protocole].size() + 3;
    char* const debut = b.prendre(taille);
    char* p = debut;
    const auto ecrire = [&p](std::string_view t) {
        std::memcpy(p, t.data(), t.size());
        p += t.size();
    };
    if (methode) ecrire(v[C::Methode]);
    const std::size_t debutChemin = static_cast<std::size_t>(p - debut) + (methode ? 1 : 0);
    if (!chemin.empty()) {
        if (p != debut) *p++ = ' ';
        ecrire(chemin);
        if (!parametres.empty()) {
            if (parametres.front() != '?') *p++ = '?';
            ecrire(parametres);
        }
    }
    const std::size_t finChemin = static_cast<std::size_t>(p - debut);
    if (protocole) {
        if (p != debut) *p++ = ' ';
        ecrire(v[C::Protocole]);
    }
    r.requete = std::string_view(debut, static_cast<std::size_t>(p - debut));
    // The loaded file as the default reading cuts it when the line has all three parts; the path
    // itself otherwise, which that cut would lose.
    if (methode && protocole && !chemin.empty()) {
        r.fichierCharge = extraireFichier(r.requete);
    } else if (!chemin.empty()) {
        r.fichierCharge = r.requete.substr(debutChemin, finChemin - debutChemin);
    } else {
        r.fichierCharge = extraireFichier(r.requete);
    }
}

// "1.5", "0.004", "1234": in microseconds, given the number of microseconds of one unit; -1 when
// it is no such number.
int64_t enMicrosecondes(std::string_view t, int64_t microParUnite, int64_t diviseur) {
    int64_t entier = 0, fraction = 0, echelle = 1;
    std::size_t i = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i < 15)
        entier = entier * 10 + (t[i++] - '0');
    if (i == 0) return -1;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            if (echelle < 1000000000) {
                fraction = fraction * 10 + (t[i] - '0');
                echelle *= 10;
            }
            ++i;
        }
    }
    if (i != t.size()) return -1;
    int64_t us;
    if (__builtin_mul_overflow(entier, microParUnite, &us)) return -1;
    return (us + fraction * microParUnite / echelle) / diviseur;
}

int64_t tempsReponse(const ValeursLigne& v) {
    static constexpr C kDurees[] = {C::DureeUs, C::DureeMs, C::DureeS, C::DureeNs, C::DureeMsOuS};
    C choisi = C::Autre;
    uint8_t rang = kAbsent;
    for (const C c : kDurees) {
        if (v.present(c) && v.rang[static_cast<std::size_t>(c)] < rang) {
            choisi = c;
            rang = v.rang[static_cast<std::size_t>(c)];
        }
    }
    if (choisi == C::Autre) return -1;
    const std::string_view t = v[choisi];
    switch (choisi) {
        case C::DureeUs:
            return enMicrosecondes(t, 1, 1);
        case C::DureeMs:
            return enMicrosecondes(t, 1000, 1);
        case C::DureeS:
            return enMicrosecondes(t, 1000000, 1);
        case C::DureeNs:
            return enMicrosecondes(t, 1, 1000);
        default:
            // W3C's time-taken: IIS writes milliseconds, others seconds with a fraction.
            return t.find('.') != std::string_view::npos ? enMicrosecondes(t, 1000000, 1)
                                                         : enMicrosecondes(t, 1000, 1);
    }
}

std::string_view texte(const ValeursLigne& v, C c) {
    return v.present(c) ? v[c] : kTiret;
}

}  // namespace

bool construireEnregistrement(const ValeursLigne& v, Brouillon& b, RLog& r, ChampsEnPlus& plus,
                              std::string* raison) {
    if (v.present(C::Client)) {
        lireClient(v[C::Client], r);
    } else {
        r.ip1 = r.ip2 = r.ip3 = r.ip4 = 0;
        r.adresse = kTiret;
    }
    r.autre = texte(v, C::Identite);
    r.logname = texte(v, C::Utilisateur);
    if (v.present(C::Temps)) {
        if (!lireTemps(v, b, r, raison)) return false;
    } else if (v.present(C::Date) && v.present(C::Heure)) {
        if (!lireDateW3C(v, b, r, raison)) return false;
    } else {
        r.date = r.heure = r.fuseau = kTiret;
    }
    if (v.present(C::Requete)) {
        r.requete = v[C::Requete];
        r.fichierCharge = extraireFichier(r.requete);
    } else if (v.present(C::Methode) || v.present(C::Chemin) || v.present(C::CheminComplet) ||
               v.present(C::Protocole)) {
        joindreRequete(v, b, r);
    } else {
        r.requete = kTiret;
        r.fichierCharge = extraireFichier(kTiret);
    }
    r.codeRenvoye = 0;
    if (v.present(C::Statut) && !essayerConvertirEntier(v[C::Statut], r.codeRenvoye)) {
        if (raison) *raison = raisonEntier(v[C::Statut]);
        return false;
    }
    r.chargement = 0;
    const std::string_view octets = texte(v, C::Octets);
    if (octets != "-" && octets != "NC" &&
        (!essayerConvertirEntier64(octets, r.chargement) || r.chargement < 0)) {
        if (raison) *raison = raisonEntier(octets);
        return false;
    }
    r.pagePrecedente = texte(v, C::Provenance);
    const std::string_view agent = texte(v, C::Agent);
    r.navigateur = extraireNavigateur(agent);
    r.systeme = extraireSysteme(agent);
    plus.agent = agent;

    plus.hoteVirtuel = texte(v, C::Hote);
    plus.port = -1;
    if (v.present(C::Port) && v[C::Port] != kTiret &&
        !essayerConvertirEntier(v[C::Port], plus.port)) {
        if (raison) *raison = raisonEntier(v[C::Port]);
        return false;
    }
    plus.tempsReponse = tempsReponse(v);
    return true;
}

}  // namespace kestrane
