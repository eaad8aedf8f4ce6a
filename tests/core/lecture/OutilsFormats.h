// Reading one line in a format into texts that outlive the reader: the record's fields, the
// extras, the reason.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "core/journal/Erreur.h"
#include "core/lecture/Echappements.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"

namespace kestrane::test {

struct Lu {
    Lecture lecture = Lecture::NonConforme;
    std::string raison;
    std::string client, autre, logname, date, heure, fuseau, requete, fichier, provenance,
        navigateur, systeme;
    int32_t statut = 0;
    int64_t octets = 0;
    std::string hote;
    int64_t temps = -1;
    int32_t port = -1;
    std::string autres;  // "nom=valeur;" for each other field
};

inline Lu copier(Lecture l, const RLog& r, const ChampsEnPlus& p, std::string raison) {
    Lu u;
    u.lecture = l;
    u.raison = std::move(raison);
    if (l != Lecture::Requete) return u;
    u.client = adresseIP(r);
    u.autre = r.autre;
    u.logname = r.logname;
    u.date = r.date;
    u.heure = r.heure;
    u.fuseau = r.fuseau;
    u.requete = r.requete;
    u.fichier = r.fichierCharge;
    u.provenance = r.pagePrecedente;
    u.navigateur = r.navigateur;
    u.systeme = r.systeme;
    u.statut = r.codeRenvoye;
    u.octets = r.chargement;
    u.hote = p.hoteVirtuel;
    u.temps = p.tempsReponse;
    u.port = p.port;
    for (const auto& a : p.autres) u.autres.append(a.nom).append("=").append(a.valeur).append(";");
    return u;
}

inline Lu lire(LecteurLignes& lecteur, std::string_view ligne, std::size_t numero = 0) {
    RLog r;
    std::string raison;
    const Lecture l = lecteur.lire(ligne, numero, r, &raison);
    return copier(l, r, lecteur.enPlus(), std::move(raison));
}

inline Lu lire(const FormatJournal& f, std::string_view ligne) {
    LecteurLignes lecteur(f);
    lecteur.listerAutres(true);
    return lire(lecteur, ligne);
}

// `t` unescaped as the formats read a quoted field.
inline std::string desechappe(std::string_view t) {
    std::string s(t.size(), '\0');
    s.resize(desechapper(t, s.data()));
    return s;
}

// The message of the ErreurKestrane that `f` raises, or "" when it raises none.
inline std::string messageDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErreurKestrane& e) {
        return e.message();
    }
    return {};
}

}  // namespace kestrane::test
