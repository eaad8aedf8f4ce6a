#include "core/analyse/Complements.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unordered_map>

#include "core/analyse/Decomptes.h"
#include "core/analyse/Interne.h"
#include "core/analyse/Lisibles.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/journal/Langue.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

constexpr int kCodesDirects = 1000;

// The counts of files by name, in order of first appearance.
struct CompteurFichiers {
    IndexCles<std::string_view> index;
    std::vector<int64_t> nombres;
    // The numbers here by the entries of the statistics' table of files of this stretch.
    std::vector<uint32_t> parEntree;

    // `entree`: the file's entry in the statistics (ClesLigne::fichier), kSansCle without one.
    void compter(std::string_view fichier, uint32_t entree = ClesLigne::kSansCle) {
        constexpr uint32_t kSansCle = ClesLigne::kSansCle;
        uint32_t* numero = entree != kSansCle ? &caseParCle(parEntree, entree) : nullptr;
        if (numero && *numero != kSansCle) {
            ++nombres[*numero];
            return;
        }
        bool nouveau;
        const uint32_t n = index.trouverOuAjouter(fichier, nouveau);
        if (nouveau) {
            nombres.push_back(1);
        } else {
            ++nombres[n];
        }
        if (numero) *numero = n;
    }
    void ajouter(const CompteurFichiers& b) {
        for (std::size_t k = 0; k < b.index.taille(); ++k) {
            bool nouveau;
            const uint32_t n = index.trouverOuAjouter(b.index.cle(k), nouveau);
            if (nouveau) {
                nombres.push_back(b.nombres[k]);
            } else {
                nombres[n] += b.nombres[k];
            }
        }
    }
    // Largest first; equal counts in order of first appearance.
    std::vector<CompteFichier> liste(bool trier = true) const {
        std::vector<CompteFichier> l(index.taille());
        for (std::size_t k = 0; k < l.size(); ++k) {
            l[k].fichier.assign(index.cle(k));
            l[k].nombre = nombres[k];
        }
        if (!trier) return l;
        std::stable_sort(l.begin(), l.end(), [](const CompteFichier& a, const CompteFichier& b) {
            return a.nombre > b.nombre;
        });
        return l;
    }
};

struct TraficJour {
    int64_t requetes = 0, octets = 0;
};

}  // namespace

struct alignas(kLigneCache) ComptesComplements::Cumul {
    int64_t requetes = 0, octets = 0;
    // Requests whose day cannot be read, and their bytes.
    int64_t datesIllisibles = 0, octetsSansDate = 0;
    int64_t codeNombre[kCodesDirects] = {}, codeOctets[kCodesDirects] = {};
    std::map<int32_t, CompteCode> autresCodes;
    CompteurFichiers introuvables, erreursServeur;
    std::unordered_map<int64_t, TraficJour> jours;
    // Lines come in bursts of one day: the last date text read (kept past its line, which a
    // stream drops once counted) and its day.
    std::string dateDerniere;
    bool dateLue = false;
    int64_t jourDernier = 0;
    TraficJour* traficDernier = nullptr;
    bool dateValide = false;
    bool dates = false;
    int64_t premiere = 0, derniere = 0;
    // Whether a byte sum may have passed the 64-bit range on the way, which only a reading of the
    // lines in journal order can tell: a sum went past it here, or a line gave a negative amount
    // (a running sum may pass the range and come back).
    bool octetsIncertains = false;

    // Counts a line; false when one of its sums went past the range. `cles`: the statistics'
    // entries of the line, null without them.
    bool ajouter(const RLog& r, const ClesLigne* cles = nullptr) {
        ++requetes;
        const int64_t n = r.chargement;
        bool deborde = __builtin_add_overflow(octets, n, &octets);

        const int32_t code = r.codeRenvoye;
        if (code >= 0 && code < kCodesDirects) {
            ++codeNombre[code];
            deborde |= __builtin_add_overflow(codeOctets[code], n, &codeOctets[code]);
        } else {
            CompteCode& c = autresCodes[code];
            c.code = code;
            ++c.nombre;
            deborde |= __builtin_add_overflow(c.octets, n, &c.octets);
        }
        if (code == 404 || (code >= 500 && code <= 599)) {
            // Named by the request's path, as the readable loaded files are: the described cut
            // of the loaded file counts on GET and POST ("OPTIONS /x" gives "ONS /x"). The file's
            // entry in the statistics stands for the path only when the path is that very text.
            const std::string_view chemin = cheminRequete(r.requete);
            const uint32_t entree =
                cles && memesOctets(chemin, r.fichierCharge) ? cles->fichier : ClesLigne::kSansCle;
            (code == 404 ? introuvables : erreursServeur).compter(chemin, entree);
        }

        if (!dateLue || !memesOctets(r.date, dateDerniere)) {
            dateDerniere.assign(r.date);
            dateLue = true;
            dateValide = lireJour(r.date, jourDernier);
            traficDernier = dateValide ? &jours[jourDernier] : nullptr;
        }
        if (!dateValide) {
            ++datesIllisibles;
            deborde |= __builtin_add_overflow(octetsSansDate, n, &octetsSansDate);
        } else {
            // A day that reads counts the line, whether its time reads or not.
            ++traficDernier->requetes;
            deborde |= __builtin_add_overflow(traficDernier->octets, n, &traficDernier->octets);
            int64_t secondes;
            if (lireHeure(r.heure, secondes)) {
                const int64_t instant = jourDernier * kSecondesParJour + secondes;
                premiere = dates ? std::min(premiere, instant) : instant;
                derniere = dates ? std::max(derniere, instant) : instant;
                dates = true;
            }
        }
        octetsIncertains |= deborde || n < 0;
        return !deborde;
    }

    void ajouter(const Cumul& b) {
        const auto sommer = [this](int64_t& a, int64_t x) {
            octetsIncertains |= __builtin_add_overflow(a, x, &a);
        };
        octetsIncertains |= b.octetsIncertains;
        requetes += b.requetes;
        sommer(octets, b.octets);
        datesIllisibles += b.datesIllisibles;
        sommer(octetsSansDate, b.octetsSansDate);
        for (int c = 0; c < kCodesDirects; ++c) {
            codeNombre[c] += b.codeNombre[c];
            sommer(codeOctets[c], b.codeOctets[c]);
        }
        for (const auto& [code, c] : b.autresCodes) {
            CompteCode& a = autresCodes[code];
            a.code = code;
            a.nombre += c.nombre;
            sommer(a.octets, c.octets);
        }
        introuvables.ajouter(b.introuvables);
        erreursServeur.ajouter(b.erreursServeur);
        for (const auto& [jour, t] : b.jours) {
            TraficJour& a = jours[jour];
            a.requetes += t.requetes;
            sommer(a.octets, t.octets);
        }
        if (b.dates) {
            premiere = dates ? std::min(premiere, b.premiere) : b.premiere;
            derniere = dates ? std::max(derniere, b.derniere) : b.derniere;
            dates = true;
        }
    }
};

bool lireInstant(std::string_view date, std::string_view heure, Instant& instant) {
    int64_t jour, secondes;
    if (!lireJour(date, jour) || !lireHeure(heure, secondes)) return false;
    instant.secondes = jour * kSecondesParJour + secondes;
    return true;
}

void dateEtHeureDeLigne(std::string_view ligne, std::string_view& date, std::string_view& heure,
                        bool souple) {
    // The parser's first cuts: three dots, the blanks after the address, the identity and the
    // user, the bracket, then the date up to its colon and the time up to the blank. The parser
    // that keeps other clients takes, when the four numbers do not read, the text before the
    // first blank as the address (the numbers are read only then).
    std::string_view reste = ligne;
    std::string_view nombres[4];
    for (int k = 0; k < 3; ++k) nombres[k] = extraireChamp(".", reste);
    nombres[3] = extraireChamp(" ", reste);
    if (souple) {
        int32_t nombre = 0;
        const bool adresse = std::all_of(std::begin(nombres), std::end(nombres),
                                         [&](auto n) { return essayerConvertirEntier(n, nombre); });
        if (!adresse) {
            reste = ligne;
            extraireChamp(" ", reste);
        }
    }
    for (int k = 0; k < 2; ++k) extraireChamp(" ", reste);
    supprimerDebut(1, reste);
    date = extraireChamp(":", reste);
    heure = extraireChamp(" ", reste);
}

bool instantDeLigne(std::string_view ligne, Instant& instant, bool souple) {
    std::string_view date, heure;
    dateEtHeureDeLigne(ligne, date, heure, souple);
    return lireInstant(date, heure, instant);
}

std::string texteInstant(Instant instant) {
    const int64_t jour = jourDeLInstant(instant.secondes);
    const int64_t s = instant.secondes - jour * kSecondesParJour;
    int32_t a, m, j;
    dateDuJour(jour, a, m, j);
    char texte[40];
    std::snprintf(texte, sizeof texte, "%02d/%02d/%04d %02d:%02d:%02d", j, m, a,
                  static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                  static_cast<int>(s % 60));
    return texte;
}

std::string octetsFrancais(int64_t octets) {
    if (octets > -1024 && octets < 1024) {
        return nombreFrancais(octets) + (octets == 1 || octets == -1 ? kUniteOctet : kUniteOctets);
    }
    double v = std::fabs(static_cast<double>(octets));
    int u = -1;
    while (v >= 1024 && u < 5) {
        v /= 1024;
        ++u;
    }
    // Three significant digits, unless rounding reaches the next unit.
    int decimales = v < 10 ? 2 : v < 100 ? 1 : 0;
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.*f", decimales, v);
    if (std::strtod(texte, nullptr) >= 1024 && u < 5) {
        v /= 1024;
        ++u;
        decimales = 2;
        std::snprintf(texte, sizeof texte, "%.*f", decimales, v);
    }
    std::string s = texte;
    std::replace(s.begin(), s.end(), '.', virguleDecimale());
    if (octets < 0) s.insert(s.begin(), '-');
    return s + ' ' + kUnitesOctets[u];
}

std::string pourcentFrancais(double part) {
    // A share too small to show still is not nothing.
    if (part > 0 && part < 0.05) return "< 0,1 %";
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.1f", part);
    std::string s = texte;
    std::replace(s.begin(), s.end(), '.', virguleDecimale());
    return s + " %";
}

std::string_view accord(int64_t n, std::string_view singulier, std::string_view pluriel) {
    return n >= -1 && n <= 1 ? singulier : pluriel;
}

std::string quantite(int64_t n, std::string_view singulier, std::string_view pluriel) {
    std::string s = std::to_string(n);
    s += ' ';
    s += accord(n, singulier, pluriel);
    return s;
}

int classeCode(int32_t code) {
    return code >= 100 && code <= 599 ? code / 100 : 0;
}

std::string texteCode(int32_t code) {
    char texte[16];
    std::snprintf(texte, sizeof texte, code >= 0 ? "%03d" : "%d", code);
    return texte;
}

ComptesComplements::ComptesComplements() = default;
ComptesComplements::~ComptesComplements() = default;

void ComptesComplements::commencer(const Journal& journal, int nbTranches, bool souple) {
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) tranches_.push_back(std::make_unique<Cumul>());
    journal_ = journal;
    souple_ = souple;
    lignes_ = static_cast<int64_t>(journal.nbLignes());
    complet_ = false;
}

void ComptesComplements::lire(int tranche, const RLog& r) {
    tranches_[static_cast<std::size_t>(tranche)]->ajouter(
        r, statistiques_ ? &statistiques_->clesLigne(tranche) : nullptr);
}

void ComptesComplements::terminer() {
    complet_ = true;
}

void ComptesComplements::replier() {
    if (tranches_.size() < 2) return;
    tranches_[0]->ajouter(*tranches_[1]);
    tranches_[1] = std::make_unique<Cumul>();
}

void ComptesComplements::adopter(LecteurEnregistrements& autre, int tranche) {
    auto& a = dynamic_cast<ComptesComplements&>(autre);
    std::swap(tranches_.at(1), a.tranches_.at(static_cast<std::size_t>(tranche)));
}

bool ComptesComplements::octetsIncertains() const {
    for (const auto& t : tranches_) {
        if (t->octetsIncertains) return true;
    }
    return false;
}

std::optional<std::size_t> ComptesComplements::premierDebordement() const {
    const auto enOrdre = std::make_unique<Cumul>();
    for (std::size_t i = 0; i < journal_.nbLignes(); ++i) {
        RLog r;
        if (souple_) {
            std::string_view fautif;
            if (!analyserLigneSouple(journal_.ligne(i), r, fautif) || !examinerLigne(r, nullptr)) {
                continue;
            }
        } else {
            try {
                r = analyserLigne(journal_.ligne(i));
            } catch (const ErreurKestrane&) {
                return std::nullopt;  // the pass stopped here: no later line was counted
            }
        }
        if (!enOrdre->ajouter(r)) return i;
    }
    return std::nullopt;
}

Complements ComptesComplements::resultat(int64_t adressesDistinctes, bool trier) {
    Complements c;
    c.lignesLues = lignes_;
    c.adressesDistinctes = adressesDistinctes;
    if (tranches_.empty()) return c;
    // As a fold does it: the later stretches start again empty, so that more lines may be read.
    Cumul& a = *tranches_[0];
    for (std::size_t k = 1; k < tranches_.size(); ++k) {
        a.ajouter(*tranches_[k]);
        tranches_[k] = std::make_unique<Cumul>();
    }
    // Sums that wrapped are right whenever the lines in order never pass the range (the
    // arithmetic is that of 64-bit two's complement); when they do, the line that does ends it.
    if (a.octetsIncertains) {
        if (const auto ligne = premierDebordement()) leverDebordement(*ligne);
    }

    c.lignesAnalysees = a.requetes;
    c.requetes = a.requetes;
    c.octets = a.octets;
    c.datesIllisibles = a.datesIllisibles;
    c.octetsSansDate = a.octetsSansDate;
    for (int code = 0; code < kCodesDirects; ++code) {
        if (a.codeNombre[code] > 0)
            c.codes.push_back({code, a.codeNombre[code], a.codeOctets[code]});
    }
    for (const auto& [code, n] : a.autresCodes) c.codes.push_back(n);
    std::sort(c.codes.begin(), c.codes.end(),
              [](const CompteCode& x, const CompteCode& y) { return x.code < y.code; });
    c.introuvables = a.introuvables.liste(trier);
    c.erreursServeur = a.erreursServeur.liste(trier);

    c.dates = a.dates;
    c.premiere.secondes = a.premiere;
    c.derniere.secondes = a.derniere;
    if (a.jours.empty()) return c;
    std::vector<int64_t> numeros;
    numeros.reserve(a.jours.size());
    for (const auto& [n, t] : a.jours) numeros.push_back(n);
    std::sort(numeros.begin(), numeros.end());
    c.nbJours = numeros.back() - numeros.front() + 1;
    const auto jour = [](int64_t numero, const TraficJour& t) {
        CompteJour j;
        dateDuJour(numero, j.annee, j.mois, j.jour);
        j.requetes = t.requetes;
        j.octets = t.octets;
        return j;
    };
    if (c.nbJours <= kJoursContinusMax) {
        for (int64_t n = numeros.front(); n <= numeros.back(); ++n) {
            const auto t = a.jours.find(n);
            c.jours.push_back(jour(n, t == a.jours.end() ? TraficJour{} : t->second));
        }
    } else {
        for (const int64_t n : numeros) c.jours.push_back(jour(n, a.jours.at(n)));
    }
    return c;
}

}  // namespace kestrane
