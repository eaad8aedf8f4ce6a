#include "core/audience/Audience.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "core/audience/InterneAudience.h"
#include "core/audience/Referents.h"
#include "core/audience/Visites.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/UString.h"

namespace kestrane {

// The counts of a stretch as each line is read. The stretches are merged and the tables made in
// FusionAudience.cpp.

using namespace interne;

namespace {

bool methodeValide(std::string_view m) {
    if (m.empty() || m.size() > 20) return false;
    for (const char c : m) {
        if (!((c >= 'A' && c <= 'Z') || c == '-' || c == '_')) return false;
    }
    return true;
}

bool protocoleValide(std::string_view p) {
    if (p.size() < 6 || p.size() > 10 || p.substr(0, 5) != "HTTP/" || p[5] < '0' || p[5] > '9') {
        return false;
    }
    for (const char c : p.substr(6)) {
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    }
    return true;
}

}  // namespace

void ComptesReferents::compter(std::string_view referent, int64_t requetes) {
    if (referent.size() == 1 && referent[0] == '-') return;
    const std::string_view autorite = autoriteReferent(referent);
    if (autorite.empty()) return;
    // Lines in a row often come from one site (a visitor's pages).
    uint32_t n = derniere_;
    if (n == kAucune || autorites_.cle(n) != autorite) {
        bool nouveau;
        n = autorites_.trouverOuAjouter(autorite, nouveau);
        if (nouveau) {
            Autorite a;
            a.hote = hoteDeLAutorite(autorite);
            a.moteur = moteurRecherche(a.hote);
            comptes_.push_back(std::move(a));
        }
        derniere_ = n;
    }
    Autorite& a = comptes_[n];
    a.requetes += requetes;
    if (!a.moteur) return;
    const std::string_view valeur = rechercheBrute(referent);
    if (valeur.empty()) return;
    bool nouveau;
    const uint32_t t = recherches_.trouverOuAjouter(valeur, nouveau);
    if (nouveau) comptesRecherches_.push_back(0);
    comptesRecherches_[t] += requetes;
}

void RequetesHttp::compterAutrement(std::string_view requete, int64_t octets) {
    std::string_view methode = kAutre, protocole = kAutre;
    const bool coupee = couperRequete(requete, methode, protocole);
    const std::size_t m = comptesMethodes_.compter(methode, 1, octets);
    const std::size_t p = comptesProtocoles_.compter(protocole, 1, octets);
    if (coupee) {
        retenir(methodes_, methode, m, true);
        retenir(protocoles_, protocole, p, false);
    }
}

void RequetesHttp::retenir(std::vector<Motif>& motifs, std::string_view nom, std::size_t compte,
                           bool methode) {
    const std::size_t n = nom.size();
    if (n > (methode ? 7 : 8)) return;
    for (const Motif& m : motifs) {
        if (m.compte == compte) return;
    }
    unsigned char octets[8] = {}, masque[8] = {};
    const std::size_t avecBlanc = std::min<std::size_t>(n + 1, 8);
    const std::size_t place = methode ? 0 : 8 - avecBlanc;
    std::string texte = methode ? std::string(nom) + ' ' : ' ' + std::string(nom);
    if (!methode && n == 8) texte.erase(0, 1);
    std::memcpy(octets + place, texte.data(), avecBlanc);
    std::memset(masque + place, 0xFF, avecBlanc);
    Motif m{0, 0, n, compte};
    std::memcpy(&m.octets, octets, 8);
    std::memcpy(&m.masque, masque, 8);
    motifs.push_back(m);
}

bool couperRequete(std::string_view requete, std::string_view& methode,
                   std::string_view& protocole) {
    const std::size_t premier = requete.find(' ');
    const std::size_t dernier = requete.rfind(' ');
    if (premier == std::string_view::npos || dernier <= premier + 1) return false;
    const std::string_view m = requete.substr(0, premier);
    const std::string_view p = requete.substr(dernier + 1);
    if (!methodeValide(m) || !protocoleValide(p)) return false;
    methode = m;
    protocole = p;
    return true;
}

double Audience::dureeMoyenneVisite() const {
    return visites > 0 ? static_cast<double>(dureeVisites) / static_cast<double>(visites) : 0;
}

double Audience::requetesParVisite() const {
    return visites > 0 ? static_cast<double>(requetesDatees) / static_cast<double>(visites) : 0;
}

std::string_view ComptesAudience::Tranche::agentComplet(std::string_view navigateur) const {
    const char* p = navigateur.data();
    if (!dansTampon(p)) return navigateur;  // "-", a constant of the parser
    // Without a closing quote the agent runs to the end of its line.
    return {p, longueurAgent(p, static_cast<std::size_t>(finTampon - p))};
}

bool ComptesAudience::Tranche::cleIPv4(const RLog& r, uint32_t& v4) {
    // A number below zero wraps above 255.
    const auto a = static_cast<uint32_t>(r.ip1), b = static_cast<uint32_t>(r.ip2),
               c = static_cast<uint32_t>(r.ip3), d = static_cast<uint32_t>(r.ip4);
    if (!r.adresse.empty() || (a | b | c | d) > 255) return false;
    v4 = a << 24 | b << 16 | c << 8 | d;
    return true;
}

void ComptesAudience::Tranche::nouvelleDate(std::string_view date) {
    dateDerniere = date;
    Date d;
    dateValide = lireDate(date, d.annee, d.mois, d.jour);
    if (dateValide) {
        jourDernier = joursDepuisEpoque(d.annee, d.mois, d.jour);
        dates.try_emplace(jourDernier, d);
    }
}

void ComptesAudience::Tranche::preparer(EnAttente& e) {
    if (e.parCles) {
        // The next line read by its texts does not take this one's client for its own.
        precedentPrepare = false;
        const std::vector<uint32_t>& derniers = derniersVisiteurs(e.texte);
        const uint32_t dernier = e.cle < derniers.size() ? derniers[e.cle] : kAucune;
        if (dernier != kAucune) {
            visites.precharger(dernier);
        } else {
            // A client new here: its visitor is looked for, then added, in the index.
            visites.index(e.texte).precharger(e.client);
        }
        return;
    }
    if (e.texte) {
        if (e.adresse.empty()) {
            std::string t;
            ajouterAdresseIP(t, e.ip[0], e.ip[1], e.ip[2], e.ip[3]);
            e.client = numero(clientsTexte, t);
        } else {
            e.client = numero(clientsTexte, e.adresse);
        }
    }
    e.memeClient = precedentPrepare && precedentTexte == e.texte && precedentClient == e.client;
    precedentPrepare = true;
    precedentTexte = e.texte;
    precedentClient = e.client;
    e.candidat = kAucune;
    if (e.memeClient) return;
    e.candidat = visites.index(e.texte).trouver(e.client, [](uint32_t) { return true; });
    if (e.candidat != kAucune) visites.precharger(e.candidat);
}

bool ComptesAudience::Tranche::lireCles(EnAttente& e, const RLog& r, const ClesLigne& cles) {
    const bool texteCle = (cles.adresse & ClesLigne::kAdresseTexte) != 0;
    if (texteCle != e.texte) return false;
    e.parCles = true;
    e.agentCle = cles.agent;
    e.cle = cles.adresse & ~ClesLigne::kAdresseTexte;
    if (texteCle) {
        uint32_t& client = caseParCle(clientParTexte, e.cle);
        if (client == kAucune) client = numero(clientsTexte, r.adresse);
        e.client = client;
    }
    // The client's last visitor is read when the next line is, and then brought from memory.
    const std::vector<uint32_t>& derniers = derniersVisiteurs(texteCle);
    if (e.cle < derniers.size()) __builtin_prefetch(&derniers[e.cle]);
    return true;
}

uint32_t ComptesAudience::Tranche::visiteurParCle(const EnAttente& e) {
    // The agent's text here is read as by the lines read by their texts, from the record's
    // browser on: the same for every line of one statistics' agent (a prefix of it).
    uint32_t& numeroAgent = caseParCle(agentParCle, e.agentCle);
    if (numeroAgent == kAucune) numeroAgent = agents.numero(agentComplet(e.navigateur), e.agentCle);
    const uint32_t agent = numeroAgent;
    uint32_t& dernier = caseParCle(derniersVisiteurs(e.texte), e.cle);
    if (dernier != kAucune && visites.visiteur(dernier).agent == agent) return dernier;
    uint32_t n = visites.trouver(e.texte, e.client, [&](uint32_t a) { return a == agent; });
    if (n == kAucune) n = visites.ajouter(e.texte, e.client, agent);
    dernier = n;
    return n;
}

uint32_t ComptesAudience::Tranche::visiteur(const EnAttente& e) {
    if (e.parCles) return visiteurParCle(e);
    // The line before was counted just now: its agent is at hand.
    if (e.memeClient && dernierVisiteur != kAucune && memeAgent(agentDernier, e.navigateur)) {
        return dernierVisiteur;
    }
    std::string_view trouve;
    const auto meme = [&](uint32_t agent) {
        const std::string_view a = agents.cle(agent);
        if (!memeAgent(a, e.navigateur)) return false;
        trouve = a;
        return true;
    };
    uint32_t n = kAucune;
    if (e.candidat != kAucune && meme(visites.visiteur(e.candidat).agent)) {
        n = e.candidat;
    } else {
        n = visites.trouver(e.texte, e.client, meme);
    }
    if (n == kAucune) {
        const uint32_t a = agents.numero(agentComplet(e.navigateur), e.agentCle);
        trouve = agents.cle(a);
        n = visites.ajouter(e.texte, e.client, a);
    }
    agentDernier = trouve;
    return n;
}

void ComptesAudience::Tranche::compter(const EnAttente& e) {
    const uint32_t n = visiteur(e);
    dernierVisiteur = n;
    Visiteur& v = visites.visiteur(n);
    ++v.requetes;
    ajouterOctets(v.octets, e.octets);
    if (e.date) visites.requete(n, e.instant, e.jour);
}

void ComptesAudience::Tranche::lire(const RLog& r, const ClesLigne* cles) {
    EnAttente& e = enAttente(nbAttente);
    e.navigateur = r.navigateur;
    e.octets = r.chargement;
    e.date = instant(r, e.instant);
    e.jour = static_cast<int32_t>(jourDernier);
    e.texte = !cleIPv4(r, e.client);
    e.parCles = false;
    e.agentCle = cles ? cles->agent : ClesLigne::kSansCle;
    if (cles && cles->agent != ClesLigne::kSansCle && lireCles(e, r, *cles)) {
        // Found through the statistics' entries.
    } else if (!e.texte) {
        visites.index(false).precharger(e.client);
    } else {
        e.adresse = r.adresse;
        e.ip[0] = r.ip1, e.ip[1] = r.ip2, e.ip[2] = r.ip3, e.ip[3] = r.ip4;
    }
    ++requetes;
    ajouterOctets(octets, r.chargement);
    if (e.date) ++requetesDatees;
    requetesHttp.compter(r.requete, r.chargement);
    if (avecReferents) referents.compter(r.pagePrecedente, 1);

    if (nbAttente >= 1) preparer(enAttente(nbAttente - 1));
    if (nbAttente == 2) {
        compter(enAttente(0));
        premier = (premier + 1) & 3;
    } else {
        ++nbAttente;
    }
}

void ComptesAudience::Tranche::achever() {
    if (nbAttente >= 1) preparer(enAttente(nbAttente - 1));
    for (unsigned k = 0; k < nbAttente; ++k) compter(enAttente(k));
    premier = nbAttente = 0;
    oublierPrecedent();
}

ComptesAudience::ComptesAudience(ReglagesAudience reglages) : reglages_(std::move(reglages)) {}
ComptesAudience::~ComptesAudience() = default;

std::unique_ptr<ComptesAudience::Tranche> ComptesAudience::nouvelleTranche(std::string_view octets,
                                                                           std::size_t lignes,
                                                                           int tranche) const {
    auto t = std::make_unique<Tranche>();
    // A journal loaded whole outlives the counts: its agents are kept as views. A stream's
    // stretch 0 keeps views into the statistics' copies of its agents, stretch 1 views into the
    // block until the fold.
    using Garde = IndexAgents::Garde;
    t->agents.regler(journal_.octets().empty() ? (tranche == 0 ? Garde::statistiques : Garde::bloc)
                                               : Garde::journal,
                     statistiques_, tranche);
    t->tampon(octets);
    t->avecReferents = reglages_.referentsParLigne;
    if (lignes > 0) t->visites.reserver(lignes);
    return t;
}

void ComptesAudience::commencer(const Journal& journal, int nbTranches, bool /*souple*/) {
    journal_ = journal;
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) {
        tranches_.push_back(nouvelleTranche(
            journal_.octets(), journal_.nbLignes() / static_cast<std::size_t>(nbTranches) + 1, k));
    }
    complet_ = false;
}

void ComptesAudience::bloc(std::string_view octets) {
    for (auto& t : tranches_) t->tampon(octets);
}

void ComptesAudience::replier() {
    // The lines still waiting are counted while their block is there.
    for (auto& t : tranches_) t->achever();
    if (tranches_.size() < 2) return;
    tranches_[0]->ajouter(*tranches_[1], true);
    tranches_[1] = nouvelleTranche(
        {tranches_[0]->debutTampon,
         static_cast<std::size_t>(tranches_[0]->finTampon - tranches_[0]->debutTampon)},
        0, 1);
}

bool ComptesAudience::visiteursDuJour(int64_t jour, std::vector<VisiteurLu>& visiteurs) {
    visiteurs.clear();
    if (tranches_.empty()) return true;
    const Tranche& t = *tranches_[0];
    // Every line counted into the first stretch (as a fold leaves them), or none is given.
    for (const auto& u : tranches_) {
        if (u->nbAttente != 0 || (u.get() != &t && u->visites.nbVisiteurs() != 0)) return false;
    }
    if (t.visites.joursAPart()) return false;
    visiteurs.reserve(t.visites.nbVisiteurs());
    for (uint32_t n = 0; n < t.visites.nbVisiteurs(); ++n) {
        const Visiteur& v = t.visites.visiteur(n);
        if (v.jours == 0) continue;
        // Bit 0 alone: every dated request on the day of the latest.
        if (v.jours != 1 || jourDe(v.fin) != jour) return false;
        VisiteurLu l;
        l.texte = v.texte;
        if (v.texte) {
            l.client = t.clientsTexte.cle(v.client);
        } else {
            l.ipv4 = v.client;
        }
        l.agent = t.agents.cle(v.agent);
        l.premiere = v.fin;
        l.derniere = v.fin;
        t.visites.parcourirVisites(n, [&](int64_t debut, int64_t fin) {
            l.premiere = std::min(l.premiere, debut);
            ++l.visites;
            l.duree += fin - debut;
        });
        visiteurs.push_back(l);
    }
    return true;
}

void ComptesAudience::adopter(LecteurEnregistrements& autre, int tranche) {
    auto& a = dynamic_cast<ComptesAudience&>(autre);
    std::swap(tranches_.at(1), a.tranches_.at(static_cast<std::size_t>(tranche)));
}

void ComptesAudience::lire(int tranche, const RLog& r) {
    tranches_[static_cast<std::size_t>(tranche)]->lire(
        r, statistiques_ ? &statistiques_->clesLigne(tranche) : nullptr);
}

void ComptesAudience::lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) {
    Tranche& t = *tranches_[static_cast<std::size_t>(tranche)];
    RLog copie;
    // Read by its texts: a format's agent within the line may not end where its whole text read
    // on from its start does, which the statistics' agent entries would then not tell apart.
    t.lire(agentLisible(r, plus, t.debutTampon, t.finTampon, copie), nullptr);
}

void ComptesAudience::terminer() {
    complet_ = true;
}

void ComptesAudience::vider() {
    tranches_.clear();
    journal_ = Journal();
    complet_ = false;
}

void compterReferents(Audience& audience,
                      const std::vector<std::pair<std::string_view, int64_t>>& referents,
                      bool trier) {
    // Each half on a core of its own when there are many (the hosts, the engines and the terms
    // of tens of thousands of referrers), the second half's counts then added after the first's.
    constexpr std::size_t kReferentsDeuxFils = 4096;
    const std::size_t milieu = referents.size() / 2;
    ComptesReferents a, b;
    const auto compter = [&](ComptesReferents& c, std::size_t debut, std::size_t fin) {
        for (std::size_t k = debut; k < fin; ++k)
            c.compter(referents[k].first, referents[k].second);
    };
    if (referents.size() < kReferentsDeuxFils) {
        compter(a, 0, referents.size());
    } else {
        enParallele(
            true, [&] { compter(a, 0, milieu); }, [&] { compter(b, milieu, referents.size()); });
        a.ajouter(b);
    }
    a.tables(audience, trier);
}

}  // namespace kestrane
