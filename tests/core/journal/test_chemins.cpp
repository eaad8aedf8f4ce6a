// What a path designates: the same file through other paths and links, files named twice, the
// links a writer may follow, the French descriptions of system errors, and the texts sent out in
// UTF-8.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/journal/Chemins.h"
#include "core/journal/Erreur.h"
#include "core/journal/Texte.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
namespace fs = std::filesystem;

namespace {

class Chemins : public testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(d_ / "a.log") << "a";
        std::ofstream(d_ / "b.log") << "b";
        fs::create_symlink("a.log", d_ / "lien.log");
        fs::create_hard_link(d_ / "a.log", d_ / "dur.log");
        fs::create_directory(d_ / "sous");
    }
    std::string p(const std::string& nom) const { return (d_ / nom).string(); }
    const test::DossierTemporaire dossier_;
    const fs::path d_ = dossier_.chemin;
};

}  // namespace

TEST_F(Chemins, LaSortieQuiRemplaceraitUneEntree) {
    const std::vector<std::string> entrees = {p("b.log"), p("a.log")};
    const struct {
        std::string sortie;
        std::optional<std::size_t> remplacee;
    } cas[] = {
        {p("a.log"), 1},           {p("sous/../a.log"), 1},
        {p("lien.log"), 1},  // the writer replaces the file the link points to
        {p("dur.log"), 1},   // the same inode
        {p("b.log"), 0},           {p("c.log"), std::nullopt},
        {p("sous"), std::nullopt},
    };
    for (const auto& c : cas)
        EXPECT_EQ(entreeRemplacee(c.sortie, entrees), c.remplacee) << c.sortie;
}

TEST_F(Chemins, UnFichierNommeDeuxFoisNEstGardeQuUneFois) {
    const std::vector<std::string> chemins = {p("a.log"), p("b.log"), p("./a.log"), p("lien.log"),
                                              p("x.log"), p("x.log"), p("dur.log")};
    std::vector<std::size_t> ecartes;
    // A missing file is kept, twice: its load names it in its error.
    EXPECT_EQ(sansDoublons(chemins, &ecartes),
              (std::vector<std::string>{p("a.log"), p("b.log"), p("x.log"), p("x.log")}));
    EXPECT_EQ(ecartes, (std::vector<std::size_t>{2, 3, 6}));
}

TEST_F(Chemins, PremierComposantQuiNEstPasUnDossier) {
    const struct {
        std::string chemin, fautif;
    } cas[] = {
        {p("a.log/sous"), p("a.log")},
        {p("a.log/x/y"), p("a.log")},
        {p("lien.log/x"), p("lien.log")},
        {p("sous/x/y"), ""},  // missing, not "no folder"
        {p("sous/a"), ""},
    };
    for (const auto& c : cas) EXPECT_EQ(premierNonDossier(c.chemin), c.fautif) << c.chemin;
    try {
        leverErreurChemin(
            "Impossible de cr\xE9"
            "er le dossier ",
            p("a.log/sous"), ENOTDIR);
        ADD_FAILURE();
    } catch (const ErreurFichier& e) {
        EXPECT_EQ(e.description(), "\"" + p("a.log") + "\" n'est pas un dossier");
    }
}

// fs.protected_symlinks: in a sticky folder anyone writes in, only a link of the folder's owner
// or of the follower is followed.
TEST(Liens, RegleDuNoyau) {
    const struct {
        mode_t dossier;
        uid_t proprietaireDossier, proprietaireLien, suiveur;
        bool suivi;
    } cas[] = {
        {S_IFDIR | 01777, 0, 65534, 0, false},    {S_IFDIR | 01777, 0, 0, 0, true},
        {S_IFDIR | 01777, 65534, 65534, 0, true}, {S_IFDIR | 01777, 0, 1000, 1000, true},
        {S_IFDIR | 00777, 0, 65534, 0, true},  // not sticky
        {S_IFDIR | 01775, 0, 65534, 0, true},  // sticky, not written by anyone
        {S_IFDIR | 01757, 1000, 65534, 0, false},
    };
    for (const auto& c : cas) {
        struct stat dossier {
        }, lien{};
        dossier.st_mode = c.dossier;
        dossier.st_uid = c.proprietaireDossier;
        lien.st_uid = c.proprietaireLien;
        EXPECT_EQ(lienSuivable(dossier, lien, c.suiveur), c.suivi)
            << std::oct << c.dossier << std::dec << " " << c.proprietaireLien;
    }
}

TEST(Erreurs, DescriptionsEnFrancais) {
    const struct {
        int err;
        std::string texte;
    } cas[] = {
        {ENOENT, "Fichier ou dossier introuvable"},
        {EACCES, "Droits insuffisants"},
        {EPERM, "Droits insuffisants"},
        {ENOTDIR, "Ce n'est pas un dossier"},
        {ENOSPC, "Plus de place sur le disque"},
        {EDQUOT, "Quota de disque atteint"},
        {EROFS, "Volume en lecture seule"},
        {ELOOP, "Trop de liens symboliques"},
        {ENAMETOOLONG, "Nom de fichier trop long"},
        {EFBIG, "Fichier trop gros"},
        {EIO, std::strerror(EIO)},  // the rest: the system's own
    };
    for (const auto& c : cas) EXPECT_EQ(descriptionSysteme(c.err), c.texte) << c.err;
}

TEST(Texte, Utf8DuJournal) {
    const struct {
        std::string entree, attendu;
    } cas[] = {
        {"abc", "abc"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},                    // UTF-8 as sent
        {"caf\xE9", "caf\xC3\xA9"},                        // Windows-1252
        {"\xE2\x82\xAC 5", "\xE2\x82\xAC 5"},              // the euro sign in UTF-8
        {"\x80 5", "\xE2\x82\xAC 5"},                      // and in the code page
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},          // beyond the BMP
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // overlong: not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate: not UTF-8
        {"\xC3", "\xC3\x83"},                              // cut short
        {std::string("a\0b", 3),
         "a\xEF\xBF\xBD"
         "b"},
        {std::string("\xE9\0", 2), "\xC3\xA9\xEF\xBF\xBD"},
    };
    for (const auto& c : cas) EXPECT_EQ(utf8DuJournal(c.entree), c.attendu) << c.entree;
}

TEST(Texte, Utf8RepareEtCoupe) {
    const struct {
        std::string entree, attendu;
    } repares[] = {
        {"acc\xC3\xA8s.log", "acc\xC3\xA8s.log"},
        {"acc\xE8s.log", "acc\xEF\xBF\xBDs.log"},
        {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // past U+10FFFF
    };
    for (const auto& c : repares) EXPECT_EQ(utf8Repare(c.entree), c.attendu) << c.entree;
    const struct {
        std::string entree;
        std::size_t n;
        std::string attendu;
    } coupes[] = {
        {"abcdef", 6, "abcdef"},
        {"abcdefg", 6, "abcde\xE2\x80\xA6"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xC3\xA9\xE2\x80\xA6"},  // whole characters
        {"\xC3\xA9\xC3\xA9", 2, "\xC3\xA9\xC3\xA9"},
    };
    for (const auto& c : coupes) EXPECT_EQ(couperUtf8(c.entree, c.n), c.attendu) << c.entree;
}
