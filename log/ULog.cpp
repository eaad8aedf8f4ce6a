#include "log/ULog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "log/DeuxFils.h"
#include "log/Erreur.h"
#include "log/UString.h"

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

RLog analyserLigne(std::string_view ligne) {
    RLog r;
    std::string_view reste = ligne;
    r.ip1 = convertirEntier(extraireChamp(".", reste));
    r.ip2 = convertirEntier(extraireChamp(".", reste));
    r.ip3 = convertirEntier(extraireChamp(".", reste));
    r.ip4 = convertirEntier(extraireChamp(" ", reste));
    r.autre = extraireChamp(" ", reste);
    r.logname = extraireChamp(" ", reste);
    supprimerDebut(1, reste);
    r.date = extraireChamp(":", reste);
    r.heure = extraireChamp(" ", reste);
    r.fuseau = extraireChamp("] ", reste);
    supprimerDebut(1, reste);
    r.requete = extraireChamp("\" ", reste);
    r.fichierCharge = extraireFichier(r.requete);
    r.codeRenvoye = convertirEntier(extraireChamp(" ", reste));
    const std::string_view octets = extraireChamp(" ", reste);
    r.chargement = (octets == "-" || octets == "NC") ? 0 : convertirEntier64(octets);
    supprimerDebut(1, reste);
    r.pagePrecedente = extraireChamp("\" ", reste);
    supprimerDebut(1, reste);
    const std::string_view agent = extraireChamp("\"", reste);
    r.navigateur = extraireNavigateur(agent);
    r.systeme = extraireSysteme(agent);
    return r;
}

void ajouterAdresseIP(std::string& s, int32_t a, int32_t b, int32_t c, int32_t d) {
    ajouterEntier(s, a);
    s += '.';
    ajouterEntier(s, b);
    s += '.';
    ajouterEntier(s, c);
    s += '.';
    ajouterEntier(s, d);
}

std::string adresseIP(const RLog& r) {
    std::string s;
    ajouterAdresseIP(s, r.ip1, r.ip2, r.ip3, r.ip4);
    return s;
}

void ajouterDetailLog(std::string& s, const RLog& r) {
    constexpr std::string_view kSaut = "\r\n";
    s += "Adresse IP      : ";
    ajouterAdresseIP(s, r.ip1, r.ip2, r.ip3, r.ip4);
    s += kSaut;
    s += kSaut;
    s += "Autre           : ";
    s += r.autre;
    s += kSaut;
    s += "Logname         : ";
    s += r.logname;
    s += kSaut;
    s += "Date            : ";
    s += r.date;
    s += kSaut;
    s += "Heure           : ";
    s += r.heure;
    s += kSaut;
    s += "Fuseau          : GMT ";
    s += r.fuseau;
    s += kSaut;
    s += "Requ\xEAte         : ";
    s += r.requete;
    s += kSaut;
    s += "Code renvoy\xE9    : ";
    ajouterEntier(s, r.codeRenvoye);
    s += kSaut;
    s += "Chargement      : ";
    ajouterEntier(s, r.chargement);
    s += " octets";
    s += kSaut;
    s += "Page pr\xE9"
         "c\xE9"
         "dente : ";
    s += r.pagePrecedente;
    s += kSaut;
    s += "Navigateur/Robot: ";
    s += r.navigateur;
    s += kSaut;
    s += "Syst\xE8me d'exploitation : ";
    s += r.systeme;
}

std::string detailLog(const RLog& r) {
    std::string s;
    s.reserve(256 + r.requete.size() + r.pagePrecedente.size() + r.navigateur.size());
    ajouterDetailLog(s, r);
    return s;
}

// ---------------------------------------------------------------------------------------------
// Records of the last analysis run

TableauLog tableauLog;

RLog TableauLog::operator[](std::size_t i) const {
    try {
        return analyserLigne(journal_.ligne(i));
    } catch (const ErreurKestrane&) {
        // Only if the line's bytes changed since it was parsed.
        RLog r;
        r.autre = r.logname = r.date = r.heure = r.fuseau = r.requete = r.pagePrecedente =
            r.navigateur = r.systeme = kTiret;
        return r;
    }
}

bool TableauLog::couvre(const Journal& journal) const {
    return complet_ && journal_.identite() == journal.identite() && taille_ == journal.nbLignes();
}

namespace {

// Parses lines [debut, fin) and hands each record to the reader as stretch `tranche`; returns
// the index of the first failing line (or fin) and leaves its error in `erreur`.
std::size_t analyserTranche(const Journal& j, std::size_t debut, std::size_t fin,
                            LecteurEnregistrements* lecteur, int tranche,
                            std::exception_ptr& erreur, std::atomic<std::size_t>* faites = nullptr,
                            const std::atomic<bool>* arreter = nullptr) {
    constexpr std::size_t kPas = 8192;
    for (std::size_t i = debut; i < fin; ++i) {
        if ((i - debut) % kPas == kPas - 1) {
            if (faites) faites->fetch_add(kPas, std::memory_order_relaxed);
            // Asked to stop: what is left of this half no longer matters to anybody.
            if (arreter && arreter->load(std::memory_order_relaxed)) return i;
        }
        try {
            const RLog r = analyserLigne(j.ligne(i));
            if (lecteur) lecteur->lire(tranche, r);
        } catch (...) {
            erreur = std::current_exception();
            return i;
        }
    }
    return fin;
}

}  // namespace

void TableauLog::memoriser(const Journal& journal,
                           const std::function<void(std::size_t faites)>& progression,
                           LecteurEnregistrements* lecteur) {
    const std::size_t n = journal.nbLignes();
    complet_ = false;
    taille_ = 0;
    journal_ = journal;

    // Two halves on the two cores; the error that counts is that of the first failing line, so
    // the second half stops early once the first has failed.
    std::exception_ptr erreurA, erreurB, erreurSuivi;
    std::size_t arretA = 0, arretB = n;
    const std::size_t milieu = n >= kSeuilDeuxFilsLignes ? n / 2 : n;
    if (lecteur) lecteur->commencer(journal, milieu < n ? 2 : 1);
    if (milieu < n) {
        std::atomic<std::size_t> faites{0};
        std::atomic<bool> arreterPremier{false}, arreterSecond{false};
        std::mutex verrou;
        std::condition_variable fin;
        int finies = 0;
        const auto finie = [&] {
            std::lock_guard garde(verrou);
            ++finies;
            fin.notify_one();
        };
        std::atomic<std::size_t>* compte = progression ? &faites : nullptr;
        std::thread second([&] {
            arretB =
                analyserTranche(journal, milieu, n, lecteur, 1, erreurB, compte, &arreterSecond);
            finie();
        });
        const auto premiereMoitie = [&] {
            arretA =
                analyserTranche(journal, 0, milieu, lecteur, 0, erreurA, compte, &arreterPremier);
            if (erreurA) arreterSecond = true;
            finie();
        };
        if (!progression) {
            premiereMoitie();  // cannot throw: every failure is kept in erreurA
        } else {
            // Both halves on worker threads; this thread reports how far they are. Whatever
            // fails here, both threads are stopped and joined before anything is thrown.
            std::thread premier;
            try {
                premier = std::thread(premiereMoitie);
                std::unique_lock garde(verrou);
                while (!fin.wait_for(garde, std::chrono::milliseconds(20),
                                     [&] { return finies == 2; })) {
                    garde.unlock();
                    if (!erreurSuivi) progression(faites.load(std::memory_order_relaxed));
                    garde.lock();
                }
            } catch (...) {
                erreurSuivi = std::current_exception();
                arreterPremier = true;
                arreterSecond = true;
            }
            if (premier.joinable()) premier.join();
        }
        second.join();
    } else {
        arretA = analyserTranche(journal, 0, n, lecteur, 0, erreurA);
    }
    if (erreurSuivi) std::rethrow_exception(erreurSuivi);
    if (erreurA) {
        taille_ = arretA;
        std::rethrow_exception(erreurA);
    }
    if (erreurB) {
        taille_ = arretB;
        std::rethrow_exception(erreurB);
    }
    taille_ = n;
    complet_ = true;
    if (lecteur) lecteur->terminer();
}

}  // namespace kestrane
