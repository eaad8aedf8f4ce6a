#include "core/lecture/LecteurLignes.h"

#include <string>

#include "core/journal/Messages.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

struct LecteurLignes::Etat {
    Brouillon brouillon;
    ValeursLigne valeurs;
    // The template that read the last line: tried first on the next one.
    std::size_t dernierGabarit = 0;
    PtrEtatJson json;
    // W3C: the columns learned from the lines read (without directives), or those in force over
    // [debut, fin) per the directives.
    ColonnesW3C apprises;
    bool colonnesApprises = false;
    const ColonnesW3C* colonnes = nullptr;
    std::size_t debut = 1, fin = 0;
    // The virtual host a line that failed named, in the reading that went furthest.
    std::string_view hote = "-";
};

LecteurLignes::LecteurLignes(FormatJournal format, std::shared_ptr<const DirectivesW3C> directives)
    : format_(std::move(format)),
      directives_(std::move(directives)),
      etat_(std::make_unique<Etat>()) {
    if (format_.type() == TypeFormat::Json) etat_->json = creerEtatJson();
}

LecteurLignes::~LecteurLignes() = default;

namespace {

// The reading of the default format for the callers that read every format one way.
Lecture lireDefaut(std::string_view ligne, RLog& r, std::string* raison) {
    std::string_view fautif;
    if (analyserLigneSouple(ligne, r, fautif)) return Lecture::Requete;
    if (raison) *raison = raisonNonConforme(ligne, fautif);
    return Lecture::NonConforme;
}

}  // namespace

Lecture LecteurLignes::lire(std::string_view ligne, std::size_t numero, RLog& r,
                            std::string* raison) {
    const FormatJournal::Donnees& f = format_.donnees();
    plus_.hoteVirtuel = kTiret;
    plus_.tempsReponse = -1;
    plus_.port = -1;
    plus_.autres.clear();
    Etat& e = *etat_;
    e.hote = kTiret;
    if (f.type == TypeFormat::Defaut) return lireDefaut(ligne, r, raison);
    if (f.type == TypeFormat::W3C && !ligne.empty() && ligne[0] == '#') {
        if (!directives_ && lireChampsW3C(ligne, e.apprises)) e.colonnesApprises = true;
        return Lecture::Directive;
    }
    if (ligne.empty()) {
        if (raison) *raison = kLigneVide;
        return Lecture::NonConforme;
    }
    e.brouillon.preparer(ligne.size());
    ValeursLigne& v = e.valeurs;
    v.vider();
    const auto hoteDe = [](const ValeursLigne& v) {
        return v.present(ChampJournal::Hote) ? v[ChampJournal::Hote] : kTiret;
    };
    bool lu = false;
    if (f.type == TypeFormat::W3C) {
        const ColonnesW3C* c = nullptr;
        if (directives_) {
            if (numero < e.debut || numero >= e.fin) {
                e.colonnes = directives_->colonnesA(numero, e.debut, e.fin);
            }
            c = e.colonnes;
        } else if (e.colonnesApprises) {
            c = &e.apprises;
        }
        if (c == nullptr) {
            if (raison) *raison = kSansFields;
            return Lecture::NonConforme;
        }
        lu = lireLigneW3C(*c, ligne, e.brouillon, v, plus_, raison) &&
             construireEnregistrement(v, e.brouillon, r, plus_, raison);
    } else if (f.json) {
        lu = lireJson(*f.json, *e.json, ligne, e.brouillon, v, plus_, raison) &&
             construireEnregistrement(v, e.brouillon, r, plus_, raison);
    } else {
        // Templates in turn, the last one that read a line first; the reason is that of the
        // template that went furthest.
        const std::size_t nb = f.gabarits.size();
        std::size_t meilleur = 0;
        std::string raisonEssai;
        for (std::size_t k = 0; k < nb && !lu; ++k) {
            const std::size_t g =
                e.dernierGabarit + k < nb ? e.dernierGabarit + k : e.dernierGabarit + k - nb;
            if (k > 0) {
                v.vider();
                plus_.autres.clear();
            }
            std::size_t atteint = ligne.size();
            std::string* r2 = raison ? &raisonEssai : nullptr;
            lu = lireGabarit(f.gabarits[g], ligne, true, e.brouillon, v, plus_, r2, atteint) &&
                 construireEnregistrement(v, e.brouillon, r, plus_, r2);
            if (lu) {
                e.dernierGabarit = g;
            } else if (k == 0 || atteint > meilleur) {
                meilleur = atteint;
                e.hote = hoteDe(v);
                if (raison) *raison = std::move(raisonEssai);
            }
        }
    }
    if (!lu && (f.type == TypeFormat::W3C || f.json)) e.hote = hoteDe(v);
    return lu ? Lecture::Requete : Lecture::NonConforme;
}

void LecteurLignes::listerAutres(bool oui) {
    etat_->valeurs.listerAutres = oui;
}

bool LecteurLignes::texteHorsLigne() const {
    const Etat& e = *etat_;
    if (format_.type() == TypeFormat::Defaut) return true;
    return e.brouillon.utilise() || (e.json && valeurHorsLigne(*e.json));
}

std::string_view LecteurLignes::hoteLu() const {
    return plus_.hoteVirtuel != kTiret ? plus_.hoteVirtuel : etat_->hote;
}

}  // namespace kestrane
