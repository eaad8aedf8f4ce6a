#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "core/journal/Chemins.h"
#include "core/journal/Erreur.h"
#include "core/journal/FichierAtomique.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
namespace fs = std::filesystem;

namespace {

void ecrire(const fs::path& p, const std::string& octets) {
    std::ofstream f(p, std::ios::binary);
    f << octets;
}

std::string erreurDeFichier(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErreurFichier& e) {
        return e.what();
    }
    return "(no error)";
}

class FichierAtomique : public testing::Test {
  protected:
    void TearDown() override {
        if (monte_) ::umount2(dossier_.c_str(), MNT_DETACH);
    }
    // A tmpfs of `options` over the test folder, when this machine lets us mount one.
    bool monter(const char* options) {
        if (::mount("tmpfs", dossier_.c_str(), "tmpfs", 0, options) != 0) return false;
        monte_ = true;
        return true;
    }
    std::size_t nbFichiers() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dossier_), fs::directory_iterator()));
    }
    const kestrane::test::DossierTemporaire temporaire_;
    const fs::path dossier_ = temporaire_.chemin;
    bool monte_ = false;
};

}  // namespace

TEST_F(FichierAtomique, EcritEnMorceauxEtRemplace) {
    const fs::path cible = dossier_ / "rapport.txt";
    ecrire(cible, "ancien contenu bien plus long que le nouveau");
    ::chmod(cible.c_str(), 0640);
    ecrireFichierAtomique(cible.string(), [](const Ecrivain& e) {
        e("un ");
        e("");
        e(std::string_view("deux\0trois", 10));
    });
    EXPECT_EQ(lireFichier(cible), std::string("un deux\0trois", 13));
    EXPECT_EQ(fs::status(cible).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(nbFichiers(), 1u);
}

TEST_F(FichierAtomique, SuitLesLiensSymboliques) {
    const fs::path vrai = dossier_ / "vrai.log", lien = dossier_ / "lien.log";
    ecrire(vrai, "x");
    fs::create_symlink("vrai.log", lien);
    ecrireFichierAtomique(lien.string(), [](const Ecrivain& e) { e("nouveau"); });
    EXPECT_TRUE(fs::is_symlink(lien));
    EXPECT_EQ(lireFichier(vrai), "nouveau");
}

TEST_F(FichierAtomique, ChemineImpossible) {
    const std::string chemin = (dossier_ / "absent" / "f.txt").string();
    EXPECT_EQ(erreurDeFichier([&] { ecrireFichierAtomique(chemin, [](const Ecrivain&) {}); }),
              "Impossible de cr\xE9"
              "er le fichier \"" +
                  chemin + "\". " + "Fichier ou dossier introuvable");
    EXPECT_EQ(
        erreurDeFichier([&] { ecrireFichierAtomique(dossier_.string(), [](const Ecrivain&) {}); }),
        "Impossible de cr\xE9"
        "er le fichier \"" +
            dossier_.string() + "\". " + kPasFichierOrdinaire);
}

TEST_F(FichierAtomique, UnProducteurQuiEchoueNeLaissePasDeTrace) {
    const fs::path cible = dossier_ / "garde.log";
    ecrire(cible, "intact");
    EXPECT_THROW(ecrireFichierAtomique(cible.string(),
                                       [](const Ecrivain& e) {
                                           e("debut");
                                           throw std::runtime_error("coupure");
                                       }),
                 std::runtime_error);
    EXPECT_EQ(lireFichier(cible), "intact");
    EXPECT_EQ(nbFichiers(), 1u);
}

TEST_F(FichierAtomique, NiTubeNiPeripheriqueNiDossierNeSontRemplaces) {
    // A pipe without a reader would block the writer for ever; a device takes no file.
    const fs::path tube = dossier_ / "tube.log";
    ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
    const fs::path lienVersZero = dossier_ / "zero.log";
    fs::create_symlink("/dev/zero", lienVersZero);
    for (const std::string& chemin :
         {tube.string(), std::string("/dev/full"), lienVersZero.string(), dossier_.string()}) {
        EXPECT_EQ(erreurDeFichier(
                      [&] { ecrireFichierAtomique(chemin, [](const Ecrivain& e) { e("x"); }); }),
                  "Impossible de cr\xE9"
                  "er le fichier \"" +
                      chemin + "\". " + kPasFichierOrdinaire);
    }
    EXPECT_TRUE(fs::is_fifo(tube));
    EXPECT_TRUE(fs::is_symlink(lienVersZero));
}

TEST_F(FichierAtomique, BoucleDeLiensSignaleeEtLienGarde) {
    const fs::path a = dossier_ / "a.log", b = dossier_ / "b.log";
    fs::create_symlink("b.log", a);
    fs::create_symlink("a.log", b);
    EXPECT_EQ(erreurDeFichier(
                  [&] { ecrireFichierAtomique(a.string(), [](const Ecrivain& e) { e("x"); }); }),
              "Impossible de cr\xE9"
              "er le fichier \"" +
                  a.string() + "\". " + "Trop de liens symboliques");
    EXPECT_TRUE(fs::is_symlink(a));
    EXPECT_TRUE(fs::is_symlink(b));
}

TEST_F(FichierAtomique, NomDeLaLongueurMaximale) {
    for (const std::size_t longueur : {240u, 250u, 255u}) {
        const fs::path cible = dossier_ / std::string(longueur, 'n');
        ecrireFichierAtomique(cible.string(), [](const Ecrivain& e) { e("long"); });
        EXPECT_EQ(lireFichier(cible), "long");
        ecrireFichierAtomique(cible.string(), [](const Ecrivain& e) { e("encore"); });
        EXPECT_EQ(lireFichier(cible), "encore");
        fs::remove(cible);
    }
    EXPECT_EQ(nbFichiers(), 0u);
}

TEST_F(FichierAtomique, UnEnregistrementInterrompuNeLaissePasDeTemporaire) {
    const fs::path cible = dossier_ / "tue.log";
    ecrire(cible, "intact");
    // A process killed in the middle of its save.
    const pid_t fils = ::fork();
    ASSERT_GE(fils, 0);
    if (fils == 0) {
        ecrireFichierAtomique(cible.string(), [](const Ecrivain& e) {
            e(std::string(100000, 'z'));
            ::_exit(0);
        });
        ::_exit(1);
    }
    int etat = 0;
    ASSERT_EQ(::waitpid(fils, &etat, 0), fils);
    EXPECT_EQ(lireFichier(cible), "intact");
    // Where the system has unnamed files nothing is left; otherwise the leftover goes at the
    // next save into the folder.
    ecrireFichierAtomique((dossier_ / "autre.log").string(), [](const Ecrivain& e) { e("y"); });
    EXPECT_EQ(nbFichiers(), 2u);
}

TEST_F(FichierAtomique, LesRestesSontEnlevesMaisPasUnFichierEnCours) {
    const fs::path reste = dossier_ / ".~kestrane-abandon",
                   enCours = dossier_ / ".~kestrane-encours";
    ecrire(reste, "vieux");
    ecrire(enCours, "en cours");
    // Another save still writes this one: it holds its lock.
    const int fd = ::open(enCours.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    ecrireFichierAtomique((dossier_ / "j.log").string(), [](const Ecrivain& e) { e("j"); });
    EXPECT_FALSE(fs::exists(reste));
    EXPECT_TRUE(fs::exists(enCours));
    ::close(fd);
}

TEST_F(FichierAtomique, LeFichierRemplaceGardeSonProprietaire) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
    const fs::path cible = dossier_ / "a-autrui.log";
    ecrire(cible, "ancien");
    ASSERT_EQ(::chown(cible.c_str(), 65534, 65534), 0);
    ::chmod(cible.c_str(), 0604);
    ecrireFichierAtomique(cible.string(), [](const Ecrivain& e) { e("nouveau"); });
    struct stat st {};
    ASSERT_EQ(::stat(cible.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(lireFichier(cible), "nouveau");
}

TEST_F(FichierAtomique, DisquePleinGardeLAncienFichier) {
    if (!monter("size=64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
    const fs::path cible = dossier_ / "journal.log";
    const std::string ancien(20000, 'a');
    ecrire(cible, ancien);
    const std::string morceau(16384, 'b');
    const std::string m = erreurDeFichier([&] {
        ecrireFichierAtomique(cible.string(), [&](const Ecrivain& e) {
            for (int k = 0; k < 16; ++k) e(morceau);
        });
    });
    EXPECT_EQ(m,
              "Impossible de cr\xE9"
              "er le fichier \"" +
                  cible.string() + "\". " + "Plus de place sur le disque");
    EXPECT_EQ(lireFichier(cible), ancien);
    EXPECT_EQ(nbFichiers(), 1u);
}

TEST_F(FichierAtomique, DossierEnLectureSeule) {
    if (!monter("size=64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
    const fs::path cible = dossier_ / "journal.log";
    ecrire(cible, "intact");
    ASSERT_EQ(::mount(nullptr, dossier_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const std::string m = erreurDeFichier(
        [&] { ecrireFichierAtomique(cible.string(), [](const Ecrivain& e) { e("nouveau"); }); });
    EXPECT_EQ(m,
              "Impossible de cr\xE9"
              "er le fichier \"" +
                  cible.string() + "\". " + "Volume en lecture seule");
    EXPECT_EQ(lireFichier(cible), "intact");
}

namespace {

// The files of a folder and their contents, hidden ones included.
std::map<std::string, std::string> contenu(const fs::path& dossier) {
    std::map<std::string, std::string> c;
    for (const auto& e : fs::directory_iterator(dossier)) {
        c[e.path().filename().string()] = fs::is_regular_file(e) ? lireFichier(e.path()) : "/";
    }
    return c;
}

std::vector<FichierDuDossier> fichiers(const std::vector<std::string>& noms, std::string texte) {
    std::vector<FichierDuDossier> f;
    for (const std::string& n : noms) f.push_back({n, [=](const Ecrivain& e) { e(texte + n); }});
    return f;
}

const std::vector<std::string> kConnus = {"a.csv", "b.csv", "c.csv", "d.csv"};

// "1.csv" to "<n>.csv"
std::vector<std::string> numerotes(int n) {
    std::vector<std::string> noms;
    for (int k = 1; k <= n; ++k) noms.push_back(std::to_string(k) + ".csv");
    return noms;
}

ino_t inode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

void remplir(const fs::path& dossier, const std::vector<std::string>& noms,
             const std::string& texte) {
    fs::create_directories(dossier);
    for (const std::string& n : noms) ecrire(dossier / n, texte + n);
}

}  // namespace

// A folder of tables is replaced whole, its former tables gone; one that holds anything else
// keeps it, and gets its tables one by one; a missing one is made. The folder keeps its mode.
TEST_F(FichierAtomique, DossierDeTables) {
    const struct {
        const char* nom;
        std::vector<std::string> avant;
        std::map<std::string, std::string> apres;
        bool remplace;  // a new folder
    } cas[] = {
        {"absent", {}, {{"a.csv", "neuf a.csv"}, {"b.csv", "neuf b.csv"}}, true},
        {"tables",
         {"a.csv", "c.csv", "d.csv"},
         {{"a.csv", "neuf a.csv"}, {"b.csv", "neuf b.csv"}},
         true},
        {"autres",
         {"a.csv", "c.csv", "journal.log"},
         {{"a.csv", "neuf a.csv"},
          {"b.csv", "neuf b.csv"},
          {"c.csv", "vieux c.csv"},
          {"journal.log", "vieux journal.log"}},
         false},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        const fs::path d = dossier_ / c.nom;
        if (!c.avant.empty()) {
            remplir(d, c.avant, "vieux ");
            ::chmod(d.c_str(), 0750);
        }
        const ino_t avant = inode(d);
        std::size_t faits = 0;
        const auto s = preparerDossier(d.string(), fichiers({"a.csv", "b.csv"}, "neuf "), kConnus,
                                       [&](std::size_t k) { faits = k; });
        EXPECT_EQ(faits, 2u);
        // Nothing changes before it is put in place (but hidden temporaries).
        if (!c.avant.empty()) {
            std::size_t visibles = 0;
            for (const auto& [nom, texte] : contenu(d)) visibles += nom[0] != '.';
            EXPECT_EQ(visibles, c.avant.size());
        }
        installerTout({s.get()});
        EXPECT_EQ(contenu(d), c.apres);
        if (!c.avant.empty()) {
            EXPECT_EQ(inode(d) != avant, c.remplace);
            EXPECT_EQ(fs::status(d).permissions(), fs::perms(0750));
        }
    }
    // Nothing left beside them.
    EXPECT_EQ(nbFichiers(), 3u);
}

TEST_F(FichierAtomique, DossierImpossible) {
    ecrire(dossier_ / "fichier", "x");
    const struct {
        std::string chemin, description;
    } cas[] = {
        {(dossier_ / "fichier").string(), "Ce n'est pas un dossier"},
        {(dossier_ / "fichier" / "sous").string(),
         "\"" + (dossier_ / "fichier").string() + "\" n'est pas un dossier"},
        {(dossier_ / "absent" / "sous").string(), "Fichier ou dossier introuvable"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(erreurDeFichier([&] { preparerDossier(c.chemin, fichiers({"a.csv"}, "")); }),
                  "Impossible de cr\xE9"
                  "er le dossier \"" +
                      c.chemin + "\". " + c.description);
        EXPECT_EQ(erreurDeFichier([&] { verifierCibleDossier(c.chemin); }),
                  erreurDeFichier([&] { preparerDossier(c.chemin, fichiers({"a.csv"}, "")); }));
    }
    EXPECT_EQ(nbFichiers(), 1u);
}

// Whatever stops the export midway (a full disk, a producer that fails, a kill), the former
// folder stays as it was, and what was written goes (a kill's at the next export there).
TEST_F(FichierAtomique, ExportInterrompuGardeLAncienDossier) {
    const fs::path d = dossier_ / "csv";
    const auto sept = numerotes(7), douze = numerotes(12);
    remplir(d, sept, "vieux ");
    const auto avant = contenu(d);
    // The sixth table fails.
    const auto sixiemeEchoue = [&](const std::function<void()>& echec) {
        std::vector<FichierDuDossier> f = fichiers(douze, std::string(4000, 'n'));
        f[5].produire = [&](const Ecrivain& e) {
            e("debut");
            echec();
        };
        return f;
    };
    EXPECT_THROW(
        preparerDossier(d.string(), sixiemeEchoue([] { throw std::runtime_error("x"); }), douze),
        std::runtime_error);
    EXPECT_EQ(contenu(d), avant);
    EXPECT_EQ(nbFichiers(), 1u);

    const pid_t fils = ::fork();
    ASSERT_GE(fils, 0);
    if (fils == 0) {
        preparerDossier(d.string(), sixiemeEchoue([] { ::_exit(0); }), douze);
        ::_exit(1);
    }
    int etat = 0;
    ASSERT_EQ(::waitpid(fils, &etat, 0), fils);
    EXPECT_EQ(contenu(d), avant);
    EXPECT_EQ(nbFichiers(), 2u);  // the killed export's folder
    installerTout({preparerDossier(d.string(), fichiers(sept, "neuf "), douze).get()});
    EXPECT_EQ(nbFichiers(), 1u);
    EXPECT_EQ(contenu(d).at("7.csv"), "neuf 7.csv");
}

TEST_F(FichierAtomique, DisquePleinAuMilieuDesTables) {
    if (!monter("size=64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
    const fs::path d = dossier_ / "csv";
    const auto douze = numerotes(12);
    remplir(d, numerotes(7), "vieux ");
    const auto avant = contenu(d);
    const std::string m = erreurDeFichier(
        [&] { preparerDossier(d.string(), fichiers(douze, std::string(8192, 'n')), douze); });
    EXPECT_NE(m.find("Plus de place sur le disque"), std::string::npos) << m;
    EXPECT_EQ(contenu(d), avant);
    EXPECT_EQ(nbFichiers(), 1u);
}

// Several outputs put in place as one: when the last cannot be, the earlier ones get their former
// content back.
TEST_F(FichierAtomique, ToutOuRien) {
    const fs::path page = dossier_ / "r.html", tables = dossier_ / "csv", bloque = dossier_ / "b";
    ecrire(page, "ancienne page");
    remplir(tables, {"a.csv"}, "vieux ");
    ecrire(bloque, "ancien b");
    const auto p = preparerFichier(page.string(), [](const Ecrivain& e) { e("page"); });
    const auto t = preparerDossier(tables.string(), fichiers({"a.csv"}, "neuf "), kConnus);
    const auto b = preparerFichier(bloque.string(), [](const Ecrivain& e) { e("b"); });
    // Something that is no file takes its place meanwhile.
    fs::remove(bloque);
    fs::create_directory(bloque);
    EXPECT_EQ(erreurDeFichier([&] {
                  installerTout({p.get(), t.get(), b.get()});
              }),
              "Impossible de cr\xE9"
              "er le fichier \"" +
                  bloque.string() + "\". " + kPasFichierOrdinaire);
    EXPECT_EQ(lireFichier(page), "ancienne page");
    EXPECT_EQ(contenu(tables), (std::map<std::string, std::string>{{"a.csv", "vieux a.csv"}}));
}

// A link another user planted in a sticky folder anyone writes in is not followed: a program run
// by root would otherwise write where the link points (fs.protected_symlinks).
TEST_F(FichierAtomique, LienPlanteDansUnDossierCommun) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a link away";
    const ChienDeGarde chien;
    const fs::path commun = dossier_ / "commun", secret = dossier_ / "secret";
    fs::create_directory(commun);
    ::chmod(commun.c_str(), 01777);
    ::chmod(dossier_.c_str(), 0755);
    const struct {
        uid_t proprietaire;
        bool suivi;
    } cas[] = {{65534, false}, {0, true}};
    for (const auto& c : cas) {
        ecrire(secret, "secret");
        const fs::path lien = commun / "rapport.html";
        fs::create_symlink(secret, lien);
        ASSERT_EQ(::lchown(lien.c_str(), c.proprietaire, c.proprietaire), 0);
        const auto ecrireRapport = [&] {
            ecrireFichierAtomique(lien.string(), [](const Ecrivain& e) { e("rapport"); });
        };
        if (c.suivi) {
            ecrireRapport();
            EXPECT_EQ(lireFichier(secret), "rapport");
        } else {
            const std::string attendu =
                "Impossible de cr\xE9"
                "er le fichier \"" +
                lien.string() + "\". " + kLienRefuse;
            EXPECT_EQ(erreurDeFichier(ecrireRapport), attendu);
            EXPECT_EQ(erreurDeFichier([&] { verifierCibleFichier(lien.string()); }), attendu);
            EXPECT_EQ(lireFichier(secret), "secret");
        }
        EXPECT_TRUE(fs::is_symlink(lien));
        fs::remove(lien);
    }
}
