// A load bounded by the memory the process may take (a gzip file of a few kilobytes may hold
// gigabytes of lines), and stopped when it is cancelled.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/journal/Assemblage.h"
#include "core/journal/Erreur.h"
#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"
#include "core/journal/Memoire.h"
#include "tests/commun/Gzip.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMo = uint64_t{1} << 20;

SuiviChargement avecMemoire(uint64_t libre) {
    SuiviChargement s;
    s.memoireLibre = [libre] { return libre; };
    return s;
}

class Memoire : public testing::Test {
  protected:
    std::string ecrire(const std::string& nom, const std::string& octets) {
        const std::string chemin = (d_ / nom).string();
        std::ofstream(chemin, std::ios::binary) << octets;
        return chemin;
    }
    const DossierTemporaire dossier_;
    const fs::path d_ = dossier_.chemin;
};

}  // namespace

TEST(MemoireDisponible, FichiersDuSysteme) {
    const struct {
        std::string meminfo;
        std::optional<uint64_t> octets;
    } infos[] = {
        {"MemTotal: 100 kB\nMemAvailable:    2048 kB\nSwapFree: 1024 kB\n", 3072 * 1024},
        {"MemAvailable: 10 kB\n", 10 * 1024},
        {"MemFree: 10 kB\n", std::nullopt},  // too old a kernel to say
        {"MemAvailableX: 10 kB\n", std::nullopt},
    };
    for (const auto& c : infos) EXPECT_EQ(disponibleMeminfo(c.meminfo), c.octets) << c.meminfo;
    const struct {
        std::string limite, usage, stat;
        std::optional<uint64_t> reste;
    } groupes[] = {
        {"max\n", "5000\n", "", std::nullopt},
        {"9223372036854771712\n", "5000\n", "", std::nullopt},  // v1's "no limit"
        {"10000\n", "4000\n", "anon 3000\ninactive_file 1000\n", 7000},
        {"10000\n", "4000\n", "total_inactive_file 500\n", 6500},
        {"10000\n", "12000\n", "", 0},
    };
    for (const auto& c : groupes) {
        EXPECT_EQ(resteGroupe(c.limite, c.usage, c.stat), c.reste) << c.limite << c.usage;
    }
    // This machine's, whatever it is: something, and no more than it has.
    const uint64_t libre = memoireDisponible();
    EXPECT_GT(libre, 0u);
    EXPECT_LE(libre, disponibleMeminfo(lireFichier("/proc/meminfo")).value_or(UINT64_MAX));
    EXPECT_EQ(texteMemoire(uint64_t{3} << 30), "3,0 Go");
    EXPECT_EQ(texteMemoire(uint64_t{512} << 20), "512 Mo");
}

// Past the memory left, the load stops with a message instead of being killed; below, it loads.
TEST_F(Memoire, JournalPlusGrandQueLaMemoire) {
    const std::string zeros(32 * kMo, '\0');
    // In four members: the first length field tells nothing of the whole.
    const std::string membre = gzip(zeros.substr(0, 8 * kMo));
    const std::string compresse = membre + membre + membre + membre;
    const std::string gz = ecrire("bombe.gz", compresse), clair = ecrire("clair.log", zeros);
    const std::string de =
        "Le journal d\xE9"
        "compress\xE9 d\xE9passe la m\xE9moire disponible";
    const std::string pas = "Le journal d\xE9passe la m\xE9moire disponible";
    const struct {
        std::string chemin;
        uint64_t libre;
        std::optional<std::string> erreur;
    } cas[] = {
        {gz, 8 * kMo, de + " (8 Mo)"},
        {gz, 35 * kMo, de + " (35 Mo)"},  // with the line index's eighth, 36 would be needed
        {gz, 40 * kMo, std::nullopt},
        {clair, 20 * kMo, pas + " (20 Mo)"},
        {clair, 40 * kMo, std::nullopt},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.chemin + " " + std::to_string(c.libre));
        const auto erreur = erreurDe([&] {
            EXPECT_EQ(Journal::charger(c.chemin, avecMemoire(c.libre)).octets().size(),
                      zeros.size());
        });
        EXPECT_EQ(erreur, c.erreur);
    }
    // In memory as from a file; and files joined must fit together too.
    EXPECT_EQ(erreurDe([&] { decompresserGzip(compresse, "x", avecMemoire(8 * kMo)); }),
              de + " (8 Mo)");
    const std::string moitie = ecrire("moitie.log", std::string(12 * kMo, 'x'));
    const std::string autre = ecrire("autre.log", std::string(12 * kMo, 'y'));
    EXPECT_EQ(erreurDe([&] {
                  chargerJournaux({moitie, autre}, avecMemoire(20 * kMo));
              }),
              pas + " (20 Mo)");
    EXPECT_EQ(chargerJournaux({moitie, autre}, avecMemoire(40 * kMo)).journal.octets().size(),
              24 * kMo + 1);
}

// Past the first blocks the system is asked again: less memory meanwhile stops the load; none
// known (nothing readable) bounds nothing.
TEST_F(Memoire, LaMemoireEstRedemandeeEnCoursDeRoute) {
    // 80 MiB in ten members.
    const std::string membre = gzip(std::string(8 * kMo, '\0'));
    std::string compresse;
    for (int k = 0; k < 10; ++k) compresse += membre;
    int appels = 0;
    SuiviChargement s;
    s.memoireLibre = [&] { return ++appels == 1 ? uint64_t{1} << 30 : 0; };
    const auto erreur = erreurDe([&] { decompresserGzip(compresse, "x", s); });
    EXPECT_EQ(erreur.value_or("").rfind("Le journal d\xE9"
                                        "compress\xE9 d\xE9passe la m\xE9moire disponible (",
                                        0),
              0u);
    EXPECT_EQ(appels, 2);
    EXPECT_EQ(decompresserGzip(compresse, "x", avecMemoire(UINT64_MAX)).taille, 80 * kMo);
}

TEST_F(Memoire, ChargementAnnule) {
    const std::string texte(8 * kMo, 'a');
    const std::vector<std::string> chemins = {ecrire("clair.log", texte),
                                              ecrire("c.gz", gzip(texte))};
    std::atomic<bool> annule{true};
    SuiviChargement suivi;
    suivi.annulation = &annule;
    for (const std::string& c : chemins) {
        EXPECT_THROW(Journal::charger(c, suivi), ErreurAnnulation) << c;
    }
    EXPECT_THROW(chargerJournaux(chemins, suivi), ErreurAnnulation);
    annule = false;
    EXPECT_EQ(chargerJournaux(chemins, suivi).journal.octets().size(), 2 * texte.size() + 1);
}

// Cancelled while it decompresses: it stops at the next block, well before the end.
TEST_F(Memoire, AnnuleEnCoursDeRoute) {
    const ChienDeGarde chien;
    // 512 MiB in 32 members.
    const std::string membre = gzip(std::string(16 * kMo, 'z'));
    std::string compresse;
    for (int k = 0; k < 32; ++k) compresse += membre;
    std::atomic<bool> annule{false};
    std::atomic<uint64_t> lus{0};
    SuiviChargement suivi;
    suivi.annulation = &annule;
    suivi.lus = &lus;
    std::thread guetteur([&] {
        while (lus.load() == 0) std::this_thread::yield();
        annule = true;
    });
    const std::string chemin = ecrire("long.gz", compresse);
    EXPECT_THROW(Journal::charger(chemin, suivi), ErreurAnnulation);
    annule = true;
    lus = 1;
    guetteur.join();
}
