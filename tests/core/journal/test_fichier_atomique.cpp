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
    void SetUp() override {
        std::string modele = (fs::temp_directory_path() / "kestrane-at-XXXXXX").string();
        ASSERT_NE(mkdtemp(modele.data()), nullptr);
        dossier_ = modele;
    }
    void TearDown() override {
        if (monte_) ::umount2(dossier_.c_str(), MNT_DETACH);
        std::error_code ec;
        fs::remove_all(dossier_, ec);
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
    fs::path dossier_;
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
                  chemin + "\". " + std::strerror(ENOENT));
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
                  a.string() + "\". " + std::strerror(ELOOP));
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
                  cible.string() + "\". " + std::strerror(ENOSPC));
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
                  cible.string() + "\". " + std::strerror(EROFS));
    EXPECT_EQ(lireFichier(cible), "intact");
}
