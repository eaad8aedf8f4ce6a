// Work on two cores when the system refuses the second thread: the error that reaches the window
// is the program's own, in French, not the library's.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/journal/FilAuxiliaire.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"

using namespace kestrane;

// The address sanitizer reserves far more address space than the limit used here allows.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAdressesSurveillees = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAdressesSurveillees = true;
#else
constexpr bool kAdressesSurveillees = false;
#endif
#else
constexpr bool kAdressesSurveillees = false;
#endif

namespace {

const std::string kMessageFil =
    "Impossible de cr\xE9"
    "er un fil d'ex\xE9"
    "cution";

// From here on no thread can be created: each asks for a stack larger than the address space
// the process may still grow by.
bool refuserLesFils() {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    if (pages == 0) return false;
    const rlim_t utilise =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    pthread_attr_t attributs;
    if (::pthread_attr_init(&attributs) != 0) return false;
    const bool pile = ::pthread_attr_setstacksize(&attributs, std::size_t{1} << 32) == 0 &&
                      ::pthread_setattr_default_np(&attributs) == 0;
    ::pthread_attr_destroy(&attributs);
    const rlimit limite{utilise + (rlim_t{256} << 20), utilise + (rlim_t{256} << 20)};
    return pile && ::setrlimit(RLIMIT_AS, &limite) == 0;
}

// The message of the ErreurKestrane raised by `f`; what else is raised escapes.
template <typename F>
std::string erreurDe(F&& f) {
    try {
        f();
    } catch (const ErreurKestrane& e) {
        return e.message();
    }
    return "(aucune erreur)";
}

// Runs in a process of its own; exits 0 when every command reports the program's error.
[[noreturn]] void verifierSansFils() {
    std::string texte;
    for (std::size_t k = 0; k < kSeuilDeuxFilsLignes + 10; ++k) texte += "1.2.3.4 x\n";
    const Journal j = Journal::depuisTexte(texte);
    if (!refuserLesFils()) {
        std::fprintf(stderr, "limits not set\n");
        std::_Exit(2);
    }
    int echecs = 0;
    const auto verifier = [&](const char* quoi, const std::string& message) {
        if (message == kMessageFil) return;
        std::fprintf(stderr, "%s: '%s'\n", quoi, message.c_str());
        ++echecs;
    };
    const auto rien = [] {};
    verifier("enParallele", erreurDe([&] { enParallele(true, rien, rien); }));
    TableauLog t;
    verifier("memoriser", erreurDe([&] { t.memoriser(j); }));
    verifier("memoriser with progress", erreurDe([&] { t.memoriser(j, [](std::size_t) {}); }));
    if (t.taille() != 0 || t.couvre(j)) {
        std::fprintf(stderr, "records left: %zu\n", t.taille());
        ++echecs;
    }
    // One core is enough below the threshold.
    bool deuxFaits = false;
    const auto faire = [&] { deuxFaits = true; };
    enParallele(false, rien, faire);
    if (!deuxFaits) ++echecs;
    std::_Exit(echecs == 0 ? 0 : 1);
}

}  // namespace

TEST(DeuxFils, UnFilRefuseDonneLErreurDuProgramme) {
    if (kAdressesSurveillees) GTEST_SKIP() << "address sanitizer: the limit cannot be set";
    // A process started afresh, so that no stack of an earlier thread is kept for reuse.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(verifierSansFils(), testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}

// The kept thread of a stream: every job on the same other thread, the errors raised as
// enParallele raises them (a's first), and the thread still there after one.
TEST(DeuxFils, FilAuxiliaireGardeSonFilEtSesErreurs) {
    FilAuxiliaire fil;
    std::set<std::thread::id> fils;
    for (int k = 0; k < 20; ++k) {
        fil.enParallele(
            true, [] {}, [&] { fils.insert(std::this_thread::get_id()); });
    }
    EXPECT_EQ(fils.size(), 1u);
    EXPECT_EQ(fils.count(std::this_thread::get_id()), 0u);
    const auto leve = [](const char* m) { return [m] { throw ErreurKestrane(m); }; };
    const auto rien = [] {};
    int faits = 0;
    const auto faire = [&] { ++faits; };
    EXPECT_EQ(erreurDe([&] { fil.enParallele(true, faire, leve("b")); }), "b");
    EXPECT_EQ(erreurDe([&] { fil.enParallele(true, leve("a"), leve("b")); }), "a");
    EXPECT_EQ(erreurDe([&] { fil.enParallele(false, leve("a"), faire); }), "a");
    fil.enParallele(true, faire, faire);
    EXPECT_EQ(erreurDe([&] { fil.enParallele(true, rien, rien); }), "(aucune erreur)");
    EXPECT_EQ(faits, 3);
}

// A thread lent to enParallele: b() on it every time, a call from within a() or b() on a thread
// of its own (no wait for the thread lent, which is busy), and the loan given back after an
// error.
TEST(DeuxFils, UnFilPreteSertAChaqueAppel) {
    FilAuxiliaire fil;
    std::thread::id prete;
    fil.enParallele(
        true, [] {}, [&] { prete = std::this_thread::get_id(); });
    filPrete() = &fil;
    std::set<std::thread::id> b, imbriques;
    std::mutex verrou;  // the calls from a() and b() run at once
    const auto imbrique = [&] {
        enParallele(
            true, [] {},
            [&] {
                std::lock_guard garde(verrou);
                imbriques.insert(std::this_thread::get_id());
            });
    };
    for (int k = 0; k < 5; ++k) {
        enParallele(true, imbrique, [&] {
            b.insert(std::this_thread::get_id());
            imbrique();
        });
    }
    EXPECT_EQ(b, std::set<std::thread::id>{prete});
    EXPECT_EQ(imbriques.count(prete), 0u);
    EXPECT_EQ(imbriques.count(std::this_thread::get_id()), 0u);
    EXPECT_EQ(erreurDe([&] {
                  enParallele(
                      true, [] { throw ErreurKestrane("a"); }, [] {});
              }),
              "a");
    EXPECT_EQ(filPrete(), &fil);
    b.clear();
    enParallele(
        true, [] {}, [&] { b.insert(std::this_thread::get_id()); });
    EXPECT_EQ(b, std::set<std::thread::id>{prete});
    filPrete() = nullptr;
}
