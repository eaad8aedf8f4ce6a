// A second thread kept for a run of many short jobs shared by the two cores (a stream's blocks):
// starting a thread for each job would cost its creation and fresh memory (its stack, its heap)
// every time, which on these machines means page faults.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace kestrane {

class FilAuxiliaire {
  public:
    // Raises the program's error when the system refuses the thread (DeuxFils.h, lancerFil).
    FilAuxiliaire();
    ~FilAuxiliaire();
    FilAuxiliaire(const FilAuxiliaire&) = delete;
    FilAuxiliaire& operator=(const FilAuxiliaire&) = delete;

    // As enParallele (DeuxFils.h): a() here and b() on the kept thread at the same time, or both
    // here when `deux` is false; an error of a() is raised first, then one of b().
    template <typename A, typename B>
    void enParallele(bool deux, A&& a, B&& b) {
        if (!deux) {
            a();
            b();
            return;
        }
        confier(std::function<void()>(std::forward<B>(b)));
        try {
            a();
        } catch (...) {
            attendre();
            throw;
        }
        attendre();
        if (erreur_) std::rethrow_exception(std::exchange(erreur_, nullptr));
    }

  private:
    void confier(std::function<void()> travail);
    void attendre();
    void boucler();

    std::mutex verrou_;
    std::condition_variable signal_;
    std::function<void()> travail_;
    bool occupe_ = false, arreter_ = false;
    std::exception_ptr erreur_;
    std::thread fil_;
};

}  // namespace kestrane
