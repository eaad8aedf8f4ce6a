#include "core/historique/BaseJours.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/analyse/Comptage.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/FilAuxiliaire.h"
#include "core/journal/FileTravaux.h"
#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"
#include "core/journal/LectureFlux.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {

// The fingerprint of a file: its first bytes, up to this many.
constexpr std::size_t kOctetsEmpreinte = 4096;

// The first schema; each later version brings a base forward by its step of kEtapes.
const char* const kSchema1[] = {
    "CREATE TABLE fichiers (serveur TEXT NOT NULL, longueur BIGINT NOT NULL, empreinte TEXT NOT "
    "NULL, octets BIGINT NOT NULL, lignes BIGINT NOT NULL, PRIMARY KEY (serveur, longueur, "
    "empreinte))",
    "CREATE TABLE jours (serveur TEXT NOT NULL, jour BIGINT NOT NULL, lignes BIGINT NOT NULL, "
    "ignorees BIGINT NOT NULL, requetes BIGINT NOT NULL, octets BIGINT NOT NULL, visiteurs "
    "BIGINT NOT NULL, visites BIGINT NOT NULL, PRIMARY KEY (serveur, jour))",
    "CREATE TABLE jours_codes (serveur TEXT NOT NULL, jour BIGINT NOT NULL, code BIGINT NOT NULL, "
    "requetes BIGINT NOT NULL, octets BIGINT NOT NULL, PRIMARY KEY (serveur, jour, code))",
    "CREATE TABLE jours_heures (serveur TEXT NOT NULL, jour BIGINT NOT NULL, heure BIGINT NOT "
    "NULL, requetes BIGINT NOT NULL, PRIMARY KEY (serveur, jour, heure))",
};

// Version 2: each day's first and last moments, its dated requests and the length of its visits
// (a base of version 1 gets its days' bounds and none of the others).
const char* const kVersion2[] = {
    "ALTER TABLE jours ADD COLUMN premiere BIGINT NOT NULL DEFAULT 0",
    "ALTER TABLE jours ADD COLUMN derniere BIGINT NOT NULL DEFAULT 0",
    "ALTER TABLE jours ADD COLUMN requetes_datees BIGINT NOT NULL DEFAULT 0",
    "ALTER TABLE jours ADD COLUMN duree_visites BIGINT NOT NULL DEFAULT 0",
    "UPDATE jours SET premiere = jour * 86400, derniere = jour * 86400 + 86399 WHERE jour > "
    "-1000000000",
    // The visits of a day that go on from the evening before, and the seconds that join them.
    "ALTER TABLE jours ADD COLUMN visites_jointes BIGINT NOT NULL DEFAULT 0",
    "ALTER TABLE jours ADD COLUMN duree_jointe BIGINT NOT NULL DEFAULT 0",
    // Each day's visitors (VisiteursJour.h); OCTETS is the engine's type of bytes.
    "CREATE TABLE jours_visiteurs (serveur TEXT NOT NULL, jour BIGINT NOT NULL, donnees OCTETS "
    "NOT NULL, PRIMARY KEY (serveur, jour))",
    // Each day's tables (TablesJour.h), one row per table.
    "CREATE TABLE jours_tables (serveur TEXT NOT NULL, jour BIGINT NOT NULL, sorte BIGINT NOT "
    "NULL, donnees OCTETS NOT NULL, PRIMARY KEY (serveur, jour, sorte))",
};

struct Etape {
    const char* const* debut;
    std::size_t nombre;
};
// kEtapes[v - 1] brings a base of version v to version v + 1. Version 3 compresses the days' tables
// with LZ4 (TablesJour.cpp): those written before are read as they are, so nothing changes but
// the version, which keeps an earlier program from a base whose tables it cannot read. Version 4
// keeps with each day the robots' entries of its browsers' table (SorteTable::robotsNavigateurs):
// the days written before have none, and a range with one of them leaves the robots among the
// browsers, as before; an earlier program would write days without them.
const Etape kEtapes[] = {{kVersion2, std::size(kVersion2)}, {nullptr, 0}, {nullptr, 0}};
static_assert(std::size(kEtapes) == kVersionSchema - 1);

// Two independent 64-bit FNV-1a sums in hexadecimal: stable across machines and versions, as a
// base outlives the program that wrote it.
std::string empreinte(std::string_view octets) {
    uint64_t a = 0xCBF29CE484222325ull, b = 0x84222325CBF29CE4ull;
    for (const char c : octets) {
        a = (a ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        b = (b ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        b ^= b >> 29;
    }
    char texte[33];
    std::snprintf(texte, sizeof texte, "%016llx%016llx", static_cast<unsigned long long>(a),
                  static_cast<unsigned long long>(b));
    return texte;
}

bool fichierGzip(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    char debut[2] = {};
    f.read(debut, 2);
    return f.gcount() == 2 && estGzip(std::string_view(debut, 2));
}

int64_t entier(const ValeurBase& v) {
    return v.entier;
}

// A transaction cancelled unless validated.
class Transaction {
  public:
    Transaction(ConnexionBase& c, std::string_view cle) : c_(c) { c_.commencer(cle); }
    ~Transaction() {
        if (!fini_) c_.annuler();
    }
    void valider() {
        c_.valider();
        fini_ = true;
    }

  private:
    ConnexionBase& c_;
    bool fini_ = false;
};

// What one run of a day's lines counted.
struct CompteJournee {
    int64_t jour = kJourSansDate;
    int64_t lignes = 0, ignorees = 0, requetes = 0, octets = 0, visiteurs = 0, visites = 0;
    int64_t premiere = 0, derniere = 0, requetesDatees = 0, dureeVisites = 0;
    std::vector<CompteCode> codes;
    std::array<int64_t, 24> heures{};
};

void remplir(CompteJournee& j, const ResultatAnalyse& r) {
    const Complements& c = *r.complements;
    j.requetes = c.requetes;
    j.octets = c.octets;
    j.codes = c.codes;
    j.premiere = c.dates ? c.premiere.secondes : INT64_MAX;
    j.derniere = c.dates ? c.derniere.secondes : INT64_MIN;
    j.visiteurs = r.audience->visiteurs;
    j.visites = r.audience->visites;
    j.requetesDatees = r.audience->requetesDatees;
    j.dureeVisites = r.audience->dureeVisites;
    j.heures = r.lisibles.heures.lignes;
}

}  // namespace

BaseJours::BaseJours(const std::string& adresse) : BaseJours(ouvrirBase(adresse)) {}

BaseJours::BaseJours(std::unique_ptr<ConnexionBase> connexion) : connexion_(std::move(connexion)) {
    preparer();
}

BaseJours::~BaseJours() = default;

void BaseJours::preparer() {
    ConnexionBase& c = *connexion_;
    Transaction t(c, "schema");
    const bool sqlite = std::string_view(c.moteur()) == "sqlite";
    const auto tables = c.requete(
        sqlite ? "SELECT name FROM sqlite_master WHERE type = 'table'"
               : "SELECT table_name::TEXT FROM information_schema.tables WHERE table_schema = "
                 "current_schema()");
    const bool notre = std::any_of(tables.begin(), tables.end(), [](const LigneBase& l) {
        return l[0].texte == "kestrane_base";
    });
    // A base of another program is left untouched.
    if (!notre && !tables.empty()) throw ErreurBase(std::string(kBasePasUneBase));
    int64_t version = 1;
    if (!notre) {
        // The schema in one go: each statement would be a round trip to a PostgreSQL server.
        std::string schema =
            "CREATE TABLE kestrane_base (cle TEXT PRIMARY KEY, valeur BIGINT NOT NULL);";
        for (const char* sql : kSchema1) (schema += sql) += ';';
        c.executer(schema + "INSERT INTO kestrane_base (cle, valeur) VALUES ('version', 1)");
    } else {
        const auto v = c.requete("SELECT valeur FROM kestrane_base WHERE cle = 'version'");
        version = v.empty() ? 0 : entier(v[0][0]);
        if (version > kVersionSchema) throw ErreurBase(std::string(kBasePlusRecente));
        if (version < 1) throw ErreurBase(std::string(kBasePasUneBase));
    }
    // An older base brought forward step by step, in this same transaction: all or nothing.
    for (; version < kVersionSchema; ++version) {
        const Etape& e = kEtapes[version - 1];
        std::string etape;
        for (std::size_t k = 0; k < e.nombre; ++k) {
            std::string sql = e.debut[k];
            if (const std::size_t o = sql.find("OCTETS"); o != std::string::npos) {
                sql.replace(o, 6, c.typeOctets());
            }
            (etape += sql) += ';';
        }
        if (!etape.empty()) c.executer(etape);
    }
    c.requete("UPDATE kestrane_base SET valeur = $1 WHERE cle = 'version'",
              {ValeurBase::de(kVersionSchema)});
    t.valider();
}

int64_t BaseJours::version() {
    const auto v = connexion_->requete("SELECT valeur FROM kestrane_base WHERE cle = 'version'");
    return v.empty() ? 0 : entier(v[0][0]);
}

std::vector<AjoutFichier> BaseJours::ajouter(const std::vector<std::string>& chemins,
                                             const std::string& serveur,
                                             const OptionsAnalyse& options, std::size_t limite) {
    // One transaction for the whole feed: it adds every file or none.
    Transaction t(*connexion_, "serveur:" + serveur);
    // The days meet mostly the same agents: each named once by the catalogue.
    OptionsAnalyse o = options;
    if (!o.memoireAgents) o.memoireAgents = std::make_shared<MemoireAgents>();
    std::vector<AjoutFichier> r;
    for (const std::string& chemin : chemins) {
        r.push_back(ajouterFichier(chemin, serveur, o, limite));
    }
    t.valider();
    return r;
}

// What the new lines of a file counted, day by day, before it is written.
struct BaseJours::Collecte {
    explicit Collecte(std::size_t limite) : limite(limite) {}
    std::size_t limite;  // the entries each day's table keeps
    std::vector<CompteJournee> journees;
    std::map<int64_t, VisiteursJour> visiteurs;
    std::map<int64_t, TablesJour> tables;
    // Each day's tables as they are written when the base holds none of that day yet: cut and
    // encoded as soon as the day's runs are counted, while the next ones are.
    std::map<int64_t, std::map<SorteTable, std::string>> tablesEcrites;
    std::size_t lignes = 0, ignorees = 0;
    // The days the base held when the file's counting began; each day's runs counted, and those
    // it had when its visitors and tables were written ahead (ecrireTot).
    std::set<int64_t> joursDeLaBase;
    std::map<int64_t, int> courses, ecritesTot;

    // A run of one day counted in `comptes` (terminated), its visitors `v`; false when only its
    // lines read again could tell its figures (then nothing is added).
    bool ajouter(int64_t jour, Comptage& comptes, const Comptage::Bilan& bilan, std::size_t nb,
                 const VisiteursJour& v, const std::function<bool(ResultatAnalyse&)>& relire) {
        CompteJournee cj;
        cj.jour = jour != 0 ? jour : kJourSansDate;
        cj.ignorees = static_cast<int64_t>(bilan.ignorees);
        cj.lignes = static_cast<int64_t>(bilan.gardees);
        ResultatAnalyse res;
        if (cj.lignes > 0 && !comptes.resultat(res, nb, 0, bilan.ignorees)) {
            if (!relire || !relire(res)) return false;
        }
        if (cj.lignes > 0) {
            remplir(cj, res);
            // The run's tables, ordered after the earlier runs of its day by its first moment.
            const int64_t debut = res.complements->dates ? res.complements->premiere.secondes
                                                         : cj.jour * kSecondesParJour;
            // A day of one run keeps its tables as they are: written, they are merged with what
            // the base holds of the day anyway.
            TablesJour& t = tables[cj.jour];
            for (auto& [sorte, table] : tablesDuResultat(std::move(res), debut)) {
                TableJour& avant = t[sorte];
                avant = avant.empty() ? std::move(table) : fusionnerTables(avant, table);
            }
            // A result's labels come once each, and so do those of its tables merged.
            auto& ecrites = tablesEcrites[cj.jour];
            for (const auto& [sorte, table] : t) {
                ecrites[sorte] = encoderTableUnique(table, limite);
            }
            if (jour != 0) visiteurs[jour] = fusionnerVisiteurs(visiteurs[jour], v);
            ++courses[cj.jour];
        }
        lignes += nb;
        ignorees += bilan.ignorees;
        journees.push_back(std::move(cj));
        return true;
    }
};

namespace {

// A day's run that needs its lines read again: the file is then loaded whole.
struct RelectureJour {};

// A file read and cut into blocks of whole lines on a thread of its own, a few blocks ahead of
// the counting, each line's day found there too (from the bytes already counted on): the counting
// thread only counts. The blocks come back once counted, so that their memory is reused.
class LectureJours {
  public:
    // The day of a line whose date does not read.
    static constexpr int64_t kSansJour = INT64_MIN;
    struct Tampon {
        BlocLignes bloc;
        uint64_t position = 0;       // of the block's first byte in the file
        std::vector<int64_t> jours;  // by line; kSansJour before the bytes counted
    };

    LectureJours(const std::string& chemin, uint64_t deja, bool souple)
        : entree_(chemin), deja_(deja), souple_(souple) {
        for (Tampon& t : tampons_) libres_.push_back(&t);
        fil_ = lancerFil([this] { lire(); });
    }
    ~LectureJours() {
        {
            std::lock_guard garde(verrou_);
            arreter_ = true;
        }
        signal_.notify_all();
        fil_.join();
    }

    // The next block, null at the end; raises the reading's error in its place.
    Tampon* suivant() {
        std::unique_lock garde(verrou_);
        signal_.wait(garde, [&] { return !pleins_.empty() || fini_; });
        if (!pleins_.empty()) {
            Tampon* t = pleins_.front();
            pleins_.pop_front();
            return t;
        }
        if (erreur_) std::rethrow_exception(erreur_);
        return nullptr;
    }
    void rendre(Tampon* t) {
        {
            std::lock_guard garde(verrou_);
            libres_.push_back(t);
        }
        signal_.notify_all();
    }

  private:
    void lire() {
        try {
            DecoupeLignes decoupe(entree_);
            uint64_t position = 0;
            for (;;) {
                Tampon* t;
                {
                    std::unique_lock garde(verrou_);
                    signal_.wait(garde, [&] { return !libres_.empty() || arreter_; });
                    if (arreter_) return;
                    t = libres_.front();
                    libres_.pop_front();
                }
                const bool encore = decoupe.suivant(t->bloc);
                if (encore) {
                    const std::string_view o = t->bloc.octets();
                    t->position = position;
                    t->jours.resize(t->bloc.lignes.size());
                    for (std::size_t k = 0; k < t->bloc.lignes.size(); ++k) {
                        const std::string_view l = t->bloc.lignes[k];
                        t->jours[k] = position + static_cast<uint64_t>(l.data() - o.data()) >= deja_
                                          ? jourDeLigne(l)
                                          : kSansJour;
                    }
                    position += o.size();
                }
                std::lock_guard garde(verrou_);
                (encore ? pleins_ : libres_).push_back(t);
                if (!encore) break;
                signal_.notify_all();
            }
        } catch (...) {
            std::lock_guard garde(verrou_);
            erreur_ = std::current_exception();
        }
        std::lock_guard garde(verrou_);
        fini_ = true;
        signal_.notify_all();
    }

    // As instantDeLigne reads it, the date read again only when it changes (lines come in runs
    // of one date).
    int64_t jourDeLigne(std::string_view ligne) {
        std::string_view date, heure;
        dateEtHeureDeLigne(ligne, date, heure, souple_);
        int64_t secondes;
        if (!lireHeure(heure, secondes)) return kSansJour;
        if (date != derniereDate_) {
            derniereDate_.assign(date);
            if (!lireJour(date, dernierJour_)) dernierJour_ = kSansJour;
        }
        return dernierJour_;
    }

    EntreeFlux entree_;
    const uint64_t deja_;
    const bool souple_;
    std::string derniereDate_;
    int64_t dernierJour_ = kSansJour;
    Tampon tampons_[3];
    std::deque<Tampon*> libres_, pleins_;
    std::mutex verrou_;
    std::condition_variable signal_;
    bool fini_ = false, arreter_ = false;
    std::exception_ptr erreur_;
    std::thread fil_;
};

[[noreturn]] void leverLigne(const std::string& chemin, std::size_t numero,
                             const std::exception_ptr& erreur) {
    try {
        std::rethrow_exception(erreur);
    } catch (const ErreurKestrane& e) {
        throw ErreurKestrane(chemin + kBaseALaLigne + std::to_string(numero) + " : " + e.message());
    }
}

OptionsAnalyse optionsDuJour(const OptionsAnalyse& options) {
    OptionsAnalyse o = options;
    o.complements = true;
    o.resultatsLisibles = true;
    o.ordreDApparition = true;
    o.periode = {};
    o.filtre = nullptr;
    return o;
}

// The first bytes of a file (decompressed), up to `n`.
std::string premiersOctets(const std::string& chemin, std::size_t n) {
    EntreeFlux e(chemin);
    std::string o(n, '\0');
    std::size_t lus = 0;
    while (lus < n) {
        const std::size_t k = e.lire(o.data() + lus, n - lus);
        if (k == 0) break;
        lus += k;
    }
    o.resize(lus);
    return o;
}

}  // namespace

AjoutFichier BaseJours::ajouterFichier(const std::string& chemin, const std::string& serveur,
                                       const OptionsAnalyse& options, std::size_t limite) {
    AjoutFichier a;
    a.chemin = chemin;
    // Its first bytes are read twice (to know it, then to count it): a pipe gives them once.
    if (chemin == kEntreeStandard || !relisible(chemin)) {
        throw ErreurKestrane(chemin + kBaseFichierOrdinaire);
    }
    const bool gzip = fichierGzip(chemin);
    ConnexionBase& c = *connexion_;

    // The file as the base knows it: the first bytes of one it counted before, no shorter than
    // what it counted (a compressed file's size is known only once read).
    const std::string debutFichier = premiersOctets(chemin, kOctetsEmpreinte);
    struct stat st {};
    const uint64_t taille =
        !gzip && ::stat(chemin.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : UINT64_MAX;
    int64_t longueur = static_cast<int64_t>(debutFichier.size());
    std::string cle = empreinte(debutFichier);
    int64_t lignesAvant = 0;
    uint64_t deja = 0;
    for (const LigneBase& f :
         c.requete("SELECT longueur, empreinte, octets, lignes FROM fichiers WHERE serveur = $1",
                   {ValeurBase::de(serveur)})) {
        const auto l = static_cast<std::size_t>(entier(f[0]));
        if (l > debutFichier.size() || static_cast<uint64_t>(entier(f[2])) > taille ||
            empreinte(std::string_view(debutFichier).substr(0, l)) != f[1].texte) {
            continue;
        }
        longueur = entier(f[0]);
        cle = f[1].texte;
        deja = static_cast<uint64_t>(entier(f[2]));
        lignesAvant = entier(f[3]);
        a.nouveau = false;
        break;
    }
    a.nouveau = deja == 0 && lignesAvant == 0;
    a.octetsDeja = deja;
    if (longueur == 0) return a;

    const OptionsAnalyse o = optionsDuJour(options);
    Collecte collecte(limite);
    for (const LigneBase& l :
         c.requete("SELECT jour FROM jours WHERE serveur = $1", {ValeurBase::de(serveur)})) {
        collecte.joursDeLaBase.insert(entier(l[0]));
    }
    uint64_t compte;
    // What the stream writes ahead is taken back when the file is counted again.
    c.executer("SAVEPOINT lecture");
    try {
        compte = compterEnFlux(chemin, gzip, deja, o, serveur, collecte);
    } catch (const RelectureJour&) {
        c.executer("ROLLBACK TO SAVEPOINT lecture");
        collecte = Collecte(limite);
        compte = compterCharge(chemin, gzip, deja, o, collecte);
    }
    c.executer("RELEASE SAVEPOINT lecture");
    a.lignes = collecte.lignes;
    a.ignorees = collecte.ignorees;
    ecrire(serveur, collecte, limite);
    const auto lignes = lignesAvant + static_cast<int64_t>(a.lignes);
    c.requete(
        "INSERT INTO fichiers (serveur, longueur, empreinte, octets, lignes) VALUES ($1, $2, $3, "
        "$4, $5) ON CONFLICT (serveur, longueur, empreinte) DO UPDATE SET octets = "
        "excluded.octets, lignes = excluded.lignes",
        {ValeurBase::de(serveur), ValeurBase::de(longueur), ValeurBase::de(cle),
         ValeurBase::de(static_cast<int64_t>(compte)), ValeurBase::de(lignes)});
    return a;
}

uint64_t BaseJours::compterEnFlux(const std::string& chemin, bool gzip, uint64_t deja,
                                  const OptionsAnalyse& o, const std::string& serveur,
                                  Collecte& collecte) {
    // The run of the day being read: its counts, its lines so far.
    struct Course {
        std::optional<int64_t> jour;
        std::unique_ptr<Comptage> comptes;
        Comptage::Bilan bilan;
        std::size_t lignes = 0;
    };
    // One second thread for every run's blocks and folds; and one that makes each run counted
    // into its figures and tables while the next one is counted, lent a second thread of its own
    // for the work a result shares out (three or four times a day, a thread started each time
    // otherwise).
    FilAuxiliaire fil, filFermetures;
    FileTravaux fermetures;
    fermetures.confier([&filFermetures] { filPrete() = &filFermetures; });
    std::unique_ptr<Course> course;
    const auto ouvrir = [&] {
        course = std::make_unique<Course>();
        course->comptes = std::make_unique<Comptage>(o, FormatJournal());
        course->comptes->partagerFil(&fil);
        course->comptes->commencer();
    };
    const auto fermer = [&] {
        if (course->lignes == 0) return;
        course->comptes->terminer();
        // The second thread stays with the runs being counted.
        course->comptes->partagerFil(nullptr);
        fermetures.confier([this, &serveur, &collecte,
                            c = std::shared_ptr<Course>(std::move(course))] {
            // The day's visitors as its audience counted them; the lines read again when it
            // cannot tell them.
            VisiteursJour v;
            ComptesAudience* audience = c->comptes->audience();
            if (c->jour && (!audience || !visiteursDeLAudience(*audience, *c->jour, v))) {
                throw RelectureJour();
            }
            if (!collecte.ajouter(c->jour.value_or(0), *c->comptes, c->bilan, c->lignes, v, {})) {
                throw RelectureJour();
            }
            if (c->jour) ecrireTot(serveur, collecte, *c->jour);
        });
    };
    ouvrir();
    LectureJours lecture(chemin, deja, o.ignorerNonConformes);
    uint64_t compte = deja;
    std::vector<std::string_view> morceau;
    while (LectureJours::Tampon* tampon = lecture.suivant()) {
        const BlocLignes& bloc = tampon->bloc;
        const uint64_t position = tampon->position;
        const std::string_view o8 = bloc.octets();
        const auto debutDe = [&](std::size_t k) {
            return position + static_cast<uint64_t>(bloc.lignes[k].data() - o8.data());
        };
        std::size_t k = 0, fin = bloc.lignes.size();
        while (k < fin && debutDe(k) < deja) ++k;
        // The line being written waits for the next feed (a compressed file is finished).
        const bool dernierSansSaut = !o8.empty() && o8.back() != '\n' && o8.back() != '\r';
        if (!gzip && dernierSansSaut && fin > k) --fin;
        compte = std::max(compte, fin < bloc.lignes.size() ? debutDe(fin) : position + o8.size());
        // The block's lines cut into runs of one day, each counted with its day's counts.
        while (k < fin) {
            const std::size_t debut = k;
            morceau.clear();
            for (; k < fin; ++k) {
                if (const int64_t jour = tampon->jours[k]; jour != LectureJours::kSansJour) {
                    if (course->jour && jour != *course->jour) {
                        if (!morceau.empty() || course->lignes > 0) break;
                    }
                    course->jour = jour;
                }
                morceau.push_back(bloc.lignes[k]);
            }
            if (!morceau.empty()) {
                const Comptage::Bilan b =
                    course->comptes->compter(morceau, o8, bloc.premiere + debut);
                if (b.erreur) leverLigne(chemin, bloc.premiere + debut + b.arret + 1, b.erreur);
                course->bilan.ignorees += b.ignorees;
                course->bilan.gardees += b.gardees;
                course->lignes += morceau.size();
            }
            if (k < fin) {
                // A dated line of another day: the run ends before it.
                fermer();
                ouvrir();
            }
        }
        lecture.rendre(tampon);
    }
    fermer();
    fermetures.attendre();
    return compte;
}

uint64_t BaseJours::compterCharge(const std::string& chemin, bool gzip, uint64_t deja,
                                  const OptionsAnalyse& o, Collecte& collecte) {
    const Journal journal = Journal::charger(chemin);
    const std::string_view octets = journal.octets();
    // From the line that starts at the bytes counted, to the last line break (or the end of a
    // compressed file).
    std::size_t premiere = 0, derniere = journal.nbLignes();
    for (std::size_t haut = derniere; premiere < haut;) {
        const std::size_t milieu = premiere + (haut - premiere) / 2;
        if (journal.debutLigne(milieu) < deja) {
            premiere = milieu + 1;
        } else {
            haut = milieu;
        }
    }
    if (!gzip && derniere > premiere && !octets.ends_with('\n')) --derniere;
    if (premiere >= derniere) return deja;
    for (CompteDuJour& j : compterParJour(o, journal, premiere, derniere)) {
        if (j.bilan.erreur) leverLigne(chemin, j.premiere + j.bilan.arret + 1, j.bilan.erreur);
        j.comptes->terminer();
        std::vector<std::string_view> lignes;
        for (std::size_t k = 0; k < j.lignes; ++k) lignes.push_back(journal.ligne(j.premiere + k));
        const VisiteursJour v =
            j.jour != 0 ? visiteursDesLignes(lignes, j.jour, o) : VisiteursJour();
        // What only the lines read again can tell: the day analysed on its own.
        collecte.ajouter(j.jour, *j.comptes, j.bilan, j.lignes, v, [&](ResultatAnalyse& res) {
            std::string texte;
            for (const std::string_view l : lignes) texte.append(l).push_back('\n');
            return analyserJournal(Journal::depuisTexte(std::move(texte)), o, res) ==
                   IssueAnalyse::terminee;
        });
    }
    return derniere < journal.nbLignes() ? journal.debutLigne(derniere) : octets.size();
}

namespace {

// A row of `jours`.
struct LigneJour {
    int64_t lignes = 0, ignorees = 0, requetes = 0, octets = 0, visiteurs = 0, visites = 0;
    int64_t premiere = INT64_MAX, derniere = INT64_MIN, requetesDatees = 0, dureeVisites = 0;
    int64_t visitesJointes = 0, dureeJointe = 0;

    // The counts of `b`, another piece of the same day, added; the visitors are set apart.
    void ajouter(const LigneJour& b) {
        lignes += b.lignes;
        ignorees += b.ignorees;
        requetes += b.requetes;
        octets += b.octets;
        visiteurs += b.visiteurs;
        visites += b.visites;
        premiere = std::min(premiere, b.premiere);
        derniere = std::max(derniere, b.derniere);
        requetesDatees += b.requetesDatees;
        dureeVisites += b.dureeVisites;
    }
};

// A statement to a PostgreSQL server binds at most this many values, and about this many bytes
// (a day's visitors are hundreds of kilobytes).
constexpr std::size_t kValeursParRequete = 8192;
constexpr std::size_t kOctetsParRequete = std::size_t{32} << 20;

// Rows into a table: `debut` names the table and its columns, `fin` follows the rows (ON
// CONFLICT...), each row is `parLigne` of `valeurs`, which are used up; no two rows may meet on
// one key. A PostgreSQL server takes many rows in each statement (each is a round trip); SQLite,
// in the process, runs a statement of one row for each, prepared once (one statement of
// thousands of rows takes longer to compile than they take to write).
void insererLignes(ConnexionBase& c, std::string_view debut, std::vector<ValeurBase>& valeurs,
                   std::size_t parLigne, std::string_view fin) {
    const bool uneParUne = std::string_view(c.moteur()) == "sqlite";
    std::string sql;
    std::size_t lignesSql = 0;
    for (std::size_t k = 0; k < valeurs.size();) {
        std::size_t f = k, octets = 0;
        while (f < valeurs.size() &&
               (f == k || (!uneParUne && f - k + parLigne <= kValeursParRequete &&
                           octets < kOctetsParRequete))) {
            for (std::size_t n = f; n < f + parLigne; ++n) octets += valeurs[n].texte.size();
            f += parLigne;
        }
        if ((f - k) / parLigne != lignesSql) {
            lignesSql = (f - k) / parLigne;
            sql = debut;
            sql += " VALUES ";
            for (std::size_t r = 0; r < lignesSql * parLigne; r += parLigne) {
                sql += r > 0 ? ", (" : "(";
                for (std::size_t n = r; n < r + parLigne; ++n) {
                    sql += n > r ? ", $" : "$";
                    sql += std::to_string(n + 1);
                }
                sql += ')';
            }
            sql += fin;
        }
        c.requete(sql, std::vector<ValeurBase>(std::make_move_iterator(valeurs.begin() + k),
                                               std::make_move_iterator(valeurs.begin() + f)));
        k = f;
    }
}

}  // namespace

void BaseJours::ecrireTot(const std::string& serveur, Collecte& collecte, int64_t jour) {
    if (collecte.joursDeLaBase.count(jour)) return;
    ConnexionBase& c = *connexion_;
    const ValeurBase s = ValeurBase::de(serveur), j = ValeurBase::de(jour);
    std::vector<ValeurBase> valeurs;
    if (const auto v = collecte.visiteurs.find(jour); v != collecte.visiteurs.end()) {
        valeurs = {s, j, ValeurBase::octetsDe(encoderVisiteurs(v->second))};
        insererLignes(c, "INSERT INTO jours_visiteurs (serveur, jour, donnees)", valeurs, 3,
                      " ON CONFLICT (serveur, jour) DO UPDATE SET donnees = excluded.donnees");
    }
    valeurs.clear();
    if (const auto t = collecte.tablesEcrites.find(jour); t != collecte.tablesEcrites.end()) {
        for (const auto& [sorte, octets] : t->second) {
            valeurs.insert(valeurs.end(), {s, j, ValeurBase::de(static_cast<int64_t>(sorte)),
                                           ValeurBase::octetsDe(octets)});
        }
        insererLignes(c, "INSERT INTO jours_tables (serveur, jour, sorte, donnees)", valeurs, 4,
                      " ON CONFLICT (serveur, jour, sorte) DO UPDATE SET donnees = "
                      "excluded.donnees");
    }
    collecte.ecritesTot[jour] = collecte.courses[jour];
}

void BaseJours::ecrire(const std::string& serveur, const Collecte& collecte, std::size_t limite) {
    ConnexionBase& c = *connexion_;
    const ValeurBase s = ValeurBase::de(serveur);
    // The runs summed by day, as the base sums the pieces of a day fed apart.
    std::map<int64_t, LigneJour> jours;
    std::map<std::pair<int64_t, int32_t>, std::pair<int64_t, int64_t>> codes;
    std::map<std::pair<int64_t, int64_t>, int64_t> heures;
    for (const CompteJournee& j : collecte.journees) {
        jours[j.jour].ajouter({j.lignes, j.ignorees, j.requetes, j.octets, j.visiteurs, j.visites,
                               j.premiere, j.derniere, j.requetesDatees, j.dureeVisites});
        for (const CompteCode& code : j.codes) {
            auto& x = codes[{j.jour, code.code}];
            x.first += code.nombre;
            x.second += code.octets;
        }
        for (int64_t h = 0; h < 24; ++h) {
            const int64_t n = j.heures[static_cast<std::size_t>(h)];
            if (n != 0) heures[{j.jour, h}] += n;
        }
    }
    if (jours.empty()) return;

    // The rows the base holds of these days and of the days beside them (a visit goes on across
    // midnight), read at once: the server's right to write, held, keeps them true. The days
    // the base does not hold are written as counted, nothing of theirs read.
    int64_t premier = 1, dernier = 0;
    for (const auto& [jour, l] : jours) {
        if (jour == kJourSansDate) continue;
        if (premier > dernier) premier = jour - 1;
        dernier = jour + 1;
    }
    std::map<int64_t, LigneJour> avant;
    for (const LigneBase& l : c.requete(
             "SELECT jour, lignes, ignorees, requetes, octets, visiteurs, visites, premiere, "
             "derniere, requetes_datees, duree_visites, visites_jointes, duree_jointe FROM jours "
             "WHERE serveur = $1 AND (jour BETWEEN $2 AND $3 OR jour = $4)",
             {s, ValeurBase::de(premier), ValeurBase::de(dernier),
              ValeurBase::de(kJourSansDate)})) {
        avant[entier(l[0])] = {entier(l[1]), entier(l[2]),  entier(l[3]),  entier(l[4]),
                               entier(l[5]), entier(l[6]),  entier(l[7]),  entier(l[8]),
                               entier(l[9]), entier(l[10]), entier(l[11]), entier(l[12])};
    }
    for (auto& [jour, l] : jours) {
        const auto b = avant.find(jour);
        if (b == avant.end()) continue;
        LigneJour somme = b->second;
        somme.ajouter(l);
        l = somme;
    }
    // A day written ahead as it is now, of which the base held nothing before.
    const auto ecritTot = [&](int64_t jour) {
        const auto e = collecte.ecritesTot.find(jour);
        const auto n = collecte.courses.find(jour);
        return e != collecte.ecritesTot.end() && n != collecte.courses.end() &&
               e->second == n->second && !avant.count(jour);
    };
    const auto visiteursDe = [&](int64_t jour) {
        return avant.count(jour) ? visiteursDuJour(serveur, jour) : VisiteursJour();
    };

    // The days' visitors in order, merged with those the base holds of the day: each day's
    // totals, and the visits that cross its two midnights, this day's with the day before and
    // the day after's with this one, whichever was fed first.
    std::vector<ValeurBase> visiteurs;
    // The merged visitors of this day and of the day before.
    VisiteursJour fusions[2];
    const VisiteursJour* veille = nullptr;
    int64_t jourVeille = 0;
    for (auto d = collecte.visiteurs.begin(); d != collecte.visiteurs.end(); ++d) {
        const int64_t jour = d->first;
        const VisiteursJour* v = &d->second;
        if (avant.count(jour)) {
            VisiteursJour& f = fusions[&fusions[0] == veille ? 1 : 0];
            f = fusionnerVisiteurs(visiteursDuJour(serveur, jour), d->second);
            v = &f;
        }
        LigneJour& l = jours[jour];
        const TotauxVisiteurs t = totaux(*v);
        l.visiteurs = t.visiteurs;
        l.visites = t.visites;
        l.dureeVisites = t.duree;
        VisiteursJour lus;
        const VisiteursJour& avantMinuit =
            veille && jourVeille == jour - 1 ? *veille : (lus = visiteursDe(jour - 1));
        const Jonction j = jonction(avantMinuit, *v);
        l.visitesJointes = j.visites;
        l.dureeJointe = j.duree;
        const auto suivant = std::next(d);
        if (suivant == collecte.visiteurs.end() || suivant->first != jour + 1) {
            // The day after, when the base or this feed holds it, is joined to this one here.
            const auto b = avant.find(jour + 1);
            if (jours.count(jour + 1) || b != avant.end()) {
                auto [apres, nouveau] = jours.try_emplace(jour + 1);
                if (nouveau) apres->second = b->second;
                const Jonction ja = jonction(*v, visiteursDe(jour + 1));
                apres->second.visitesJointes = ja.visites;
                apres->second.dureeJointe = ja.duree;
            }
        }
        if (!ecritTot(jour)) {
            visiteurs.insert(visiteurs.end(),
                             {s, ValeurBase::de(jour), ValeurBase::octetsDe(encoderVisiteurs(*v))});
        }
        veille = v;
        jourVeille = jour;
    }

    std::vector<ValeurBase> lignes;
    for (const auto& [jour, l] : jours) {
        lignes.insert(
            lignes.end(),
            {s, ValeurBase::de(jour), ValeurBase::de(l.lignes), ValeurBase::de(l.ignorees),
             ValeurBase::de(l.requetes), ValeurBase::de(l.octets), ValeurBase::de(l.visiteurs),
             ValeurBase::de(l.visites), ValeurBase::de(l.premiere), ValeurBase::de(l.derniere),
             ValeurBase::de(l.requetesDatees), ValeurBase::de(l.dureeVisites),
             ValeurBase::de(l.visitesJointes), ValeurBase::de(l.dureeJointe)});
    }
    insererLignes(
        c,
        "INSERT INTO jours (serveur, jour, lignes, ignorees, requetes, octets, visiteurs, "
        "visites, premiere, derniere, requetes_datees, duree_visites, visites_jointes, "
        "duree_jointe)",
        lignes, 14,
        " ON CONFLICT (serveur, jour) DO UPDATE SET lignes = excluded.lignes, ignorees "
        "= excluded.ignorees, requetes = excluded.requetes, octets = excluded.octets, "
        "visiteurs = excluded.visiteurs, visites = excluded.visites, premiere = "
        "excluded.premiere, derniere = excluded.derniere, requetes_datees = "
        "excluded.requetes_datees, duree_visites = excluded.duree_visites, "
        "visites_jointes = excluded.visites_jointes, duree_jointe = "
        "excluded.duree_jointe");
    std::vector<ValeurBase> valeurs;
    for (const auto& [cle, n] : codes) {
        valeurs.insert(valeurs.end(), {s, ValeurBase::de(cle.first), ValeurBase::de(cle.second),
                                       ValeurBase::de(n.first), ValeurBase::de(n.second)});
    }
    insererLignes(c, "INSERT INTO jours_codes (serveur, jour, code, requetes, octets)", valeurs, 5,
                  " ON CONFLICT (serveur, jour, code) DO UPDATE SET requetes = "
                  "jours_codes.requetes + excluded.requetes, octets = jours_codes.octets + "
                  "excluded.octets");
    valeurs.clear();
    for (const auto& [cle, n] : heures) {
        valeurs.insert(valeurs.end(), {s, ValeurBase::de(cle.first), ValeurBase::de(cle.second),
                                       ValeurBase::de(n)});
    }
    insererLignes(c, "INSERT INTO jours_heures (serveur, jour, heure, requetes)", valeurs, 4,
                  " ON CONFLICT (serveur, jour, heure) DO UPDATE SET requetes = "
                  "jours_heures.requetes + excluded.requetes");
    insererLignes(c, "INSERT INTO jours_visiteurs (serveur, jour, donnees)", visiteurs, 3,
                  " ON CONFLICT (serveur, jour) DO UPDATE SET donnees = excluded.donnees");

    valeurs.clear();
    for (const auto& [jour, nouvelles] : collecte.tables) {
        if (ecritTot(jour)) continue;
        const ValeurBase j = ValeurBase::de(jour);
        TablesJour tables;
        if (avant.count(jour)) {
            for (const LigneBase& l : c.requete(
                     "SELECT sorte, donnees FROM jours_tables WHERE serveur = $1 AND jour = $2",
                     {s, j})) {
                tables[static_cast<SorteTable>(entier(l[0]))] = decoderTable(l[1].texte);
            }
        }
        const auto ecrites = collecte.tablesEcrites.find(jour);
        for (const auto& [sorte, table] : nouvelles) {
            // A day whose earlier pieces an earlier version wrote keeps no robots' entries: they
            // would be this piece's alone.
            if (sorte == SorteTable::robotsNavigateurs && !tables.empty() && !tables.count(sorte)) {
                continue;
            }
            // A table the base holds none of that day is written as made while the day was
            // counted.
            const std::string* prete = nullptr;
            if (ecrites != collecte.tablesEcrites.end() && !tables.count(sorte)) {
                const auto e = ecrites->second.find(sorte);
                if (e != ecrites->second.end()) prete = &e->second;
            }
            valeurs.insert(valeurs.end(),
                           {s, j, ValeurBase::de(static_cast<int64_t>(sorte)),
                            ValeurBase::octetsDe(
                                prete ? *prete
                                      : encoderTable(limiter(fusionnerTables(tables[sorte], table),
                                                             limite)))});
        }
    }
    insererLignes(c, "INSERT INTO jours_tables (serveur, jour, sorte, donnees)", valeurs, 4,
                  " ON CONFLICT (serveur, jour, sorte) DO UPDATE SET donnees = excluded.donnees");
}

VisiteursJour BaseJours::visiteursDuJour(const std::string& serveur, int64_t jour) {
    const auto l =
        connexion_->requete("SELECT donnees FROM jours_visiteurs WHERE serveur = $1 AND jour = $2",
                            {ValeurBase::de(serveur), ValeurBase::de(jour)});
    return l.empty() ? VisiteursJour() : decoderVisiteurs(l[0][0].texte);
}

Historique BaseJours::lire(const std::string& serveur, std::optional<int64_t> premier,
                           std::optional<int64_t> dernier) {
    ConnexionBase& c = *connexion_;
    const std::vector<ValeurBase> p{ValeurBase::de(serveur),
                                    ValeurBase::de(premier.value_or(INT64_MIN / 2)),
                                    ValeurBase::de(dernier.value_or(INT64_MAX / 2))};
    const std::string ou = " WHERE ($1 = '' OR serveur = $1) AND jour BETWEEN $2 AND $3 ";
    Historique h;
    for (const LigneBase& l :
         c.requete("SELECT jour, SUM(lignes), SUM(ignorees), SUM(requetes), SUM(octets), "
                   "SUM(visiteurs), SUM(visites - visites_jointes), MIN(premiere), "
                   "MAX(derniere), SUM(requetes_datees), SUM(duree_visites + duree_jointe) FROM "
                   "jours" +
                       ou + "GROUP BY jour ORDER BY jour",
                   p)) {
        h.jours.push_back({entier(l[0]), entier(l[1]), entier(l[2]), entier(l[3]), entier(l[4]),
                           entier(l[5]), entier(l[6]), entier(l[7]), entier(l[8]), entier(l[9]),
                           entier(l[10])});
    }
    for (const LigneBase& l : c.requete("SELECT code, SUM(requetes), SUM(octets) FROM jours_codes" +
                                            ou + "GROUP BY code ORDER BY code",
                                        p)) {
        h.codes.push_back({static_cast<int32_t>(entier(l[0])), entier(l[1]), entier(l[2])});
    }
    for (const LigneBase& l :
         c.requete("SELECT heure, SUM(requetes) FROM jours_heures" + ou + "GROUP BY heure", p)) {
        const int64_t heure = entier(l[0]);
        if (heure >= 0 && heure < 24) h.heures[static_cast<std::size_t>(heure)] = entier(l[1]);
    }
    // The days' tables merged in day order: an entry's first appearance is its earliest day's.
    std::map<SorteTable, CumulTable> cumuls;
    std::map<SorteTable, int64_t> jours;  // each table's rows, a row per server and day
    for (const LigneBase& l :
         c.requete("SELECT sorte, donnees FROM jours_tables" + ou + "ORDER BY jour", p)) {
        const auto sorte = static_cast<SorteTable>(entier(l[0]));
        cumuls[sorte].ajouter(decoderTable(l[1].texte));
        ++jours[sorte];
    }
    // Every day with its browsers' table has its robots' entries too.
    h.robotsConnus = jours[SorteTable::robotsNavigateurs] > 0 &&
                     jours[SorteTable::robotsNavigateurs] == jours[SorteTable::navigateurs];
    for (auto& [sorte, cumul] : cumuls) h.tables[sorte] = std::move(cumul.table());
    return h;
}

std::vector<std::string> BaseJours::serveurs() {
    std::vector<std::string> r;
    for (const LigneBase& l :
         connexion_->requete("SELECT DISTINCT serveur FROM jours ORDER BY serveur")) {
        r.push_back(l[0].texte);
    }
    return r;
}

std::string nomDeLaMachine() {
    char nom[256] = {};
    if (gethostname(nom, sizeof nom - 1) != 0 || nom[0] == '\0') return "localhost";
    return nom;
}

}  // namespace kestrane
