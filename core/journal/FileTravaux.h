// Jobs run one after the other on a thread of their own while their caller goes on (a feed
// counting the next day while the day before is made into its tables), in the order given.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrane {

class FileTravaux {
  public:
    // At most `enAttente` jobs given and not yet begun: the caller waits for room beyond, so
    // that what the jobs hold stays bounded. Raises the program's error when the system refuses
    // the thread (DeuxFils.h, lancerFil).
    explicit FileTravaux(std::size_t enAttente = 1);
    // Drops the jobs not yet begun and waits for the one running.
    ~FileTravaux();
    FileTravaux(const FileTravaux&) = delete;
    FileTravaux& operator=(const FileTravaux&) = delete;

    // The first job that raises stops the queue: the jobs after it are dropped, and its error is
    // raised here by the next confier() and by attendre().
    void confier(std::function<void()> travail);
    // Returns once every job given has run.
    void attendre();

  private:
    void boucler();

    std::mutex verrou_;
    std::condition_variable signal_;
    std::deque<std::function<void()>> travaux_;
    std::size_t enAttente_;
    bool occupe_ = false, arreter_ = false;
    std::exception_ptr erreur_;
    std::thread fil_;
};

}  // namespace kestrane
