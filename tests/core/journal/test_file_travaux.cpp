// Jobs run in order on a thread of their own: the caller waits for room when too many wait, the
// first job that raises stops the queue and its error reaches the caller, and a queue destroyed
// with jobs waiting runs none of them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/journal/FileTravaux.h"

using namespace kestrane;

TEST(FileTravaux, DansLOrdreEtAuPlusUnEnAttente) {
    FileTravaux file(1);
    std::vector<int> faits;
    std::promise<void> ouvrir;
    std::shared_future<void> ouvert = ouvrir.get_future().share();
    std::atomic<int> donnes{0};
    // The first job holds the thread: one more waits, the third is given once the first is done.
    std::thread appelant([&] {
        for (int k = 0; k < 3; ++k) {
            file.confier([&, k] {
                if (k == 0) ouvert.wait();
                faits.push_back(k);
            });
            ++donnes;
        }
    });
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (donnes < 2 && std::chrono::steady_clock::now() < limite) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(donnes, 2);
    ouvrir.set_value();
    appelant.join();
    file.attendre();
    EXPECT_EQ(faits, (std::vector<int>{0, 1, 2}));
}

TEST(FileTravaux, LaPremiereErreurArreteLaFile) {
    FileTravaux file(4);
    std::promise<void> ouvrir;
    std::shared_future<void> ouvert = ouvrir.get_future().share();
    std::vector<int> faits;
    file.confier([&] {
        ouvert.wait();
        faits.push_back(0);
        throw ErreurKestrane("premier");
    });
    file.confier([&] { faits.push_back(1); });
    ouvrir.set_value();
    try {
        file.attendre();
        ADD_FAILURE() << "no error";
    } catch (const ErreurKestrane& e) {
        EXPECT_EQ(e.message(), "premier");
    }
    EXPECT_EQ(faits, (std::vector<int>{0}));
    // Raised again to the caller that gives another job, which is not run.
    EXPECT_THROW(file.confier([&] { faits.push_back(2); }), ErreurKestrane);
    EXPECT_THROW(file.attendre(), ErreurKestrane);
    EXPECT_EQ(faits, (std::vector<int>{0}));
}

TEST(FileTravaux, DetruiteElleAbandonneCeQuiAttend) {
    std::atomic<int> faits{0};
    std::promise<void> ouvrir;
    std::shared_future<void> ouvert = ouvrir.get_future().share();
    std::promise<void> commence;
    std::thread liberer;
    {
        FileTravaux file(2);
        file.confier([&] {
            commence.set_value();
            ouvert.wait();
            ++faits;
        });
        file.confier([&] { faits += 10; });
        file.confier([&] { faits += 100; });
        commence.get_future().wait();
        // The queue goes while its first job runs: that one ends, the others never begin.
        liberer = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ouvrir.set_value();
        });
    }
    liberer.join();
    EXPECT_EQ(faits, 1);
}
