// A file followed while a writer thread appends lines in pieces cut anywhere (between a CR and its
// LF too), renames it away and creates a new one, truncates it in place, deletes it and creates it
// again: the follower hands out every line written, once, whole, in order.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

#include "core/journal/SuiviFichier.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;

namespace {

enum class Geste { ecrire, renommer, tronquer, supprimer };

// The writer: `lignes` lines in pieces of random sizes, a rotation of each kind along the way.
// Before a truncation or a rotation it waits until the follower has had every line so far (a
// follower that looks often does); a truncation loses what it has not read, as with any copy.
void ecrivain(const std::string& chemin, const std::vector<std::string>& lignes,
              const std::atomic<std::size_t>& recues, std::atomic<bool>& fini) {
    std::mt19937 aleatoire(7);
    int fd = ::open(chemin.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::string texte;
    std::size_t k = 0, lu = 0;
    const auto attendre = [&](std::size_t n) {
        while (recues.load() < n) std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    for (const std::string& l : lignes) {
        texte += l;
        ++k;
        const Geste g = k % 250 == 0     ? Geste::renommer
                        : k % 250 == 80  ? Geste::tronquer
                        : k % 250 == 160 ? Geste::supprimer
                                         : Geste::ecrire;
        if (g != Geste::ecrire || texte.size() > 200) {
            // Written in pieces, a pause between some.
            std::size_t debut = 0;
            while (debut < texte.size()) {
                const std::size_t n =
                    std::min<std::size_t>(texte.size() - debut, 1 + aleatoire() % 90);
                if (::write(fd, texte.data() + debut, n) != static_cast<ssize_t>(n)) std::abort();
                debut += n;
                if (aleatoire() % 4 == 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
            texte.clear();
            lu = k;
        }
        if (g == Geste::ecrire) continue;
        attendre(lu);
        if (g == Geste::tronquer) {
            if (::ftruncate(fd, 0) != 0) std::abort();
            continue;
        }
        if (g == Geste::renommer) {
            std::rename(chemin.c_str(), (chemin + ".1").c_str());
        } else {
            std::remove(chemin.c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(3));  // looked at while missing
        }
        ::close(fd);
        fd = ::open(chemin.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    }
    if (!texte.empty() && ::write(fd, texte.data(), texte.size()) < 0) std::abort();
    ::close(fd);
    fini = true;
}

}  // namespace

TEST(SuiviFichier, RotationsEtMorceaux) {
    const test::DossierTemporaire dossier;
    const std::string chemin = dossier.ecrire("access.log", "deja lue\n");
    std::vector<std::string> lignes;
    std::string attendu;
    for (int k = 0; k < 1500; ++k) {
        // Lone CRs too, but not on a line before a rotation or truncation (those end in 9): its
        // end is known only at the next byte.
        const char* fin = k % 3 == 0 ? "\r\n" : k % 7 == 0 && k % 10 != 9 ? "\r" : "\n";
        lignes.push_back("10.0.0." + std::to_string(k % 250) + " ligne " + std::to_string(k) +
                         std::string(k % 40, 'x') + fin);
        attendu += lignes.back();
    }
    lignes.back() = "fin\n";  // a lone CR last would wait for a next byte
    attendu.clear();
    for (const auto& l : lignes) attendu += l;

    SuiviFichier suivi(chemin, 9);  // the first line read at the load
    std::atomic<std::size_t> recues{0};
    std::atomic<bool> fini{false};
    std::thread t(ecrivain, chemin, std::cref(lignes), std::cref(recues), std::ref(fini));
    std::string lu;
    int rotations = 0, troncatures = 0;
    std::size_t n = 0, compte = 0;  // the lines had, and the bytes they were counted in
    for (int tour = 0; tour < 200000; ++tour) {
        const bool dernier = fini.load();
        const SuiviFichier::Lecture l = suivi.lire(4096);
        lu += l.lignes;
        rotations += l.rotations;
        troncatures += l.troncatures;
        // Whole lines only: what came ends with a break.
        if (!l.lignes.empty()) {
            ASSERT_TRUE(l.lignes.back() == '\n' || l.lignes.back() == '\r');
        }
        for (std::size_t i = compte; i < lu.size(); ++i) {
            if (lu[i] == '\n' || (lu[i] == '\r' && (i + 1 == lu.size() || lu[i + 1] != '\n'))) ++n;
        }
        compte = lu.size();
        recues = n;
        if (dernier && l.lignes.empty() && lu.size() >= attendu.size()) break;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    t.join();
    EXPECT_EQ(rotations, 12);  // 6 renames, 6 deletions
    EXPECT_EQ(troncatures, 6);
    ASSERT_EQ(lu.size(), attendu.size());
    EXPECT_TRUE(lu == attendu);
}

TEST(SuiviFichier, DepartEtFichierAbsent) {
    const test::DossierTemporaire dossier;
    const std::string chemin = dossier.fichier("absent.log");
    SuiviFichier suivi(chemin, 100);  // not there yet: waited for, then read whole
    EXPECT_TRUE(suivi.lire().lignes.empty());
    dossier.ecrire("absent.log", "a\nb");
    EXPECT_EQ(suivi.lire().lignes, "a\n");
    dossier.ecrire("court.log", "abc\n");
    SuiviFichier court(dossier.fichier("court.log"), 50);  // shorter than the start: from 0
    EXPECT_EQ(court.lire().lignes, "abc\n");
}
