// The streamed analysis against the loaded one: the same tables, lists, Compléments and errors,
// whatever the blocks the inputs are cut into; and the cutting of a stream into lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/analyse/AnalyseFlux.h"
#include "core/journal/Assemblage.h"
#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"
#include "tests/commun/Gzip.h"
#include "tests/commun/OutilsTests.h"
#include "tests/commun/ResultatEnTexte.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

using Dossier = test::DossierTemporaire;

// The lines of a stream cut into blocks of `bloc` bytes.
std::vector<std::string> lignesDuFlux(const std::string& chemin, std::size_t bloc,
                                      std::size_t ligneMax = DecoupeLignes::kLigneMax) {
    EntreeFlux entree(chemin);
    DecoupeLignes decoupe(entree, bloc, ligneMax);
    BlocLignes b;
    std::vector<std::string> lignes;
    while (decoupe.suivant(b)) {
        EXPECT_EQ(b.premiere, lignes.size());
        for (const auto l : b.lignes) lignes.emplace_back(l);
    }
    return lignes;
}

std::vector<std::string> lignesDuJournal(const std::string& texte) {
    const Journal j = Journal::depuisTexte(texte);
    std::vector<std::string> lignes;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) lignes.emplace_back(j.ligne(i));
    return lignes;
}

TEST(LectureFlux, CoupeLesLignesCommeLeJournalAChaqueBordDeBloc) {
    const std::string textes[] = {"",         "x",          "a\nb\n",
                                  "a\r\nb",   "a\rb\r\n",   "\r\n\r\n",
                                  "a\n\nb\r", "\r\r\n\n",   "ligne\r\nsans fin",
                                  "\n",       "abc\rdef\r", "a\r\n\r"};
    Dossier d;
    for (const std::string& t : textes) {
        const auto attendues = lignesDuJournal(t);
        // Plain, gzip in one member, gzip in two members cut in the middle.
        const std::string membres =
            test::gzip(t.substr(0, t.size() / 2)) + test::gzip(t.substr(t.size() / 2));
        for (const std::string& octets : {t, test::gzip(t), membres}) {
            const std::string chemin = d.ecrire("j", octets);
            for (std::size_t bloc = 1; bloc <= t.size() + 1; ++bloc) {
                EXPECT_EQ(lignesDuFlux(chemin, bloc), attendues)
                    << "texte " << testing::PrintToString(t) << ", bloc " << bloc;
            }
        }
    }
}

// A file still being written: its last line is left to its follower, and so is a CR that ends it
// (the first half of a CR LF); the bytes of the lines handed out are where the follower reads on.
TEST(LectureFlux, LigneOuverteLaisseeAuSuivi) {
    const struct {
        std::string texte;
        std::vector<std::string> lignes;
        uint64_t octets;
    } cas[] = {{"a\nb", {"a"}, 2},
               {"a\nb\r", {"a"}, 2},
               {"a\r\nb\r\n", {"a", "b"}, 6},
               {"a\rb\n", {"a", "b"}, 4},
               {"\n\nx", {"", ""}, 2},
               {"abc", {}, 0},
               {"a\r", {}, 0},
               {"", {}, 0}};
    Dossier d;
    for (const auto& c : cas) {
        const std::string chemin = d.ecrire("j", c.texte);
        for (std::size_t bloc = 1; bloc <= c.texte.size() + 1; ++bloc) {
            EntreeFlux entree(chemin);
            DecoupeLignes decoupe(entree, bloc);
            decoupe.laisserLigneOuverte();
            BlocLignes b;
            std::vector<std::string> lignes;
            while (decoupe.suivant(b)) {
                for (const auto l : b.lignes) lignes.emplace_back(l);
            }
            EXPECT_EQ(lignes, c.lignes) << testing::PrintToString(c.texte) << ", bloc " << bloc;
            EXPECT_EQ(decoupe.octetsLignes(), c.octets) << testing::PrintToString(c.texte);
        }
    }
}

// The lines of `texte` written into a pipe `morceau` bytes at a time, read in blocks of `bloc`.
std::vector<std::string> lignesDuTube(const std::string& texte, std::size_t bloc,
                                      std::size_t morceau) {
    int tube[2];
    EXPECT_EQ(pipe(tube), 0);
    std::thread ecrivain([&] {
        for (std::size_t k = 0; k < texte.size(); k += morceau) {
            const std::size_t n = std::min(morceau, texte.size() - k);
            EXPECT_EQ(write(tube[1], texte.data() + k, n), static_cast<ssize_t>(n));
        }
        close(tube[1]);
    });
    auto lignes = lignesDuFlux("/dev/fd/" + std::to_string(tube[0]), bloc);
    ecrivain.join();
    close(tube[0]);
    return lignes;
}

TEST(LectureFlux, TubeEcritParPetitsMorceaux) {
    // A line of 3 MiB: the block grows past its size (and is mapped) while keeping its bytes.
    const std::string longue = std::string(3 << 20, 'x');
    const struct {
        std::string texte;
        std::size_t bloc, morceau;
    } cas[] = {{"a\r\nbb\rc\n\nd", 1, 1},
               {"a\r\nbb\rc\n\nd", 3, 2},
               {"un\ndeux\r\ntrois", 64, 1},
               {"x\n" + longue + "\r\ny\n", 1 << 20, 4093},
               {longue + "\nz", 1 << 20, 65536}};
    for (const auto& c : cas) {
        EXPECT_EQ(lignesDuTube(c.texte, c.bloc, c.morceau), lignesDuJournal(c.texte))
            << "bloc " << c.bloc << ", morceau " << c.morceau;
    }
}

// A pipe grows, never shrinks, and stays as it was when refused (no privilege, beyond the most).
TEST(LectureFlux, TubeAgranditSansJamaisRetrecir) {
    int t[2];
    ASSERT_EQ(pipe(t), 0);
    const auto depart = static_cast<std::size_t>(fcntl(t[0], F_GETPIPE_SZ));
    EXPECT_EQ(agrandirTube(t[1], 2 * depart), 2 * depart);
    EXPECT_EQ(agrandirTube(t[0], depart), 2 * depart);
    const pid_t fils = fork();
    if (fils == 0) {
        const bool refus = (geteuid() != 0 || setuid(65534) == 0) &&
                           agrandirTube(t[0], std::size_t{1} << 30) == 2 * depart;
        _exit(refus && fcntl(t[1], F_GETPIPE_SZ) == static_cast<int>(2 * depart) ? 0 : 1);
    }
    int etat = 0;
    EXPECT_EQ(waitpid(fils, &etat, 0), fils);
    EXPECT_EQ(etat, 0);
    close(t[0]);
    close(t[1]);
}

TEST(LectureFlux, LigneTropLongueNommeeEtGzipTronque) {
    Dossier d;
    const std::string chemin = d.ecrire("j", "court\nassez\nbeaucoup trop\nx\n");
    for (std::size_t bloc : {1, 4, 100}) {
        try {
            lignesDuFlux(chemin, bloc, 5);
            ADD_FAILURE() << "bloc " << bloc;
        } catch (const ErreurLigneTropLongue& e) {
            EXPECT_EQ(e.ligne(), 3u);
        }
    }
    EXPECT_EQ(lignesDuFlux(chemin, 3, 13).size(), 4u);  // at the limit: accepted
    const std::string gz = test::gzip("a\nb\n");
    const std::string tronque = d.ecrire("t.gz", gz.substr(0, gz.size() - 3));
    try {
        lignesDuFlux(tronque, 2);
        ADD_FAILURE();
    } catch (const ErreurFichier& e) {
        EXPECT_EQ(e.description(), kGzipIncomplet);
    }
    EXPECT_EQ(premiereLigne(d.ecrire("p.gz", test::gzip("premiere\r\nseconde"))), "premiere");
}

// A journal of `n` lines over a few days: repeated and new keys in every table, bursts of one
// client, two hours per day.
std::string journal(std::size_t n, int jour0 = 10, const std::string& extra = {}) {
    std::ostringstream o;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t jour = jour0 + i * 3 / n;
        o << "10." << (i / 7) % 5 << '.' << (i * 13 / 7) % 97 << ".1 - - [" << jour
          << "/Oct/2005:" << (i % 2 ? "08" : "17") << ":0" << i % 10 << ":00 +0200] \"GET /p"
          << (i * 7) % 31 << (i % 11 == 0 ? "?q=" + std::to_string(i) : "") << " HTTP/1.1\" "
          << (i % 9 ? 200 : 404) << ' ' << (i % 5 ? std::to_string(i * 37) : "-") << " \"http://r"
          << i % 17 << "/\" \"Mozilla/5.0 (X11; Linux; rv:" << i % 3 << ") Gecko\"\n";
        if (i == n / 2) o << extra;
    }
    return o.str();
}

struct Cas {
    const char* nom;
    OptionsAnalyse options;
};

std::vector<Cas> lesCas() {
    OptionsAnalyse simple, souple, periode, complements, tranches, lisibles;
    souple.ignorerNonConformes = true;
    souple.complements = true;
    periode.periode.active = true;
    lireInstant("11/Oct/2005", "00:00:00", periode.periode.debut);
    lireInstant("11/Oct/2005", "23:59:59", periode.periode.fin);
    complements.complements = true;
    tranches.largeurTranches = 3;
    lisibles = souple;
    lisibles.resultatsLisibles = true;
    lisibles.largeurTranches = 2;
    return {{"simple", simple},   {"lisibles", lisibles},       {"souple", souple},
            {"periode", periode}, {"complements", complements}, {"tranches", tranches}};
}

// The loaded analysis of the files joined, and the streamed one in blocks of each size given;
// the files of the bits of `tubes` come through pipes (the reader then takes more blocks ahead,
// and a pipe's first line, read to date it, must still be counted).
void comparer(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
              std::initializer_list<std::size_t> blocs, const std::string& nom,
              unsigned tubes = 0) {
    ResultatAnalyse charge;
    ASSERT_EQ(analyserJournal(chargerJournaux(chemins).journal, options, charge),
              IssueAnalyse::terminee)
        << nom;
    for (const std::size_t bloc : blocs) {
        ResultatAnalyse flux;
        BilanFlux bilan;
        OptionsFlux o;
        o.tailleBloc = bloc;
        std::vector<std::string> entrees = chemins;
        std::vector<FILE*> cats;
        for (std::size_t k = 0; k < chemins.size(); ++k) {
            if (!(tubes >> k & 1)) continue;
            cats.push_back(popen(("cat '" + chemins[k] + "'").c_str(), "r"));
            ASSERT_NE(cats.back(), nullptr) << nom;
            entrees[k] = "/dev/fd/" + std::to_string(fileno(cats.back()));
        }
        const auto issue = analyserFlux(entrees, options, flux, bilan, o);
        for (FILE* cat : cats) EXPECT_EQ(pclose(cat), 0) << nom;
        ASSERT_EQ(issue, IssueAnalyse::terminee) << nom;
        EXPECT_EQ(test::resultatEnTexte(flux), test::resultatEnTexte(charge))
            << nom << ", bloc " << bloc;
        EXPECT_EQ(bilan.lignesAnalysees, resumer(charge).lignesAnalysees) << nom;
        EXPECT_EQ(bilan.ignorees, resumer(charge).ignorees) << nom;
    }
}

TEST(AnalyseFlux, MemesResultatsQueLAnalyseChargee) {
    Dossier d;
    // Lines that do not conform in the middle, for the analysis that skips them.
    const std::string abimees =
        "1.2.3.4 - - [11/Oct/2005:01:00:00 +0200] \"GET / HTTP/1.1\" abc "
        "1 \"-\" \"x\"\nrien\n\r\n";
    const std::string petit = d.ecrire("petit.log", journal(300, 10, abimees));
    // Enough lines per block for both cores, CR LF breaks, and no break at the very end.
    std::string crlf = journal(12000);
    for (std::size_t p = crlf.find('\n'); p != std::string::npos; p = crlf.find('\n', p + 2)) {
        crlf.insert(p, "\r");
    }
    crlf.pop_back();
    crlf.pop_back();
    const std::string grand = d.ecrire("grand.log.gz", test::gzip(crlf));
    // Clients that are no dotted address on both sides of blocks counted by both threads: the
    // two stretches' keys, of both kinds, merged at the end in the order of the lines.
    const std::string client =
        "hote.exemple - - [12/Oct/2005:03:00:00 +0200] \"GET /h HTTP/1.1\" 200 1 \"-\" \"x\"\n";
    const std::string melange =
        d.ecrire("melange.log",
                 journal(9000, 10, client) + client + journal(9000, 13, "::1" + client.substr(12)));
    for (const Cas& c : lesCas()) {
        if (!c.options.ignorerNonConformes) {
            // 700000 bytes: three blocks of more than 4096 lines, each shared by the threads.
            comparer({grand}, c.options, {1 << 20, 777, 700000, 5000000}, c.nom);
            comparer({grand}, c.options, {777, 70000}, std::string(c.nom) + ", tube", 1);
        } else {
            comparer({petit}, c.options, {1, 333, 1 << 20}, c.nom);
            comparer({melange}, c.options, {800000}, c.nom);
        }
    }
}

TEST(AnalyseFlux, TroisFichiersDansLeDesordreEtUnVide) {
    Dossier d;
    const std::string a = d.ecrire("a.log", journal(100, 10));
    const std::string b = d.ecrire("b.log.gz", test::gzip(journal(100, 14)));
    const std::string c = d.ecrire("c.log", journal(100, 18));
    const std::string vide = d.ecrire("vide.log", "");
    std::vector<std::unique_ptr<EntreeFlux>> entrees;
    for (const auto& chemin : {c, a, vide, b})
        entrees.push_back(std::make_unique<EntreeFlux>(chemin));
    EXPECT_EQ(ordreDesEntrees({c, a, vide, b}, entrees), (std::vector<std::size_t>{1, 2, 3, 0}));
    for (const Cas& k : lesCas()) comparer({c, a, vide, b}, k.options, {100, 1 << 20}, k.nom);
    // Pipes among files, and only pipes: each dated by its first line, which is counted too.
    for (const unsigned tubes : {0b0001u, 0b1011u, 0b1111u}) {
        comparer({c, a, vide, b}, lesCas()[2].options, {100, 1 << 20}, "tubes", tubes);
    }
}

// A journal followed: read to a line half written, then its lines counted on in runs of every
// size (blocks dropped once counted), with results made between them; at the end, the results of
// the whole journal loaded at once.
TEST(AnalyseFlux, ComptesPoursuivisApresChaqueResultat) {
    Dossier d;
    const std::string abimees =
        "1.2.3.4 - - [11/Oct/2005:01:00:00 +0200] \"GET / HTTP/1.1\" abc "
        "1 \"-\" \"x\"\nrien\n\r\n";
    for (const Cas& c : lesCas()) {
        const std::string texte = journal(12000, 10, c.options.ignorerNonConformes ? abimees : "");
        // The last break read, then 39 bytes of a line.
        const std::size_t saut = texte.find('\n', texte.size() / 2);
        const std::string premiers = d.ecrire("suivi.log", texte.substr(0, saut + 40));
        ResultatAnalyse charge, r;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(texte), c.options, charge),
                  IssueAnalyse::terminee);
        ComptesFlux comptes(c.options);
        BilanFlux bilan;
        OptionsFlux o;
        o.ligneOuverteLaissee = true;
        ASSERT_EQ(analyserFlux({premiers}, c.options, r, bilan, o, &comptes),
                  IssueAnalyse::terminee)
            << c.nom;
        ASSERT_EQ(bilan.octetsLignes, saut + 1) << c.nom;
        std::size_t debut = bilan.octetsLignes, numero = bilan.nbLignes.at(0);
        for (const std::size_t n : {1, 5000, 3, 100000}) {
            std::size_t fin = debut;
            for (std::size_t k = 0; k < n && fin < texte.size(); ++k)
                fin = texte.find('\n', fin) + 1;
            const Journal run = Journal::depuisTexte(texte.substr(debut, fin - debut));
            std::vector<std::string_view> lignes;
            for (std::size_t i = 0; i < run.nbLignes(); ++i) lignes.push_back(run.ligne(i));
            comptes.compter(lignes, run.octets(), numero);
            numero += lignes.size();
            debut = fin;
            r = ResultatAnalyse();
            ASSERT_EQ(comptes.resultat(r), IssueAnalyse::terminee) << c.nom;
        }
        ASSERT_EQ(debut, texte.size());
        EXPECT_EQ(test::resultatEnTexte(r), test::resultatEnTexte(charge)) << c.nom;
        EXPECT_EQ(comptes.analysees(), resumer(charge).lignesAnalysees) << c.nom;
        EXPECT_EQ(comptes.ignorees(), resumer(charge).ignorees) << c.nom;
    }
}

TEST(AnalyseFlux, EchantillonReel) {
    const std::string chemin = std::string(KESTRANE_ECHANTILLONS) + "/apache-combined-10k.log";
    if (!fs::exists(chemin)) GTEST_SKIP() << "pas d'échantillon";
    for (const Cas& c : lesCas()) {
        if (c.options.periode.active) continue;  // the sample's dates are not those of the period
        comparer({chemin}, c.options, {1 << 20, 4093}, c.nom);
    }
}

// The error of the loaded analysis, and the line it names.
TEST(AnalyseFlux, ErreursNommantLaLigneDeLeurFichier) {
    Dossier d;
    ResultatAnalyse r;
    BilanFlux bilan;
    // The input, line and message the analysis stops at ("" when it ends otherwise).
    const auto arret = [&](const std::vector<std::string>& chemins, const OptionsAnalyse& o,
                           std::size_t bloc = DecoupeLignes::kTailleBloc) {
        OptionsFlux f;
        f.tailleBloc = bloc;
        try {
            analyserFlux(chemins, o, r, bilan, f);
        } catch (const ErreurLigneFlux& e) {
            return std::to_string(e.entree()) + ':' + std::to_string(e.ligne()) + ' ' + e.message();
        }
        return std::string();
    };
    const auto ligne = [](const std::string& client, const std::string& octets) {
        return client + " - - [01/Jan/2023:10:00:00 +0000] \"GET / HTTP/1.1\" 200 " + octets +
               " \"-\" \"a\"\n";
    };
    const std::string bon = d.ecrire("bon.log", journal(50, 10));
    const std::string mauvais =
        d.ecrire("mauvais.log", journal(2, 20) +
                                    "1.2.3.4 - - [20/Oct/2005:01:00:00 +0200] \"GET "
                                    "/ HTTP/1.1\" abc 10 \"-\" \"x\"\n" +
                                    journal(3, 20));
    for (const std::size_t bloc : {1, 64, 1 << 20}) {
        EXPECT_EQ(arret({mauvais, bon}, {}, bloc),
                  "0:3 'abc' n'est pas une valeur enti\xE8re correcte")
            << bloc;
    }
    // Sums only the lines read again in order can tell: a negative byte count, and a visitor's
    // bytes past 64 bits, counted in the fold after the block's lines.
    const std::string max = "9223372036854775807", un = "1.1.1.1", deux = "2.2.2.2";
    OptionsAnalyse page;
    page.complements = true;
    EXPECT_THROW(
        analyserFlux({d.ecrire("negatif.log", journal(5) + ligne(un, "-5"))}, {}, r, bilan),
        RelectureNecessaire);
    const std::string court = ligne(un, "-1") + ligne(deux, max) + ligne(deux, "1");
    EXPECT_THROW(analyserFlux({d.ecrire("court.log", court)}, page, r, bilan), RelectureNecessaire);
    // A half's bad line comes before the fold's overflow across the two halves.
    std::string moities = ligne(un, max) + un + " - - [01/Jan/2023\n";
    for (int k = 0; k < 4094; ++k) moities += ligne(deux, "0");
    EXPECT_EQ(arret({d.ecrire("moities.log", moities + ligne(un, "1"))}, page),
              "0:2 '-' n'est pas une valeur enti\xE8re correcte");
    // One line: nothing to analyse, even when it does not parse; unless one line suffices.
    const std::string seule = d.ecrire("seule.log", "rien\n");
    EXPECT_EQ(analyserFlux({seule}, {}, r, bilan), IssueAnalyse::pasDeFichier);
    OptionsAnalyse une;
    une.uneLigneSuffit = true;
    EXPECT_EQ(arret({seule}, une), "0:1 'rien' n'est pas une valeur enti\xE8re correcte");
    EXPECT_EQ(analyserFlux({d.ecrire("une.log", ligne(un, "5"))}, une, r, bilan),
              IssueAnalyse::terminee);
    EXPECT_EQ(r.tables.statIP.size(), 1u);
    // An empty line is told as such to the command line, with the parse's own message.
    const std::string vide = d.ecrire("vide.log", journal(2) + "\n" + journal(2));
    try {
        analyserFlux({vide}, {}, r, bilan);
        ADD_FAILURE();
    } catch (const ErreurLigneFlux& e) {
        EXPECT_EQ(e.ligne(), 3u);
        EXPECT_TRUE(e.ligneVide());
    }
    OptionsAnalyse ailleurs;
    ailleurs.periode.active = true;
    EXPECT_EQ(analyserFlux({bon}, ailleurs, r, bilan), IssueAnalyse::periodeVide);
}

}  // namespace
}  // namespace kestrane
