#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/journal/FichierAtomique.h"
#include "core/journal/Journal.h"
#include "tests/commun/Gzip.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
using namespace std::string_view_literals;

namespace {

// The lines of a text as the loader must see them: CR LF, lone LF and lone CR each end a line;
// nothing after a final break is a line.
struct Decoupage {
    std::vector<std::string> lignes;
    bool finitParSaut = false;
};

Decoupage decouper(std::string_view t) {
    Decoupage d;
    std::string courante;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r' || t[i] == '\n') {
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
            d.lignes.push_back(courante);
            courante.clear();
        } else {
            courante += t[i];
        }
    }
    d.finitParSaut = !t.empty() && (t.back() == '\r' || t.back() == '\n');
    if (!t.empty() && !d.finitParSaut) d.lignes.push_back(courante);
    return d;
}

std::string enCRLF(const Decoupage& d) {
    std::string s;
    for (std::size_t i = 0; i < d.lignes.size(); ++i) {
        s += d.lignes[i];
        if (i + 1 < d.lignes.size() || d.finitParSaut) s += "\r\n";
    }
    return s;
}

std::string ecrit(const Journal& j) {
    std::string s;
    j.ecrireCRLF([&](std::string_view morceau) { s.append(morceau); });
    return s;
}

// Checks every observable of the journal against the expected cut; returns the first mismatch.
std::string ecarts(const Journal& j, std::string_view texte, const Decoupage& d) {
    if (j.octets() != texte) return "octets";
    if (j.nbLignes() != d.lignes.size()) {
        return "nbLignes " + std::to_string(j.nbLignes()) + " au lieu de " +
               std::to_string(d.lignes.size());
    }
    if (compterLignes(texte) != d.lignes.size()) {
        return "compterLignes " + std::to_string(compterLignes(texte));
    }
    if (j.finitParSautDeLigne() != d.finitParSaut) return "finitParSautDeLigne";
    for (std::size_t i = 0; i < d.lignes.size(); ++i) {
        if (j.ligne(i) != d.lignes[i]) return "ligne " + std::to_string(i);
        if (texte.substr(j.debutLigne(i), d.lignes[i].size()) != d.lignes[i]) {
            return "debutLigne " + std::to_string(i);
        }
    }
    if (ecrit(j) != enCRLF(d)) return "ecrireCRLF";
    return "";
}

// A readable form of bytes for failure messages, between quotes.
std::string visible(std::string_view t) {
    std::string s = "'";
    for (char c : t) {
        if (c == '\r') {
            s += "\\r";
        } else if (c == '\n') {
            s += "\\n";
        } else if (c == '\0') {
            s += "\\0";
        } else {
            s += c;
        }
    }
    s += '\'';
    return s;
}

}  // namespace

TEST(Journal, VideParDefaut) {
    const Journal j;
    EXPECT_EQ(j.nbLignes(), 0u);
    EXPECT_FALSE(j.finitParSautDeLigne());
    EXPECT_EQ(j.octets(), "");
    EXPECT_EQ(ecrit(j), "");
    EXPECT_EQ(compterLignes(""), 0u);
}

TEST(Journal, SautsDeLigne) {
    struct Cas {
        std::string_view texte;
        std::vector<std::string> lignes;
        bool finitParSaut;
    };
    const std::vector<Cas> cas = {
        {"", {}, false},
        {"a", {"a"}, false},
        {"a\r\nb\r\n", {"a", "b"}, true},
        {"a\r\nb", {"a", "b"}, false},
        {"a\nb\n", {"a", "b"}, true},
        {"a\nb", {"a", "b"}, false},
        {"a\rb\r", {"a", "b"}, true},
        {"a\rb", {"a", "b"}, false},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}, false},
        {"\n", {""}, true},
        {"\r", {""}, true},
        {"\r\n", {""}, true},
        {"\n\n", {"", ""}, true},
        {"\r\r", {"", ""}, true},
        {"\n\r", {"", ""}, true},
        {"\r\r\n", {"", ""}, true},
        {"a\r\r\nb", {"a", "", "b"}, false},
        {"a\n\rb", {"a", "", "b"}, false},
        {"a\r\n\r\nb", {"a", "", "b"}, false},
        {"a\n\r\nb", {"a", "", "b"}, false},
        {"\n\na", {"", "", "a"}, false},
        {"a\r\n\n", {"a", ""}, true},
        {"a\r\n\r", {"a", ""}, true},
        {" \r\n\t", {" ", "\t"}, false},
        // NUL is an ordinary byte: the text goes on past it.
        {"a\0b\nc\0"sv, {std::string("a\0b", 3), std::string("c\0", 2)}, false},
        {"\0"sv, {std::string(1, '\0')}, false},
        {"\0\r\n\0\r\n"sv, {std::string(1, '\0'), std::string(1, '\0')}, true},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(visible(c.texte));
        const Journal j = Journal::depuisTexte(std::string(c.texte));
        ASSERT_EQ(j.nbLignes(), c.lignes.size());
        for (std::size_t i = 0; i < c.lignes.size(); ++i) {
            EXPECT_EQ(j.ligne(i), c.lignes[i]) << "ligne " << i;
        }
        EXPECT_EQ(j.finitParSautDeLigne(), c.finitParSaut);
        EXPECT_EQ(compterLignes(c.texte), c.lignes.size());
        EXPECT_EQ(j.octets(), c.texte);
    }
}

TEST(Journal, MemeNombreAvecOuSansSautFinal) {
    const Journal sans = Journal::depuisTexte("un\r\ndeux\r\ntrois");
    const Journal avec = Journal::depuisTexte("un\r\ndeux\r\ntrois\r\n");
    ASSERT_EQ(sans.nbLignes(), 3u);
    ASSERT_EQ(avec.nbLignes(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(sans.ligne(i), avec.ligne(i));
    EXPECT_FALSE(sans.finitParSautDeLigne());
    EXPECT_TRUE(avec.finitParSautDeLigne());
}

TEST(Journal, EcrireCRLF) {
    struct Cas {
        std::string_view source, sortie;
    };
    const Cas cas[] = {
        {"", ""},
        {"a", "a"},
        {"\n", "\r\n"},
        {"\r", "\r\n"},
        {"a\nb", "a\r\nb"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\rb\r", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\n\r\nb\r", "a\r\n\r\nb\r\n"},
        {"a\r\r\nb", "a\r\n\r\nb"},
        {"a\0b\n\0"sv, "a\0b\r\n\0"sv},
        {"\0\r\0\n"sv, "\0\r\n\0\r\n"sv},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(visible(c.source));
        const Journal j = Journal::depuisTexte(std::string(c.source));
        const std::string sortie = ecrit(j);
        EXPECT_EQ(sortie, c.sortie);
        // Reading the output back gives the same journal.
        const Journal relu = Journal::depuisTexte(sortie);
        ASSERT_EQ(relu.nbLignes(), j.nbLignes());
        for (std::size_t i = 0; i < j.nbLignes(); ++i) EXPECT_EQ(relu.ligne(i), j.ligne(i));
        EXPECT_EQ(relu.finitParSautDeLigne(), j.finitParSautDeLigne());
    }
}

TEST(Journal, EcrireCRLFAvecDesLignesDeLOrdreDuMegaoctet) {
    // Lines around the size of the writer's pieces, between small ones.
    const std::size_t mega = std::size_t{1} << 20;
    const std::vector<std::size_t> tailles = {3, mega - 3, 0, mega, 1, mega + 5, mega - 1, 2};
    std::string source, attendu;
    std::vector<std::string> lignes;
    for (std::size_t k = 0; k < tailles.size(); ++k) {
        lignes.emplace_back(tailles[k], static_cast<char>('a' + k));
        source += lignes.back() + (k % 2 ? "\n" : "\r");
        attendu += lignes.back() + "\r\n";
    }
    const Journal j = Journal::depuisTexte(source);
    ASSERT_EQ(j.nbLignes(), lignes.size());
    for (std::size_t k = 0; k < lignes.size(); ++k) EXPECT_EQ(j.ligne(k), lignes[k]);
    std::size_t morceaux = 0;
    std::string sortie;
    j.ecrireCRLF([&](std::string_view m) {
        ++morceaux;
        sortie.append(m);
    });
    EXPECT_TRUE(sortie == attendu);
    EXPECT_EQ(sortie.size(), attendu.size());
    EXPECT_GT(morceaux, 1u);
}

TEST(Journal, SautsAuxFrontieresDeBlocs) {
    // Breaks at every offset around 16-byte blocks, of each kind; a CR ending one block with
    // its LF opening the next is one break.
    for (std::string_view saut : {"\r\n"sv, "\n"sv, "\r"sv, "\r\r"sv, "\n\n"sv, "\n\r"sv}) {
        for (std::size_t avant = 0; avant <= 49; ++avant) {
            for (std::size_t apres : {std::size_t{0}, std::size_t{1}, std::size_t{20}}) {
                const std::string texte =
                    std::string(avant, 'x') + std::string(saut) + std::string(apres, 'y');
                SCOPED_TRACE(visible(texte));
                const Decoupage d = decouper(texte);
                const Journal j = Journal::depuisTexte(texte);
                EXPECT_EQ(ecarts(j, texte, d), "");
                // The expected cut, by hand.
                const std::size_t vides = (saut == "\r\n" || saut.size() == 1) ? 0 : 1;
                EXPECT_EQ(j.nbLignes(), 1 + vides + (apres > 0 ? 1 : 0));
                EXPECT_EQ(j.ligne(0), std::string(avant, 'x'));
            }
        }
    }
    // Named cases: CR at offset 15 and LF at 16, breaks at 31/32.
    const std::string a = std::string(15, 'a') + "\r\n" + std::string(14, 'b') + "\r\n" + "c";
    const Journal ja = Journal::depuisTexte(a);
    ASSERT_EQ(ja.nbLignes(), 3u);
    EXPECT_EQ(ja.ligne(0), std::string(15, 'a'));
    EXPECT_EQ(ja.ligne(1), std::string(14, 'b'));
    EXPECT_EQ(ja.ligne(2), "c");
    const std::string b = std::string(31, 'a') + "\r" + "\n" + std::string(40, 'b') + "\r";
    const Journal jb = Journal::depuisTexte(b);
    ASSERT_EQ(jb.nbLignes(), 2u);
    EXPECT_EQ(jb.ligne(1), std::string(40, 'b'));
    EXPECT_TRUE(jb.finitParSautDeLigne());
    // A block made only of breaks.
    std::string c;
    for (int k = 0; k < 24; ++k) c += "\r\n";
    EXPECT_EQ(Journal::depuisTexte(c).nbLignes(), 24u);
    EXPECT_EQ(compterLignes(c), 24u);
    EXPECT_EQ(compterLignes(std::string(33, '\r')), 33u);
    EXPECT_EQ(compterLignes(std::string(33, '\n') + "z"), 34u);
}

TEST(Journal, TextesTiresAuHasard) {
    std::mt19937 alea(1206);
    constexpr std::string_view kOctets = "\r\n\r\nab\0c"sv;
    for (int k = 0; k < 2500; ++k) {
        // Mostly short buffers, some over several blocks; breaks thick or sparse.
        const std::size_t n = (k % 10 == 0) ? alea() % 400 : alea() % 70;
        const bool dense = alea() % 2 == 0;
        std::string texte;
        for (std::size_t i = 0; i < n; ++i) {
            texte += dense ? kOctets[alea() % kOctets.size()]
                           : (alea() % 12 == 0 ? kOctets[alea() % 4] : 'a');
        }
        const Decoupage d = decouper(texte);
        const Journal j = Journal::depuisTexte(texte);
        ASSERT_EQ(ecarts(j, texte, d), "") << visible(texte);
    }
}

TEST(Journal, LesCopiesPartagentLeTexte) {
    Journal copie;
    const void* identite = nullptr;
    {
        const Journal j = Journal::depuisTexte("un\ndeux\n");
        identite = j.identite();
        copie = j;
    }
    EXPECT_EQ(copie.identite(), identite);
    ASSERT_EQ(copie.nbLignes(), 2u);
    EXPECT_EQ(copie.ligne(1), "deux");
    EXPECT_NE(Journal::depuisTexte("un\ndeux\n").identite(), copie.identite());
}

class JournalFichier : public testing::Test {
  protected:
    std::string ecrireFichier(const std::string& nom, std::string_view octets) {
        return temporaire_.ecrire(nom, octets);
    }
    static std::string erreurDeChargement(const std::string& chemin) {
        try {
            Journal::charger(chemin);
        } catch (const ErreurKestrane& e) {
            return e.what();
        }
        ADD_FAILURE() << "aucune erreur pour " << chemin;
        return "";
    }
    const test::DossierTemporaire temporaire_;
    const std::filesystem::path dossier_ = temporaire_.chemin;
};

TEST_F(JournalFichier, ChargeLesOctetsTelsQuels) {
    std::string texte;
    for (int k = 0; k < 500; ++k) {
        texte += "ligne " + std::to_string(k);
        texte += (k % 3 == 0) ? "\r\n" : (k % 3 == 1) ? "\n" : "\r";
    }
    texte += std::string("fin\0apres le nul\xE9\r\nderniere", 27);
    const std::string chemin = ecrireFichier("journal.log", texte);
    const Journal j = Journal::charger(chemin);
    EXPECT_EQ(ecarts(j, texte, decouper(texte)), "");
    ASSERT_EQ(j.nbLignes(), 502u);
    EXPECT_EQ(j.ligne(0), "ligne 0");
    EXPECT_EQ(j.ligne(499), "ligne 499");
    EXPECT_EQ(j.ligne(500), std::string("fin\0apres le nul\xE9", 17));
    EXPECT_EQ(j.ligne(501), "derniere");
    EXPECT_FALSE(j.finitParSautDeLigne());
}

TEST_F(JournalFichier, FichierVide) {
    const Journal j = Journal::charger(ecrireFichier("vide.log", ""));
    EXPECT_EQ(j.nbLignes(), 0u);
    EXPECT_FALSE(j.finitParSautDeLigne());
    EXPECT_EQ(ecrit(j), "");
}

TEST_F(JournalFichier, LeNulNArretePasLeTexte) {
    const std::string source("a\nb\0c\nd\0\n", 9);
    const Journal j = Journal::charger(ecrireFichier("nul.log", source));
    ASSERT_EQ(j.nbLignes(), 3u);
    EXPECT_EQ(j.ligne(1), std::string("b\0c", 3));
    EXPECT_EQ(j.ligne(2), std::string("d\0", 2));
    EXPECT_EQ(ecrit(j), std::string("a\r\nb\0c\r\nd\0\r\n", 12));
}

TEST_F(JournalFichier, EnregistrementPuisRelecture) {
    for (std::string_view source : {"un\r\ndeux\r\ntrois\r\n"sv, "un\ndeux\rtrois"sv,
                                    "un\r\ndeux\r\ntrois"sv, "\n\n"sv, "x\0y\r"sv}) {
        SCOPED_TRACE(visible(source));
        const Journal j = Journal::charger(ecrireFichier("source.log", source));
        const std::string chemin = (dossier_ / "copie.log").string();
        {
            std::ofstream f(chemin, std::ios::binary);
            j.ecrireCRLF([&](std::string_view m) {
                f.write(m.data(), static_cast<std::streamsize>(m.size()));
            });
        }
        const std::string copie = lireFichier(chemin);
        EXPECT_EQ(copie, enCRLF(decouper(source)));
        const Journal relu = Journal::charger(chemin);
        ASSERT_EQ(relu.nbLignes(), j.nbLignes());
        for (std::size_t i = 0; i < j.nbLignes(); ++i) EXPECT_EQ(relu.ligne(i), j.ligne(i));
        EXPECT_EQ(relu.finitParSautDeLigne(), j.finitParSautDeLigne());
    }
    // A file already in CR LF comes back byte for byte.
    const std::string crlf = "a\r\nb\r\n";
    EXPECT_EQ(ecrit(Journal::charger(ecrireFichier("crlf.log", crlf))), crlf);
}

TEST_F(JournalFichier, FichierAbsent) {
    const std::string chemin = (dossier_ / "absent et inconnu.log").string();
    EXPECT_EQ(erreurDeChargement(chemin), "Impossible d'ouvrir le fichier \"" + chemin + "\". " +
                                              "Fichier ou dossier introuvable");
}

TEST_F(JournalFichier, CeQuiNEstPasUnFichierOrdinaireEstRefuseSansAttendre) {
    // A pipe without a writer would block the open, an endless device be read until memory
    // runs out: each is refused at once.
    const std::string tube = (dossier_ / "tube.log").string();
    ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
    const std::string lienVersZero = (dossier_ / "zero.log").string();
    std::filesystem::create_symlink("/dev/zero", lienVersZero);
    for (const std::string& chemin : {tube, lienVersZero, std::string("/dev/zero"),
                                      std::string("/dev/null"), dossier_.string()}) {
        auto refus = std::async(std::launch::async, [&] { return erreurDeChargement(chemin); });
        ASSERT_EQ(refus.wait_for(std::chrono::seconds(10)), std::future_status::ready) << chemin;
        EXPECT_EQ(refus.get(),
                  "Impossible d'ouvrir le fichier \"" + chemin + "\". " + kPasFichierOrdinaire);
    }
}

// The command line reads pipes and standard input whole, plain or gzip, within the memory the
// process may take; the window keeps refusing them (above).
TEST_F(JournalFichier, TubesLusEntiersParLaLigneDeCommande) {
    const std::string tube = (dossier_ / "tube.log").string();
    ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
    std::string texte;
    for (int k = 0; k < 100000; ++k) texte += "ligne " + std::to_string(k) + "\r\n";
    const auto charger = [&](const std::string& octets, const std::string& chemin, uint64_t libre) {
        auto ecrivain = std::async(std::launch::async,
                                   [&] { std::ofstream(tube, std::ios::binary) << octets; });
        SuiviChargement suivi;
        suivi.flux = true;
        suivi.memoireLibre = [libre] { return libre; };
        std::string resultat;
        const int sauve = chemin == "-" ? ::dup(0) : -1;
        if (sauve >= 0) {
            const int fd = ::open(tube.c_str(), O_RDONLY);
            ::dup2(fd, 0);
            ::close(fd);
        }
        try {
            resultat = std::string(Journal::charger(chemin, suivi).octets());
        } catch (const ErreurKestrane& e) {
            resultat = e.message();
        }
        if (sauve >= 0) {
            ::dup2(sauve, 0);
            ::close(sauve);
        }
        ecrivain.wait();
        return resultat;
    };
    for (const std::string& chemin : {tube, std::string("-")}) {
        EXPECT_EQ(charger(texte, chemin, UINT64_MAX), texte) << chemin;
        EXPECT_EQ(charger(gzip(texte), chemin, UINT64_MAX), texte) << chemin;
        EXPECT_EQ(charger("", chemin, UINT64_MAX), "") << chemin;
    }
    // Growing past what is left: refused with the memory's message, not killed (the writer then
    // meets a closed pipe).
    std::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(charger(texte, tube, 1 << 20).rfind("Le journal d\xE9passe la m\xE9moire", 0), 0u);
}

// Saving over the file that was loaded must replace it with the journal's lines: the new
// bytes go to a file beside it, so the loaded bytes stay readable while they are written.
TEST_F(JournalFichier, EnregistrerSurLeFichierCharge) {
    std::string source;
    for (int k = 0; k < 20000; ++k) source += "ligne " + std::to_string(k) + "\n";
    const std::string chemin = ecrireFichier("meme.log", source);
    const std::string attendu = enCRLF(decouper(source));
    const Journal j = Journal::charger(chemin);
    ecrireFichierAtomique(chemin, [&](const Ecrivain& ecrire) { j.ecrireCRLF(ecrire); });
    EXPECT_EQ(lireFichier(chemin), attendu);
    EXPECT_EQ(j.ligne(19999), "ligne 19999");
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dossier_),
                            std::filesystem::directory_iterator()),
              1);
}
