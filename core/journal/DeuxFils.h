// Work shared by the two cores: two independent jobs, one on this thread and one on another.
#pragma once

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "core/journal/Erreur.h"
#include "core/journal/FilAuxiliaire.h"

namespace kestrane {

// From which size work is shared by the two cores: below it a second thread costs more than it
// saves. A build for fuzzing lowers them, so that the two-half paths run on small inputs.
#ifdef KESTRANE_SEUILS_REDUITS
// Set by each fuzzing input: low for some inputs, out of reach for the others (threads are what
// costs most there).
inline std::size_t kSeuilDeuxFilsOctets = 256;
inline std::size_t kSeuilDeuxFilsLignes = 8;
#else
inline constexpr std::size_t kSeuilDeuxFilsOctets = std::size_t{32} << 20;
inline constexpr std::size_t kSeuilDeuxFilsLignes = std::size_t{1} << 15;
#endif

// The counts of a stretch, written on every line by the core that reads it, are aligned on
// this (a cache line): sharing a line with what the other core reads every line (another
// reader's list of stretches, allocated beside them) would bounce it between the two cores.
// That cost 8 % of an analysis in one layout of the heap.
inline constexpr std::size_t kLigneCache = 64;

// A thread running f(). A thread the system refuses is reported as the program's own error, not
// as the library's English one, since it reaches the error box.
template <typename F>
std::thread lancerFil(F&& f) {
    try {
        return std::thread(std::forward<F>(f));
    } catch (const std::system_error&) {
        leverErreurFil();
    }
}

// A second thread kept for this thread's calls of enParallele, null for none: a thread that
// makes many small results one after the other (a feed's days) lends one here rather than start
// a thread for each call. A call made while it is in use (from within a() or b()) starts its own.
inline FilAuxiliaire*& filPrete() {
    thread_local FilAuxiliaire* fil = nullptr;
    return fil;
}

// Runs a() on this thread and b() on another one at the same time, or both here, one after the
// other, when `deux` is false. Returns once both have ended; an error of a() is raised first,
// then one of b().
template <typename A, typename B>
void enParallele(bool deux, A&& a, B&& b) {
    if (!deux) {
        a();
        b();
        return;
    }
    if (FilAuxiliaire* fil = std::exchange(filPrete(), nullptr)) {
        struct Rendre {
            FilAuxiliaire* fil;
            ~Rendre() { filPrete() = fil; }
        } rendre{fil};
        fil->enParallele(true, std::forward<A>(a), std::forward<B>(b));
        return;
    }
    std::exception_ptr erreurB;
    std::thread autre = lancerFil([&] {
        try {
            b();
        } catch (...) {
            erreurB = std::current_exception();
        }
    });
    try {
        a();
    } catch (...) {
        autre.join();
        throw;
    }
    autre.join();
    if (erreurB) std::rethrow_exception(erreurB);
}

}  // namespace kestrane
